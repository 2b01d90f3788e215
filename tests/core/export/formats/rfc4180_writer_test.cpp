#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/formats/contact.h"

namespace mirelo {
namespace {

std::string Row(const Contact& contact, bool forSpreadsheets) {
    std::string out;
    MakeRfc4180Writer({Column::Email, Column::Name}, forSpreadsheets)->Add(out, contact);
    return out;
}

TEST(Rfc4180Writer, GuardsCellsThatASpreadsheetWouldRunOnlyInTheSpreadsheetForm) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""}, {"+1", "'+1"}, {"-x", "'-x"}, {"@SUM(A1)", "'@SUM(A1)"},
        {"\tTab", "'\tTab"}, {"\rCr", "\"'\rCr\""}, {"Ann = Bob", "Ann = Bob"}, {"", ""},
    };
    for (const auto& [name, written] : names) EXPECT_EQ(Row({"a@x", name, ""}, true), "a@x," + written + "\r\n") << name;
    EXPECT_EQ(Row({"a@x", "=1", ""}, false), "a@x,=1\r\n");
}

}  // namespace
}  // namespace mirelo
