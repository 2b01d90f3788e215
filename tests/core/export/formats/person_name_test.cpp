#include "export/formats/person_name.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

TEST(SplitPersonName, SplitsTwoPlainWordsOnly) {
    const struct {
        const char* name;
        const char* given;
        const char* family;
    } cases[] = {
        {"Ann Smith", "Ann", "Smith"}, {"J\xC3\xB6rg O'Neil-Ray", "J\xC3\xB6rg", "O'Neil-Ray"},
        {"Al Zaz\xC3\x80", "Al", "Zaz\xC3\x80"},
        {"J Smith", "", ""},           {"Ann Smith-", "", ""},
        {"Ann -Smith", "", ""},        {"Ann B. Smith", "", ""},
        {"Team 42", "", ""},           {"Smith", "", ""},
    };
    for (const auto& c : cases) {
        const PersonName split = SplitPersonName(c.name);
        EXPECT_EQ(split.given, c.given) << c.name;
        EXPECT_EQ(split.family, c.family) << c.name;
    }
}

}  // namespace
}  // namespace mirelo
