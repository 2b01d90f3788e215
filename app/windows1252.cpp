#include "windows1252.h"

#include "base/windows1252.h"

namespace mirelo {

QString DecodeWindows1252(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(static_cast<char16_t>(Windows1252Character(byte)));
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
