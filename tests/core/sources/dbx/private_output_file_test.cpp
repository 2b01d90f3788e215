#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <string>

#include "base/native_path.h"
#include "sources/dbx/dbx_dump.h"
#include "store_writer/dbx_writer.h"
#include "support/runs_under_wine.h"
#include "support/temp_dir.h"

namespace mirelo::testing {
namespace {

namespace fs = std::filesystem;

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
    Result<DumpDamage> Dump() { return DumpDbxToText(store_, dumpPath_, dumpPath_); }

    TempDir dir_;
    const std::string store_ =
        dir_.Write("Inbox.dbx", DbxStoreBuilder().AddMessage("From: a@example.com\r\n").Build().bytes);
    const std::string dumpPath_ = (dir_.path() / "outlook_temp.mbx").string();
};

// An existing file of ours is rewritten whatever its permissions, as every dump test shows.
TEST_F(DumpFileSafety, ANewFileIsReadableByItsOwnerOnly) {
    EXPECT_TRUE(Dump().Ok());
    EXPECT_EQ(ReadFileBytes(dumpPath_), "___Message___ : 0\r\nFrom: a@example.com\r\n");
#ifdef _WIN32
    if (RunsUnderWine()) GTEST_SKIP();
    EXPECT_TRUE(OnlyTheUserMayOpen(dumpPath_));
    fs::remove(dumpPath_);
    dir_.Write("outlook_temp.mbx", "old");
    ASSERT_FALSE(OnlyTheUserMayOpen(dumpPath_));
    EXPECT_TRUE(Dump().Ok());
    EXPECT_TRUE(OnlyTheUserMayOpen(dumpPath_));  // closed to others before the dump goes in
#else
    EXPECT_EQ(fs::status(dumpPath_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
}

// Whatever else stands at the path is refused at once, and nothing is written through it.
TEST_F(DumpFileSafety, AnythingButAPlainFileOfOursIsRefusedAndLeftAlone) {
    const std::string victim = dir_.Write("victim.txt", "precious");
    const std::string dangling = (dir_.path() / "created-through-link").string();
    // plant() is false where the thing cannot be made.
    const struct { const char* name; std::function<bool()> plant; bool link = false; } cases[] = {
        {"link to a file", [&] { return MakeLink(victim, dumpPath_); }, true},
        {"link to nothing", [&] { return MakeLink(dangling, dumpPath_); }, true},
        {"second name of a file", [&] { fs::create_hard_link(victim, dumpPath_); return true; }},
        {"folder", [&] { return fs::create_directory(dumpPath_); }},
#ifndef _WIN32
        {"pipe", [&] { return mkfifo(dumpPath_.c_str(), 0600) == 0; }},  // an open would wait for a reader
        {"another user's file", [&] { return chown(dir_.Write("outlook_temp.mbx", "").c_str(), 12345, 12345) == 0; }},
#endif
    };
    for (const auto& c : cases) {
        fs::remove(dumpPath_);
        if (!c.plant()) continue;
        const Result<DumpDamage> outcome = Dump();
        EXPECT_EQ(ReadFileBytes(victim), "precious") << c.name;
#ifdef _WIN32
        if (c.link && RunsUnderWine()) continue;
#endif
        EXPECT_FALSE(fs::exists(dangling)) << c.name;
        ASSERT_FALSE(outcome.Ok()) << c.name;
        EXPECT_EQ(outcome.Error().code, FailureCode::TemporaryFile) << c.name;
#ifdef _WIN32
        EXPECT_NE(outcome.Error().Text().find(dumpPath_), std::string::npos) << c.name;
#else
        EXPECT_EQ(outcome.Error().Text(), "temporary file " + dumpPath_ + " is not a plain file of yours") << c.name;
#endif
        EXPECT_EQ(fs::is_symlink(dumpPath_), c.link) << c.name;
    }
    const std::string nowhere = (dir_.path() / "no-such-folder" / "outlook_temp.mbx").string();
    EXPECT_FALSE(DumpDbxToText(store_, nowhere, nowhere).Ok());
}

}  // namespace
}  // namespace mirelo::testing
