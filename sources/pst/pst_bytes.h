#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sources/pst/pst_encoding.h"

namespace mirelo {

// An integer as it lies in memory, wherever it lies.
template <typename Integer>
Integer PstLoaded(const char* at) {
    Integer value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// A little-endian integer of width bytes at offset; 0 when it does not lie in bytes, so
// that a field read past a short structure never reads outside it. Callers check lengths
// first wherever a missing field is damage to report.
inline std::uint64_t PstLe(std::string_view bytes, std::size_t offset, std::size_t width) {
    if (offset > bytes.size() || width > bytes.size() - offset) return 0;
    if constexpr (std::endian::native == std::endian::little) {  // the widths of ids, sizes and counts, in one load
        const char* const at = bytes.data() + offset;
        if (width == 8) return PstLoaded<std::uint64_t>(at);
        if (width == 4) return PstLoaded<std::uint32_t>(at);
        if (width == 2) return PstLoaded<std::uint16_t>(at);
    }
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// The same of bytes left permuted, decoded on the way.
inline std::uint64_t PstLePermuted(std::string_view bytes, std::size_t offset, std::size_t width) {
    if (offset > bytes.size() || width > bytes.size() - offset) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | PermuteDecoded(bytes[offset + i]);
    return value;
}

// A field of bytes as they are kept: decoded on the way when left permuted.
inline std::uint64_t PstLeAsKept(std::string_view bytes, std::size_t offset, std::size_t width, bool permuted) {
    return permuted ? PstLePermuted(bytes, offset, width) : PstLe(bytes, offset, width);
}

inline std::uint16_t PstLe16(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(PstLe(bytes, offset, 2));
}
inline std::uint32_t PstLe32(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(PstLe(bytes, offset, 4));
}
inline std::uint64_t PstLe64(std::string_view bytes, std::size_t offset) { return PstLe(bytes, offset, 8); }
inline std::uint8_t PstByte(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(PstLe(bytes, offset, 1));
}

}  // namespace mirelo
