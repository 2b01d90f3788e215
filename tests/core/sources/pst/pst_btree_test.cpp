#include "sources/pst/pst_btree.h"

#include "sources/pst/pst_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace mirelo {
namespace {

// Entries come as the walk lists them, pages last entry first; a key listed twice keeps
// its first entry, wherever the two lie. A node's subnodes are kept by the same rule.
TEST(PstSortedEntries, FindsEachKeyAndKeepsTheEntryListedFirst) {
    using Listed = std::vector<std::pair<std::uint32_t, char>>;
    const struct {
        Listed listed;
        std::string found;  // the entry of keys 1 to 5, '-' for none
    } cases[] = {
        {{{3, 'c'}, {2, 'b'}, {1, 'a'}, {5, 'e'}, {4, 'd'}}, "abcde"},
        {{{5, 'x'}, {3, 'y'}, {3, 'z'}, {1, 'w'}}, "w-y-x"},
        {{{3, 'p'}, {1, 'q'}, {3, 'r'}, {2, 's'}}, "qsp--"},
        {{{1, 'a'}, {4, 'b'}, {2, 'c'}, {4, 'd'}, {1, 'e'}}, "ac-b-"},
        {{}, "-----"},
    };
    for (const auto& c : cases) {
        const PstSortedEntries<std::uint32_t, char> entries(c.listed);
        std::string found;
        for (std::uint32_t key = 1; key <= 5; ++key) found += entries.Find(key) ? *entries.Find(key) : '-';
        EXPECT_EQ(found, c.found);

        PstSubnodes subnodes;
        for (const auto& [key, entry] : c.listed) subnodes.Add(key, {static_cast<std::uint64_t>(entry), 0});
        subnodes.Sort();
        found.clear();
        for (std::uint32_t key = 1; key <= 5; ++key)
            found += subnodes.Find(key) ? static_cast<char>(subnodes.Find(key)->dataBlock) : '-';
        EXPECT_EQ(found, c.found);
    }
}

}  // namespace
}  // namespace mirelo
