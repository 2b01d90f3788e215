#pragma once

#include <bit>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirelo {

// How many bytes the bit functions below look at.
inline constexpr std::size_t kLineFeedBlock = 64;

// How many bytes BytesAmong16 looks at.
inline constexpr std::size_t kByteMaskBlock = 16;

// Bit i set where bytes[i] is one of the given bytes, for the kByteMaskBlock bytes from
// bytes: a compare of sixteen bytes at once where the processor has one.
template <char... kBytes>
std::uint32_t BytesAmong16(const char* bytes) {
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    __m128i found = _mm_setzero_si128();
    ((found = _mm_or_si128(found, _mm_cmpeq_epi8(block, _mm_set1_epi8(kBytes)))), ...);
    return static_cast<std::uint16_t>(_mm_movemask_epi8(found));
#else
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < kByteMaskBlock; ++i) bits |= std::uint32_t{((bytes[i] == kBytes) || ...)} << i;
    return bits;
#endif
}

// The same for the kLineFeedBlock bytes from bytes, which finds the many short lines of a
// mailbox faster than a search per line.
template <char... kBytes>
std::uint64_t BytesAmong(const char* bytes) {
    // Spelled out: the compiler keeps a loop here, and its shifts by a counter cost more
    // than the compares.
    static_assert(kLineFeedBlock == 4 * kByteMaskBlock);
    return std::uint64_t{BytesAmong16<kBytes...>(bytes)} | std::uint64_t{BytesAmong16<kBytes...>(bytes + 16)} << 16 |
           std::uint64_t{BytesAmong16<kBytes...>(bytes + 32)} << 32 | std::uint64_t{BytesAmong16<kBytes...>(bytes + 48)} << 48;
}

inline std::uint64_t LineFeedBits(const char* bytes) { return BytesAmong<'\n'>(bytes); }

// Where the line that starts at from ends: its first CR or LF (a lone CR ends a line in mail
// from old Macs), or the end of the bytes. Sixteen bytes at a time: the lines looked at
// this way are header lines, most shorter than a block of sixty-four.
inline std::size_t FindLineEnd(std::string_view bytes, std::size_t from) {
    std::size_t at = from;
    for (; at + kByteMaskBlock <= bytes.size(); at += kByteMaskBlock)
        if (const std::uint32_t ends = BytesAmong16<'\n', '\r'>(bytes.data() + at)) return at + static_cast<std::size_t>(std::countr_zero(ends));
    while (at < bytes.size() && bytes[at] != '\n' && bytes[at] != '\r') ++at;
    return at;
}

// Where the line after the one ending at end starts: past a CR LF pair, a lone CR or an LF.
inline std::size_t NextLineStart(std::string_view bytes, std::size_t end) {
    if (end >= bytes.size()) return bytes.size();
    return end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
}

}  // namespace mirelo
