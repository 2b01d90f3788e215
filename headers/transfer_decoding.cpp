#include "headers/transfer_decoding.h"

#include "base/ascii.h"

namespace mirelo {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const unsigned char folded = FoldAscii(static_cast<unsigned char>(c));
    return folded >= 'a' && folded <= 'f' ? folded - 'a' + 10 : -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

}  // namespace

std::optional<std::string> DecodeQ(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            bytes += ' ';
        } else if (text[i] != '=') {
            bytes += text[i];
        } else {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return bytes;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string bytes;
    unsigned bits = 0;
    int bitCount = 0;
    for (const char c : text) {
        if (c == '=') break;
        const int value = Base64Value(c);
        if (value < 0) return std::nullopt;
        bits = ((bits << 6) | static_cast<unsigned>(value)) & 0xFFFFFFu;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes += static_cast<char>((bits >> bitCount) & 0xFF);
        }
    }
    return bytes;
}

}  // namespace mirelo
