#pragma once

namespace mirelo {

// Folds ASCII capitals only; every other byte stays as it is.
constexpr unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}  // namespace mirelo
