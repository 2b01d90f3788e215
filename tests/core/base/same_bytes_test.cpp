#include "base/same_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace mirelo {
namespace {

// Every size up to a few words, with one byte changed at each place in turn: each path
// (bytes, half words, words with an overlapping last one) must see every byte.
TEST(SameBytes, SeesABytesChangeWhereverItIs) {
    for (std::size_t size = 0; size <= 25; ++size) {
        std::string a;
        for (std::size_t i = 0; i < size; ++i) a.push_back(static_cast<char>('a' + i));
        EXPECT_TRUE(SameBytes(a.data(), std::string(a).data(), size)) << size;
        for (std::size_t changed = 0; changed < size; ++changed) {
            std::string b = a;
            b[changed] = static_cast<char>(b[changed] ^ 0x80);
            EXPECT_FALSE(SameBytes(a.data(), b.data(), size)) << size << " bytes, changed at " << changed;
        }
    }
}

}  // namespace
}  // namespace mirelo
