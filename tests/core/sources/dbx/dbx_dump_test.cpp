#include "sources/dbx/dbx_dump.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "store_writer/dbx_writer.h"
#include "support/temp_dir.h"

namespace mirelo::testing {
namespace {

struct DumpResult {
    DumpOutcome outcome;
    std::string text;
};

// Dumps the store bytes as the folder walk would, from a file into a temporary file in dir.
DumpResult DumpStoreBytes(const TempDir& dir, const std::string& storeBytes) {
    const std::string store = dir.Write("Inbox.dbx", storeBytes);
    const std::string dump = (dir.path() / "outlook_temp.mbx").string();
    DumpOutcome outcome = DumpDbxToText(store, dump);
    return {std::move(outcome), ReadFileBytes(dump)};
}

DumpResult DumpStoreBytes(const std::string& storeBytes) { return DumpStoreBytes(TempDir(), storeBytes); }

std::string Marker(std::size_t message) { return "___Message___ : " + std::to_string(message) + "\r\n"; }

// The dump of the given messages: each one's marker, on a line of its own, and its text up
// to its first NUL.
std::string ExpectedDump(const std::vector<std::pair<std::size_t, std::string>>& messages) {
    std::string dump;
    for (const auto& [number, text] : messages) {
        if (!dump.empty() && dump.back() != '\n') dump += "\r\n";
        dump += Marker(number) + text.substr(0, text.find('\0'));
    }
    return dump;
}

std::string MessageText(std::size_t i) {
    return "From: Sender " + std::to_string(i) + " <sender" + std::to_string(i) +
           "@example.com>\r\nTo: ruth@example.org\r\nSubject: note\r\n\r\nBody of message " + std::to_string(i) +
           ".\r\n";
}

// The marker counts tree positions, so a message without text leaves a gap; a NUL ends a
// text early; a text without a final line end is ended before the next marker, which
// would otherwise lengthen its last line (an address, say).
TEST(DbxDump, GapsNulCutsAndMissingLineEnds) {
    const std::string withNul =
        std::string("From: a@example.com\r\nTo: b@example.com\r\n\0Cc: hidden@example.com\r\n", 66);
    const DbxStoreImage store = DbxStoreBuilder()
                                    .AddMessage("From: first@example.com\r\n")
                                    .AddMessageWithoutText()
                                    .AddMessage(withNul)
                                    .AddMessage("From: c@example.com\r\n\r\nno line end")
                                    .AddMessage("From: d@example.com\r\n")
                                    .Build();
    const DumpResult result = DumpStoreBytes(store.bytes);
    EXPECT_EQ(result.outcome.problem, "");
    EXPECT_EQ(result.text, Marker(0) + "From: first@example.com\r\n" + Marker(2) +
                               "From: a@example.com\r\nTo: b@example.com\r\n" + Marker(3) +
                               "From: c@example.com\r\n\r\nno line end\r\n" + Marker(4) + "From: d@example.com\r\n");
}

TEST(DbxDump, TextsOfManyBlocksAreJoinedInChainOrder) {
    for (const std::size_t length : {0u, 0x1FFu, 0x200u, 0x201u, 5000u}) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
        const DbxStoreImage store = DbxStoreBuilder().AddMessage(text).AddMessage("next").Build();
        ASSERT_EQ(store.textBlocks[0].size(), std::max<std::size_t>(1, (length + 0x1FF) / 0x200));
        EXPECT_EQ(DumpStoreBytes(store.bytes).text, ExpectedDump({{0, text}, {1, "next"}})) << length;
    }
}

TEST(DbxDump, DeepTreesGiveTheirMessagesInTreeOrder) {
    struct Shape {
        std::size_t entriesPerNode;
        std::size_t messages;
        int minDepth;  // deepest node, to be sure the shape really has levels
    };
    for (const Shape shape :
         {Shape{1, 9, 2}, Shape{3, 100, 2}, Shape{0x33, 200, 1}, Shape{0x33, 51, 0}}) {
        DbxStoreBuilder builder;
        builder.EntriesPerNode(shape.entriesPerNode);
        std::vector<std::pair<std::size_t, std::string>> expected;
        for (std::size_t i = 0; i < shape.messages; ++i) {
            builder.AddMessage(MessageText(i), i % 2 ? TextPositionStorage::DataField : TextPositionStorage::Direct);
            expected.emplace_back(i, MessageText(i));
        }
        const DbxStoreImage store = builder.Build();
        int depth = 0;
        for (const DbxNodeLayout& node : store.nodes) depth = std::max(depth, node.depth);
        ASSERT_GE(depth, shape.minDepth);

        const DumpResult result = DumpStoreBytes(store.bytes);
        EXPECT_TRUE(result.outcome.written);
        EXPECT_EQ(result.outcome.problem, "") << shape.entriesPerNode << " " << shape.messages;
        EXPECT_EQ(result.text, ExpectedDump(expected)) << shape.entriesPerNode << " " << shape.messages;
    }
}

// Several megabytes, so that reads cross the reader's page edges and outgrow its cache.
TEST(DbxDump, LargeStoresAreDumpedWhole) {
    DbxStoreBuilder builder;
    std::vector<std::pair<std::size_t, std::string>> expected;
    for (std::size_t i = 0; i < 600; ++i) {
        std::string text = MessageText(i);
        text.append(i * 37 % 9000, static_cast<char>('a' + i % 26));
        builder.AddMessage(text, i % 3 ? TextPositionStorage::DataField : TextPositionStorage::Direct);
        expected.emplace_back(i, std::move(text));
    }
    const DbxStoreImage store = builder.Build();
    ASSERT_GT(store.bytes.size(), 2u << 20);
    const DumpResult result = DumpStoreBytes(store.bytes);
    EXPECT_EQ(result.outcome.problem, "");
    EXPECT_TRUE(result.text == ExpectedDump(expected));
}

TEST(DbxDump, StoresWithoutMessagesAndOtherKindsLeaveTheFileEmptyWithoutProblem) {
    struct Case {
        const char* name;
        DbxStoreImage store;
    };
    DbxStoreImage countZero = DbxStoreBuilder().AddMessage(MessageText(0)).Build();
    countZero.SetMessageCount(0);
    DbxStoreImage rootZero = DbxStoreBuilder().AddMessage(MessageText(0)).Build();
    rootZero.SetTreeRoot(0);
    const Case cases[] = {
        {"header alone", DbxStoreBuilder().Build()},
        {"count 0", countZero},
        {"root 0", rootZero},
        {"folder list", DbxStoreBuilder().Kind(kFolderListKind).Build()},
        {"folder list with a tree", DbxStoreBuilder().Kind(kFolderListKind).AddMessage(MessageText(0)).Build()},
        {"other kind", DbxStoreBuilder().Kind(0x6F74FDC7).AddMessage(MessageText(0)).Build()},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string storePath = dir.Write("Store.dbx", c.store.bytes);
        const std::string dumpPath = dir.Write("outlook_temp.mbx", "the previous store's dump");
        const DumpOutcome outcome = DumpDbxToText(storePath, dumpPath);
        EXPECT_TRUE(outcome.written) << c.name;
        EXPECT_EQ(outcome.problem, "") << c.name;
        EXPECT_EQ(ReadFileBytes(dumpPath), "") << c.name;
    }
}

TEST(DbxDump, FilesThatAreNoStoreAreReported) {
    const std::string header = DbxStoreBuilder().Build().bytes;
    for (const std::string& bytes : {std::string(), std::string("From: a@example.com\r\n"), std::string(4096, '\0'),
                                     header.substr(0, 0xE8), header.substr(0, header.size() - 1)}) {
        const DumpResult result = DumpStoreBytes(bytes);
        EXPECT_TRUE(result.outcome.written) << bytes.size();
        EXPECT_NE(result.outcome.problem, "") << bytes.size();
        EXPECT_EQ(result.text, "") << bytes.size();
    }
}

TEST(DbxDump, AStoreThatCannotBeOpenedIsNotWritten) {
    TempDir dir;
    const DumpOutcome outcome =
        DumpDbxToText((dir.path() / "missing.dbx").string(), (dir.path() / "outlook_temp.mbx").string());
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.problem, "");
}

using namespace dbx_layout;

constexpr std::size_t kMessages = 12;
constexpr std::size_t kDamaged = 4;      // the message that the message-level cases damage
constexpr std::size_t kInDataField = 5;  // its text position lies in the data field
constexpr std::size_t kWhole = std::string::npos;

// Two blocks each, so a chain can break after its first block.
std::string LongMessageText(std::size_t i) {
    std::string text = "From: Person " + std::to_string(i) + " <person" + std::to_string(i) + "@example.com>\r\n";
    while (text.size() < 700) text += "> quoted line of an earlier message\r\n";
    return text;
}

DbxStoreImage SoundStore() {
    DbxStoreBuilder builder;
    builder.EntriesPerNode(2);
    for (std::size_t i = 0; i < kMessages; ++i)
        builder.AddMessage(LongMessageText(i),
                           i == kInDataField ? TextPositionStorage::DataField : TextPositionStorage::Direct);
    return builder.Build();
}

// The last node of the greatest depth: a leaf with messages before it and after it.
const DbxNodeLayout& DeepestNode(const DbxStoreImage& store) {
    const DbxNodeLayout* deepest = &store.nodes.front();
    for (const DbxNodeLayout& node : store.nodes)
        if (node.depth >= deepest->depth) deepest = &node;
    return *deepest;
}

std::uint32_t PastTheEnd(const DbxStoreImage& store) { return static_cast<std::uint32_t>(store.bytes.size() + 0x40); }

struct Dumped {
    std::size_t message;
    std::size_t length = kWhole;  // of its text read before the chain broke: its complete lines are dumped
};

std::vector<Dumped> Messages(std::size_t from, std::size_t to, std::size_t except = kWhole) {
    std::vector<Dumped> dumped;
    for (std::size_t i = from; i < to; ++i)
        if (i != except) dumped.push_back({i});
    return dumped;
}

std::vector<Dumped> AllWithDamagedCut(std::size_t length) {
    std::vector<Dumped> dumped = Messages(0, kMessages);
    dumped[kDamaged].length = length;
    return dumped;
}

struct DamageCase {
    const char* name;
    std::function<void(DbxStoreImage&)> damage;
    std::function<std::vector<Dumped>(const DbxStoreImage&)> expected;
};

TEST(DbxDamage, EachKindDumpsWhatIsSoundAndReportsTheRest) {
    const DbxNodeLayout leaf = DeepestNode(SoundStore());
    ASSERT_GE(leaf.depth, 2);
    ASSERT_GT(leaf.firstValue, kDamaged);
    ASSERT_LT(leaf.firstValue + leaf.entryCount, kMessages);
    const DamageCase cases[] = {
        {"root past the end", [](DbxStoreImage& s) { s.SetTreeRoot(PastTheEnd(s)); },
         [](const DbxStoreImage&) { return Messages(0, 0); }},
        {"root with a wrong marker", [](DbxStoreImage& s) { s.BreakMarker(s.nodes[0].position); },
         [](const DbxStoreImage&) { return Messages(0, 0); }},
        {"root inside the header", [](DbxStoreImage& s) { s.SetTreeRoot(0x30); },
         [](const DbxStoreImage&) { return Messages(0, 0); }},
        {"child node with a wrong marker", [](DbxStoreImage& s) { s.BreakMarker(DeepestNode(s).position); },
         [](const DbxStoreImage& s) { return Messages(0, DeepestNode(s).firstValue); }},
        {"child pointer past the end",
         [](DbxStoreImage& s) { s.SetWord(DeepestNode(s).position + kNodeHeadChildAt, PastTheEnd(s)); },
         [](const DbxStoreImage& s) { return Messages(0, DeepestNode(s).firstValue); }},
        {"head child pointing back to its parent",
         [](DbxStoreImage& s) { s.SetWord(DeepestNode(s).position + kNodeHeadChildAt, DeepestNode(s).parent); },
         [](const DbxStoreImage& s) { return Messages(0, DeepestNode(s).firstValue); }},
        {"entry child pointing back to the root",
         [](DbxStoreImage& s) {
             const DbxNodeLayout& deepest = DeepestNode(s);
             s.SetWord(deepest.position + NodeEntryChildAt(deepest.entryCount - 1), s.nodes[0].position);
         },
         [](const DbxStoreImage& s) { return Messages(0, DeepestNode(s).firstValue + DeepestNode(s).entryCount); }},
        {"entry count over 0x33",
         [](DbxStoreImage& s) { s.SetByte(DeepestNode(s).position + kNodeEntryCountAt, 0x34); },
         [](const DbxStoreImage&) { return Messages(0, kMessages); }},
        {"root entry count over 0x33",
         [](DbxStoreImage& s) { s.SetByte(s.nodes[0].position + kNodeEntryCountAt, 0xFF); },
         [](const DbxStoreImage&) { return Messages(0, kMessages); }},
        {"count far larger than the tree", [](DbxStoreImage& s) { s.SetMessageCount(0xFFFFFFFF); },
         [](const DbxStoreImage&) { return Messages(0, kMessages); }},
        {"info record past the end", [](DbxStoreImage& s) { s.SetWord(s.valueSlots[kDamaged], PastTheEnd(s)); },
         [](const DbxStoreImage&) { return Messages(0, kMessages, kDamaged); }},
        {"info record with a wrong marker", [](DbxStoreImage& s) { s.BreakMarker(s.infos[kDamaged]); },
         [](const DbxStoreImage&) { return Messages(0, kMessages, kDamaged); }},
        {"info body running past the end",
         [](DbxStoreImage& s) { s.SetWord(s.infos[kDamaged] + kInfoBodyLengthAt, 0xFFFFFF00); },
         [](const DbxStoreImage&) { return Messages(0, kMessages, kDamaged); }},
        {"index field longer than the body",
         [](DbxStoreImage& s) { s.SetByte(s.infos[kDamaged] + kInfoEntryCountAt, 0xFF); },
         [](const DbxStoreImage&) { return Messages(0, kMessages, kDamaged); }},
        {"text position past the end", [](DbxStoreImage& s) { s.SetTextPosition(kDamaged, PastTheEnd(s)); },
         [](const DbxStoreImage&) { return Messages(0, kMessages, kDamaged); }},
        {"text position outside the info record",
         [](DbxStoreImage& s) { s.SetWord(s.infos[kInDataField] + kInfoBodyLengthAt, 16); },  // the index field alone
         [](const DbxStoreImage&) { return Messages(0, kMessages, kInDataField); }},
        {"first block with a wrong marker", [](DbxStoreImage& s) { s.BreakMarker(s.textBlocks[kDamaged][0]); },
         [](const DbxStoreImage&) { return Messages(0, kMessages, kDamaged); }},
        {"second block with a wrong marker", [](DbxStoreImage& s) { s.BreakMarker(s.textBlocks[kDamaged][1]); },
         [](const DbxStoreImage&) { return AllWithDamagedCut(kBlockBodySize); }},
        {"next block past the end",
         [](DbxStoreImage& s) { s.SetWord(s.textBlocks[kDamaged][0] + kBlockNextAt, PastTheEnd(s)); },
         [](const DbxStoreImage&) { return AllWithDamagedCut(kBlockBodySize); }},
        {"block using more than its body",
         [](DbxStoreImage& s) { s.SetWord(s.textBlocks[kDamaged][1] + kBlockUsedAt, kBlockBodySize + 1); },
         [](const DbxStoreImage&) { return AllWithDamagedCut(kBlockBodySize); }},
        {"block chain looping", [](DbxStoreImage& s) { s.LoopTextChain(kDamaged); },
         [](const DbxStoreImage&) { return Messages(0, kMessages); }},
    };
    for (const DamageCase& c : cases) {
        DbxStoreImage store = SoundStore();
        c.damage(store);
        std::vector<std::pair<std::size_t, std::string>> expected;
        for (const Dumped& d : c.expected(store)) {
            const std::string text = LongMessageText(d.message).substr(0, d.length);
            expected.emplace_back(d.message, d.length == kWhole ? text : text.substr(0, text.rfind('\n') + 1));
        }

        const DumpResult result = DumpStoreBytes(store.bytes);
        EXPECT_TRUE(result.outcome.written) << c.name;
        EXPECT_NE(result.outcome.problem, "") << c.name;
        EXPECT_EQ(result.text, ExpectedDump(expected)) << c.name << ": " << result.outcome.problem;
    }
}

TEST(DbxDamage, ATreeHoldingMoreThanTheCountGivesTheCountQuietly) {
    DbxStoreImage store = SoundStore();
    store.SetMessageCount(5);
    std::vector<std::pair<std::size_t, std::string>> expected;
    for (std::size_t i = 0; i < 5; ++i) expected.emplace_back(i, LongMessageText(i));
    const DumpResult result = DumpStoreBytes(store.bytes);
    EXPECT_EQ(result.outcome.problem, "");
    EXPECT_EQ(result.text, ExpectedDump(expected));
}

// A tree that lists one large message over and over would make the dump grow with the
// square of the store; reading stops once the store has been read twice over.
TEST(DbxDamage, ATreeRepeatingOneMessageCannotBlowUpTheDump) {
    DbxStoreBuilder builder;
    builder.AddMessage(std::string(100 * 1024, 'x'));
    for (int i = 0; i < 400; ++i) builder.AddMessage("From: a@example.com\r\n");
    DbxStoreImage store = builder.Build();
    for (const std::uint32_t slot : store.valueSlots) store.SetWord(slot, store.infos[0]);

    const DumpResult result = DumpStoreBytes(store.bytes);
    EXPECT_TRUE(result.outcome.written);
    EXPECT_NE(result.outcome.problem.find("again and again"), std::string::npos) << result.outcome.problem;
    EXPECT_TRUE(result.text.starts_with(Marker(0) + std::string(100 * 1024, 'x') + "\r\n" + Marker(1)));
    EXPECT_LE(result.text.size(), 2 * store.bytes.size() + 64 * 1024);
}

// A node needs only its head and its used entries, a block only its head and its used
// bytes: a store whose last object is cut just after them has lost nothing.
TEST(DbxDamage, AStoreCutJustAfterTheUsedPartOfItsLastObjectIsWhole) {
    DbxStoreImage rootLast = SoundStore();
    rootLast.SetTreeRoot(rootLast.CopyToEnd(rootLast.nodes[0].position, kNodeSize));
    rootLast.bytes.resize(rootLast.bytes.size() - (kNodeMaxEntries - rootLast.nodes[0].entryCount) * 12);
    DbxStoreImage blockLast = SoundStore();
    const std::uint32_t block = blockLast.CopyToEnd(blockLast.textBlocks[kDamaged][1], kBlockSize);
    blockLast.SetWord(blockLast.textBlocks[kDamaged][0] + kBlockNextAt, block);
    blockLast.bytes.resize(block + 16 + LongMessageText(kDamaged).size() - kBlockBodySize);
    std::vector<std::pair<std::size_t, std::string>> expected;
    for (std::size_t i = 0; i < kMessages; ++i) expected.emplace_back(i, LongMessageText(i));
    for (const DbxStoreImage* store : {&rootLast, &blockLast}) {
        const DumpResult result = DumpStoreBytes(store->bytes);
        EXPECT_EQ(result.outcome.problem, "");
        EXPECT_EQ(result.text, ExpectedDump(expected));
    }
}

// Cut short anywhere: in the header, among the tree nodes (before every info record) or
// among the messages, where exactly the messages whose records lie wholly before the cut
// are dumped.
TEST(DbxDamage, CutShortAnywhereDumpsTheMessagesBeforeTheCut) {
    DbxStoreBuilder builder;
    builder.EntriesPerNode(3);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < 30; ++i) {
        if (i % 7 == 3) {
            builder.AddMessageWithoutText();
            texts.emplace_back();
            continue;
        }
        texts.push_back(LongMessageText(i).substr(0, 100 + 97 * i));
        builder.AddMessage(texts.back());
    }
    const DbxStoreImage store = builder.Build();
    const std::size_t size = store.bytes.size();
    const auto recordEnd = [&](std::size_t i) -> std::size_t {
        if (i + 1 == texts.size()) return size;
        return store.textBlocks[i + 1].empty() ? store.infos[i + 1] : store.textBlocks[i + 1][0];
    };

    std::set<std::size_t> cuts = {0, 1, 4, 7, 8, 0xC4, 0xE8, kHeaderSize - 1, kHeaderSize, size - 1};
    for (std::size_t at = 512; at < size; at += 512) cuts.insert({at, at + 37});
    for (std::size_t i = 0; i < texts.size(); ++i) cuts.insert({store.infos[i] + 11, recordEnd(i) - 1, recordEnd(i)});

    const TempDir dir;  // one for all cuts: making and removing folders is slow on some disks
    for (const std::size_t cut : cuts) {
        if (cut >= size) continue;
        std::vector<std::pair<std::size_t, std::string>> expected;
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (recordEnd(i) <= cut && !store.textBlocks[i].empty()) expected.emplace_back(i, texts[i]);
        const DumpResult result = DumpStoreBytes(dir, store.CutAt(cut));
        EXPECT_TRUE(result.outcome.written) << cut;
        EXPECT_NE(result.outcome.problem, "") << cut;
        EXPECT_EQ(result.text, ExpectedDump(expected)) << cut << ": " << result.outcome.problem;
    }
}

}  // namespace
}  // namespace mirelo::testing
