#include "headers/header_line_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirelo {
namespace {

// What the record held before the line was parsed; a name left alone keeps it, an email never does.
const std::string kPresetEmail = "preset@sentinel";
const std::string kPresetName = "Preset Name";

struct LineCase {
    std::string line;
    std::string email;                 // empty: the line holds no whole address
    std::optional<std::string> name;   // nullopt: unchanged
};

void ExpectParsed(const LineCase& c) {
    HeaderFields record;
    record.email = kPresetEmail;
    record.name = kPresetName;
    std::string line = c.line;
    ParseHeaderLine(record, line);
    EXPECT_EQ(record.email, c.email) << "line: " << c.line;
    EXPECT_EQ(record.name, c.name.value_or(kPresetName)) << "line: " << c.line;
}

TEST(ParseHeaderLine, TakesTheFirstAddressAndTheNameBeforeIt) {
    const std::vector<LineCase> cases = {
        {"From: Help Desk <help@mailhost>", "help@mailhost", "Help Desk"},
        {"From: help@mailhost", "help@mailhost", "From"}, {"From:help@mailhost", "help@mailhost", "From"},
        {"FROM: HELP@MAILHOST", "HELP@MAILHOST", "FROM"}, {"From: help@mailhost (Help Desk)", "help@mailhost", "From"},
        {"X-Sender: help@mailhost (Unverified)", "help@mailhost", "X-Sender"},
        {"Return-Path: <>", "", "Return-Path"},
        {"To: undisclosed-recipients:;", "", "undisclosed-recipients"},
        {"To: Help Desk", "", "Help Desk"}, {"To:", "", "To"},
        {"To: help@mailhost, sales@mailhost", "help@mailhost", "To"},
        {"To: news+daily@mailhost", "news+daily@mailhost", "To"}, {"From: a@b@c", "a@b", "From"},
        {"From: help@mailhost.", "help@mailhost.", "From"}, {"From: @", "", "From"},
        {"From: Help Desk <help @ mailhost>", "", "help"},
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
        {"From: x (by way of help@mailhost)", "", "x"},
        {"From:\tHelp <help@mailhost>", "help@mailhost", "Help"},
        {"From: Aa0 Zz9 <Aa0Zz9@mailhost>", "Aa0Zz9@mailhost", "Aa0 Zz9"},
        {"To: &lt;help@mailhost&gt;", "help@mailhost", "To"},
        {"help@mailhost", "help@mailhost", std::nullopt},  // a folded line, the address at its start
        // Domains that end with the line, after a whole block of sixteen bytes or within one.
        {"To: x@abcdefghijklmnopqrstuvwxyz", "x@abcdefghijklmnopqrstuvwxyz", "To"},
        {"To: x@abcdefghij>klmnop", "x@abcdefghij", "To"},
        {"To: sales@mail.example.org.uk", "sales@mail.example.org.uk", "To"},
        // The bytes outside the classes of names and addresses cut them.
        {"From: \"Desk, Help\" <help@mailhost>", "help@mailhost", "Help"},
        {"From: Ren\xE9 D\xFCrr <rene@mailhost>", "rene@mailhost", "Ren\xE9 D\xFCrr"},
        {"From: \xC0ngel <angel@mailhost>", "angel@mailhost", "\xC0ngel"},
        {"From: Help\xB7" "Desk <help@mailhost>", "help@mailhost", "Help\xB7" "Desk"},
        {"From: Help\x80" "Desk <help@mailhost>", "help@mailhost", "Help\x80" "Desk"},
        {"From: h\xE9lp@mail\xBFhost", "lp@mail", "h\xE9"}, {"From: Help <help@mail\xFFhost>", "help@mail", "Help"},
        // Entities are matched in their exact case only.
        {"From: &QUOT;Help&QUOT; <help@mailhost>", "help@mailhost", "QUOT"},
        {"From: Help&LT;br&GT;Desk", "", "Desk"},
        {"From: Help<BR>Desk <help@mailhost>", "help@mailhost", "Desk"},
        {"From: Help Desk [MAILTO:help@mailhost]", "help@mailhost", "MAILTO"},
        // Without a name character the name is kept.
        {": <>", "", std::nullopt}, {"", "", std::nullopt}, {"<@>", "", std::nullopt},
        {"To: a <br> b@c", "b@c", "a"}, {"To: x <br", "", "br"},
        // Lines as mail programs wrote them, each meeting one of the mends of the line rule.
        // The local part holds every atext character, and an apostrophe inside it.
        {"To: john+lists@example.com", "john+lists@example.com", "To"},
        {"Return-Path: <bounces+123-abc=home.example@lists.example>", "bounces+123-abc=home.example@lists.example",
         "Return-Path"},
        {"From: O'Brien <o'brien@example.ie>", "o'brien@example.ie", "Brien"},
        {"To: !#$%&*/?^`{|}~@example.org", "!#$%&*/?^`{|}~@example.org", "To"},
        {"From: 'quoted'@example.org", "", "quoted"},
        {"Reply-To: <x@example.org>'", "x@example.org", "Reply-To"},
        {"From: Help Desk <help+desk@mail.example>", "help+desk@mail.example", "Help Desk"},
        // An '@' inside a quoted display name is not the address that follows it.
        {"From: \"support@bank.example\" <scammer@evil.example>", "scammer@evil.example", "bank.example"},
        {"From: \"a@b\"<c@d>", "c@d", "b"},
        {"From: \"support@bank.example\" scammer@evil.example", "support@bank.example", "From"},
        {"From: \"support@bank.example\" <no address>", "support@bank.example", "From"},
        {"From: \"Desk\" <help@mailhost>", "help@mailhost", "Desk"},
        {"From: Ann Lee \"x@y\" <c@d>", "c@d", "y"},  // a quote counted once where the line's blocks overlap
        {"To: a@b, \"<c@d>\"", "a@b", "To"},  // an '@' before any quote is the first, whatever follows
        // Only a whole address makes an email.
        {"From: Sales Team", "", "Sales Team"}, {"To: john@", "", "To"}, {"To: @example.org", "", "To"},
        // Bytes from 0x80 belong to names: UTF-8 and Windows-1252 letters stay whole.
        {"From: J\xC3\xBCrgen Gro\xC3\x9F <j@example.de>", "j@example.de", "J\xC3\xBCrgen Gro\xC3\x9F"},
        {"From: \x8Aime \x8C\x92s <s@example.fr>", "s@example.fr", "\x8Aime \x8C\x92s"},
    };
    for (const LineCase& c : cases) ExpectParsed(c);
}

// Every byte inside a long local part and a long domain, which are read sixteen bytes at a
// time: each ends where its class says, as a byte at a time would find.
TEST(ParseHeaderLine, EndsAddressesAtEveryByteOutsideTheirClasses) {
    for (int value = 0; value < 256; ++value) {
        const char c = static_cast<char>(value);
        if (std::string_view("@\"&<([\'").find(c) != std::string_view::npos) continue;  // bytes that shape the line
        const std::string local = std::string("abcdefghijklmno") + c + "p";
        const std::string domain = std::string("q") + c + "rstuvwxyzabcdefgh";
        const std::string email = (IsLocalPartChar(static_cast<unsigned char>(c)) ? local : "p") + "@" +
                                  (IsAddressChar(static_cast<unsigned char>(c)) ? domain : "q");
        HeaderFields record;
        std::string line = "To: " + local + "@" + domain;
        ParseHeaderLine(record, line);
        EXPECT_EQ(record.email, email) << "byte " << value;
    }
}

}  // namespace
}  // namespace mirelo
