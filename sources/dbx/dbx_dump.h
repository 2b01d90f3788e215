#pragma once

#include <string>

#include "scan/text_mode_reader.h"

namespace mirelo {

struct DumpOutcome {
    bool written = false;  // the temporary file now holds this store's dump, whole or its complete lines
    bool temporaryFileFailed = false;  // the temporary file could not be opened or written in full
    std::string problem;   // short reason why the store, or a part of it, could not be read; empty when none
};

// Writes every message of the store that has a text, in tree order, into the temporary
// file: "___Message___ : " i CR LF, then the text up to its first NUL; a marker always
// starts a line, and a text that breaks off gives only its complete lines. The file is
// emptied first; stores without messages and files of other kinds leave it empty.
DumpOutcome DumpDbxToText(const std::string& storePath, const std::string& tempPath);
// The same into a file of the run's own; the problems name the temporary file the user
// knows, shownPath, beside which it lies. A watch, when given, sees the messages dumped
// of the store's count before each one and may end the dump there.
DumpOutcome DumpDbxToText(const std::string& storePath, const std::string& ownPath, const std::string& shownPath,
                          const ReadWatch& watch = {});

// outlook_temp.mbx in the folder named by TEMP, else TMP, else (not on Windows) TMPDIR,
// else in the system's temporary folder (on Windows the current folder).
std::string TemporaryDumpPath();

// A path beside dumpPath that no other dump of this process or another one uses.
std::string PrivateDumpPath(const std::string& dumpPath);

}  // namespace mirelo
