#include "windows1252.h"

#include <array>

namespace mirelo {

namespace {

// 0x80 to 0x9F; the five bytes the code page leaves undefined keep their C1 code.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString DecodeWindows1252(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte <= 0x9F) ? QChar(kHighControlRange[byte - 0x80u]) : QChar(byte);
    }
    return text;
}

std::optional<std::string> EncodeWindows1252(const QString& text) {
    static const QString everyByteDecoded = [] {
        std::string bytes(256, '\0');
        for (std::size_t byte = 0; byte < bytes.size(); ++byte) bytes[byte] = static_cast<char>(byte);
        return DecodeWindows1252(bytes);
    }();
    std::string bytes;
    for (const QChar character : text) {
        const qsizetype byte = everyByteDecoded.indexOf(character);
        if (byte < 0) return std::nullopt;
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

}  // namespace mirelo
