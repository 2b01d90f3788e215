#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mirelo {

// Where the line that starts at from ends: its first CR or LF (a lone CR ends a line in mail
// from old Macs), or the end of the bytes. Two memchr passes rather than a test of every
// byte against both, which costs several times as much on long bodies.
inline std::size_t FindLineEnd(std::string_view bytes, std::size_t from) {
    const char* start = bytes.data() + from;
    const std::size_t length = bytes.size() - from;
    const void* lf = std::memchr(start, '\n', length);
    const std::size_t beforeLf = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : length;
    const void* cr = std::memchr(start, '\r', beforeLf);
    return from + (cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - start) : beforeLf);
}

// Where the line after the one ending at end starts: past a CR LF pair, a lone CR or an LF.
inline std::size_t NextLineStart(std::string_view bytes, std::size_t end) {
    if (end >= bytes.size()) return bytes.size();
    return end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
}

// How many bytes LineFeedBits looks at.
inline constexpr std::size_t kLineFeedBlock = 64;

// Bit i set where bytes[i] is an LF, for the kLineFeedBlock bytes from bytes: a compare of
// sixteen bytes at once where the processor has one, which finds the many short lines of a
// mailbox faster than a search per line.
inline std::uint64_t LineFeedBits(const char* bytes) {
#if defined(__SSE2__)
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    std::uint64_t bits = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
        bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeeds)))} << (16 * part);
    }
    return bits;
#else
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < kLineFeedBlock; ++i) bits |= std::uint64_t{bytes[i] == '\n'} << i;
    return bits;
#endif
}

}  // namespace mirelo
