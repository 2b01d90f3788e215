#include "sources/name_order.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

// Each pair is in NTFS's order: case is ignored letter by letter, also at the ends of the
// ranges that pair capitals with small letters, and a three-byte UTF-8 letter is one
// character, not the bytes it is made of.
TEST(NameOrder, NamesComeInNtfsOrder) {
    const struct { const char* first; const char* second; } cases[] = {
        {"ŷa", "Ŷb"},  // last of the Latin Extended-A pairs
        {"%", "क"},    // lead byte 0xE0
        {"a", "B"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ListsBefore(c.first, c.second)) << c.first << " " << c.second;
        EXPECT_FALSE(ListsBefore(c.second, c.first)) << c.first << " " << c.second;
    }
}

}  // namespace
}  // namespace mirelo
