// The checksum of a personal folder file's header, pages and blocks: CRC-32 without its
// two inversions. Every byte of the file is checked, so it goes sixteen bytes a step by
// tables, and by carry-less multiplication where the processor has it.
#include <array>
#include <cstddef>
#include <cstdint>

#include "sources/pst/pst_encoding.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MIRELO_PST_CLMUL 1
#include <immintrin.h>
#endif

namespace mirelo {

namespace {

// The checksum's table, and fifteen more that take a byte on by one to sixteen places.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 16>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (std::size_t n = 0; n < 256; ++n) tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFF];
    return tables;
}

constexpr CrcTables kCrc = MakeCrcTables();

std::uint32_t Le32(const unsigned char* bytes) {
    return bytes[0] | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::uint32_t CrcWord(std::uint32_t word, std::size_t table) {
    return kCrc[table + 3][word & 0xFF] ^ kCrc[table + 2][(word >> 8) & 0xFF] ^ kCrc[table + 1][(word >> 16) & 0xFF] ^
           kCrc[table][word >> 24];
}

std::uint32_t TableCrc(std::uint32_t crc, const unsigned char* in, std::size_t size) {
    for (; size >= 16; in += 16, size -= 16)
        crc = CrcWord(crc ^ Le32(in), 12) ^ CrcWord(Le32(in + 4), 8) ^ CrcWord(Le32(in + 8), 4) ^ CrcWord(Le32(in + 12), 0);
    for (; size > 0; ++in, --size) crc = kCrc[0][(crc ^ *in) & 0xFF] ^ (crc >> 8);
    return crc;
}

#ifdef MIRELO_PST_CLMUL

__attribute__((target("pclmul,sse2"))) __m128i Fold(__m128i lane, __m128i keys, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, keys, 0x00), _mm_clmulepi64_si128(lane, keys, 0x11)),
                         next);
}

__m128i Load(const unsigned char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Folds 64 bytes a step into four 128-bit lanes, the lanes into one, then reduces it to
// 32 bits (Barrett). The constants are powers of x modulo the CRC polynomial, bit
// reflected. size is a multiple of 16, at least 64.
__attribute__((target("pclmul,sse2"))) std::uint32_t ClmulCrc(std::uint32_t crc, const unsigned char* in,
                                                             std::size_t size) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_set_epi32(0, -1, 0, -1);

    __m128i x1 = _mm_xor_si128(Load(in), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(in + 16), x3 = Load(in + 32), x4 = Load(in + 48);
    in += 64;
    size -= 64;
    for (; size >= 64; in += 64, size -= 64) {
        x1 = Fold(x1, k1k2, Load(in));
        x2 = Fold(x2, k1k2, Load(in + 16));
        x3 = Fold(x3, k1k2, Load(in + 32));
        x4 = Fold(x4, k1k2, Load(in + 48));
    }
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    for (; size >= 16; in += 16, size -= 16) x1 = Fold(x1, k3k4, Load(in));

    __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), k5, 0x00), _mm_srli_si128(x, 4));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(_mm_xor_si128(x, t), 4)));
}

bool HasClmul() {
    static const bool has = __builtin_cpu_supports("pclmul");
    return has;
}

#endif

}  // namespace

std::uint32_t PstCrc(std::string_view data) {
    const auto* in = reinterpret_cast<const unsigned char*>(data.data());
    std::size_t size = data.size();
    std::uint32_t crc = 0;
#ifdef MIRELO_PST_CLMUL
    if (size >= 64 && HasClmul()) {
        const std::size_t folded = size & ~std::size_t{15};
        crc = ClmulCrc(crc, in, folded);
        in += folded;
        size -= folded;
    }
#endif
    return TableCrc(crc, in, size);
}

}  // namespace mirelo
