#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace mirelo {

// Folds ASCII capitals only; every other byte stays as it is.
constexpr unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Equal once ASCII capitals are folded: header names, file extensions, kind names.
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return FoldAscii(static_cast<unsigned char>(x)) == FoldAscii(static_cast<unsigned char>(y));
    });
}

constexpr bool StartsWithNoCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}

// A copy with ASCII capitals folded, for keys compared without case.
inline std::string FoldedAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    return folded;
}

}  // namespace mirelo
