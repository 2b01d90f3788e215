#include "sources/pst/pst_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace mirelo {
namespace {

// The writer shares these routines with the reader, so only outside values can tell a
// wrong table entry: they are the format's own worked examples.
TEST(PstEncoding, MatchesTheFormatsWorkedExamples) {
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
}

}  // namespace
}  // namespace mirelo
