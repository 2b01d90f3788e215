#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "sources/dbx/dbx_dump.h"
#include "support/dbx_writer.h"
#include "support/temp_dir.h"

namespace mirelo::testing {
namespace {

namespace fs = std::filesystem;

// Sets the temporary-folder variables for one test and puts the old values back.
class TemporaryVariables {
public:
    TemporaryVariables(std::optional<std::string> temp, std::optional<std::string> tmp,
                       std::optional<std::string> tmpdir) {
        Set("TEMP", temp);
        Set("TMP", tmp);
        Set("TMPDIR", tmpdir);
    }
    ~TemporaryVariables() {
        for (const auto& [name, value] : saved_) Restore(name, value);
    }

private:
    void Set(const char* name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        Restore(name, value);
    }
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(TemporaryDumpPath, FollowsTempThenTmpThenTmpdirThenTheCurrentFolder) {
    struct Case {
        std::optional<std::string> temp, tmp, tmpdir;
        std::string expected;
    };
    const Case cases[] = {
        {"/var/tmp/user", "/tmp", "/other", "/var/tmp/user/outlook_temp.mbx"},
        // A separator is always appended, as on Windows; the doubled one does no harm.
        {"/var/tmp/user/", std::nullopt, std::nullopt, "/var/tmp/user//outlook_temp.mbx"},
        {std::nullopt, "/tmp/only", "/other", "/tmp/only/outlook_temp.mbx"},
        {std::nullopt, std::nullopt, "/run/user/1000", "/run/user/1000/outlook_temp.mbx"},
        {std::nullopt, std::nullopt, std::nullopt, "outlook_temp.mbx"},
        {"", "/tmp/only", std::nullopt, "/tmp/only/outlook_temp.mbx"},  // empty names no folder
        {"relative/dir", std::nullopt, std::nullopt, "relative/dir/outlook_temp.mbx"},
    };
    for (const Case& c : cases) {
        const TemporaryVariables variables(c.temp, c.tmp, c.tmpdir);
        EXPECT_EQ(TemporaryDumpPath(), c.expected);
    }
}

class DumpFileSafety : public ::testing::Test {
protected:
    DumpOutcome Dump() { return DumpDbxToText(store_, dumpPath_); }

    TempDir dir_;
    const std::string store_ =
        dir_.Write("Inbox.dbx", DbxStoreBuilder().AddMessage("From: a@example.com\r\n").Build().bytes);
    const std::string dumpPath_ = (dir_.path() / "outlook_temp.mbx").string();
    const std::string expectedDump_ = "___Message___ : 0\r\nFrom: a@example.com\r\n";
};

TEST_F(DumpFileSafety, ANewFileIsReadableByItsOwnerOnly) {
    const DumpOutcome outcome = Dump();
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(ReadFileBytes(dumpPath_), expectedDump_);
    EXPECT_EQ(fs::status(dumpPath_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DumpFileSafety, AnExistingFileOfOursIsRewrittenWhateverItsPermissions) {
    dir_.Write("outlook_temp.mbx", std::string(10000, 'o'));
    fs::permissions(dumpPath_,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    const DumpOutcome outcome = Dump();
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.problem, "");
    EXPECT_EQ(ReadFileBytes(dumpPath_), expectedDump_);
}

TEST_F(DumpFileSafety, ALinkPlantedAtThePathIsNotFollowed) {
    const std::string target = dir_.Write("victim.txt", "precious");
    fs::create_symlink(target, dumpPath_);
    const DumpOutcome outcome = Dump();
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.problem, "temporary file " + dumpPath_ + " is not a plain file of yours");
    EXPECT_EQ(ReadFileBytes(target), "precious");
    EXPECT_TRUE(fs::is_symlink(dumpPath_));
}

TEST_F(DumpFileSafety, ADanglingLinkCreatesNothing) {
    const fs::path target = dir_.path() / "created-through-link";
    fs::create_symlink(target, dumpPath_);
    EXPECT_FALSE(Dump().written);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(DumpFileSafety, ASecondNameOfAnotherFileIsRefused) {
    const std::string other = dir_.Write("other.txt", "precious");
    fs::create_hard_link(other, dumpPath_);
    EXPECT_FALSE(Dump().written);
    EXPECT_EQ(ReadFileBytes(other), "precious");
}

TEST_F(DumpFileSafety, FoldersAndFifosAreRefusedWithoutWaiting) {
    fs::create_directory(dumpPath_);
    EXPECT_FALSE(Dump().written);
    fs::remove(dumpPath_);
    ASSERT_EQ(mkfifo(dumpPath_.c_str(), 0600), 0);
    const DumpOutcome outcome = Dump();  // would block for ever if the open waited for a reader
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.problem, "");
}

TEST_F(DumpFileSafety, AFileOfAnotherUserIsLeftAlone) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    const std::string planted = dir_.Write("outlook_temp.mbx", "someone else's");
    ASSERT_EQ(chown(planted.c_str(), 12345, 12345), 0);
    EXPECT_FALSE(Dump().written);
    EXPECT_EQ(ReadFileBytes(planted), "someone else's");
}

TEST_F(DumpFileSafety, AMissingFolderIsReported) {
    const DumpOutcome outcome = DumpDbxToText(store_, (dir_.path() / "no-such-folder" / "outlook_temp.mbx").string());
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.problem, "");
}

}  // namespace
}  // namespace mirelo::testing
