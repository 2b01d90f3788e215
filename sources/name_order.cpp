#include "sources/name_order.h"

#include <algorithm>
#include <string>

namespace mirelo {

namespace {

// Upper case as NTFS's table has it for the Latin, Greek and Cyrillic letters; other
// scripts' letters, rare in folder names, compare as they are.
char32_t Upper(char32_t c) {
    const auto pairedUpper = [c](bool lowerIsOdd) { return (c % 2 == 1) == lowerIsOdd ? c - 1 : c; };
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return U'I';
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return pairedUpper(true);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return pairedUpper(false);
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if ((c >= 0x3B1 && c <= 0x3CB) || (c >= 0x430 && c <= 0x44F)) return c - 0x20;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
    if (c == 0x3CC) return 0x38C;
    if (c >= 0x3CD && c <= 0x3CE) return c - 0x3F;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return pairedUpper(true);
    if (c >= 0x4C1 && c <= 0x4CE) return pairedUpper(false);
    return c;
}

// The code point of the UTF-8 sequence at name[i], moving i past it; a byte that starts
// no sound sequence stands for itself.
char32_t NextCodePoint(std::string_view name, std::size_t& i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(name[at]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    char32_t c = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : length == 2 ? lead & 0x1Fu : lead;
    if (length < 2 || i + length > name.size()) {
        ++i;
        return lead;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        c = (c << 6) | (byte(i + k) & 0x3Fu);
    }
    i += length;
    return c;
}

std::u16string UpperUtf16(std::string_view name) {
    std::u16string units;
    for (std::size_t i = 0; i < name.size();) {
        const char32_t c = Upper(NextCodePoint(name, i));
        if (c < 0x10000) {
            units.push_back(static_cast<char16_t>(c));
        } else {
            units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

}  // namespace

bool ListsBefore(std::string_view a, std::string_view b) {
    const std::u16string upperA = UpperUtf16(a), upperB = UpperUtf16(b);
    return upperA != upperB ? upperA < upperB : a < b;
}

}  // namespace mirelo
