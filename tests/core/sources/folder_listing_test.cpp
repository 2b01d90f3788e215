#include "sources/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/native_path.h"
#include "sources/name_order.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

// NTFS's order: "_" sorts after the letters once they are upper-cased, UTF-16 puts a
// character past U+FFFF (two code units from D800, U+10000 the first) before U+FFxx;
// U+1F3FF and U+1F400 differ in both units.
const std::vector<std::string> kNtfsOrder = {"1.mbx", "a.mbx", "B.mbx", "c", "Z.mbx", "[x.mbx", "_x.mbx", "{x.mbx",
                                             "émile.mbx", "Öl.mbx", "ķa", "Ķb", "ÿ", "ίa", "Ίb", "ύa", "Ύb", "ώa",
                                             "Ώb", "ϋa", "Ϋb", "џa", "Џb", "Ж.mbx", "жa", "Жb", "я.mbx", "ҁa", "Ҁb", "ҿa", "Ҿb",
                                             "ӎa", "Ӎb", "中.mbx", "한.mbx", "𐀀.mbx", "🏿.mbx", "🐀.mbx", "😀.mbx",
                                             "ﬀ.mbx"};

// The files are made in two other orders, which some file systems list them in.
TEST(FolderListing, EntriesComeInNtfsOrderWhateverOrderTheyWereMadeIn) {
    std::mt19937 random(7);
    for (int round = 0; round < 2; ++round) {
        const testing::TempDir folder;
        std::vector<std::string> names = kNtfsOrder;
        round == 0 ? std::reverse(names.begin(), names.end()) : std::shuffle(names.begin(), names.end(), random);
        for (const std::string& name : names) folder.Write(name, "");
        const Result<FolderEntries> listing = ListFolderEntries(PathText(folder.path()));
        ASSERT_TRUE(listing.Ok() && !listing.Value().brokeOff);
        std::vector<std::string> listed;
        for (const FolderEntry& entry : listing.Value().entries) listed.push_back(entry.name);
        EXPECT_EQ(listed, kNtfsOrder) << round;
    }
}

// A name that is no UTF-8, as Latin-1 names from an old Windows disk are, goes by its bytes.
TEST(FolderListing, ANameThatIsNoUtf8GoesByItsBytes) {
    EXPECT_TRUE(ListsBefore("Brief\xE9.mbx", "Brief\xE9z.mbx") && ListsBefore("\xC0 faire.mbx", "\xC0 fairez.mbx"));
}

}  // namespace
}  // namespace mirelo
