#include "headers/rfc5322_reading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "headers/mail_date.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

// "email|name|kind|first day" per record.
std::vector<std::string> Records(const AddressList& list) {
    std::vector<std::string> found;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& r = *list.At(i);
        found.push_back(std::string(list.Email(r)) + "|" + std::string(list.Name(r)) + "|" +
                        std::string(HeaderKindName(r.headerKind)) + IsoDate(list.DaysOf(r.email).first));
    }
    return found;
}

std::vector<std::string> Read(const std::string& message, HeaderKindSet kinds = HeaderKindSet::Every()) {
    AddressList list;
    list.AskScanExtras({.captureDates = true, .captureListAddresses = true, .namesInUtf8 = true});
    ReadRfc5322Message(message, {}, list, list.Mailboxes().Intern("L"), kinds);
    return Records(list);
}

TEST(ReadRfc5322Message, TakesEveryAddressOfTheChosenFieldsOfEachHeaderBlockWithItsOwnDate) {
    const std::string message =
        "From: \"Smith, John\" <j@x.org>, b@y.org\r\nCC: Team: c@x.org, d@x.org;\r\n"
        "Bcc: undisclosed-recipients:;, f@x.org\r\n"
        "To: =?koi8-r?B?8NXby8nO?=\r\n <e@x.org>\r\nDate: Tue, 2 Jan 2001 10:00:00 +0000\r\nContent-Language: en\r\n"
        "Content-Type: multipart/mixed; charset=us-ascii; boundary=\"b\"\r\n\r\nFrom: body@x.org\r\n--b\r\n"
        "Content-Type: message/rfc822\r\n\r\nFrom: Inner <inner@x.org>\r\nDate: 3 Mar 1999 00:00 -0500\r\n\r\n"
        "To: inner-body@x.org\r\n--b--\r\n";
    EXPECT_EQ(Read(message), (std::vector<std::string>{
        "j@x.org|Smith, John|From:2001-01-02", "b@y.org||From:2001-01-02", "c@x.org||Cc:2001-01-02",
        "d@x.org||Cc:2001-01-02", "f@x.org||Bcc:2001-01-02",
        "e@x.org|\xD0\x9F\xD1\x83\xD1\x88\xD0\xBA\xD0\xB8\xD0\xBD|To:2001-01-02",
        "inner@x.org|Inner|From:1999-03-03"}));
    HeaderKindSet fromOnly = HeaderKindSet::None();
    fromOnly.Set(kFromKind, true);
    EXPECT_EQ(Read(message, fromOnly).size(), 3u);
}

// A read may give fewer bytes than asked, down to one, without the message ending there.
TEST(ReadRfc5322MessageSource, ReadsASourceThatGivesOneByteAtATime) {
    struct OneByteAtATime : ByteSource {
        std::string_view rest;
        std::size_t Read(char* buffer, std::size_t) override {
            if (rest.empty()) return 0;
            *buffer = rest.front();
            rest.remove_prefix(1);
            return 1;
        }
    } source;
    source.rest = "From: Ann <ann@x.org>\r\nTo: b@y.org\r\n\r\nhi\r\n";
    AddressList list;
    ASSERT_TRUE(ReadRfc5322MessageSource(source, list, "L", HeaderKindSet::Every()).Ok());
    EXPECT_EQ(Records(list), (std::vector<std::string>{"ann@x.org|Ann|From:", "b@y.org||To:"}));
}

// A store that hands its header blocks over one at a time finds each message's records in
// the list as Read returns, also once the list is large enough that records are queued.
TEST(Rfc5322MessageReader, TheListHoldsAMessagesRecordsWhenReadReturns) {
    AddressList list;
    Rfc5322MessageReader reader(list, HeaderKindSet::Every());
    for (int i = 0; i < 20000; i += 1000) {
        std::string to = "To: a" + std::to_string(i) + "@x";
        for (int k = 1; k < 1000; ++k) to += ", a" + std::to_string(i + k) + "@x";
        reader.Read(to + "\r\n\r\n", "", TextTable::kEmpty);
        ASSERT_EQ(list.Count(), i + 1000);
    }
}

// The file is read 4 MB at a time: messages that straddle a block, or outgrow one, are
// read whole all the same, and the watch hears of every byte.
TEST(ReadRfc5322Mailbox, ReadsMessagesAcrossReadBlocks) {
    std::string mailbox;
    std::vector<std::string> expected;
    const std::string bodyLine(70, 'b');
    for (int i = 0; i < 40; ++i) {
        const std::string address = "m" + std::to_string(i) + "@x.org";
        mailbox += "From ???@??? Mon Jan  1 00:00:00 2001\r\nFrom: " + address + "\r\n\r\n";
        for (int line = i == 20 ? 90'000 : 3'000; line > 0; --line) mailbox += bodyLine + "\r\n";  // one of 6.5 MB
        expected.push_back(address + "||From:2001-01-01");
    }
    const testing::TempDir dir;
    AddressList list;
    list.AskScanExtras({.captureDates = true});
    std::uint64_t lastDone = 0, lastTotal = 0;
    const ReadWatch watch = [&](std::uint64_t done, std::uint64_t total) { lastDone = done, lastTotal = total; return true; };
    ASSERT_TRUE(ReadRfc5322Mailbox(dir.Write("In.mbx", mailbox), MailboxLayout::Eudora, list, "L", HeaderKindSet::Every(),
                                   watch).Ok());
    EXPECT_EQ(Records(list), expected);
    EXPECT_EQ(lastDone, mailbox.size());
    EXPECT_EQ(lastTotal, mailbox.size());
}

// Shortened by another program as its second block is read, a mailbox keeps the messages
// read before, and the reading fails.
TEST(ReadRfc5322Mailbox, AMailboxShortenedWhileReadKeepsWhatCameBeforeAndFails) {
    std::string mailbox;
    for (int i = 0; i < 4; ++i)
        mailbox += "From ???@??? Mon Jan  1 00:00:00 2001\r\nFrom: m" + std::to_string(i) + "@x.org\r\n\r\n" +
                   std::string(3 << 20, 'b') + "\r\n";
    const testing::TempDir dir;
    const std::string path = dir.Write("In.mbx", mailbox);
    AddressList list;
    int blocks = 0;
    const Result<> read = ReadRfc5322Mailbox(path, MailboxLayout::Eudora, list, "L", HeaderKindSet::Every(),
                                             [&](std::uint64_t, std::uint64_t) {
                                                 if (++blocks == 2) std::filesystem::resize_file(path, 100);
                                                 return true;
                                             });
    ASSERT_FALSE(read.Ok());
    EXPECT_EQ(read.Error().Text(), "cannot read " + path + ": the file was shortened while it was read");
    EXPECT_EQ(Records(list), (std::vector<std::string>{"m0@x.org||From:", "m1@x.org||From:"}));
}

}  // namespace
}  // namespace mirelo
