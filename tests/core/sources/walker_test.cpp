#include "sources/walker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/path_parts.h"
#include "sources/store_detection.h"
#include "support/file_size_limit.h"
#include "support/recording_observer.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

namespace fs = std::filesystem;

class FolderWalkTest : public ::testing::Test {
protected:
    std::string Root() const { return folder.path().string() + kPathSeparator; }

    // The stores found, relative to the root, in walk order.
    std::vector<std::string> Walk(const std::string& path, StoreKind kind = StoreKind::Eudora) {
        std::vector<std::string> visited;
        for (const FoundStore& store : ListStoreFiles(path, kind, observer)) {
            visited.push_back(store.path.substr(Root().size()));
            std::replace(visited.back().begin(), visited.back().end(), kPathSeparator, '/');
        }
        return visited;
    }

    testing::TempDir folder;
    testing::RecordingObserver observer;
};

TEST_F(FolderWalkTest, TakesStoresByExtensionAndTheTrashRuleIgnoringCaseDepthFirstTillStopped) {
    const std::string longName(120, 'n');  // paths past the old limit of 260 work in full
    const std::string longPath = longName + "/" + longName + "/" + longName + "/In.mbx";
    for (const std::string name : {"In.mbx", "IN2.MBX", "in3.Mbx", "Trash.mbx", "TRASH.MBX", "Trash2.mbx", "In.mbx.old",
                                   "In.txt", ".hidden.mbx", ".dot/Out.mbx", "Archive.mbx/Old.mbx", "a/b/c/d/Deep.mbx",
                                   "a/1.mbx", "a/x/2.mbx", "b/3.mbx", "b/y/z/4.mbx", "Store.dbx", longPath.c_str()})
        folder.Write(name, "");
    fs::create_directory(folder.path() / "empty");
    std::vector<std::string> expected = {"Archive.mbx/Old.mbx", "IN2.MBX", "In.mbx", "Trash2.mbx", "a/1.mbx",
                                         "a/b/c/d/Deep.mbx", "a/x/2.mbx", "b/3.mbx", "b/y/z/4.mbx", "in3.Mbx", longPath};
#ifndef _WIN32  // only plain files are stores, also through a link
    ASSERT_EQ(mkfifo((folder.path() / "Pipe.mbx").c_str(), 0600), 0);
    fs::create_symlink(folder.path() / "In.mbx", folder.path() / "Link.mbx");
    fs::create_symlink(folder.path() / "missing", folder.path() / "Broken.mbx");
    expected.insert(expected.begin() + 3, "Link.mbx");
#endif
    const std::vector<std::string> visited = Walk(Root());
    EXPECT_EQ(std::multiset(visited.begin(), visited.end()), std::multiset(expected.begin(), expected.end()));
    EXPECT_EQ(Walk(Root(), StoreKind::Outlook), std::vector<std::string>{"Store.dbx"});
    EXPECT_EQ(Walk(Root() + "a"), visited);  // a path without a trailing separator denotes its parent
    EXPECT_TRUE(observer.problems.empty());
    // Depth first: the stores of one folder's subtree are visited in one run.
    for (const std::string prefix : {"a/", "a/x/", "b/", "b/y/"}) {
        int runs = 0;
        for (std::size_t i = 0; i < visited.size(); ++i)
            runs += visited[i].starts_with(prefix) && (i == 0 || !visited[i - 1].starts_with(prefix));
        EXPECT_EQ(runs, 1) << prefix;
    }
    observer.stopAfterStores = 3;  // asked before each folder is listed: the walk ends in the third, a/b
    EXPECT_EQ(Walk(Root()), std::vector<std::string>{"a/1.mbx"});
}

TEST_F(FolderWalkTest, AFolderLinkBackIntoTheTreeIsWalkedOnce) {
    folder.Write("Mail/In.mbx", "");
    folder.Write("Mail/Sub/Out.mbx", "");
    if (!testing::MakeLink(Root() + "Mail", Root() + testing::Native("Mail/Sub/Loop"), true) ||
        !testing::MakeLink(Root() + testing::Native("Mail/Sub"), Root() + "Again", true))
        GTEST_SKIP() << "folder links cannot be made here";
    std::map<std::string, int> byName;
    for (const std::string& path : Walk(Root())) ++byName[fs::path(path).filename().string()];
    EXPECT_EQ(byName, (std::map<std::string, int>{{"In.mbx", 1}, {"Out.mbx", 1}}));
}

#ifndef _WIN32
// Folders are read and closed before the walk goes down, so the depth of a tree is not
// bounded by how many files may be open at once.
TEST_F(FolderWalkTest, ATreeDeeperThanTheOpenFileLimitIsWalkedToTheBottom) {
    std::string deep;
    for (int level = 0; level < 100; ++level) deep += "d/";
    folder.Write(deep + "Deep.mbx", "");
    const auto visited = [&] { const testing::ResourceLimit files(RLIMIT_NOFILE, 64); return Walk(Root()); }();
    EXPECT_EQ(visited, std::vector<std::string>{deep + "Deep.mbx"});
}
#endif

TEST_F(FolderWalkTest, AVisitorThatStopsEndsTheWholeWalk) {
    for (const std::string name : {"A/In.mbx", "B/In.mbx", "Top.mbx"}) folder.Write(name, "");
    struct Stopper : WalkVisitor {
        WalkDecision Visit(const std::string&, const FolderEntry& entry) override {
            if (entry.folder) return WalkDecision::Continue;
            ++files;
            return WalkDecision::Stop;
        }
        int files = 0;
    } stopper;
    EXPECT_FALSE(WalkFolders(Root(), stopper, observer));
    EXPECT_EQ(stopper.files, 1);
}

}  // namespace
}  // namespace mirelo
