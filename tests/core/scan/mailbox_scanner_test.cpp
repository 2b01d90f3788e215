#include "scan/mailbox_scanner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/scan/header_kind_flags_fixture.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

struct Found {
    std::string email;
    std::string name;
    HeaderKind kind;

    friend bool operator==(const Found&, const Found&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Found& f) {
        return out << "{" << f.email << ", " << f.name << ", " << f.kind << "}";
    }
};
using FoundList = std::vector<Found>;

FoundList Records(const AddressList& list) {
    FoundList found;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& r = *list.At(i);
        found.push_back({std::string(list.Email(r)), std::string(list.Name(r)), r.headerKind});
    }
    return found;
}

FoundList ScanText(std::string_view mailbox) {
    AddressList list;
    MemoryByteSource source(mailbox);
    ScanMailboxSource(source, list, "L");
    return Records(list);
}

FoundList ScanFile(std::string_view mailbox) {
    testing::TempDir dir;
    AddressList list;
    ScanMailbox(dir.Write("In.mbx", mailbox), list, "L");
    return Records(list);
}

struct MailboxCase {
    const char* what;
    std::string mailbox;
    FoundList expected;
};

void ExpectScans(const std::vector<MailboxCase>& cases) {
    for (const MailboxCase& c : cases) {
        EXPECT_EQ(ScanText(c.mailbox), c.expected) << c.what;
        EXPECT_EQ(ScanFile(c.mailbox), c.expected) << c.what << " (file)";
    }
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string text;
    for (const std::string& line : lines) text += line + lineEnd;
    return text;
}

TEST(ScanMailbox, WorkedExample) {
    const std::vector<std::string> lines = {
        "From ???@??? Mon Jan 01 00:00:00 2001",
        "Return-Path: <help@mailhost>",
        "From: Help Desk <help@mailhost>",
        "To: sales@mailhost",
        "Subject: hello",
        "",
        "From ???@??? Mon Jan 01 00:00:00 2001",
        "From: Book Club <club@mailhost>",
        "To: undisclosed-recipients:;",
    };
    const FoundList expected = {
        {"help@mailhost", "Help Desk", kFromKind},
        {"sales@mailhost", "To", kToKind},
        {"help@mailhost", "Return-Path", kReturnPathKind},
        {"club@mailhost", "Book Club", kFromKind},
        {"club@mailhost", "undisclosed-recipients", kToKind},
    };
    ExpectScans({{"CR LF", JoinLines(lines, "\r\n"), expected}, {"LF", JoinLines(lines, "\n"), expected}});
}

TEST(ScanMailbox, FindsMessageBoundariesOnlyWhereAKindRepeats) {
    ExpectScans({
        {"header names only at the line start, in any case",
         " From: a@m\nResent-From: b@m\nDelivered-To: c@m\nCc: d@m\nBcc: e@m\nFrom a@m\n"
         "FROM: F <f@m>\nx-sender: g@m\nrEPLY-tO: h@m\n",
         {{"f@m", "F", kFromKind}, {"g@m", "x-sender", kXSenderKind}, {"h@m", "rEPLY-tO", kReplyToKind}}},
        {"a quoted body From: line begins a new message",
         "From: A <a@m>\nTo: b@m\n\nFrom: Sales Team\n",
         {{"a@m", "A", kFromKind}, {"b@m", "To", kToKind}, {"", "Sales Team", kFromKind}}},
        {"a second To: line begins a new message that carries nothing over",
         "From: A <a@m>\nTo: b@m\nTo: Group\n",
         {{"a@m", "A", kFromKind}, {"b@m", "To", kToKind}, {"", "Group", kToKind}}},
        {"a message without From: merges with the next",
         "To: undisclosed-recipients:;\n\nFrom: C <c@m>\nTo: d@m\n",
         {{"c@m", "C", kFromKind}, {"c@m", "undisclosed-recipients", kToKind}, {"d@m", "To", kToKind}}},
        {"the email carries from the last earlier kind that had one",
         "Reply-To: Nobody\nSender: s@m\nTo: Group\nFrom: F\n",
         {{"", "F", kFromKind}, {"", "Group", kToKind}, {"s@m", "Sender", kSenderKind},
          {"s@m", "Nobody", kReplyToKind}}},
        {"a bare header name", "To:\n", {{"", "To", kToKind}}},
        {"no header lines", "From ???@??? Mon Jan 01 00:00:00 2001\nSubject: hi\n\nbody\n", {}},
        {"empty file", "", {}},
    });
}

TEST(ScanMailbox, ReadsLinesTheWayTextModeDoes) {
    using namespace std::string_literals;
    const std::string longName(1100, 'N');
    ExpectScans({
        {"a header line is cut to its first 1023 bytes",
         "From: " + longName + " <n@m>\r\nTo: t@m\r\n",
         {{"", longName.substr(0, 1017), kFromKind}, {"t@m", "To", kToKind}}},
        {"a later piece of a long line that begins with a header name",
         "Subject: " + std::string(1014, 'x') + "From: Late <late@m>\r\n",
         {{"late@m", "Late", kFromKind}}},
        {"a later piece that does not begin with one",
         "Subject: " + std::string(1013, 'x') + "From: Late <late@m>\r\n", {}},
        {"a NUL cuts the line's text", "From: Help\0 <help@m>\r\nTo: T <t@m>\r\n"s,
         {{"", "Help", kFromKind}, {"t@m", "T", kToKind}}},
        {"a NUL just after a header name, and one inside a name", "To:\0 <a@m>\r\nFr\0om: b@m\r\n"s,
         {{"", "To", kToKind}}},
        {"a run of CRs before the LF, a CR inside a line", "From: A <a@m>\r\r\r\nTo: B\rC <b@m>\r\n",
         {{"a@m", "A", kFromKind}, {"b@m", "C", kToKind}}},
        {"0x1A ends the input", "From: A <a@m>\r\n\x1ATo: B <b@m>\r\n", {{"a@m", "A", kFromKind}}},
        {"a CR ends the input", "From: a@m\r", {{"a@m", "From", kFromKind}}},
    });
}

TEST(ScanMailbox, AppendsAfterEarlierFilesWithoutSharingMessages) {
    testing::TempDir dir;
    AddressList list;
    ScanMailbox(dir.Write("One.mbx", "From: A <a@m>\r\n"), list, "One");
    ScanMailbox(dir.Write("Two.mbx", "To: Group\r\n"), list, "Two");
    ScanMailbox((dir.path() / "Missing.mbx").string(), list, "Missing");
    ScanMailbox(dir.path().string(), list, "Folder");

    EXPECT_EQ(Records(list), (FoundList{{"a@m", "A", kFromKind}, {"", "Group", kToKind}}));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Mailbox(*list.At(0)), "One");
    EXPECT_EQ(list.Mailbox(*list.At(1)), "Two");
}

// Mailboxes that grow or shrink while they are read: the scan ends, and what it finds is
// exactly what the bytes it was handed hold.
std::string Messages(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        const std::string n = std::to_string(i);
        text += "From ???@??? Mon Mar 03 09:14:22 2003\r\nFrom: Person " + n + " <p" + n + "@mailhost>\r\nTo: team" +
                n + "@mailhost\r\nSubject: note " + n + "\r\n\r\nBody of note " + n + ".\r\n";
    }
    return text;
}

// Passes reads on to another source, at most 700 bytes at a time as a pipe or network disk
// gives them, keeps every byte it hands out, and runs a change to the mailbox once, after
// the first read.
class ChangingSource : public ByteSource {
public:
    ChangingSource(ByteSource& inner, std::function<void()> change) : inner_(inner), change_(std::move(change)) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::size_t got = inner_.Read(buffer, std::min<std::size_t>(capacity, 700));
        delivered.append(buffer, got);
        if (change_) {
            beforeChange = delivered;
            std::exchange(change_, nullptr)();
        }
        return got;
    }

    std::string delivered;
    std::string beforeChange;

private:
    ByteSource& inner_;
    std::function<void()> change_;
};

struct ChangeCase {
    const char* what;
    std::function<void(const std::string& path)> change;
    // What the scan should be handed, given the mailbox before the change and what had
    // been read by then.
    std::function<std::string(const std::string& original, const std::string& beforeChange)> expectedDelivered;
};

TEST(ScanMailbox, AFileCutOrAppendedBetweenReadsIsScannedAsFarAsItGoes) {
    const std::string original = Messages(0, 2000);  // several of the reader's blocks
    const std::string extra = Messages(2000, 100);
    const std::vector<ChangeCase> cases = {
        {"cut below the read position", [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 100), 0); },
         [](const std::string&, const std::string& before) { return before; }},
        {"cut ahead of the read position",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 150000), 0); },
         [](const std::string& o, const std::string&) { return o.substr(0, 150000); }},
        {"rewritten ahead of the read position",
         [&](const std::string& path) {
             std::fstream(path, std::ios::binary | std::ios::in | std::ios::out).seekp(800) << extra;
         },
         [&](const std::string& o, const std::string& before) {
             return before + o.substr(before.size(), 800 - before.size()) + extra + o.substr(800 + extra.size());
         }},
        {"appended to",
         [&](const std::string& path) { std::ofstream(path, std::ios::binary | std::ios::app) << extra; },
         [&](const std::string& o, const std::string&) { return o + extra; }},
    };
    const testing::TempDir dir;
    for (const ChangeCase& c : cases) {
        const std::string path = dir.Write("In.mbx", original);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
        ASSERT_TRUE(file);
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
        FileByteSource reads(file.get());
        ChangingSource source(reads, [&] { c.change(path); });
        AddressList list;
        ScanMailboxSource(source, list, "L");
        EXPECT_EQ(source.delivered, c.expectedDelivered(original, source.beforeChange)) << c.what;
        EXPECT_EQ(Records(list), ScanText(source.delivered)) << c.what;
    }
}

using ScanMailboxWithKindsOff = HeaderKindFlagsTest;

TEST_F(ScanMailboxWithKindsOff, ASwitchedOffKindYieldsNothingButStillEndsMessages) {
    SetKindEnabled(kToKind, false);
    EXPECT_EQ(ScanText("From: A <a@m>\nTo: x@m\nTo: y@m\nReply-To: Nobody\n"),
              (FoundList{{"a@m", "A", kFromKind}, {"", "Nobody", kReplyToKind}}));
}

TEST_F(ScanMailboxWithKindsOff, AllKindsOffAppendNothing) {
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) SetKindEnabled(kind, false);
    EXPECT_EQ(ScanText("From: A <a@m>\nTo: b@m\nFrom: C <c@m>\nSender: s@m\n"), FoundList{});
}

}  // namespace
}  // namespace mirelo
