#pragma once

// What any email and name that the parser sets must look like, whatever the input.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "headers/header_line_parser.h"

namespace mirelo::fuzz {

// One '@' with local-part characters (apostrophes inside) before it and address
// characters after it, neither side empty.
inline bool IsSoundEmail(const std::string& email) {
    const std::size_t at = email.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == email.size()) return false;
    const auto local = [](char c) { return c == '\'' || IsLocalPartChar(static_cast<unsigned char>(c)); };
    const auto domain = [](char c) { return IsAddressChar(static_cast<unsigned char>(c)); };
    return std::all_of(email.begin(), email.begin() + static_cast<std::ptrdiff_t>(at), local) &&
           email.front() != '\'' && email[at - 1] != '\'' &&
           std::all_of(email.begin() + static_cast<std::ptrdiff_t>(at) + 1, email.end(), domain);
}

// A run of name characters and spaces, trimmed of leading spaces, ending in a name character.
inline bool IsSoundName(const std::string& name) {
    return !name.empty() && name.front() != ' ' && IsNameChar(static_cast<unsigned char>(name.back())) &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return c == ' ' || IsNameChar(static_cast<unsigned char>(c)); });
}

// A broken invariant is a finding: abort so that libFuzzer keeps the input.
inline void Require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace mirelo::fuzz
