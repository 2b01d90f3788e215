#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mirelo {

// Record texts are Windows-1252 bytes: Latin-1 except for 0x80 to 0x9F.
char32_t Windows1252Character(unsigned char byte);
// The byte that shows the character; none when the code page lacks it.
std::optional<unsigned char> Windows1252Byte(char32_t character);

void AppendUtf8(std::string& out, char32_t character);
std::string Windows1252ToUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view text);
// The length of the UTF-8 sequence at text[at], or 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);
// Texts that may be either, such as paths, byte by byte: valid UTF-8 sequences are kept
// and every other byte is read as Windows-1252, so that the result always is UTF-8 and
// one stray byte spoils no more than itself.
std::string AsValidUtf8(std::string_view text);

}  // namespace mirelo
