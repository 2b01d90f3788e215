#pragma once

#include <string>

namespace mirelo {

// Replaces the RFC 2047 encoded words of a header line (=?charset?Q?...?= and
// =?charset?B?...?=, quoted or not) by their text in Windows-1252, the bytes every record
// holds. Adjacent words join without the white space between them, and bytes of one
// charset are decoded together, since mailers split a character across two words. A run
// of words in a charset this does not read, or with a character the code page lacks, is
// left as it was.
void DecodeEncodedWords(std::string& line);

}  // namespace mirelo
