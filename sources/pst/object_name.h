#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace mirelo {

// "node tree page at 0x4e00", for the store's problem line.
inline std::string PstObjectName(std::string_view what, std::uint64_t value, std::string_view joint = " at 0x") {
    char hex[16];
    const auto end = std::to_chars(hex, hex + sizeof hex, value, 16).ptr;
    std::string name;
    name.reserve(what.size() + joint.size() + sizeof hex);
    name.append(what.data(), what.size());
    name.append(joint.data(), joint.size());
    name.append(hex, end);
    return name;
}

}  // namespace mirelo
