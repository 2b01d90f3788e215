#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/dbx/dump_helpers.h"
#include "store_writer/dbx_writer.h"

namespace mirelo::testing {
namespace {

using namespace dbx_layout;

constexpr std::size_t kMessages = 12;
constexpr std::size_t kDamaged = 4;      // the message that the message-level cases damage
constexpr std::size_t kInDataField = 5;  // its text position lies in the data field
constexpr std::size_t kWhole = std::string::npos;

// Two blocks each, so a chain can break after its first block.
std::string MessageText(std::size_t i) {
    std::string text = "From: Person " + std::to_string(i) + " <person" + std::to_string(i) + "@example.com>\r\n";
    while (text.size() < 700) text += "> quoted line of an earlier message\r\n";
    return text;
}

DbxStoreImage SoundStore() {
    DbxStoreBuilder builder;
    builder.EntriesPerNode(2);
    for (std::size_t i = 0; i < kMessages; ++i)
        builder.AddMessage(MessageText(i),
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
            const std::string text = MessageText(d.message).substr(0, d.length);
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
    for (std::size_t i = 0; i < 5; ++i) expected.emplace_back(i, MessageText(i));
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
    blockLast.bytes.resize(block + 16 + MessageText(kDamaged).size() - kBlockBodySize);
    std::vector<std::pair<std::size_t, std::string>> expected;
    for (std::size_t i = 0; i < kMessages; ++i) expected.emplace_back(i, MessageText(i));
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
        texts.push_back(MessageText(i).substr(0, 100 + 97 * i));
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
