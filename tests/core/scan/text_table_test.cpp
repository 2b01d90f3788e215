#include "scan/text_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirelo {
namespace {

TEST(TextTable, KeepsEachSpellingOnceAndEveryTextIntactAcrossGrowth) {
    TextTable table;
    std::vector<std::string> texts = {"", "a@x", "A@x", "a@x ", std::string(300'000, 'l'), std::string(1, '\0')};
    for (int i = 0; i < 5000; ++i) texts.push_back("user" + std::to_string(i) + "@example.org");
    std::vector<TextId> ids;
    for (const std::string& text : texts) ids.push_back(table.Intern(text));

    EXPECT_EQ(ids[0], TextTable::kEmpty);
    EXPECT_EQ(table.Count(), texts.size());  // case and trailing bytes make other texts
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(table.Intern(texts[i]), ids[i]) << texts[i];
        EXPECT_EQ(table.Text(ids[i]), texts[i]);
    }
    table.Clear();
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Intern("A@x"), 1u);
}

// Merging a table's texts into one that holds some of them already, and grows on the way,
// numbers them as interning them one by one would.
TEST(TextTable, InternAllGivesTheIdsOfInterningOneByOne) {
    TextTable merged;
    TextTable oneByOne;
    TextTable other;
    for (int i = 0; i < 3000; i += 3) {
        merged.Intern("user" + std::to_string(i) + "@example.org");
        oneByOne.Intern("user" + std::to_string(i) + "@example.org");
    }
    for (int i = 4000; i-- > 0;) other.Intern(i % 7 ? "user" + std::to_string(i) + "@example.org" : "USER" + std::to_string(i));

    const std::vector<TextId> ids = merged.InternAll(other);
    ASSERT_EQ(ids.size(), other.Count());
    for (TextId id = 0; id < other.Count(); ++id) {
        EXPECT_EQ(ids[id], oneByOne.Intern(other.Text(id)));
        EXPECT_EQ(merged.Text(ids[id]), other.Text(id));
    }
    EXPECT_EQ(merged.Count(), oneByOne.Count());
}

}  // namespace
}  // namespace mirelo
