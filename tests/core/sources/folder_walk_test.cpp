#include "sources/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "scan/native_path.h"
#include "sources/path_parts.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mirelo {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

class RecordingObserver : public ExtractionObserver {
public:
    void ShowStatus(const std::string&) override {}
    void KeepAlive() override {}
    void ReportProblem(const std::string& path, const std::string&) override { problems.push_back(path); }
    void ReportNothingRead(const std::string&) override {}
    bool StopRequested() override { return ++storesRead == stopAfterStores; }

    std::vector<std::string> problems;
    int storesRead = 0;
    int stopAfterStores = 0;  // 0: never
};

class FolderWalkTest : public ::testing::Test {
protected:
    std::string Root() const { return folder.path().string() + kPathSeparator; }

    // The visited stores, relative to the root, in visiting order.
    std::vector<std::string> Walk(const std::string& path, std::string_view extension = ".mbx") {
        std::vector<std::string> visited;
        WalkFolderForStores(path, extension, observer, [&](const std::string& store) {
            visited.push_back(store.substr(Root().size()));
            std::replace(visited.back().begin(), visited.back().end(), kPathSeparator, '/');
        });
        return visited;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    TempDir folder;
    RecordingObserver observer;
};

TEST_F(FolderWalkTest, AcceptsMailboxesByExtensionAndTheTrashRuleIgnoringCase) {
    for (const char* name : {"In.mbx", "IN2.MBX", "in3.Mbx", "Trash.mbx", "TRASH.MBX", "Trash2.mbx", "In.mbx.old",
                             "In.txt", ".hidden.mbx", ".dot/Out.mbx", "Archive.mbx/Old.mbx", "a/b/c/d/Deep.mbx",
                             "Store.dbx"})
        folder.Write(name, "");
    EXPECT_EQ(Sorted(Walk(Root())), (std::vector<std::string>{"Archive.mbx/Old.mbx", "IN2.MBX", "In.mbx",
                                                                "Trash2.mbx", "a/b/c/d/Deep.mbx", "in3.Mbx"}));
    EXPECT_EQ(Sorted(Walk(Root(), ".dbx")), std::vector<std::string>{"Store.dbx"});
}

TEST_F(FolderWalkTest, WalksEachSubfolderWhereItsEntryIsMet) {
    for (const char* name : {"a/1.mbx", "a/x/2.mbx", "a/x/3.mbx", "b/4.mbx", "b/y/z/5.mbx", "6.mbx"}) folder.Write(name, "");
    const std::vector<std::string> visited = Walk(Root());
    ASSERT_EQ(visited.size(), 6u);
    // Depth first: the stores of one folder's subtree are visited in one run.
    for (const std::string prefix : {"a/", "a/x/", "b/", "b/y/"}) {
        std::vector<bool> inside;
        for (const std::string& path : visited) inside.push_back(path.rfind(prefix, 0) == 0);
        const auto first = std::find(inside.begin(), inside.end(), true);
        const auto last = std::find(inside.rbegin(), inside.rend(), true).base();
        EXPECT_TRUE(std::all_of(first, last, [](bool b) { return b; })) << prefix;
    }
}

TEST_F(FolderWalkTest, APathWithoutTrailingSeparatorDenotesItsParent) {
    for (const char* name : {"Identities/Main/Inbox.dbx", "Other/Old.dbx", "Loose.dbx"}) folder.Write(name, "");
    EXPECT_EQ(Sorted(Walk(Root() + "Identities", ".dbx")),
              (std::vector<std::string>{"Identities/Main/Inbox.dbx", "Loose.dbx", "Other/Old.dbx"}));
}

TEST_F(FolderWalkTest, StopsAfterTheStoreBeingRead) {
    for (const char* name : {"1.mbx", "2.mbx", "3.mbx"}) folder.Write(name, "");
    observer.stopAfterStores = 2;
    int visited = 0;
    EXPECT_FALSE(WalkFolderForStores(Root(), ".mbx", observer, [&](const std::string&) { ++visited; }));
    EXPECT_EQ(visited, 2);
}

TEST_F(FolderWalkTest, PathsLongerThanTheOldLimitWorkInFull) {
    const std::string longName(120, 'n');
    const std::string relative = longName + "/" + longName + "/" + longName + "/In.mbx";
    folder.Write(relative, "");
    EXPECT_EQ(Walk(Root()), std::vector<std::string>{relative});
}

// MinGW's std::filesystem makes no links; Windows' own call does.
bool MakeFolderLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
    return CreateSymbolicLinkW(NativePath(link).c_str(), NativePath(target).c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
#else
    std::error_code error;
    fs::create_directory_symlink(target, link, error);
    return !error;
#endif
}

TEST_F(FolderWalkTest, AFolderLinkBackIntoTheTreeIsWalkedOnce) {
    folder.Write("Mail/In.mbx", "");
    folder.Write("Mail/Sub/Out.mbx", "");
    if (!MakeFolderLink(Root() + "Mail", Root() + testing::Native("Mail/Sub/Loop")) ||
        !MakeFolderLink(Root() + testing::Native("Mail/Sub"), Root() + "Again"))
        GTEST_SKIP() << "folder links cannot be made here";
    const std::vector<std::string> visited = Walk(Root());
    std::map<std::string, int> byName;
    for (const std::string& path : visited) ++byName[fs::path(path).filename().string()];
    EXPECT_EQ(byName, (std::map<std::string, int>{{"In.mbx", 1}, {"Out.mbx", 1}}));
}

#ifndef _WIN32

TEST_F(FolderWalkTest, OnlyPlainFilesAreStores) {
    folder.Write("In.mbx", "");
    ASSERT_EQ(mkfifo((folder.path() / "Pipe.mbx").c_str(), 0600), 0);
    fs::create_symlink(folder.path() / "In.mbx", folder.path() / "Link.mbx");
    fs::create_symlink(folder.path() / "missing", folder.path() / "Broken.mbx");
    EXPECT_EQ(Sorted(Walk(Root())), (std::vector<std::string>{"In.mbx", "Link.mbx"}));
}

// Folders are read and closed before the walk goes down, so the depth of a tree is not
// bounded by how many files may be open at once.
TEST_F(FolderWalkTest, ATreeDeeperThanTheOpenFileLimitIsWalkedToTheBottom) {
    std::string deep;
    for (int level = 0; level < 100; ++level) deep += "d/";
    folder.Write(deep + "Deep.mbx", "");
    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &original), 0);
    rlimit low = original;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    const std::vector<std::string> visited = Walk(Root());
    setrlimit(RLIMIT_NOFILE, &original);
    EXPECT_EQ(visited, std::vector<std::string>{deep + "Deep.mbx"});
}

TEST_F(FolderWalkTest, AnUnreadableFolderIsReportedAndSkipped) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    folder.Write("Closed/In.mbx", "");
    folder.Write("Open/In.mbx", "");
    fs::permissions(folder.path() / "Closed", fs::perms::none);
    EXPECT_EQ(Walk(Root()), std::vector<std::string>{"Open/In.mbx"});
    EXPECT_EQ(observer.problems, std::vector<std::string>{Root() + "Closed/"});
}
#endif

}  // namespace
}  // namespace mirelo
