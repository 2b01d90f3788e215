#include "base/text_file_encoding.h"

#include "base/windows1252.h"

namespace mirelo {

namespace {

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    const auto unit = [&](std::size_t at) -> char32_t {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        return bigEndian ? (byte(at) << 8 | byte(at + 1)) : (byte(at + 1) << 8 | byte(at));
    };
    std::string text;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        char32_t character = unit(at);
        const bool high = character >= 0xD800 && character <= 0xDBFF;
        if (high && at + 3 < bytes.size() && unit(at + 2) >= 0xDC00 && unit(at + 2) <= 0xDFFF) {
            character = 0x10000 + ((character - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        } else if (character >= 0xD800 && character <= 0xDFFF) {
            character = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(text, character);
    }
    return text;
}

}  // namespace

std::string TextAsUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(bytes.substr(2), true);
    return std::string(bytes);
}

}  // namespace mirelo
