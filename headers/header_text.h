#pragma once

#include <string>
#include <string_view>

namespace mirelo {

// An unstructured header text or a display name as UTF-8. RFC 2047 encoded words are
// decoded in any charset the system converts; adjacent ones join without the white space
// between them, and the bytes of one charset are converted together, so that a character
// split across two words stays whole. A word in an unknown charset or with a broken
// encoding drops out whole. Raw UTF-8 stays, other bytes from 0x80 read as Windows-1252,
// and control characters become spaces.
std::string DecodeHeaderText(std::string_view raw);

}  // namespace mirelo
