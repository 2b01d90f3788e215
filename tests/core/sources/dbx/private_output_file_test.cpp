#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "scan/native_path.h"
#include "sources/dbx/dbx_dump.h"
#include "store_writer/dbx_writer.h"
#include "support/file_size_limit.h"
#include "support/posix_only.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace mirelo::testing {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
TEST(TemporaryDumpPath, FollowsTempThenTmpThenTheCurrentFolder) {
    struct Case {
        std::optional<std::string> temp, tmp;
        std::string expected;
    };
    const Case cases[] = {
        {"C:\\Temp", "D:\\Tmp", "C:\\Temp\\outlook_temp.mbx"},
        {std::nullopt, "D:\\Tmp", "D:\\Tmp\\outlook_temp.mbx"},
        {"C:\\Temp\\", std::nullopt, "C:\\Temp\\\\outlook_temp.mbx"},
        {std::nullopt, std::nullopt, "outlook_temp.mbx"},
    };
    const ScopedEnv tmpdir("TMPDIR", "C:\\Other");  // not a Windows variable
    for (const Case& c : cases) {
        const ScopedEnv temp("TEMP", c.temp), tmp("TMP", c.tmp);
        EXPECT_EQ(TemporaryDumpPath(), c.expected);
    }
}
#else
TEST(TemporaryDumpPath, FollowsTempThenTmpThenTmpdirThenTheSystemsFolder) {
    struct Case {
        std::array<std::optional<std::string>, 3> temps;
        std::string expected;
    };
    const Case cases[] = {
        {{"/var/tmp/user", "/tmp", "/other"}, "/var/tmp/user/outlook_temp.mbx"},
        // A separator is always appended, as on Windows; the doubled one does no harm.
        {{"/var/tmp/user/", std::nullopt, std::nullopt}, "/var/tmp/user//outlook_temp.mbx"},
        {{std::nullopt, std::nullopt, "/run/user/1000"}, "/run/user/1000/outlook_temp.mbx"},
        {{std::nullopt, std::nullopt, std::nullopt}, "/tmp/outlook_temp.mbx"},
        {{"", "/tmp/only", "/other"}, "/tmp/only/outlook_temp.mbx"},  // empty names no folder
        {{"relative/dir", std::nullopt, std::nullopt}, "relative/dir/outlook_temp.mbx"},
    };
    for (const Case& c : cases) {
        const ScopedEnv temp("TEMP", c.temps[0]), tmp("TMP", c.temps[1]), tmpdir("TMPDIR", c.temps[2]);
        EXPECT_EQ(TemporaryDumpPath(), c.expected);
    }
}
#endif

#ifdef _WIN32
// Whether the file's access list lets in the process's user alone, with nothing inherited.
bool OnlyTheUserMayOpen(const std::string& path) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(NativePath(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &acl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    void* entry = nullptr;
    const bool one = acl && acl->AceCount == 1 && GetAce(acl, 0, &entry) &&
                     static_cast<ACE_HEADER*>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE;
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char user[256];
    DWORD size = sizeof user;
    const bool mine = one && GetTokenInformation(token, TokenUser, user, size, &size) &&
                      EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart,
                               reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
    CloseHandle(token);
    LocalFree(descriptor);
    return mine && (control & SE_DACL_PROTECTED) != 0;
}
#endif

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
#ifdef _WIN32
    if (RunsUnderWine()) GTEST_SKIP() << "Wine keeps no access list given to a file";
    EXPECT_TRUE(OnlyTheUserMayOpen(dumpPath_));
    // An existing file is closed to others as well before the dump goes in.
    fs::remove(dumpPath_);
    dir_.Write("outlook_temp.mbx", "old");
    ASSERT_FALSE(OnlyTheUserMayOpen(dumpPath_));
    EXPECT_TRUE(Dump().written);
    EXPECT_TRUE(OnlyTheUserMayOpen(dumpPath_));
#else
    EXPECT_EQ(fs::status(dumpPath_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
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

// A disk that fills up stops the dump part-way: the file holds the complete lines written
// before, never the tail of the previous store's longer dump behind them.
TEST_F(DumpFileSafety, ADumpCutShortByAFullDiskKeepsOnlyItsOwnCompleteLines) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit to stand in for a full disk";
#else
    dir_.Write("outlook_temp.mbx", std::string(1000, '#'));
    DumpOutcome outcome;
    {
        const FileSizeLimit limit(20);  // the second line of the dump is cut short
        outcome = Dump();
    }
    EXPECT_TRUE(outcome.written && outcome.temporaryFileFailed);
    EXPECT_NE(outcome.problem.find(" could not be written in full: File too large"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dumpPath_), "___Message___ : 0\r\n");
#endif
}

TEST_F(DumpFileSafety, ALinkPlantedAtThePathIsNotFollowedNorCreatedThrough) {
    const std::string target = dir_.Write("victim.txt", "precious");
#ifdef _WIN32
    // MinGW's std::filesystem makes no links.
    if (!CreateSymbolicLinkW(NativePath(dumpPath_).c_str(), NativePath(target).c_str(), 0))
        GTEST_SKIP() << "symbolic links cannot be made here";
#else
    fs::create_symlink(target, dumpPath_);
#endif
    const DumpOutcome outcome = Dump();
    EXPECT_EQ(ReadFileBytes(target), "precious");
#ifdef _WIN32
    if (RunsUnderWine()) GTEST_SKIP() << "Wine shows the link opened as itself as a plain file";
#else
    EXPECT_TRUE(fs::is_symlink(dumpPath_));
#endif
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.problem, "temporary file " + dumpPath_ + " is not a plain file of yours");

    fs::remove(dumpPath_);
    const fs::path dangling = dir_.path() / "created-through-link";
#ifdef _WIN32
    ASSERT_TRUE(CreateSymbolicLinkW(NativePath(dumpPath_).c_str(), dangling.c_str(), 0));
#else
    fs::create_symlink(dangling, dumpPath_);
#endif
    EXPECT_FALSE(Dump().written);
    EXPECT_FALSE(fs::exists(dangling));
}

TEST_F(DumpFileSafety, ASecondNameOfAnotherFileIsRefused) {
    const std::string other = dir_.Write("other.txt", "precious");
    fs::create_hard_link(other, dumpPath_);
    EXPECT_FALSE(Dump().written);
    EXPECT_EQ(ReadFileBytes(other), "precious");
}

TEST_F(DumpFileSafety, MissingFoldersFoldersAndFifosAreRefusedWithoutWaiting) {
    EXPECT_FALSE(DumpDbxToText(store_, (dir_.path() / "no-such-folder" / "outlook_temp.mbx").string()).written);
    fs::create_directory(dumpPath_);
    EXPECT_FALSE(Dump().written);
#ifndef _WIN32
    fs::remove(dumpPath_);
    ASSERT_EQ(mkfifo(dumpPath_.c_str(), 0600), 0);
    const DumpOutcome outcome = Dump();  // would block for ever if the open waited for a reader
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.problem, "");
#endif
}

TEST_F(DumpFileSafety, AFileOfAnotherUserIsLeftAlone) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no user ids to give a file away to";
#else
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    const std::string planted = dir_.Write("outlook_temp.mbx", "someone else's");
    ASSERT_EQ(chown(planted.c_str(), 12345, 12345), 0);
    EXPECT_FALSE(Dump().written);
    EXPECT_EQ(ReadFileBytes(planted), "someone else's");
#endif
}

}  // namespace
}  // namespace mirelo::testing
