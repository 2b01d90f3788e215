#include "headers/charset.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/runs_under_wine.h"

namespace mirelo {
namespace {

struct CharsetCase {
    std::string charset;
    std::string bytes;
    std::optional<std::string> utf8;  // none: the conversion fails
};

TEST(ConvertToUtf8, ConvertsTheCharsetsOfMailAndFailsOnTheRest) {
    const std::vector<CharsetCase> cases = {
        {"GB18030", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"big5", "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"EUC-KR", "\xC7\xD1\xB1\xB9", "\xED\x95\x9C\xEA\xB5\xAD"},
        {"euc-jp", "\xC6\xFC\xCB\xDC", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"Windows-1251", "\xC8\xE2\xE0\xED", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"},
        {"iso-8859-7", "\xC5\xEB", "\xCE\x95\xCE\xBB"}, {"ISO-8859-1", "\xA3", "\xC2\xA3"},
        {"UTF-8", "\xC3\xA9", "\xC3\xA9"}, {"us-ascii", "plain", "plain"}, {"ascii", "plain", "plain"},
        {"utf-8", "\xED\xA0\x80", std::nullopt},       // a surrogate
        {"us-ascii", "\xE9", std::nullopt},
        {"big5", "\xA4", std::nullopt},                // a character cut off
        {"x-no-such-charset", "abc", std::nullopt},
        {"utf-8//TRANSLIT", "abc", std::nullopt}, {"", "abc", std::nullopt},
    };
    for (const CharsetCase& c : cases) {
#ifdef _WIN32
        if (testing::RunsUnderWine() && c.charset == "GB18030") continue;
#endif
        EXPECT_EQ(ConvertToUtf8(c.charset, c.bytes), c.utf8) << c.charset;
    }
}

}  // namespace
}  // namespace mirelo
