#include <gtest/gtest.h>

#include "core/dbx/dump_helpers.h"
#include "store_writer/dbx_writer.h"

namespace mirelo::testing {
namespace {

std::string MessageText(std::size_t i) {
    return "From: Sender " + std::to_string(i) + " <sender" + std::to_string(i) +
           "@example.com>\r\nTo: ruth@example.org\r\nSubject: note\r\n\r\nBody of message " + std::to_string(i) +
           ".\r\n";
}

TEST(DbxDump, WritesEveryMessageWithItsMarkerAndNothingElse) {
    const DbxStoreImage store =
        DbxStoreBuilder().AddMessage(MessageText(0)).AddMessage(MessageText(1)).AddMessage(MessageText(2)).Build();
    const DumpResult result = DumpStoreBytes(store.bytes);
    EXPECT_TRUE(result.outcome.written);
    EXPECT_EQ(result.outcome.problem, "");
    EXPECT_EQ(result.text, Marker(0) + MessageText(0) + Marker(1) + MessageText(1) + Marker(2) + MessageText(2));
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

}  // namespace
}  // namespace mirelo::testing
