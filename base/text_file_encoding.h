#pragma once

#include <string>
#include <string_view>

namespace mirelo {

// The text of a file that a user or another program wrote, as UTF-8 without a byte-order
// mark: UTF-16 with its mark (as Windows Notepad and Excel save "Unicode") is converted,
// a UTF-8 mark is dropped, anything else is kept as it is.
std::string TextAsUtf8(std::string_view bytes);

}  // namespace mirelo
