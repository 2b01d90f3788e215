#include "sources/pst/pst_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace mirelo {
namespace {

// The writer shares these routines with the reader, so only outside values can tell a
// wrong table entry: the format's own worked examples, and for the checksum, CRC-32
// without its two inversions, zlib's ~crc32(0xFFFFFFFF, bytes) for lengths on and off the
// steps of both ways of computing it.
TEST(PstEncoding, MatchesOutsideValues) {
    std::string permuted("\x85\x36\xFF\x93\x4C\x41\x41\x41", 8);
    PermuteDecode(permuted);
    EXPECT_EQ(permuted, std::string("\x4C\x01\xEC\xBC\x20\x00\x00\x00", 8));
    PermuteEncode(permuted);
    EXPECT_EQ(permuted, std::string("\x85\x36\xFF\x93\x4C\x41\x41\x41", 8));

    std::string cyclic(8, '\0');
    CyclicCode(cyclic, 0x12345678);
    EXPECT_EQ(cyclic, std::string("\xE4\xDA\xC5\xD1\x55\xED\x96\x79", 8));
    CyclicCode(cyclic, 0x12345678);
    EXPECT_EQ(cyclic, std::string(8, '\0'));

    EXPECT_EQ(PstCrc("123456789"), 0x2DFD2D88u);
    EXPECT_EQ(PstSignature(0x4600, 4), 0x4604);

    std::string pattern;
    for (int i = 0; i < 1000; ++i) pattern += static_cast<char>((i * 7 + 3) & 0xFF);
    const struct {
        std::size_t length;
        std::uint32_t crc;
    } cases[] = {{15, 0xABB29D3B}, {16, 0xF5A476CA}, {17, 0xB248AF5E}, {33, 0x11B90F8F}, {64, 0xBE548FC6}, {1000, 0x11B73DC6}};
    for (const auto& c : cases) EXPECT_EQ(PstCrc(pattern.substr(0, c.length)), c.crc) << c.length;
}

}  // namespace
}  // namespace mirelo
