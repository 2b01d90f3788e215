#include "sources/dbx/dbx_dump.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/native_path.h"
#include "store_writer/dbx_writer.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace mirelo::testing {
namespace {

using namespace dbx_layout;
using Messages = std::vector<std::pair<std::size_t, std::string>>;  // tree position, text

constexpr std::size_t kMessages = 12, kDamaged = 4, kInDataField = 5;

// Dumps the store over the previous store's dump; returns the outcome and what the file holds.
std::pair<Result<DumpDamage>, std::string> Dump(const std::string& storeBytes, const TempDir& dir = TempDir()) {
    const std::string dump = dir.Write("outlook_temp.mbx", "the previous store's dump");
    Result<DumpDamage> outcome = DumpDbxToText(dir.Write("Inbox.dbx", storeBytes), dump, dump);
    return {std::move(outcome), ReadFileBytes(dump)};
}

std::string Marker(std::size_t message) { return "___Message___ : " + std::to_string(message) + "\r\n"; }

// The dump holds each expected message's marker, on a line of its own, and its text up to
// its first NUL; a problem is reported, or none.
void ExpectDump(const std::string& storeBytes, const Messages& expected, bool problem, const std::string& what,
                const TempDir& dir = TempDir()) {
    std::string expectedDump;
    for (const auto& [number, text] : expected) {
        if (!expectedDump.empty() && expectedDump.back() != '\n') expectedDump += "\r\n";
        expectedDump += Marker(number) + text.substr(0, text.find('\0'));
    }
    const auto [outcome, dump] = Dump(storeBytes, dir);
    ASSERT_TRUE(outcome.Ok()) << what;
    EXPECT_EQ(outcome.Value().has_value(), problem) << what << ": " << outcome.Value().value_or("");
    EXPECT_TRUE(dump == expectedDump) << what;  // no diff of megabytes
}

// Two blocks long, so that a chain can break after its first block.
std::string Text(std::size_t i) {
    std::string text = "From: Person " + std::to_string(i) + " <person" + std::to_string(i) + "@example.com>\r\n";
    while (text.size() < 700) text += "> quoted line of an earlier message\r\n";
    return text;
}

// Message i's text grows by i * growth bytes, up to 9,000.
Messages Texts(std::size_t count, std::size_t growth = 0) {
    Messages messages;
    for (std::size_t i = 0; i < count; ++i)
        messages.emplace_back(i, Text(i).append(i * growth % 9000, static_cast<char>('a' + i % 26)));
    return messages;
}

// Every second text position lies in the data field.
DbxStoreImage StoreOf(const Messages& messages, std::size_t entriesPerNode = kNodeMaxEntries) {
    DbxStoreBuilder builder = DbxStoreBuilder().EntriesPerNode(entriesPerNode);
    for (const auto& [i, text] : messages)
        builder.AddMessage(text, i % 2 ? TextPositionStorage::DataField : TextPositionStorage::Direct);
    return builder.Build();
}

// Stores without messages and files of other kinds leave the file empty.
TEST(DbxDump, SoundStoresAreDumpedWholeInTreeOrder) {
    Messages blockEdges;
    for (const std::size_t length : {0u, 0x1FFu, 0x200u, 0x201u, 5000u})
        blockEdges.emplace_back(blockEdges.size(), std::string(length, static_cast<char>('a' + length % 26)));
    // The marker counts tree positions, so a message without text leaves a gap; a NUL ends
    // a text early; a text without a final line end is ended before the next marker.
    const std::string withNul = std::string("From: a@example.com\r\n") + '\0' + "Cc: hidden@example.com\r\n";
    const Messages gaps = {{0, "From: b@example.com\r\n"}, {2, withNul}, {3, "From: c@example.com\r\n\r\nno end"}, {4, "x"}};
    const DbxStoreImage gapStore = DbxStoreBuilder().AddMessage(gaps[0].second).AddMessageWithoutText()
        .AddMessage(gaps[1].second).AddMessage(gaps[2].second).AddMessage(gaps[3].second).Build();
    const struct { const char* name; DbxStoreImage store; Messages expected; } cases[] = {
        {"header alone", DbxStoreBuilder().Build(), {}},
        {"folder list", DbxStoreBuilder().Kind(kFolderListKind).AddMessage(Text(0)).Build(), {}},
        {"other kind", DbxStoreBuilder().Kind(0x6F74FDC7).AddMessage(Text(0)).Build(), {}},
        {"one entry per node", StoreOf(Texts(9), 1), Texts(9)},
        {"two levels of full nodes", StoreOf(Texts(200)), Texts(200)},
        {"one full node", StoreOf(Texts(51)), Texts(51)},
        // Megabytes, so that reads cross the reader's page edges and outgrow its cache.
        {"large", StoreOf(Texts(600, 37)), Texts(600, 37)},
        {"texts around the block size", StoreOf(blockEdges), blockEdges},
        {"gaps, NULs and missing line ends", gapStore, gaps},
    };
    for (const auto& c : cases) ExpectDump(c.store.bytes, c.expected, false, c.name);
    EXPECT_FALSE(DumpDbxToText("no-such-folder/missing.dbx", "no-such-folder/dump", "no-such-folder/dump").Ok());
}

std::uint32_t PastTheEnd(const DbxStoreImage& store) { return static_cast<std::uint32_t>(store.bytes.size() + 0x40); }

// What a damaged store still gives: the messages before end but the lost one; if cut, the
// damaged one only to the last complete line of its first block.
Messages Kept(std::size_t end, std::size_t lost = kMessages, bool cut = false) {
    Messages kept;
    for (std::size_t i = 0; i < end; ++i)
        if (i != lost) kept.emplace_back(i, Text(i));
    if (cut) kept[kDamaged].second.resize(kept[kDamaged].second.rfind('\n', kBlockBodySize - 1) + 1);
    return kept;
}

// Each kind of damage is reported and what is sound is dumped; some changes are no damage.
TEST(DbxDamage, EachKindDumpsWhatIsSoundAndReportsTheRest) {
    const DbxStoreImage sound = StoreOf(Texts(kMessages), 2);
    const DbxNodeLayout* deepest = &sound.nodes.front();  // the last one: messages lie before and after it
    for (const DbxNodeLayout& node : sound.nodes)
        if (node.depth >= deepest->depth) deepest = &node;
    const DbxNodeLayout leaf = *deepest;
    ASSERT_TRUE(leaf.depth >= 2 && leaf.firstValue > kDamaged && leaf.firstValue + leaf.entryCount < kMessages);
    const std::uint32_t root = sound.nodes[0].position, headChild = leaf.position + kNodeHeadChildAt,
                        lastEntryChild = leaf.position + NodeEntryChildAt(leaf.entryCount - 1);
    const std::uint32_t info = sound.infos[kDamaged], first = sound.textBlocks[kDamaged][0],
                        second = sound.textBlocks[kDamaged][1];

    const Messages none, firstFive = Kept(5), beforeLeaf = Kept(leaf.firstValue), all = Kept(kMessages),
        throughLeaf = Kept(leaf.firstValue + leaf.entryCount), allButDamaged = Kept(kMessages, kDamaged),
        allButInDataField = Kept(kMessages, kInDataField), cutToLines = Kept(kMessages, kMessages, true);
    struct Case { const char* name; std::function<void(DbxStoreImage&)> damage; Messages kept; bool reported = true; };
    const Case cases[] = {
        {"count 0", [](auto& s) { s.SetMessageCount(0); }, none, false},
        {"root 0", [](auto& s) { s.SetTreeRoot(0); }, none, false},
        {"count below the tree", [](auto& s) { s.SetMessageCount(5); }, firstFive, false},
        // A node needs only its head and its used entries, a block only its head and its
        // used bytes: a store whose last object is cut just after them has lost nothing.
        {"cut after the used entries of the root", [&](auto& s) {
             s.SetTreeRoot(s.CopyToEnd(root, kNodeSize));
             s.bytes.resize(s.bytes.size() - (kNodeMaxEntries - s.nodes[0].entryCount) * 12);
         }, all, false},
        {"cut after the used bytes of a block", [&](auto& s) {
             const std::uint32_t block = s.CopyToEnd(second, kBlockSize);
             s.SetWord(first + kBlockNextAt, block);
             s.bytes.resize(block + 16 + Text(kDamaged).size() - kBlockBodySize);
         }, all, false},
        {"not a store", [](auto& s) { s.SetWord(0, 0); }, none},
        {"root past the end", [](auto& s) { s.SetTreeRoot(PastTheEnd(s)); }, none},
        {"root with a wrong marker", [&](auto& s) { s.BreakMarker(root); }, none},
        {"root inside the header", [](auto& s) { s.SetTreeRoot(0x30); }, none},
        {"child node with a wrong marker", [&](auto& s) { s.BreakMarker(leaf.position); }, beforeLeaf},
        {"child pointer past the end", [&](auto& s) { s.SetWord(headChild, PastTheEnd(s)); }, beforeLeaf},
        {"head child pointing back to its parent", [&](auto& s) { s.SetWord(headChild, leaf.parent); }, beforeLeaf},
        {"entry child pointing back to the root", [&](auto& s) { s.SetWord(lastEntryChild, root); }, throughLeaf},
        {"entry count over 0x33", [&](auto& s) { s.SetByte(leaf.position + kNodeEntryCountAt, 0x34); }, all},
        {"root entry count over 0x33", [&](auto& s) { s.SetByte(root + kNodeEntryCountAt, 0xFF); }, all},
        {"count far larger than the tree", [](auto& s) { s.SetMessageCount(0xFFFFFFFF); }, all},
        {"info record past the end", [](auto& s) { s.SetWord(s.valueSlots[kDamaged], PastTheEnd(s)); }, allButDamaged},
        {"info record with a wrong marker", [&](auto& s) { s.BreakMarker(info); }, allButDamaged},
        {"info body past the end", [&](auto& s) { s.SetWord(info + kInfoBodyLengthAt, 0xFFFFFF00); }, allButDamaged},
        {"index field longer than the body", [&](auto& s) { s.SetByte(info + kInfoEntryCountAt, 0xFF); }, allButDamaged},
        {"text position past the end", [](auto& s) { s.SetTextPosition(kDamaged, PastTheEnd(s)); }, allButDamaged},
        {"text position outside the info record",  // the body holds the index field alone
         [](auto& s) { s.SetWord(s.infos[kInDataField] + kInfoBodyLengthAt, 16); }, allButInDataField},
        {"direct text position, the body holding the index field alone",
         [&](auto& s) { s.SetWord(info + kInfoBodyLengthAt, 16); }, all, false},
        {"first block with a wrong marker", [&](auto& s) { s.BreakMarker(first); }, allButDamaged},
        {"second block with a wrong marker", [&](auto& s) { s.BreakMarker(second); }, cutToLines},
        {"next block past the end", [&](auto& s) { s.SetWord(first + kBlockNextAt, PastTheEnd(s)); }, cutToLines},
        {"block used past its body", [&](auto& s) { s.SetWord(second + kBlockUsedAt, kBlockBodySize + 1); }, cutToLines},
        {"block claiming a body larger than a block's", [&](auto& s) {
             s.SetWord(second + kBlockBodyLengthAt, 0xFFFFFFFF);
             s.SetWord(second + kBlockUsedAt, 4 * kBlockSize);
         }, cutToLines},
        {"block chain looping", [](auto& s) { s.LoopTextChain(kDamaged); }, all},
    };
    for (const Case& c : cases) {
        DbxStoreImage store = sound;
        c.damage(store);
        ExpectDump(store.bytes, c.kept, c.reported, c.name);
    }
}

// One line tells a store's damage: its first problem, and how many more there are.
TEST(DbxDamage, TheLineNamesTheFirstProblemAndCountsTheOthers) {
    for (const std::size_t broken : {2u, 3u}) {
        DbxStoreImage store = StoreOf(Texts(kMessages), 2);
        for (std::size_t i = 0; i < broken; ++i) store.BreakMarker(store.infos[i]);
        const auto [outcome, dump] = Dump(store.bytes);
        ASSERT_TRUE(outcome.Ok());
        std::ostringstream expected;
        expected << "message 0: info record at 0x" << std::hex << store.infos[0] << " has a wrong marker (and "
                 << (broken == 2 ? "1 more problem)" : "2 more problems)");
        EXPECT_EQ(outcome.Value().value_or(""), expected.str());
    }
}

// A tree that lists one large message over and over would make the dump grow with the
// square of the store; reading stops once the store has been read twice over.
TEST(DbxDamage, ATreeRepeatingOneMessageCannotBlowUpTheDump) {
    DbxStoreBuilder builder = DbxStoreBuilder().AddMessage(std::string(100 * 1024, 'x'));
    for (int i = 0; i < 400; ++i) builder.AddMessage("From: a@example.com\r\n");
    DbxStoreImage store = builder.Build();
    for (const std::uint32_t slot : store.valueSlots) store.SetWord(slot, store.infos[0]);

    const auto [outcome, dump] = Dump(store.bytes);
    ASSERT_TRUE(outcome.Ok());
    EXPECT_NE(outcome.Value().value_or("").find("again and again"), std::string::npos) << outcome.Value().value_or("");
    EXPECT_TRUE(dump.starts_with(Marker(0) + std::string(100 * 1024, 'x') + "\r\n" + Marker(1)));
    EXPECT_LE(dump.size(), 2 * store.bytes.size() + 64 * 1024);
}

// Cut short anywhere: in the header, among the tree nodes (before every info record) or
// among the messages, where exactly the messages whose records lie wholly before the cut
// are dumped.
TEST(DbxDamage, CutShortAnywhereDumpsTheMessagesBeforeTheCut) {
    DbxStoreBuilder builder = DbxStoreBuilder().EntriesPerNode(3);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < 30; ++i) {
        texts.push_back(i % 7 == 3 ? "" : Text(i).substr(0, 100 + 97 * i));
        texts.back().empty() ? builder.AddMessageWithoutText() : builder.AddMessage(texts.back());
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
        Messages expected;
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (recordEnd(i) <= cut && !store.textBlocks[i].empty()) expected.emplace_back(i, texts[i]);
        ExpectDump(store.CutAt(cut), expected, true, "cut at " + std::to_string(cut), dir);
    }
}

#ifndef _WIN32  // Windows has no file-size limit to stand in for a full disk
// A disk that fills up stops the dump part-way: the file holds the complete lines written
// before, never the tail of the previous store's longer dump behind them.
TEST(DbxDump, ADumpCutShortByAFullDiskKeepsOnlyItsOwnCompleteLines) {
    const TempDir dir;
    const std::string store =
        dir.Write("Inbox.dbx", DbxStoreBuilder().AddMessage("From: a@example.com\r\n").Build().bytes);
    const struct { rlim_t limit; const char* kept; } cases[] = {
        {20, "___Message___ : 0\r\n"},  // cut in its second line
        {5, ""},                         // cut in its first line
    };
    for (const auto& c : cases) {
        const std::string dump = dir.Write("outlook_temp.mbx", std::string(1000, '#'));
        const Result<DumpDamage> outcome = [&] {
            const FileSizeLimit limit(c.limit);
            return DumpDbxToText(store, dump, dump);
        }();
        ASSERT_TRUE(outcome.Ok());
        EXPECT_NE(outcome.Value().value_or("").find(" could not be written in full: File too large"), std::string::npos);
        EXPECT_EQ(ReadFileBytes(dump), c.kept) << c.limit;
    }
}
#endif

// TEMP lies in the user's profile, named José or Иван as often as not; relative, the
// dump is still written where the path leads and the report names it in full.
TEST(DbxDump, DumpsIntoFoldersWithNonAsciiNames) {
    const TempDir dir;
    const std::string store = dir.Write("Inbox.dbx", StoreOf(Texts(2)).bytes);
    const std::string dump = dir.Write("tmp-é/Иван/outlook_temp.mbx", "");
    const std::string before = PathText(std::filesystem::current_path());
    std::filesystem::current_path(NativePath(PathText(dir.path()) + "/tmp-é"));
    const Result<DumpDamage> relative = DumpDbxToText(store, "Иван/outlook_temp.mbx", "Иван/outlook_temp.mbx");
    std::filesystem::current_path(NativePath(before));
    EXPECT_TRUE(relative.Ok());
    const Result<DumpDamage> absolute = DumpDbxToText(store, dump, dump);
    EXPECT_TRUE(absolute.Ok() && !absolute.Value());
    EXPECT_NE(ReadFileBytes(NativePath(dump)).find("person1@example.com"), std::string::npos);
    const Result<DumpDamage> missing = DumpDbxToText(store, "Ид/outlook_temp.mbx", "Ид/outlook_temp.mbx");
    ASSERT_FALSE(missing.Ok());
    EXPECT_NE(missing.Error().Text().find(AbsolutePath("Ид/outlook_temp.mbx")), std::string::npos) << missing.Error().Text();
}

}  // namespace
}  // namespace mirelo::testing
