#include "base/windows1252.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace mirelo {
namespace {

TEST(AsValidUtf8, KeepsValidSequencesAndReadsEachOtherByteAsWindows1252) {
    const std::pair<std::string, std::string> cases[] = {
        {"Mail/In.mbx", "Mail/In.mbx"},
        {"J\xC3\xB6rg/Caf\xC3\xA9.mbx", "J\xC3\xB6rg/Caf\xC3\xA9.mbx"},
        {"Andr\xE9/In.mbx", "Andr\xC3\xA9/In.mbx"},
        // One stray byte beside UTF-8 names: only it is read as Windows-1252.
        {"J\xC3\xB6rg/Andr\xE9/\xE2\x82\xAC\x80.mbx", "J\xC3\xB6rg/Andr\xC3\xA9/\xE2\x82\xAC\xE2\x82\xAC.mbx"},
        {"cut \xC3", "cut \xC3\x83"},
        {"\xC0\xAF overlong", "\xC3\x80\xC2\xAF overlong"},
        {"\xED\xA0\x80 surrogate", "\xC3\xAD\xC2\xA0\xE2\x82\xAC surrogate"},
        {"\xF5\x80\x80 beyond", "\xC3\xB5\xE2\x82\xAC\xE2\x82\xAC beyond"},
        // The smallest sequence of each length and the largest code point.
        {"\xC2\x80 \xE0\xA0\x80 \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF", "\xC2\x80 \xE0\xA0\x80 \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(AsValidUtf8(bytes), expected) << bytes;
        EXPECT_EQ(IsValidUtf8(bytes), bytes == expected) << bytes;
        EXPECT_TRUE(IsValidUtf8(AsValidUtf8(bytes))) << bytes;
    }
    // Only the viewed bytes count, not a sequence that starts just past them.
    EXPECT_TRUE(IsValidUtf8(std::string_view("ab\xC3\xA9").substr(0, 2)));
}

}  // namespace
}  // namespace mirelo
