# The one text of mirelo-extract's usage (cli/usage.txt), in the forms that --help, the
# manual page and the Windows README take it, so that they cannot drift apart:
#   MIRELO_USAGE         the text itself
#   MIRELO_USAGE_C       a C string literal of it
#   MIRELO_MAN_SYNOPSIS  its first lines without "Usage: ", as roff text for .nf
#   MIRELO_MAN_OPTIONS   what follows its first blank line, as roff text for .nf
set(usage_file ${PROJECT_SOURCE_DIR}/cli/usage.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${usage_file})
file(READ ${usage_file} MIRELO_USAGE)

string(REPLACE "\\" "\\\\" MIRELO_USAGE_C "${MIRELO_USAGE}")
string(REPLACE "\"" "\\\"" MIRELO_USAGE_C "${MIRELO_USAGE_C}")
string(REPLACE "\n" "\\n\"\n    \"" MIRELO_USAGE_C "\"${MIRELO_USAGE_C}\"")

# Backslashes and minus signs as roff wants them; a line starting with a full stop or an
# apostrophe would be read as a request.
function(mirelo_roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(FIND "${MIRELO_USAGE}" "\n\n" blank_line)
string(SUBSTRING "${MIRELO_USAGE}" 0 ${blank_line} usage_head)
math(EXPR options_start "${blank_line} + 2")
string(SUBSTRING "${MIRELO_USAGE}" ${options_start} -1 usage_options)
string(FIND "${usage_head}" "\n" summary_start REVERSE)  # the head's last line is its summary
string(SUBSTRING "${usage_head}" 0 ${summary_start} usage_synopsis)
string(REGEX REPLACE "^Usage: " "" usage_synopsis "${usage_synopsis}")
string(REPLACE "\n       " "\n" usage_synopsis "${usage_synopsis}")  # under the name again
mirelo_roff_text("${usage_synopsis}" MIRELO_MAN_SYNOPSIS)
mirelo_roff_text("${usage_options}" MIRELO_MAN_OPTIONS)
