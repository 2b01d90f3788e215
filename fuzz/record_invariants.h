#pragma once

// What any email and name that the parser sets must look like, whatever the input.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "headers/header_line_parser.h"

namespace mirelo::fuzz {

// One '@' with address characters around it.
inline bool IsSoundEmail(const std::string& email) {
    return std::count(email.begin(), email.end(), '@') == 1 &&
           std::all_of(email.begin(), email.end(),
                       [](char c) { return c == '@' || IsAddressChar(static_cast<unsigned char>(c)); });
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
