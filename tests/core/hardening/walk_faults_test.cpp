// Folders and mailboxes that vanish, cannot be read or lie deeper than the system's path
// limit, met in the middle of an extraction: each is reported and the walk goes on.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sources/extraction.h"
#include "sources/folder_walk.h"
#include "sources/path_parts.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

class ProblemLog : public ExtractionObserver {
public:
    void ShowStatus(const std::string& text) override {
        if (onStatus) onStatus(text);
    }
    void KeepAlive() override {}
    void ReportProblem(const std::string& path, const std::string& reason) override { problems[path] = reason; }
    void ReportNothingRead(const std::string&) override {}

    std::function<void(const std::string&)> onStatus;
    std::map<std::string, std::string> problems;
};

std::string MailboxFrom(const std::string& who) { return "From: " + who + " <" + who + "@mailhost>\r\n"; }

std::set<std::string> EmailsOf(const AddressList& list) {
    std::set<std::string> emails;
    for (int i = 0; i < list.Count(); ++i) emails.insert(list.At(i)->email);
    return emails;
}

[[maybe_unused]] std::set<std::string> LabelsOf(const AddressList& list) {  // the deep-tree test is POSIX only
    std::set<std::string> labels;
    for (int i = 0; i < list.Count(); ++i) labels.insert(list.At(i)->mailbox.str());
    return labels;
}

class WalkFaultsTest : public ::testing::Test {
protected:
    std::string Root() const { return folder.path().string() + kPathSeparator; }
    void Extract() { ExtractAddresses(MailSource::Eudora, Root(), list, log); }

    TempDir folder;
    AddressList list;
    ProblemLog log;
};

TEST_F(WalkFaultsTest, AMailboxThatVanishesBeforeItIsReadIsReported) {
    folder.Write("Kept.mbx", MailboxFrom("kept"));
    folder.Write("Sub/Gone.mbx", MailboxFrom("gone"));
    folder.Write("Sub/Also.mbx", MailboxFrom("also"));
    // The status line names each mailbox just before it is read.
    log.onStatus = [&](const std::string& shown) {
        if (shown.find("Gone") != std::string::npos) fs::remove(Root() + shown);
    };
    Extract();
    EXPECT_EQ(EmailsOf(list), (std::set<std::string>{"kept@mailhost", "also@mailhost"}));
    ASSERT_EQ(log.problems.size(), 1u);
    EXPECT_EQ(log.problems.count(Root() + testing::Native("Sub/Gone.mbx")), 1u);
    EXPECT_NE(log.problems.begin()->second.find("No such file"), std::string::npos) << log.problems.begin()->second;
}

TEST_F(WalkFaultsTest, AMailboxWithoutReadPermissionIsReported) {
    if (const std::string why = testing::WhyPermissionBitsDoNotApply(); !why.empty()) GTEST_SKIP() << why;
    folder.Write("Kept.mbx", MailboxFrom("kept"));
    fs::permissions(folder.Write("Closed.mbx", MailboxFrom("closed")), fs::perms::none);
    Extract();
    EXPECT_EQ(EmailsOf(list), std::set<std::string>{"kept@mailhost"});
    ASSERT_EQ(log.problems.count(Root() + "Closed.mbx"), 1u);
    EXPECT_NE(log.problems[Root() + "Closed.mbx"].find("Permission denied"), std::string::npos);
}

// Every other folder is removed when the first mailbox is read, before the walk reaches
// it; the listing it was found in may still name it.
TEST_F(WalkFaultsTest, FoldersThatVanishMidWalkAreSkipped) {
    const std::vector<std::string> folders = {"A", "B", "C", "D"};
    for (const std::string& name : folders) folder.Write(name + "/In.mbx", MailboxFrom(name));
    folder.Write("Top.mbx", MailboxFrom("top"));
    std::set<std::string> removed;
    std::set<std::string> visited;
    WalkFolderForStores(Root(), ".mbx", log, [&](const std::string& store) {
        ASSERT_TRUE(fs::exists(store)) << store;
        visited.insert(store.substr(Root().size()));
        if (!removed.empty()) return;
        for (const std::string& name : folders) {
            if (store.rfind(Root() + name + kPathSeparator, 0) == 0) continue;
            fs::remove_all(Root() + name);
            removed.insert(Root() + name + kPathSeparator);
        }
    });
    ASSERT_FALSE(removed.empty());
    EXPECT_EQ(visited.count("Top.mbx"), 1u);
    EXPECT_LE(visited.size(), 2u);  // Top.mbx and, if it came first, one folder's
    for (const auto& [path, reason] : log.problems) EXPECT_EQ(removed.count(path), 1u) << path << ": " << reason;
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
#endif

// Paths of 4,000 bytes and more work in full; past the system's limit a folder or mailbox
// is reported, and everything above it is still read. One-letter names make the deepest
// tree that paths allow, some two thousand folders, walked without running out of stack.
TEST(WalkFaults, PathsUpToTheSystemLimitWorkAndLongerOnesAreReported) {
#ifdef _WIN32
    GTEST_SKIP() << "the tree is made with POSIX calls relative to open folders";
#else
    const auto fits = [](const std::string& path) { return path.size() < PATH_MAX; };
    for (const auto& [nameLength, depth] : {std::pair{50, 90}, std::pair{1, 2100}}) {
        const TempDir folder;
        const DeepFolders deep(folder.path(), std::string(static_cast<std::size_t>(nameLength), 'd'), depth);
        const std::vector<std::string> folders = deep.WriteMailboxes(MailboxFrom("deep"));

        std::set<std::string> expectedLabels;
        std::set<std::string> expectedProblems;
        for (const std::string& path : folders) {
            if (!fits(path)) {
                expectedProblems.insert(path);  // the walk goes no deeper
                break;
            }
            const std::string mailbox = path + DeepFolders::kMailbox;
            (fits(mailbox) ? expectedLabels : expectedProblems).insert(mailbox);
        }
        AddressList list;
        ProblemLog log;
        ExtractAddresses(MailSource::Eudora, folder.path().string() + "/", list, log);

        EXPECT_EQ(LabelsOf(list), expectedLabels) << nameLength;
        std::size_t longest = 0;
        for (const std::string& label : expectedLabels) longest = std::max(longest, label.size());
        EXPECT_GT(longest, 4000u) << nameLength;
        std::set<std::string> problems;
        for (const auto& [path, reason] : log.problems) problems.insert(path);
        EXPECT_EQ(problems, expectedProblems) << nameLength;
    }
#endif
}

}  // namespace
}  // namespace mirelo
