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

}  // namespace
}  // namespace mirelo
