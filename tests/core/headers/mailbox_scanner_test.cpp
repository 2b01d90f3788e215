#include "headers/mailbox_scanner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "base/mapped_file.h"
#include "base/native_path.h"
#include "headers/mail_date.h"
#include "support/memory_byte_source.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using FoundList = std::vector<std::tuple<std::string, std::string, int>>;  // email, name, kind

FoundList Records(const AddressList& list) {
    FoundList found;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& r = *list.At(i);
        found.emplace_back(list.Email(r), list.Name(r), r.headerKind);
    }
    return found;
}

FoundList ScanText(std::string_view mailbox, HeaderKindSet kinds = HeaderKindSet::Original()) {
    AddressList list;
    testing::MemoryByteSource source(mailbox);
    ScanMailboxSource(source, list, "L", kinds);
    return Records(list);
}

FoundList ScanFile(std::string_view mailbox) {
    testing::TempDir dir;
    AddressList list;
    ScanMailbox(dir.Write("In.mbx", mailbox), list, "L", HeaderKindSet::Original());
    return Records(list);
}

struct MailboxCase { const char* what; std::string mailbox; FoundList expected; };

void ExpectScans(const std::vector<MailboxCase>& cases) {
    for (const MailboxCase& c : cases) {
        EXPECT_EQ(ScanText(c.mailbox), c.expected) << c.what;
        EXPECT_EQ(ScanFile(c.mailbox), c.expected) << c.what << " (file)";
    }
}

TEST(ScanMailbox, FindsMessageBoundariesOnlyWhereAKindRepeats) {
    using namespace std::string_literals;
    const std::string longName(1100, 'N');
    const std::string example =
        "From ???@??? Mon Jan 01 00:00:00 2001\r\nReturn-Path: <help@mailhost>\r\nFrom: Help Desk <help@mailhost>\r\n"
        "To: sales@mailhost\r\nSubject: hello\r\n\r\nFrom ???@??? Mon Jan 01 00:00:00 2001\r\n"
        "From: Book Club <club@mailhost>\r\nTo: undisclosed-recipients:;\r\n";
    const FoundList exampleFound = {
        {"help@mailhost", "Help Desk", kFromKind}, {"sales@mailhost", "To", kToKind},
        {"help@mailhost", "Return-Path", kReturnPathKind}, {"club@mailhost", "Book Club", kFromKind},
    };
    ExpectScans({
        {"worked example", example, exampleFound},
        {"header names only at the line start, in any case",
         " From: a@m\n\tTo: a@m\nResent-From: b@m\nDelivered-To: c@m\nCc: d@m\nBcc: e@m\nFrom a@m\nFrom\nTo : a@m\n"
         "FROM: F <f@m>\nx-sender: g@m\nrEPLY-tO: h@m\n",
         {{"f@m", "F", kFromKind}, {"g@m", "x-sender", kXSenderKind}, {"h@m", "rEPLY-tO", kReplyToKind}}},
        {"a quoted body From: line begins a new message, without an address of its own",
         "From: A <a@m>\nTo: b@m\n\nFrom: Sales Team\n", {{"a@m", "A", kFromKind}, {"b@m", "To", kToKind}}},
        {"a second To: line begins a new message",
         "From: A <a@m>\nTo: b@m\nTo: G <g@m>\n",
         {{"a@m", "A", kFromKind}, {"b@m", "To", kToKind}, {"g@m", "G", kToKind}}},
        {"a message without From: merges with the next",
         "To: undisclosed-recipients:;\n\nFrom: C <c@m>\nTo: d@m\n", {{"c@m", "C", kFromKind}, {"d@m", "To", kToKind}}},
        {"a line without a whole address gives no record and takes no other line's",
         "Reply-To: Nobody\nSender: s@m\nTo: Group\nFrom: F\nReturn-Path: <>\nX-Sender: x@\n",
         {{"s@m", "Sender", kSenderKind}}},
        {"a bare header name", "To:\n", {}},
        {"no header lines", "From ???@??? Mon Jan 01 00:00:00 2001\nSubject: hi\n\nbody\n", {}},
        {"empty file", "", {}},
        // Lines are read the way text mode reads them.
        {"a header line is cut to its first 1023 bytes",
         "From: " + longName + " <n@m>\r\nTo: t@m\r\n", {{"t@m", "To", kToKind}}},
        {"a later piece of a long line that begins with a header name",
         "Subject: " + std::string(1014, 'x') + "From: Late <late@m>\r\n",
         {{"late@m", "Late", kFromKind}}},
        {"a later piece that does not begin with one",
         "Subject: " + std::string(1013, 'x') + "From: Late <late@m>\r\n", {}},
        {"a NUL cuts the line's text", "From: Help\0 <help@m>\r\nTo: T <t@m>\r\n"s,
         {{"t@m", "T", kToKind}}},
        {"a NUL just after a header name, and one inside a name", "To:\0 <a@m>\r\nFr\0om: b@m\r\n"s, {}},
        {"a run of CRs before the LF, a CR inside a line", "From: A <a@m>\r\r\r\nTo: B\rC <b@m>\r\n",
         {{"a@m", "A", kFromKind}, {"b@m", "C", kToKind}}},
        {"a CR ends the input", "From: a@m\r", {{"a@m", "From", kFromKind}}},
        {"a Ctrl+Z byte is data, and later messages are read", "From: a@m\r\n\x1A\r\nFrom: b@m\x1A\r\n",
         {{"a@m", "From", kFromKind}, {"b@m", "From", kFromKind}}},
    });
}

// A folder opens for reading on some systems, and then fails at the first read: a read
// error is a failure, not an empty mailbox.
TEST(ScanMailbox, AReadErrorFails) {
    testing::TempDir dir;
    AddressList list;
    EXPECT_FALSE(ScanMailbox(dir.path().string(), list, "Folder", HeaderKindSet::Original()).Ok());
}

// The line the stopping block cut in two would give an address that was never written.
TEST(ScanMailbox, AStopKeepsOnlyTheWholeLinesOfTheBlockInHand) {
    for (const std::string lineEnd : {"\r\n", "\n"}) {
        std::string mailbox;
        for (int i = 0; i < 5000; ++i) mailbox += "From: user" + std::to_string(100000 + i) + "@example.org" + lineEnd;
        const testing::TempDir dir;
        AddressList list;
        std::uint64_t readWhenStopped = 0;
        ScanMailbox(dir.Write("In.mbx", mailbox), list, "L", HeaderKindSet::Original(),
                    [&](std::uint64_t done, std::uint64_t total) {
                        EXPECT_EQ(total, mailbox.size());
                        readWhenStopped = done;
                        return false;
                    });
        ASSERT_GT(readWhenStopped, 0u);
        EXPECT_EQ(Records(list), ScanText(mailbox.substr(0, mailbox.rfind('\n', readWhenStopped - 1) + 1))) << lineEnd.size();
    }
}

// A stop in a block without a line end, inside a long line that began in the block before:
// the line's whole pieces are read as when it is read to the end, the one cut short is not.
TEST(ScanMailbox, AStopInsideALongLineLeavesOutOnlyThePieceItCut) {
    const std::string mailbox = "From: a@example.org\nSubject: " + std::string((1 << 16) - 39, 'x') +
                                "\nTo: ann@example.org" + std::string(1 << 17, ' ') + "\n";
    ASSERT_EQ(mailbox.find("ann@"), (1 << 16) - 5u);  // the address begins at the end of the first block
    const testing::TempDir dir;
    AddressList list;
    ScanMailbox(dir.Write("In.mbx", mailbox), list, "L", HeaderKindSet::Original(),
                [](std::uint64_t done, std::uint64_t) { return done <= (1 << 16); });
    EXPECT_EQ(Records(list), ScanText(mailbox));
}

// Another program may cut a mailbox short while it is read: what was read before stays, and
// the reading fails rather than pass for complete (or, with the file mapped, end the
// program with a bus error). The cut comes as the second block is read, or, mapped, lent;
// another mailbox is mapped meanwhile, as a second worker's is.
TEST(ScanMailbox, AMailboxCutShortWhileReadKeepsWhatCameBeforeAndFails) {
    constexpr std::size_t kMessage = 16384;  // four to the reader's block
#ifdef _WIN32
    constexpr std::size_t kKept = 8;  // read, not mapped
    const std::error_code reason = FailureCode::Shortened;
#else
    constexpr std::size_t kKept = 4;
    const std::error_code reason = std::make_error_code(std::errc::io_error);  // a lost page, whatever the cause
#endif
    std::string mailbox;
    for (int i = 0; i < 12; ++i) {
        const std::string header = "From: user" + std::to_string(i) + "@example.org\r\n\r\n";
        mailbox += header + std::string(kMessage - header.size() - 2, 'x') + "\r\n";
    }
    const testing::TempDir dir;
    const std::string path = dir.Write("In.mbx", mailbox);
    const FileHandle otherFile = OpenFile(dir.Write("Other.mbx", mailbox), "rb");
    const MappedFile other(otherFile.get());
    AddressList list;
    int blocks = 0;
    const Result<> read = ScanMailbox(path, list, "L", HeaderKindSet::Original(), [&](std::uint64_t, std::uint64_t) {
        if (++blocks == 2) std::filesystem::resize_file(path, 100);
        return true;
    });
    ASSERT_FALSE(read.Ok());
    EXPECT_EQ(read.Error().code, reason);
    EXPECT_EQ(Records(list), ScanText(mailbox.substr(0, kKept * kMessage)));
}

struct DatedCase {
    const char* what;
    std::string mailbox;
    std::vector<std::string> emailAndDays;  // "email first last" per record
};

TEST(ScanMailbox, NotesTheDaysOfEachAddressesMessagesWhenAsked) {
    const std::vector<DatedCase> cases = {
        {"date after the lines",
         "From: a@x\nDate: 2 Jan 2001 10:00 +0000\nFrom: b@x\nDate: 3 Jan 2001 10:00 +0000\nFrom: a@x\nDate: 1 Jan 2001\n",
         {"a@x 2001-01-01 2001-01-02", "b@x 2001-01-03 2001-01-03", "a@x 2001-01-01 2001-01-02"}},
        {"date before the lines", "Date: 2 Jan 2001\nFrom: a@x\nDate: 3 Jan 2001\nFrom: b@x\n",
         {"a@x 2001-01-02 2001-01-02", "b@x 2001-01-03 2001-01-03"}},
        {"separator as fallback",
         "From ???@??? Mon Jan 01 00:00:00 2001\nFrom: a@x\nFrom ???@??? Fri Jan 05 00:00:00 2001\n"
         "Date: 6 Jan 2001\nFrom: b@x\nFrom ???@??? Sun Jan 07 00:00:00 2001\nFrom: c@x\n",
         {"a@x 2001-01-01 2001-01-01", "b@x 2001-01-06 2001-01-06", "c@x 2001-01-07 2001-01-07"}},
        {"a separator dates its own message only",
         "From ???@??? Mon Jan 01 00:00:00 2001\nFrom: a@x\nFrom: b@x\nFrom: c@x\n", {"a@x 2001-01-01 2001-01-01", "b@x  ", "c@x  "}},
        {"the date line wins over the separator before it",
         "From ???@??? Mon Jan 01 00:00:00 2001\nFrom: a@x\nDate: 2 Jan 2001\n", {"a@x 2001-01-02 2001-01-02"}},
        {"broken date, a list asked for nothing", "Date: someday\nList-Post: <mailto:l@x>\nFrom: a@x\n", {"a@x  "}},
    };
    for (const DatedCase& c : cases) {
        AddressList list;
        list.AskScanExtras({.captureDates = true});
        testing::MemoryByteSource source(c.mailbox);
        ScanMailboxSource(source, list, "L", HeaderKindSet::Original());
        std::vector<std::string> found;
        for (int i = 0; i < list.Count(); ++i) {
            const DaySpan days = list.DaysOf(list.At(i)->email);
            found.push_back(std::string(list.Email(*list.At(i))) + " " + IsoDate(days.first) + " " + IsoDate(days.last));
        }
        EXPECT_EQ(found, c.emailAndDays) << c.what;
        EXPECT_TRUE(list.ListAddresses().empty());
    }
}

TEST(ScanMailbox, DecodesNamesAndKeepsListAddressesWhenAsked) {
    AddressList list;
    list.AskScanExtras({.decodeNames = true, .captureListAddresses = true});
    testing::MemoryByteSource source("List-Post: <mailto:dev@lists.example?subject=x>\nFrom: =?utf-8?Q?J=C3=B6rg_Bauer?= <j@x>\n"
                                     "To: dev@lists.example\nReply-To: Jo <j@x>\nList-Post: NO\nFrom: b@x\n");
    ScanMailboxSource(source, list, "L", HeaderKindSet::Original());
    // The line rule reads the line as it stands, so every form of the list holds the same
    // addresses; the decoded name stands beside the name it reads.
    EXPECT_EQ(Records(list), (FoundList{{"j@x", "B6rg_Bauer", kFromKind}, {"dev@lists.example", "To", kToKind},
                                        {"j@x", "Jo", kReplyToKind}, {"b@x", "From", kFromKind}}));
    std::vector<std::string_view> decoded;  // a plain line of an address named encoded keeps its own name
    for (int i = 0; i < list.Count(); ++i) decoded.push_back(list.DecodedName(*list.At(i)));
    EXPECT_EQ(decoded, (std::vector<std::string_view>{"J\xf6rg Bauer", "To", "Jo", "From"}));
    EXPECT_EQ(list.ListAddresses(), std::vector<std::string>{"dev@lists.example"});
}

}  // namespace
}  // namespace mirelo
