#include "headers/header_line_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace mirelo {
namespace {

// What the record held before the line was parsed; a field left alone keeps it.
const std::string kPresetEmail = "preset@sentinel";
const std::string kPresetName = "Preset Name";

struct LineCase {
    std::string line;
    std::optional<std::string> email;  // nullopt: unchanged
    std::optional<std::string> name;   // nullopt: unchanged
};

void ExpectParsed(const LineCase& c) {
    HeaderFields record;
    record.email = kPresetEmail;
    record.name = kPresetName;
    std::string line = c.line;
    ParseHeaderLine(record, line);
    EXPECT_EQ(record.email, c.email.value_or(kPresetEmail)) << "line: " << c.line;
    EXPECT_EQ(record.name, c.name.value_or(kPresetName)) << "line: " << c.line;
}

TEST(ParseHeaderLine, TakesTheFirstAddressAndTheNameBeforeIt) {
    const std::vector<LineCase> cases = {
        {"From: Help Desk <help@mailhost>", "help@mailhost", "Help Desk"},
        {"From: help@mailhost", "help@mailhost", "From"}, {"From:help@mailhost", "help@mailhost", "From"},
        {"FROM: HELP@MAILHOST", "HELP@MAILHOST", "FROM"}, {"From: help@mailhost (Help Desk)", "help@mailhost", "From"},
        {"X-Sender: help@mailhost (Unverified)", "help@mailhost", "X-Sender"},
        {"Return-Path: <>", std::nullopt, "Return-Path"},
        {"To: undisclosed-recipients:;", std::nullopt, "undisclosed-recipients"},
        {"To: Help Desk", std::nullopt, "Help Desk"}, {"To:", std::nullopt, "To"},
        {"To: help@mailhost, sales@mailhost", "help@mailhost", "To"},
        {"To: news+daily@mailhost", "daily@mailhost", "news"}, {"From: a@b@c", "a@b", "From"},
        {"From: help@mailhost.", "help@mailhost.", "From"}, {"From: @", "@", "From"},
        {"From: Help Desk <help @ mailhost>", "@", "help"},
        {"Reply-To: Help Desk <help.desk@mail-host>", "help.desk@mail-host", "Help Desk"},
        {"From: Kids' Corner <kids@mailhost>", "kids@mailhost", "Corner"},
        {"From: Help (Desk) <help@mailhost>", "help@mailhost", "Desk"},
        {"From: Help_Desk|Home <help@mailhost>", "help@mailhost", "Help_Desk|Home"},
        {"From: Help &amp; Sales <help@mailhost>", "help@mailhost", "Sales"},
        {"From: &quot;Help Desk&quot; &lt;help@mailhost&gt;", "help@mailhost", "Help Desk"},
        {"From: Help&lt;br&gt;Desk <help@mailhost>", "help@mailhost", "Help Desk"},
        {"From: Help&nbsp;Desk <help@mailhost>", "help@mailhost", "Help Desk"},
        {"From: Help Desk [mailto:help@mailhost]", "help@mailhost", "Help Desk"},
        {"From: [Team] Help [mailto:help@mailhost]", "help@mailhost", "Team  Help"},
        {"From: list-owner@mailhost (by way of Help Desk <help@mailhost>)", "list-owner@mailhost", "From"},
        {"From: Help Desk <help@mailhost> (by way of list-owner@mailhost)", "help@mailhost", "Help Desk"},
        {"From: x (by way of help@mailhost)", std::nullopt, "x"},
        {"From:\tHelp <help@mailhost>", "help@mailhost", "Help"},
        {"From: Aa0 Zz9 <Aa0Zz9@mailhost>", "Aa0Zz9@mailhost", "Aa0 Zz9"},
        {"To: &lt;help@mailhost&gt;", "help@mailhost", "To"},
    };
    for (const LineCase& c : cases) ExpectParsed(c);
}

TEST(ParseHeaderLine, CutsNamesAndAddressesAtTheBytesOutsideTheirClasses) {
    const std::vector<LineCase> cases = {
        {"From: \"Desk, Help\" <help@mailhost>", "help@mailhost", "Help"},
        {"From: Ren\xE9 D\xFCrr <rene@mailhost>", "rene@mailhost", "Ren\xE9 D\xFCrr"},
        {"From: \xC0ngel <angel@mailhost>", "angel@mailhost", "\xC0ngel"},
        {"From: Help\xB7" "Desk <help@mailhost>", "help@mailhost", "Desk"},
        {"From: Help\x80" "Desk <help@mailhost>", "help@mailhost", "Desk"},
        {"From: h\xE9lp@mail\xBFhost", "lp@mail", "h\xE9"}, {"From: Help <help@mail\xFFhost>", "help@mail", "Help"},
        // Entities are matched in their exact case only.
        {"From: &QUOT;Help&QUOT; <help@mailhost>", "help@mailhost", "QUOT"},
        {"From: Help&LT;br&GT;Desk", std::nullopt, "Desk"},
        {"From: Help<BR>Desk <help@mailhost>", "help@mailhost", "Desk"},
        {"From: Help Desk [MAILTO:help@mailhost]", "help@mailhost", "MAILTO"},
        // Without a name character the name is kept.
        {": <>", std::nullopt, std::nullopt}, {"", std::nullopt, std::nullopt}, {"<@>", "@", std::nullopt},
    };
    for (const LineCase& c : cases) ExpectParsed(c);
}

}  // namespace
}  // namespace mirelo
