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
        {"mbox, a quoted From line opens the mailbox", MailboxLayout::Mbox, ">From here\nFrom: a@x\n",
         {"|From here\nFrom: a@x\n"}},
        {"mbox, a doubly quoted From line opens the mailbox", MailboxLayout::Mbox, ">>From here\n", {"|>From here\n"}},
        {"mbox, a quoted From line after a lone CR", MailboxLayout::Mbox, "From: a@x\r\r>From here\r",
         {"|From: a@x\r\rFrom here\r"}},
        {"blank lines before the first separator", MailboxLayout::Eudora, "\r\n \r\nFrom ???@???\r\na",
         {"From ???@???|a"}},
        {"Eudora", MailboxLayout::Eudora,
         "From ???@??? Mon Jan 01 00:00:00 2001\r\nFrom: a@x\r\n\r\nFrom me\r\nask ???@???\r\nxFrom ???@???\r\n"
         "From ???@??? Tue Jan 02 00:00:00 2001\r\nb",
         {"From ???@??? Mon Jan 01 00:00:00 2001|From: a@x\r\n\r\nFrom me\r\nask ???@???\r\nxFrom ???@???\r\n",
          "From ???@??? Tue Jan 02 00:00:00 2001|b"}},
        {"Eudora, lone CRs ending the lines of an old Mac", MailboxLayout::Eudora, "From ???@??? A\ra\rFrom ???@??? B\rb",
         {"From ???@??? A|a\r", "From ???@??? B|b"}},
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

// A mailbox read a block at a time gives the messages of the whole, wherever the blocks end:
// also where a line cut short by a block's end would look dated, as "From a@x Mon Jan  1 00"
// does, and the whole line does not.
TEST(CutWholeMessages, BlocksEndingAnywhereGiveTheMessagesOfTheWhole) {
    const auto collect = [](std::vector<std::string>& found) {
        return [&found](const CutMessage& m) { found.push_back(std::string(m.separator) + "|" + std::string(m.bytes)); };
    };
    const struct { MailboxLayout layout; std::string mailbox; } cases[] = {
        {MailboxLayout::Mbox, "From: lead@x\n\nFrom a@x Mon Jan  1 00:00:00 2001\nFrom: a@x\n\n>From b\n"
                              "From the body\nFrom a@x Mon Jan  1 00:\n\nFrom b\r\nFrom: b@x\r\n\r\nbody\r\n"},
        {MailboxLayout::Eudora, "From ???@??? Mon\rFrom: a@x\r\rFrom ???@??? Tue\rFrom: b@x\r"},
        {MailboxLayout::OutlookDump, "___Message___ : 0\r\nFrom: a@x\r\n___Message___ : 1\r\nFrom: b@x\r\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> whole;
        CutMessages(c.mailbox, c.layout, collect(whole));
        for (std::size_t block = 1; block <= c.mailbox.size(); ++block) {
            std::vector<std::string> found;
            std::string pending;
            for (std::size_t at = 0; at < c.mailbox.size(); at += block) {
                pending += c.mailbox.substr(at, block);
                pending.erase(0, CutWholeMessages(pending, c.layout, collect(found)));
            }
            CutMessages(pending, c.layout, collect(found));
            EXPECT_EQ(found, whole) << static_cast<int>(c.layout) << " in blocks of " << block;
        }
    }
}

}  // namespace
}  // namespace mirelo
