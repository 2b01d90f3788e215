#include "sources/pst/pst_properties.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace mirelo {
namespace {

// 8-bit strings come in the message's code page; one the system cannot convert falls back
// to Windows-1252 rather than losing the text. A closing NUL, or an odd last byte of
// UTF-16, is never part of the text.
// A heap item left permuted reads the same.
TEST(PstPropertyBag, ReadsStringsInTheirCodePage) {
    const struct {
        std::uint16_t type;
        std::string bytes;
        std::uint32_t codePage;
        const char* text;
    } cases[] = {
        {0x001E, "\xC0\xE1", 1251, "Аб"}, {0x001E, "\xE1", 1253, "α"}, {0x001E, "\xA0", 866, "а"},
        {0x001E, std::string("caf\xE9\0", 5), 1252, "café"},
        {0x001E, "caf\xE9", 4711, "café"},
        {0x001E, "\xE4\xBD\xA0", 65001, "你"},
        {0x001E, "\xC1\xE1", 20866, "аА"}, {0x001E, "\xC1\xA4", 21866, "ає"}, {0x001E, "\xA3", 28592, "Ł"},
        {0x001E, "\xA3", 1250, "Ł"},
        {0x001E, "\xD0", 28599, "Ğ"},
        {0x001E, "\xF5", 1258, "ơ"}, {0x001E, "\xA4\xA4", 950, "中"}, {0x001E, "\x93\xFA", 932, "日"},
        {0x001E, "\x80", 28591, "\u0080"},
        {0x001F, std::string("\xE9\0\x3D\xD8\x00\xDE\0\0", 8), 1251, "é😀"},
        {0x001F, std::string("\x00\xDC" "a\0", 4), 1252, "\xEF\xBF\xBD" "a"},
        {0x001F, std::string("\x3D\xD8\x00\xE0", 4), 1252, "\xEF\xBF\xBD\xEE\x80\x80"},
        {0x001F, std::string("\x00\xD8\x00\xDC", 4), 1252, "\xF0\x90\x80\x80"},
        {0x001F, std::string("\xE9\0\x00\xDC", 4), 1252, "é\xEF\xBF\xBD"},
        {0x001F, std::string("A\0B\0C\0D\0E\0\xE9\0F\0", 14), 1252, "ABCDEéF"},
        {0x001F, std::string("\x16\x04\x16\x04\x16\x04\x16\x04", 8), 1252, "ЖЖЖЖ"},
        {0x001F, std::string("A\0B\0C\0D\0E\0F\0G\0H\0I\0\0\0", 20), 1252, "ABCDEFGHI"},
        {0x001F, std::string("A\0B\0C\0D\0E", 9), 1252, "ABCD"},
    };
    for (const auto& c : cases) {
        PstPropertyBag bag;
        bag.Set(0x3001, c.type, c.bytes);
        std::string permuted = c.bytes;
        PermuteEncode(permuted);
        bag.SetStored(0x3002, c.type, permuted, true);
        EXPECT_EQ(bag.Text(0x3001, c.codePage), c.text) << c.text;
        EXPECT_EQ(bag.Text(0x3002, c.codePage), c.text) << c.text;
    }
}

// A property given twice, as a damaged file may give one, keeps its later value.
TEST(PstPropertyBag, APropertyGivenTwiceKeepsItsLaterValue) {
    PstPropertyBag bag;
    for (const auto& [id, text] : {std::pair{0x3001, "old"}, std::pair{0x0001, "low"}, std::pair{0x3001, "new"}})
        bag.Set(static_cast<std::uint16_t>(id), 0x001E, text);
    EXPECT_EQ(bag.Text(0x3001, 1252), "new");
    EXPECT_EQ(bag.Text(0x0001, 1252), "low");
}

// A time of zero, or from the largest a FILETIME holds up, is none: the reader then takes
// the message's other time.
TEST(PstPropertyBag, ATimeOfZeroOrTheLargestIsNone) {
    constexpr std::uint64_t kLargest = 0x7FFFFFFFFFFFFFFF;
    for (const std::uint64_t time : {std::uint64_t{0}, std::uint64_t{1}, kLargest - 1, kLargest, ~std::uint64_t{0}}) {
        std::string bytes;
        for (int i = 0; i < 8; ++i) bytes += static_cast<char>(time >> (8 * i));
        PstPropertyBag bag;
        bag.Set(0x0039, 0x0040, bytes);
        const bool none = time == 0 || time >= kLargest;
        EXPECT_EQ(bag.Time(0x0039), none ? std::nullopt : std::optional<std::uint64_t>(time)) << time;
    }
}

}  // namespace
}  // namespace mirelo
