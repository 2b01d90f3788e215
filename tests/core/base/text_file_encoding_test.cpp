#include "base/text_file_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace mirelo {
namespace {

using namespace std::string_literals;

TEST(TextAsUtf8, DropsAUtf8MarkAndConvertsUtf16WithItsMark) {
    const std::pair<std::string, std::string> cases[] = {
        {"\xEF\xBB\xBF" "a@b.example", "a@b.example"},
        {"a@b.example", "a@b.example"},
        // U+0800 is the first character that takes three bytes.
        {"\xFE\xFF" "\x08\x00" "\x00z"s, "\xE0\xA0\x80z"},
        // Surrogate pairs, the last one ending the text: U+10000 and U+1F600.
        {"\xFF\xFE" "a\x00" "\x00\xD8\x00\xDC" "\x3D\xD8\x00\xDE"s, "a\xF0\x90\x80\x80\xF0\x9F\x98\x80"},
        {"\xFE\xFF" "\xD8\x3D\xDE\x00" "\x00!"s, "\xF0\x9F\x98\x80!"},
        // Lone surrogates, high or low, and a high one cut off by the end.
        {"\xFF\xFE" "\x3D\xD8" "a\x00" "\xFF\xDF"s, "\xEF\xBF\xBD" "a\xEF\xBF\xBD"},
        {"\xFF\xFE" "a\x00" "\x3D\xD8"s, "a\xEF\xBF\xBD"},
        {"\xFE\xFF" "\xD8\x3D" "\xDC"s, "\xEF\xBF\xBD"},  // and half a unit after it
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(TextAsUtf8(bytes), expected) << bytes;
}

}  // namespace
}  // namespace mirelo
