#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace mirelo {

// Record texts are Windows-1252 bytes: Latin-1 except for 0x80 to 0x9F.
QString DecodeWindows1252(std::string_view bytes);
// The bytes that DecodeWindows1252 shows as text; none when a character is not in the
// code page. Every byte decodes to a character of its own, so this is its exact inverse.
std::optional<std::string> EncodeWindows1252(const QString& text);

}  // namespace mirelo
