#include "sources/pst/pst_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/pst_mail.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::PstFolder;
using testing::PstMessage;
using testing::ReceivedPst;

// What a recipient typed in rather than picked from an address book may hold of its
// address: a one-off entry id, its texts in UTF-16 or in the message's code page.
std::string OneOffEntryId(const std::string& name, const std::string& type, const std::string& address,
                          bool wide = true) {
    std::string id(4, '\0');
    id += std::string("\x81\x2B\x1F\xA4\xBE\xA3\x10\x19\x9D\x6E\x00\xDD\x01\x0F\x54\x02", 16);
    id += std::string("\0\0\0", 3) + (wide ? '\x80' : '\0');  // version 0, the flag of UTF-16 texts
    for (const std::string& text : {name, type, address}) {
        for (const char c : text) wide ? id += {c, '\0'} : id += c;
        id += std::string(wide ? 2 : 1, '\0');
    }
    return id;
}

// Sent for Boss; Exchange addresses with and without an SMTP form, and one held only in
// an entry id. Its code page, a number among texts, comes before the SMTP addresses.
PstMessage Composed() {
    PstMessage message =
        OnBehalfOfBoss(testing::ComposedPst("EX", "/O=ORG/OU=EXCHANGE/CN=RECIPIENTS/CN=ME", "me@corp.example"),
                       "boss@corp.example");
    message.codePage = 1252;
    message.recipients.push_back({1, "Nameless EX", "EX", "/O=ORG/CN=NOBODY", ""});
    message.recipients.push_back({2, "One Off", "", "", "", OneOffEntryId("One Off", "SMTP", "one@off.example")});
    message.recipients.push_back({2, "Narrow", "", "", "", OneOffEntryId("Narrow", "SMTP", "narrow@off.example", false)});
    std::string cutShort = OneOffEntryId("Cut Short", "SMTP", "cut@off.example");
    cutShort.resize(cutShort.size() - 2);  // the address without its terminator, as a damaged file may hold it
    message.recipients.push_back({2, "Cut Short", "", "", "", cutShort});
    return message;
}

// Big enough for a data tree, a heap over several pages, rows in a subnode and a row index
// of two levels.
constexpr int kLongRecipients = 500;
PstMessage Long() {
    PstMessage message = Composed();
    message.body = std::string(20000, 'b');
    message.recipients.clear();
    for (int i = 0; i < kLongRecipients; ++i)
        message.recipients.push_back({1 + i % 3, "Person " + std::to_string(i), "SMTP",
                                      "p" + std::to_string(i) + "@many.example", ""});
    return message;
}

std::vector<PstFolder> Folders() {
    PstMessage unsent = ReceivedPst();
    unsent.transportHeaders.clear();  // its sender alone, sent for no one else: no Sender record
    // A folder after a trash folder is read all the same.
    return {{"Deleted Items", {unsent}, {}},
            {"Inbox", {ReceivedPst(), Composed()}, {{"Clients", {Long()}, {}}}},
            {"Papierkorb", {Composed()}, {}, true}};
}

struct Read {
    std::vector<std::string> records;  // "label|kind|name|email"
    std::vector<std::string> problems;
    std::vector<std::string> notices;
};

Read ReadPstOn(const std::string& path, bool includeTrash, unsigned threads, const ReadWatch& watch = {},
               MailDay day = testing::kPstDay) {
    StoreBatch batch;
    batch.threads = threads;
    batch.watch = watch;
    batch.records.AskScanExtras({.captureDates = true});
    PstReader({HeaderKindSet::Every(), ReadingRules::Rfc5322}, includeTrash)
        .Read({StoreKind::Pst, path, "Outlook.pst"}, batch);
    Read read;
    for (int i = 0; i < batch.records.Count(); ++i) {
        const AddressRecord& record = *batch.records.At(i);
        read.records.push_back(std::string(batch.records.Mailbox(record)) + "|" + std::to_string(record.headerKind) +
                               "|" + std::string(batch.records.Name(record)) + "|" +
                               std::string(batch.records.Email(record)));
        EXPECT_EQ(batch.records.DaysOf(record.email).first, day) << read.records.back();
    }
    for (const StoreProblem& problem : batch.problems) read.problems.push_back(problem.reason);
    for (const StoreProblem& notice : batch.notices) read.notices.push_back(notice.reason);
    return read;
}

// Read on one thread and on two, which must give the same.
Read ReadPst(const std::string& bytes, bool includeTrash = false, MailDay day = testing::kPstDay) {
    const testing::TempDir dir;
    const std::string path = dir.Write("Outlook.pst", bytes);
    const Read read = ReadPstOn(path, includeTrash, 1, {}, day);
    const Read besideRead = ReadPstOn(path, includeTrash, 2, {}, day);
    EXPECT_EQ(besideRead.records, read.records);
    EXPECT_EQ(besideRead.problems, read.problems);
    EXPECT_EQ(besideRead.notices, read.notices);
    return read;
}

std::vector<std::string> ExpectedRecords(bool withTrash) {
    std::vector<std::string> expected;
    const auto add = [&](const std::string& folder, std::vector<std::string> records) {
        for (const std::string& record : records) expected.push_back("Outlook.pst/" + folder + "|" + record);
    };
    const std::vector<std::string> received = {"0|Ann Lee|ann@net.example", "1|Bo|bo@x.example"},
        sentForBoss = {"0|Boss|boss@corp.example", "3|Me|me@corp.example"},
        composed = {"1|Tó Person|to@x.example", "6|Cc Person|cc@corp.example", "7|Bcc Person|bcc@x.example",
                    "6|One Off|one@off.example", "6|Narrow|narrow@off.example", "6|Cut Short|cut@off.example"};
    if (withTrash) add("Deleted Items", received);
    add("Inbox", received);
    add("Inbox", sentForBoss);
    add("Inbox", composed);
    add("Inbox/Clients", sentForBoss);
    const int kinds[] = {1, 6, 7};
    for (int i = 0; i < kLongRecipients; ++i)
        add("Inbox/Clients", {std::to_string(kinds[i % 3]) + "|Person " + std::to_string(i) + "|p" + std::to_string(i) +
                              "@many.example"});
    if (withTrash) {
        add("Papierkorb", sentForBoss);
        add("Papierkorb", composed);
    }
    return expected;
}

TEST(PstReader, ReadsBothFormsAndEveryEncodingAlikeAndLeavesTrashOutUnlessAsked) {
    const struct {
        testing::PstWriteOptions options;
        bool includeTrash;
        bool undeclared = false;  // the header says the blocks are stored as they are
    } cases[] = {
        {{.encoding = PstEncoding::None}, false},
        {{.encoding = PstEncoding::Permute}, false},
        {{.encoding = PstEncoding::Cyclic}, false},
        {{.encoding = PstEncoding::Permute}, true},
        {{.encoding = PstEncoding::Cyclic, .passwordCrc = 0xE61EB50F}, false},
        {{.encoding = PstEncoding::None, .ansi = true}, false},
        {{.encoding = PstEncoding::Cyclic, .ansi = true}, true},
        {{.encoding = PstEncoding::Permute}, false, true},
        {{.encoding = PstEncoding::Permute, .ansi = true}, false, true},
        {{.encoding = PstEncoding::Cyclic, .fanout = 1}, false},
        {{.encoding = PstEncoding::None, .ansi = true, .fanout = 2}, true},
    };
    for (const auto& c : cases) {
        const std::string what = std::to_string(static_cast<int>(c.options.encoding)) + (c.options.ansi ? " ansi" : "") +
                                 (c.undeclared ? " undeclared" : "") + " fanout " + std::to_string(c.options.fanout);
        std::string bytes = testing::WritePst(Folders(), c.options).bytes;
        if (c.undeclared) bytes[c.options.ansi ? 461 : 513] = 0;
        const Read read = ReadPst(bytes, c.includeTrash);
        EXPECT_EQ(read.records, ExpectedRecords(c.includeTrash)) << what;
        EXPECT_TRUE(read.problems.empty()) << what << ": " << read.problems.front();
        const std::string unresolved = c.includeTrash ? "2" : "1";
        EXPECT_EQ(read.notices,
                  std::vector<std::string>{unresolved + " Exchange addresses have no SMTP form in the file and give no record"})
            << what;
    }
}

void PutLe(std::string& bytes, std::uint64_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + static_cast<std::uint64_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLe(const std::string& bytes, std::uint64_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::uint64_t>(i)]);
    return value;
}

// Where the leaf entries of the tree whose root page lies at root are, in a sound file of
// the 2003 form.
std::vector<std::uint64_t> LeafEntries(const std::string& bytes, std::uint64_t root) {
    std::vector<std::uint64_t> entries;
    std::vector<std::uint64_t> pages{root};
    while (!pages.empty()) {
        const std::uint64_t page = pages.back();
        pages.pop_back();
        const auto count = static_cast<unsigned char>(bytes[page + 488]);
        const auto size = static_cast<unsigned char>(bytes[page + 490]);
        for (std::uint64_t i = 0; i < count; ++i) {
            if (bytes[page + 491] == 0)
                entries.push_back(page + i * size);
            else
                pages.push_back(GetLe(bytes, page + i * size + 16));
        }
    }
    return entries;
}

// The store's own data may be a data tree that names no leaves: the look for a permutation
// the file does not declare finds nothing to look at, and the messages are read.
TEST(PstReader, AStoreWhoseDataTreeNamesNoLeavesIsRead) {
    const testing::PstFile sound = testing::WritePst(Folders());
    std::string bytes = sound.bytes;
    std::uint64_t emptied = 0;  // the long body's data tree block, emptied
    for (const std::uint64_t entry : LeafEntries(bytes, sound.bbtRoot)) {
        const std::uint64_t bid = GetLe(bytes, entry), at = GetLe(bytes, entry + 8);
        if ((bid & 2) == 0 || bytes[at] != 1 || bytes[at + 1] != 1) continue;
        PutLe(bytes, at + 2, 0, 2);
        emptied = bid;
        break;
    }
    ASSERT_NE(emptied, 0u);
    for (const std::uint64_t entry : LeafEntries(bytes, sound.nbtRoot))
        if (GetLe(bytes, entry) == 0x21) PutLe(bytes, entry + 8, emptied, 8);
    EXPECT_FALSE(ReadPst(bytes).records.empty());
}

// A folder whose own properties are damaged keeps its messages, under a name made of its
// node id, and the damage says why.
TEST(PstReader, AFolderThatLostItsNameKeepsItsMessages) {
    const testing::PstFile sound = testing::WritePst({{"Inbox", {ReceivedPst()}, {}}}, {.encoding = PstEncoding::None});
    std::string bytes = sound.bytes;
    constexpr std::uint64_t kInbox = 0x8022;  // the writer's second folder, after the top
    for (const std::uint64_t node : LeafEntries(bytes, sound.nbtRoot)) {
        if (GetLe(bytes, node) != kInbox) continue;
        for (const std::uint64_t block : LeafEntries(bytes, sound.bbtRoot))
            if (GetLe(bytes, block) == GetLe(bytes, node + 8)) bytes[GetLe(bytes, block + 8) + 2] = 0;
    }
    const Read read = ReadPst(bytes);
    EXPECT_EQ(read.records, (std::vector<std::string>{"Outlook.pst/folder 0x8022|0|Ann Lee|ann@net.example",
                                                      "Outlook.pst/folder 0x8022|1|Bo|bo@x.example"}));
    ASSERT_FALSE(read.problems.empty());
    EXPECT_NE(read.problems.front().find("folder 0x8022 has lost its name"), std::string::npos) << read.problems.front();
}

// A header block too long for the message's heap, as most with their Received: lines are,
// lies in a subnode of its own, and its addresses are the ones read. A message without a
// time gives its records no day.
TEST(PstReader, ReadsAHeaderBlockStoredInASubnode) {
    const std::string padding = "X-Padding: " + std::string(4000, 'p') + "\r\n";
    PstMessage message = ReceivedPst(padding + "From: Cy <cy@far.example>\r\n", {});
    message.deliveryTime = 0;
    const Read read = ReadPst(testing::WritePst({{"Inbox", {message}, {}}}).bytes, false, kUnknownDay);
    EXPECT_EQ(read.records, std::vector<std::string>{"Outlook.pst/Inbox|0|Cy|cy@far.example"});
}

// Damage loses what it holds, is reported, and never invents a record.
TEST(PstReader, DamageLosesOnlyWhatItHolds) {
    const testing::PstFile sound = testing::WritePst(Folders(), {.encoding = PstEncoding::Permute});
    const std::vector<std::string> all = ExpectedRecords(false);
    // The block written after the first of a message is its recipient table's.
    const auto blockAfter = [&](std::uint64_t at) {
        std::uint64_t next = ~std::uint64_t{0};
        for (const std::uint64_t entry : LeafEntries(sound.bytes, sound.bbtRoot))
            if (const std::uint64_t offset = GetLe(sound.bytes, entry + 8); offset > at) next = std::min(next, offset);
        return next;
    };
    // Where the block of a bid lies.
    const auto offsetOf = [&](std::uint64_t bid) {
        for (const std::uint64_t block : LeafEntries(sound.bytes, sound.bbtRoot))
            if (GetLe(sound.bytes, block) == bid) return GetLe(sound.bytes, block + 8);
        return std::uint64_t{0};
    };
    // The subnode tree of the message whose properties lie at messageBlocks[2].
    const auto subnodeTree = [&] {
        for (const std::uint64_t node : LeafEntries(sound.bytes, sound.nbtRoot))
            if (offsetOf(GetLe(sound.bytes, node + 8)) == sound.messageBlocks[2])
                return offsetOf(GetLe(sound.bytes, node + 16));
        return std::uint64_t{0};
    }();
    std::ostringstream rootDamaged;
    rootDamaged << "node tree page at 0x" << std::hex << sound.nbtRoot << " is damaged; the entries below it are lost";
    const std::string rootDamagedText = rootDamaged.str();
    constexpr std::uint64_t kTopFolder = 0x8002;  // the writer's first folder; Inbox is its third
    const struct {
        const char* what;
        std::function<void(std::string&)> damage;
        std::size_t recordsLeft;
        const char* reported = "";
    } cases[] = {
        {"cut short", [](std::string& bytes) { bytes.resize(bytes.size() / 2); }, 0, "the file is cut short"},
        {"node tree root pointing at itself",
         [&](std::string& bytes) {
             PutLe(bytes, sound.nbtRoot + 8, static_cast<unsigned char>(bytes[sound.nbtRoot + 504]), 8);
             PutLe(bytes, sound.nbtRoot + 16, sound.nbtRoot, 8);
         },
         0},
        {"block tree root past the file", [&](std::string& bytes) { PutLe(bytes, 240, bytes.size() + 512, 8); }, 0,
         "lies past the end of the file; the entries below it are lost"},
        {"node tree root deeper than any tree", [&](std::string& bytes) { bytes[sound.nbtRoot + 491] = 8; }, 0,
         rootDamagedText.c_str()},
        {"node tree root naming another page", [&](std::string& bytes) { bytes[sound.nbtRoot + 505] ^= 1; }, 0,
         rootDamagedText.c_str()},
        {"node tree leaf entries too small for it",
         [&](std::string& bytes) { bytes[LeafEntries(bytes, sound.nbtRoot).front() / 512 * 512 + 490] = 24; }, 0,
         "is damaged; the entries below it are lost"},
        {"a message's heap broken", [&](std::string& bytes) { bytes[sound.messageBlocks[2] + 2] = 0; }, all.size() - 8,
         "damaged, 1 message lost: "},
        {"a message's heap map past its block",
         [&](std::string& bytes) { PutLe(bytes, sound.messageBlocks[1], 0x7FFF, 2); }, all.size() - 2},
        {"a message's recipient table broken",
         [&](std::string& bytes) { bytes[blockAfter(sound.messageBlocks[2]) + 2] = 0; }, all.size() - 6,
         "lost its recipients"},
        {"a message's subnode tree of another type", [&](std::string& bytes) { bytes[subnodeTree] = 1; },
         all.size() - 8, "is no subnode tree"},
        {"a message's subnode list counting one entry fewer", [&](std::string& bytes) { PutLe(bytes, subnodeTree + 2, 0, 2); },
         all.size() - 6},
        {"the folders' top a child of its own subfolder Inbox",
         [&](std::string& bytes) {
             for (const std::uint64_t node : LeafEntries(bytes, sound.nbtRoot))
                 if (GetLe(bytes, node) == kTopFolder) PutLe(bytes, node + 24, kTopFolder + 0x40, 4);
         },
         all.size(), "is reached again"},
    };
    for (const auto& c : cases) {
        std::string bytes = sound.bytes;
        c.damage(bytes);
        const Read read = ReadPst(bytes);
        ASSERT_FALSE(read.problems.empty()) << c.what;
        EXPECT_NE(read.problems.front().find(c.reported), std::string::npos) << c.what << ": " << read.problems.front();
        EXPECT_EQ(read.records.size(), c.recordsLeft) << c.what;
        for (const std::string& record : read.records)
            EXPECT_NE(std::find(all.begin(), all.end(), record), all.end()) << c.what << ": " << record;
    }
}

// A store's line names its first three damages and counts the others. A broken heap is two
// (its block's checksum, the message lost); a wrong checksum alone, one.
TEST(PstReader, TheDamageLineNamesThreeDamagesAndCountsTheOthers) {
    const testing::PstFile sound = testing::WritePst(Folders(), {.encoding = PstEncoding::Permute});
    const auto breakHeap = [&](std::string& bytes, std::size_t message) {
        bytes[sound.messageBlocks[message] + 2] = 0;
    };
    // The checksum lies 12 bytes before the end of the block: its data and trailer in 64-byte units.
    const auto breakChecksum = [&](std::string& bytes, std::size_t message) {
        const std::uint64_t block = sound.messageBlocks[message];
        for (const std::uint64_t entry : LeafEntries(bytes, sound.bbtRoot))
            if (GetLe(bytes, entry + 8) == block)
                bytes[block + ((GetLe(bytes, entry + 16) & 0xFFFF) + 16 + 63) / 64 * 64 - 12] ^= 1;
    };
    std::string three = sound.bytes, four = sound.bytes;
    breakHeap(three, 1);
    breakChecksum(three, 2);
    breakHeap(four, 1);
    breakHeap(four, 2);
    const std::string threeLine = ReadPst(three).problems.at(0), fourLine = ReadPst(four).problems.at(0);
    EXPECT_TRUE(threeLine.starts_with("damaged, 1 message lost: ") && !threeLine.ends_with("more")) << threeLine;
    EXPECT_TRUE(fourLine.starts_with("damaged, 2 messages lost: ") && fourLine.ends_with("; and 1 more")) << fourLine;
    // The second message's loss, the fourth damage, is counted, not named.
    EXPECT_EQ(fourLine.find("lost: holds"), fourLine.rfind("lost: holds")) << fourLine;
}

// Properties stored out of their id order, as a damaged file may hold them, are all read:
// here a composed message's submit time, its only date, comes after the property above it.
TEST(PstReader, PropertiesOutOfOrderAreAllRead) {
    const testing::PstFile sound = testing::WritePst(Folders(), {.encoding = PstEncoding::None});
    std::string bytes = sound.bytes;
    // Through the message's heap: its page map, the property tree's header, then the tree's
    // one leaf of eight-byte records (id, type, value).
    const std::uint64_t heap = sound.messageBlocks[2];
    const auto word = [&](std::uint64_t at) { return GetLe(bytes, at) & 0xFFFF; };
    const auto item = [&](std::uint64_t hid) {
        return heap + word(heap + word(heap) + 4 + 2 * ((hid >> 5 & 0x7FF) - 1));
    };
    std::uint64_t record = item(GetLe(bytes, item(GetLe(bytes, heap + 4) & 0xFFFFFFFF) + 4) & 0xFFFFFFFF);
    for (int r = 0; r < 4 && word(record) != 0x0039; ++r) record += 8;
    ASSERT_EQ(word(record), 0x0039u);
    std::swap_ranges(bytes.begin() + static_cast<std::ptrdiff_t>(record),
                     bytes.begin() + static_cast<std::ptrdiff_t>(record + 8),
                     bytes.begin() + static_cast<std::ptrdiff_t>(record + 8));
    EXPECT_EQ(ReadPst(bytes).records, ReadPst(sound.bytes).records);
}

// Messages are read in runs, ahead of their records when a second thread is free; their
// order, the progress and a stop are as if they were read one by one.
TEST(PstReader, ManyMessagesKeepTheirOrderProgressAndStop) {
    PstFolder many{"Many", {}, {}};
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        many.messages.push_back(ReceivedPst("From: m" + std::to_string(i) + "@x.example\r\n"));
        expected.push_back("Outlook.pst/Many|0||m" + std::to_string(i) + "@x.example");
    }
    const testing::TempDir dir;
    const std::string path =
        dir.Write("Outlook.pst", testing::WritePst({{"Empty", {}, {}}, many}, {.encoding = PstEncoding::None}).bytes);
    for (const unsigned threads : {1u, 2u}) {
        std::vector<std::uint64_t> told;
        const auto watch = [&](std::uint64_t done, std::uint64_t total) {
            told.push_back(done);
            return total == 300 && done < 200;
        };
        EXPECT_EQ(ReadPstOn(path, false, threads).records, expected);
        const Read stopped = ReadPstOn(path, false, threads, watch);
        EXPECT_EQ(stopped.records, std::vector<std::string>(expected.begin(), expected.begin() + 200));
        ASSERT_EQ(told.size(), 201u);
        EXPECT_EQ(told.back(), 200u);
    }
}

// A folder nested past all reason is lost alone: the folders beside its chain, and the
// chain down to 64 folders deep, are read. A slash in a folder's name is no step of the label.
TEST(PstReader, AFolderTooDeepLosesOnlyItself) {
    PstFolder deep{"d", {ReceivedPst()}, {}};
    for (int level = 0; level < 70; ++level) deep = PstFolder{"d", {ReceivedPst()}, {deep}};
    const std::vector<PstFolder> folders = {{"In/Out\\Box", {ReceivedPst()}, {}}, deep, {"After", {ReceivedPst()}, {}}};
    const Read read = ReadPst(testing::WritePst(folders, {.encoding = PstEncoding::Permute}).bytes);
    std::vector<std::string> labels;
    for (const std::string& record : read.records) labels.push_back(record.substr(0, record.find('|')));
    labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
    std::vector<std::string> expected = {"Outlook.pst/In_Out_Box"};
    for (std::string chain = "Outlook.pst"; expected.size() <= 64;) expected.push_back(chain += "/d");
    expected.push_back("Outlook.pst/After");
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(read.problems.size(), 1u);
}

}  // namespace
}  // namespace mirelo
