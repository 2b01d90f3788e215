#include "headers/address_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirelo {
namespace {

struct ListCase {
    std::string body;
    std::vector<std::string> mailboxes;  // "address|name"
};

std::vector<std::string> Parsed(const std::string& body) {
    MailboxList mailboxes;
    ParseAddressList(body, mailboxes);
    std::vector<std::string> found;
    for (const Mailbox& mailbox : mailboxes) found.push_back(mailbox.address + "|" + mailbox.name);
    return found;
}

// Field bodies as real mail holds them, the well-formed and the broken.
TEST(ParseAddressList, ReadsRealWorldFields) {
    const std::vector<ListCase> cases = {
        {"Help Desk <help@mailhost>", {"help@mailhost|Help Desk"}}, {"ann@ACME.Example", {"ann@ACME.Example|"}},
        {"help@mailhost, sales@mailhost", {"help@mailhost|", "sales@mailhost|"}},
        {"john+lists@example.com", {"john+lists@example.com|"}},
        {"\"Smith, John\" <j@x.org>, \"A \\\"B\\\" C\" <a@x.org>", {"j@x.org|Smith, John", "a@x.org|A \"B\" C"}},
        {"Smith, John <j@x.org>, Ann <a@x.org>", {"j@x.org|Smith, John", "a@x.org|Ann"}}, {"Smith <x>, John <j@x.org>", {"j@x.org|John"}},
        {"john@x.org (John (the) Smith)", {"john@x.org|John (the) Smith"}},
        {"John <john@x.org> (work)", {"john@x.org|John"}}, {"John (work) Smith <j@x.org>", {"j@x.org|John Smith"}},
        {"Team: a@x.org, B <b@x.org>; c@x.org", {"a@x.org|", "b@x.org|B", "c@x.org|"}},
        {"Ann <a@x.org>: b@y.org", {"a@x.org|Ann", "b@y.org|"}},  // a colon after an address opens no group
        {"undisclosed-recipients:;", {}}, {"Undisclosed recipients:;, d@x.org", {"d@x.org|"}},
        {"<@relay1.example,@relay2.example:route@x.org>, b@x.org", {"route@x.org|", "b@x.org|"}},
        {"john . smith @ example . org", {"john.smith@example.org|"}}, {"a(x)@b.org", {"a@b.org|x"}},
        {"\"john smith\"@example.org", {"\"john smith\"@example.org|"}},
        {"postmaster@[192.0.2.1]", {}}, {"d\xC3\xB6rte@s\xC3\xB6rensen.example", {}}, {"help@mailhost.", {"help@mailhost|"}},
        {"\"support@bank.example\" <scammer@evil.example>", {"scammer@evil.example|support@bank.example"}},
        {"support@bank.example <scammer@evil.example>", {"scammer@evil.example|support@bank.example"}},
        {"\"Sales Team\"", {}}, {"Sales Team", {}}, {"(x@y.org)", {}}, {"<>", {}}, {"<postmaster>", {}},
        {"@", {}}, {"john@", {}}, {"@example.org", {}}, {"john@ <>", {}},
        {"=?utf-8?B?0JjQstCw0L0=?= <ivan@x.ru>", {"ivan@x.ru|\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"}},
        {"\"=?iso-8859-1?Q?J=FCrgen?=\" <j@x.de>", {"j@x.de|J\xC3\xBCrgen"}},
        {"=?utf-8?Q?a=40b.example?= <c@d.example>", {"c@d.example|a@b.example"}},
        {"=?utf-8?Q?a=40b.example?=", {}},
        {"J\xC3\xBCrgen Gro\xC3\x9F <j@x.de>", {"j@x.de|J\xC3\xBCrgen Gro\xC3\x9F"}},
        {"\"Andr\xE9\tLee\" <a@x.org>", {"a@x.org|Andr\xC3\xA9 Lee"}},  // Windows-1252 and a tab, quoted
        {"a@x.org,, ,b@x.org", {"a@x.org|", "b@x.org|"}},
        {"John Smith john@x.org", {"john@x.org|John Smith"}},
        {"Broken <a@x.org, b@x.org", {"a@x.org|Broken", "b@x.org|"}}, {"Ann Lee> <a@x.org>", {"a@x.org|Ann Lee"}},
        // A missing comma after an angle address: the next address is a mailbox of its own.
        {"Ann <a@x.org> Bob <b@y.org>", {"a@x.org|Ann", "b@y.org|Bob"}}, {"<Ann Lee> <a@x.org> c@z.org", {"a@x.org|", "c@z.org|"}},
        {"<a@x.org> Ann Lee, Bob <b@y.org>", {"a@x.org|", "b@y.org|Bob"}}, {"T: <a@x.org> <b@y.org>;", {"a@x.org|", "b@y.org|"}},
        {"<a@x.org> Bob> <b@y.org>", {"a@x.org|", "b@y.org|Bob"}}, {"Smith, T: John <j@x.org>;", {"j@x.org|John"}},
        {"T: a@x.org, b@x.org; c@x.org", {"a@x.org|", "b@x.org|", "c@x.org|"}}, {"a@x.org; b@y.org (Bob)", {"a@x.org|", "b@y.org|Bob"}},
        {"\"unterminated <a@x.org>", {}},
        {"a@b@c.org", {}}, {"x@-bad.example", {}},
        // A host with an empty label is kept whole, never cut into one the mail did not name.
        {"a@b..c (C)", {"a@b..c|C"}}, {"a@b..c, d@e.f", {"a@b..c|", "d@e.f|"}}, {"a@b.. (z)", {}},
        {"Ann Lee <a@x.org>,\tBob <b@y.org> ", {"a@x.org|Ann Lee", "b@y.org|Bob"}},
        {"zed@zoo.biz, ZED@ZOO.BIZ, n@9.example9", {"zed@zoo.biz|", "ZED@ZOO.BIZ|", "n@9.example9|"}},
    };
    for (const ListCase& c : cases) EXPECT_EQ(Parsed(c.body), c.mailboxes) << c.body;
}

}  // namespace
}  // namespace mirelo
