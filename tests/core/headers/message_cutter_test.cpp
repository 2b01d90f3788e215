#include "headers/message_cutter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirelo {
namespace {

struct CutCase {
    const char* what;
    MailboxLayout layout;
    std::string mailbox;
    std::vector<std::string> messages;  // "separator|bytes"
};

TEST(CutMessages, CutsEachLayoutAtItsOwnSeparators) {
    const std::vector<CutCase> cases = {
        {"mbox, quoted From lines restored", MailboxLayout::Mbox,
         "From a@x Mon Jan  1 00:00:00 2001\nFrom: a@x\n\n>From here\n>>From there\n\nFrom b@x Tue Jan  2 00:00:00 2001\n"
         "From: b@x\n\x1A\nFrom the body, undated\n",
         {"From a@x Mon Jan  1 00:00:00 2001|From: a@x\n\nFrom here\n>From there\n\n",
          "From b@x Tue Jan  2 00:00:00 2001|From: b@x\n\x1A\nFrom the body, undated\n"}},
        {"mbox, an undated From line after an empty line, a message before the first", MailboxLayout::Mbox,
         "From: c@x\n\nFrom a\r\nx\r\n\r\nFrom b\r\ny", {"|From: c@x\n\n", "From a|x\r\n\r\n", "From b|y"}},
        {"blank lines before the first separator", MailboxLayout::Eudora, "\r\n \r\nFrom ???@???\r\na",
         {"From ???@???|a"}},
        {"Eudora", MailboxLayout::Eudora,
         "From ???@??? Mon Jan 01 00:00:00 2001\r\nFrom: a@x\r\n\r\nFrom me\r\nFrom ???@??? Tue Jan 02 00:00:00 2001\r\nb",
         {"From ???@??? Mon Jan 01 00:00:00 2001|From: a@x\r\n\r\nFrom me\r\n",
          "From ???@??? Tue Jan 02 00:00:00 2001|b"}},
        {"Outlook Express dump", MailboxLayout::OutlookDump,
         "___Message___ : 1\r\nFrom: a@x\r\n___Message___ : 2\nnot a marker\r\n___Message___ : 3\r\nc",
         {"|From: a@x\r\n___Message___ : 2\nnot a marker\r\n", "|c"}},
    };
    for (const CutCase& c : cases) {
        std::vector<std::string> found;
        CutMessages(c.mailbox, c.layout, [&](const CutMessage& message) {
            found.push_back(std::string(message.separator) + "|" + std::string(message.bytes));
        });
        EXPECT_EQ(found, c.messages) << c.what;
    }
}

}  // namespace
}  // namespace mirelo
