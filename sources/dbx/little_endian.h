#pragma once

#include <cstdint>

namespace mirelo {

// Store integers are little-endian whatever the machine.
inline std::uint32_t LoadLe(const char* bytes, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

inline std::uint32_t LoadLe32(const char* bytes) { return LoadLe(bytes, 4); }
inline std::uint32_t LoadLe24(const char* bytes) { return LoadLe(bytes, 3); }

}  // namespace mirelo
