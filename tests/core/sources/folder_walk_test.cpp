#include "sources/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "export/record_order.h"
#include "scan/native_path.h"
#include "sources/extraction.h"
#include "sources/path_parts.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
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
    void ShowStatus(const std::string& text) override {
        if (onStatus) onStatus(text);
    }
    void KeepAlive() override {}
    void ReportProblem(const std::string& path, const std::string& reason) override { problems[path] = reason; }
    void ReportNothingRead(const std::string&) override {}
    bool StopRequested() override { return ++storesRead == stopAfterStores; }

    std::function<void(const std::string&)> onStatus;
    std::map<std::string, std::string> problems;
    std::atomic<int> storesRead = 0;  // asked by the reading threads too
    int stopAfterStores = 0;  // 0: never
};

std::string MailboxFrom(const std::string& who) { return "From: " + who + " <" + who + "@mailhost>\r\n"; }

std::set<std::string> EmailsOf(const AddressList& list) {
    std::set<std::string> emails;
    for (int i = 0; i < list.Count(); ++i) emails.insert(std::string(list.Email(*list.At(i))));
    return emails;
}

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

    void Extract(unsigned workers = DefaultWorkerCount()) {
        ExtractAddresses(MailSource::Eudora, Root(), list, observer, {workers});
    }

    TempDir folder;
    AddressList list;
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
    fs::create_directory(folder.path() / "empty");
    const std::vector<std::string> visited = Walk(Root());
    ASSERT_EQ(visited.size(), 6u);
    EXPECT_TRUE(observer.problems.empty());
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

#endif

TEST_F(FolderWalkTest, UnreadableFoldersAndMailboxesAreReportedAndSkipped) {
    if (const std::string why = testing::WhyPermissionBitsDoNotApply(); !why.empty()) GTEST_SKIP() << why;
    folder.Write("Closed/In.mbx", MailboxFrom("hidden"));
    folder.Write("Open/In.mbx", MailboxFrom("kept"));
    fs::permissions(folder.Write("Closed.mbx", MailboxFrom("closed")), fs::perms::none);
    fs::permissions(folder.path() / "Closed", fs::perms::none);
    Extract();
    EXPECT_EQ(EmailsOf(list), std::set<std::string>{"kept@mailhost"});
    EXPECT_EQ(observer.problems.size(), 2u);
    EXPECT_EQ(observer.problems.count(Root() + "Closed/"), 1u);
    EXPECT_NE(observer.problems[Root() + "Closed.mbx"].find("Permission denied"), std::string::npos);
}

TEST_F(FolderWalkTest, AMailboxThatVanishesBeforeItIsReadIsReported) {
    folder.Write("Kept.mbx", MailboxFrom("kept"));
    folder.Write("Sub/Gone.mbx", MailboxFrom("gone"));
    folder.Write("Sub/Also.mbx", MailboxFrom("also"));
    // Read on the calling thread, the status line names each mailbox just before it is read.
    observer.onStatus = [&](const std::string& shown) {
        if (shown.find("Gone") != std::string::npos) fs::remove(Root() + shown);
    };
    Extract(1);
    EXPECT_EQ(EmailsOf(list), (std::set<std::string>{"kept@mailhost", "also@mailhost"}));
    ASSERT_EQ(observer.problems.size(), 1u);
    EXPECT_EQ(observer.problems.count(Root() + testing::Native("Sub/Gone.mbx")), 1u);
    EXPECT_NE(observer.problems.begin()->second.find("No such file"), std::string::npos);
}

// Stores read at once, finishing in any order, give the list of one thread.
TEST_F(FolderWalkTest, AnyNumberOfWorkersGivesTheSameListAndCsv) {
    std::mt19937 random(11);
    for (int box = 0; box < 24; ++box) {
        std::string text;
        for (auto messages = random() % (box % 4 == 0 ? 2000 : 50); messages > 0; --messages)
            text += MailboxFrom("user" + std::to_string(random() % 90)) + "To: Pal <PAL" + std::to_string(random() % 40) +
                    "@mailhost>\r\n\r\n";
        folder.Write("f" + std::to_string(box % 3) + "/Box" + std::to_string(box) + ".mbx", text);
    }
    std::vector<std::string> results;
    for (const unsigned workers : {1u, 2u, 8u}) {
        Extract(workers);
        OrderExtractionResult(list, Root());
        std::string result;
        for (int i = 0; i < list.Count(); ++i) {
            const AddressRecord& r = *list.At(i);
            result.append(list.Email(r)).append(list.Name(r)).append(list.Mailbox(r)) += std::to_string(r.duplicate);
        }
        results.push_back(result);
    }
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
}

// Every other folder is removed when the first mailbox is read, before the walk reaches
// it; the listing it was found in may still name it.
TEST_F(FolderWalkTest, FoldersThatVanishMidWalkAreSkipped) {
    const std::vector<std::string> folders = {"A", "B", "C", "D"};
    for (const std::string& name : folders) folder.Write(name + "/In.mbx", "");
    folder.Write("Top.mbx", "");
    std::set<std::string> removed;
    std::vector<std::string> visited;
    WalkFolderForStores(Root(), ".mbx", observer, [&](const std::string& store) {
        ASSERT_TRUE(fs::exists(store)) << store;
        visited.push_back(store.substr(Root().size()));
        if (!removed.empty()) return;
        for (const std::string& name : folders) {
            if (store.rfind(Root() + name + kPathSeparator, 0) == 0) continue;
            fs::remove_all(Root() + name);
            removed.insert(Root() + name + kPathSeparator);
        }
    });
    ASSERT_FALSE(removed.empty());
    EXPECT_EQ(std::count(visited.begin(), visited.end(), "Top.mbx"), 1);
    EXPECT_LE(visited.size(), 2u);  // Top.mbx and, if it came first, one folder's
    for (const auto& [path, reason] : observer.problems) EXPECT_EQ(removed.count(path), 1u) << path << ": " << reason;
}

#ifndef _WIN32
// A chain of folders made one level at a time, so that it may reach past the length of a
// path the system accepts; removed the same way, which removing by full paths cannot.
class DeepFolders {
public:
    DeepFolders(const fs::path& base, const std::string& name, int depth) : name_(name) {
        std::string path = base.string() + "/";
        levels_.push_back({open(base.c_str(), O_RDONLY | O_DIRECTORY), path});
        for (int i = 0; i < depth; ++i) {
            const int parent = levels_.back().fd;
            EXPECT_EQ(mkdirat(parent, name.c_str(), 0700), 0);
            path += name + "/";
            levels_.push_back({openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY), path});
        }
    }
    ~DeepFolders() {
        for (std::size_t i = levels_.size(); i-- > 0;) {
            unlinkat(levels_[i].fd, kMailbox, 0);
            close(levels_[i].fd);
            if (i > 0) unlinkat(levels_[i - 1].fd, name_.c_str(), AT_REMOVEDIR);
        }
    }

    // Writes the same mailbox into every level; returns each level's folder path.
    std::vector<std::string> WriteMailboxes(const std::string& text) const {
        std::vector<std::string> folders;
        for (const Level& level : levels_) {
            const int fd = openat(level.fd, kMailbox, O_WRONLY | O_CREAT | O_TRUNC, 0600);
            EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
            close(fd);
            folders.push_back(level.path);
        }
        return folders;
    }

    static constexpr const char* kMailbox = "In.mbx";

private:
    struct Level {
        int fd;
        std::string path;
    };
    std::string name_;
    std::vector<Level> levels_;
};

// Paths of 4,000 bytes and more work in full; past the system's limit a folder or mailbox
// is reported, and everything above it is still read.
TEST(FolderWalkDepth, PathsUpToTheSystemLimitWorkAndLongerOnesAreReported) {
    const TempDir folder;
    const DeepFolders deep(folder.path(), std::string(50, 'd'), 90);
    std::set<std::string> expectedLabels;
    std::set<std::string> expectedProblems;
    for (const std::string& path : deep.WriteMailboxes(MailboxFrom("deep"))) {
        if (path.size() >= PATH_MAX) {
            expectedProblems.insert(path);  // the walk goes no deeper
            break;
        }
        const std::string mailbox = path + DeepFolders::kMailbox;
        (mailbox.size() < PATH_MAX ? expectedLabels : expectedProblems).insert(mailbox);
    }
    ASSERT_GT(std::prev(expectedLabels.end())->size(), 4000u);  // the longest sorts last: one name repeated
    AddressList list;
    RecordingObserver log;
    ExtractAddresses(MailSource::Eudora, folder.path().string() + "/", list, log);

    std::set<std::string> labels;
    for (int i = 0; i < list.Count(); ++i) labels.insert(std::string(list.Mailbox(*list.At(i))));
    EXPECT_EQ(labels, expectedLabels);
    std::set<std::string> problems;
    for (const auto& [path, reason] : log.problems) problems.insert(path);
    EXPECT_EQ(problems, expectedProblems);
}
#endif

}  // namespace
}  // namespace mirelo
