#pragma once

#include <QString>

#include <string_view>

// Record texts are Windows-1252 bytes: Latin-1 except for 0x80 to 0x9F.
QString DecodeWindows1252(std::string_view bytes);
