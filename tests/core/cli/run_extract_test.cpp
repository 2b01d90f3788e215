#include "cli/run_extract.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "cli/extract_options.h"
#include "scan/header_kinds.h"
#include "base/native_path.h"
#include "base/replace_all.h"
#include "base/path_parts.h"
#include "store_writer/dbx_writer.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::Native;
using testing::ReadFileBytes;
using testing::TempDir;

TEST(ParseExtractOptions, ReadsKindsInAnyCaseWithOrWithoutColonAndRejectsWhatItCannotUse) {
    const Result<ExtractOptions> parsed = ParseExtractOptions({"--kinds", "from,TO:,x-sender", "--outlook", "mail"});
    ASSERT_TRUE(parsed.Ok()) << parsed.Error().message;
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        EXPECT_EQ(parsed.Value().kinds->Has(kind), kind == kFromKind || kind == kToKind || kind == kXSenderKind);
    EXPECT_TRUE(parsed.Value().outlook);
    EXPECT_EQ(parsed.Value().folder, "mail");
    EXPECT_EQ(ParseExtractOptions({"--", "--odd-folder"}).Value().folder, "--odd-folder");
    EXPECT_EQ(ParseExtractOptions({"--output", "-", "mail"}).Value().output, std::nullopt);  // standard output
    for (const char* format : {"json", "vcard"})
        EXPECT_TRUE(ParseExtractOptions({"--format", format, "mail"}).Ok()) << format;
    const std::vector<std::vector<std::string>> bad = {
        {}, {"a", "b"}, {"--kinds", "From,Xcc", "mail"}, {"--kinds", "", "mail"}, {"--output"}, {"--fast", "mail"},
        {"--output", "", "mail"}, {"--workers", "0", "mail"}, {"--workers", "2x", "mail"},
        {"--include-trash", "mail"}, {"--outlook", "--all", "mail"},
        {"--format", "xml", "mail"}, {"--format", "", "mail"}, {"--columns", "email,age", "mail"},
        {"--drop", "robots", "mail"}, {"--bom", "--format", "json", "mail"},
        {"--columns", "email,count", "--format", "vcard", "mail"}, {"--me", "", "mail"},
        {"--output", "a", "--output", "-", "mail"}, {"--since-list", "a", "--since-list", "b", "mail"},
    };
    for (const auto& arguments : bad) EXPECT_NE(ParseExtractOptions(arguments).Error().message, "") << arguments.size();
}

struct CommandRun { int status; std::string out; std::string err; };

// Runs the command with its errors captured, and its output unless it goes to out.
CommandRun Extract(const std::vector<std::string>& arguments, std::FILE* out = nullptr) {
    const Result<ExtractOptions> parsed = ParseExtractOptions(arguments);
    if (!parsed.Ok()) return {2, "", parsed.Error().message};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> captured(std::tmpfile(), std::fclose);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), std::fclose);
    const int status = RunExtract(parsed.Value(), out ? out : captured.get(), err.get());
    auto contents = [](std::FILE* file) {
        std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
        std::rewind(file);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        return text;
    };
    return {status, contents(captured.get()), contents(err.get())};
}

class RunExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Write("Mail/In.mbx",
                     "From: Help Desk <help@mailhost>\r\nTo: sales@mailhost\r\nCc: copy@mailhost\r\n\r\n"
                     "From: Book Club <club@mailhost>\r\nTo: HELP@MAILHOST\r\n");
        folder.Write("Mail/Sub/Old.mbx", "From: Old Friend <old@mailhost>\r\n");
    }
    std::string Mail() const { return (folder.path() / "Mail").string(); }

    TempDir folder;
};

// A folder without mailboxes is said to be so, with a hint where it holds Outlook stores.
TEST_F(RunExtractTest, WritesTheCsvOfTheChosenKindsToStandardOutputOrAFileAndTheStoresToErrors) {
    const CommandRun run = Extract({Mail()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "email,name,notes\r\n"
              "club@mailhost,Book Club,In.mbx\r\n"
              "help@mailhost,Help Desk,In.mbx\r\n"
              "sales@mailhost,To,In.mbx\r\n"
              "old@mailhost,Old Friend," + Native("Sub/Old.mbx") + "\r\n");
    EXPECT_EQ(run.err, "In.mbx\n" + Native("Sub/Old.mbx") + "\n5 original email addresses, 4 unique\n");
    for (const char* workers : {"1", "8"}) EXPECT_EQ(Extract({"--workers", workers, Mail()}).out, run.out) << workers;

    EXPECT_EQ(Extract({"--kinds", "to", Mail()}).out,
              "email,name,notes\r\nHELP@MAILHOST,To,In.mbx\r\nsales@mailhost,To,In.mbx\r\n");
    // A reading other than the command's own is named beside the count.
    EXPECT_TRUE(Extract({"--all", "--rules", "original", Mail()}).err.ends_with(
        "5 original email addresses, 4 unique (read by the original line rule)\n"));

    const std::string output = (folder.path() / "list").string();
    const CommandRun toFile = Extract({"--quiet", "--output", output, Mail() + "/"});
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(toFile.err, "");
    EXPECT_EQ(ReadFileBytes(output + ".CSV"), run.out);

    const std::string express = (folder.path() / "Express").string();
    folder.Write("Express/Inbox.dbx", "");
    EXPECT_EQ(Extract({"--quiet", express}).err,
              "mirelo-extract: no mailboxes found under " + express + "; it holds Outlook Express stores: try --outlook\n");
    folder.Write("Empty/In.mbx", "");  // a mailbox without addresses was found all the same
    EXPECT_EQ(Extract({"--quiet", (folder.path() / "Empty").string()}).err, "");
    const std::string nothing = std::filesystem::path(folder.Write("Nothing/notes.txt", "")).parent_path().string();
    EXPECT_EQ(Extract({"--quiet", nothing}).err, "mirelo-extract: no mailboxes found under " + nothing + "\n");
}

TEST_F(RunExtractTest, DropsCategoriesAndAddressesOfAnEarlierList) {
    // As Notepad saves it: a byte-order mark, then the first address.
    const std::string mine = folder.Write("mine.txt", "\xEF\xBB\xBF" "CLUB@mailhost # home\n# work:\n");
    const std::string earlier =
        folder.Write("old.csv", "\xEF\xBB\xBF\"name\",E-mail Address\r\n\"Old, \"\"Friend\"\"\",OLD@MAILHOST\r\n,gone@x\r\n");
    const CommandRun run = Extract({"--me-file", mine, "--drop", "own", "--since-list", earlier, Mail()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "email,name,notes\r\nhelp@mailhost,Help Desk,In.mbx\r\nsales@mailhost,To,In.mbx\r\n");
    EXPECT_TRUE(run.err.ends_with("\n" + earlier + ": 2 addresses in the earlier list, 1 of them left out\n"
                                  "5 original email addresses, 2 unique\n")) << run.err;
    const std::string several = folder.Write("several.txt", "help@mailhost, sales@mailhost;club@mailhost\n");
    EXPECT_EQ(Extract({"--me-file", several, "--drop", "own", Mail()}).out, "email,name,notes\r\nold@mailhost,Old Friend," +
                                                                              Native("Sub/Old.mbx") + "\r\n");
    EXPECT_EQ(Extract({"--me", "OLD@mailhost", "--me-file", several, "--drop", "own", Mail()}).out,
              "email,name,notes\r\n");
    // A list without a header line, as a spreadsheet saves it with a byte-order mark.
    const std::string bare = folder.Write("bare.csv", "\xEF\xBB\xBFold@mailhost\r\nclub@MAILHOST\r\n");
    EXPECT_EQ(Extract({"--since-list", bare, Mail()}).out, run.out);
}

// Columns beyond the plain ones need what the scans gather only when asked.
TEST_F(RunExtractTest, GathersTheDaysDecodedNamesAndListAddressesTheColumnsNeed) {
    folder.Write("Dated/In.mbx", "From: =?utf-8?Q?J=C3=B6rg?= <j@mailhost>\r\nDate: 2 Jan 2001 10:00 +0000\r\n"
                                 "List-Post: <mailto:club@mailhost>\r\nList-Help: <mailto:k@mailhost>\r\n"
                                 "To: club@mailhost\r\n");
    // A second store, so that workers read both.
    folder.Write("Dated/Sub.mbx", "From: k@mailhost\r\nDate: 3 Jan 2001 10:00 +0000\r\n");
    const std::string dated = (folder.path() / "Dated").string();
    for (const char* rules : {"original", "rfc5322"})
        EXPECT_EQ(Extract({"--rules", rules, "--workers", "2", "--columns", "email,name,first_seen,category", dated}).out,
                  "email,name,first_seen,category\r\nclub@mailhost,,2001-01-02,list\r\nj@mailhost,J\xC3\xB6rg,2001-01-02,person\r\n"
                  "k@mailhost,,2001-01-03,person\r\n") << rules;
}

// A name can neither be left out nor split a line.
TEST_F(RunExtractTest, NamesEachStoreOnOneLineOfStandardError) {
    folder.Write("Maildir/cur/1", "From: Mia Dir <mia@mailhost>\r\n");
    std::filesystem::create_directory(folder.path() / "Maildir/new");
    struct Case { std::string folder; std::string line; };
    std::vector<Case> cases = {{(folder.path() / "Maildir").string(), "\nMaildir (maildir)\n"}};
#ifndef _WIN32  // no Windows name holds a line end
    folder.Write("Odd/New\nLine\x1B[2J.mbx", "From: a@mailhost\r\n");
    cases.push_back({(folder.path() / "Odd").string(), "\nNew\\nLine\\x1B[2J.mbx (eudora)\n"});
#endif
    for (const Case& c : cases) {
        const CommandRun run = Extract({"--all", c.folder});
        EXPECT_NE(("\n" + run.err).find(c.line), std::string::npos) << run.err;
    }
}

// Nothing is written then: an empty list would pass for a result, and replace an earlier one.
TEST_F(RunExtractTest, FoldersStoresAndOutputsThatFailExitNonZeroAndEndTheErrorsWithTheReason) {
    folder.Write("Outlook/Inbox.dbx", testing::DbxStoreBuilder().AddMessage("From: a@mailhost\r\n").Build().bytes);
    const testing::ScopedEnv temp("TEMP", "no-such-folder");  // the report gives its full path
    const std::string dump = (std::filesystem::current_path() / "no-such-folder" / "outlook_temp.mbx").string();
    const std::string output = (folder.path() / "out.csv").string();
#ifdef _WIN32
    const std::string noFolder = "Path not found";
#else
    const std::string noFolder = "No such file or directory";
#endif
    const std::string hint = "\nTry 'mirelo-extract --help' for more information.";
    struct Case { std::vector<std::string> arguments; int status; std::string errorEnd; };
    const std::string none = (folder.path() / "none").string(), file = folder.Write("file.mbx", "");
    std::vector<Case> cases = {
        {{"--me-file", none, "--drop", "own", Mail()}, 1, "cannot read " + none + ": No such file or directory"},
        {{"--since-list", none, Mail()}, 1, "cannot read " + none + ": No such file or directory"},
        {{"--since-list", folder.Write("names.csv", "name\r\nAnn\r\n"), Mail()}, 1,
         "no address could be read from " + (folder.path() / "names.csv").string()},
        {{"--output", folder.path().string(), Mail()}, 2, "--output names a folder: " + folder.path().string() + hint},
        {{"--output", Mail() + "/Sub/../In.mbx", Mail()}, 1,
         "--output names a mail store that was read, which the list would replace: " + Mail() + "/Sub/../In.mbx"},
        {{none}, 2, "cannot read the folder " + none + ": No such file or directory" + hint},
        {{file}, 2, "cannot read the folder " + file + ": Not a directory" + hint},
        {{"--outlook", (folder.path() / "Outlook").string() + kPathSeparator}, 1,
         "No store could be read: cannot write the temporary file " + dump + ": " + noFolder},
    };
#ifndef _WIN32  // Windows names these failures differently
    const std::string tooLong = (folder.path() / std::string(300, 'x')).string();
    cases.push_back({{tooLong}, 1, "cannot read the folder " + tooLong + ": File name too long"});
    if (geteuid() != 0) {  // permissions do not bind the superuser
        const std::string locked = (folder.path() / "Locked").string();
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        cases.push_back({{locked}, 1, "cannot read the folder " + locked + ": Permission denied"});
    }
#endif
#ifdef __linux__
    cases.push_back({{"--output", "/dev/full", Mail()}, 1, "Unable to write output file /dev/full: No space left on device"});
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> full(std::fopen("/dev/full", "w"), std::fclose);
    EXPECT_EQ(Extract({"--quiet", Mail()}, full.get()).status, 1);
#endif
    for (Case& bad : cases) {
        if (bad.arguments.front() != "--output") bad.arguments.insert(bad.arguments.begin(), {"--output", output});
        const CommandRun run = Extract(bad.arguments);
        EXPECT_EQ(run.status, bad.status) << bad.errorEnd;
        EXPECT_TRUE(run.err.ends_with(bad.errorEnd + "\n")) << run.err;
        EXPECT_EQ(run.err.find("Sorting"), std::string::npos) << run.err;  // only the stores are named
        EXPECT_FALSE(std::filesystem::exists(output)) << bad.errorEnd;
    }
    EXPECT_TRUE(ReadFileBytes(Mail() + "/In.mbx").starts_with("From: Help Desk"));  // the mail is kept
    folder.Write("Outlook/One.mbx", "From: one@mailhost\r\n");  // one record beside the store the missing TEMP fails
    EXPECT_EQ(Extract({"--all", (folder.path() / "Outlook").string()}).status, 0);
}

#ifdef _WIN32
// "C:" and "C:Mail" name places in drive C's current folder, as everywhere on Windows.
TEST_F(RunExtractTest, DriveRelativeFoldersStartInTheDrivesCurrentFolder) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const std::string drive = folder.path().string().substr(0, 2);
    const CommandRun mail = Extract({drive + "Mail"});
    const CommandRun here = Extract({drive});
    std::filesystem::current_path(before);
    EXPECT_EQ(mail.out, Extract({Mail()}).out);
    EXPECT_EQ(here.out, Extract({folder.path().string()}).out);
}
#endif

// The command itself, run by the system's shell with its output sent to a file, on mail
// under folders whose names are far from ASCII and whose paths pass 260 characters. The
// CSV must be the same bytes on every system, the separators in the mailbox column aside:
// the Linux and the Windows build both check theirs against these.
TEST(ExtractCommand, WritesTheSameCsvBytesOnEverySystem) {
    const TempDir folder;
    const testing::ScopedEnv temp("TEMP", folder.path().string());
    std::string deep = folder.path().string();
    for (int i = 0; i < 14; ++i) deep += kPathSeparator + std::string("Архив-Müller-日本語-") + std::to_string(i);
    ASSERT_GT(std::filesystem::path(std::u8string(deep.begin(), deep.end())).native().size(), 260u);
    const auto write = [&](const std::string& relative, const std::string& bytes) {
        const std::filesystem::path path = NativePath(deep + kPathSeparator + Native(relative));
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    };
    write("Eudora/In.mbx", "From: Juergen Gross <jurgen@mailhost>\r\nTo: Olga <olga@mailhost>\r\n");
    write("Eudora/Друзья/Out.mbx", "From: Yamada <yamada@mailhost>\r\n");
    write("Identities/{Ид-1}/Inbox.dbx",
          testing::DbxStoreBuilder().AddMessage("From: Zoe <zoe@mailhost>\r\nTo: me@mailhost\r\n").Build().bytes);
    // Standard output's bytes, or the exit status when it is not 0.
    const auto run = [&](const std::string& arguments) {
        const std::string output = (folder.path() / "out.csv").string();
        const std::string command = Native(MIRELO_EXTRACT) + " --quiet " + arguments + " > " + output;
#ifdef _WIN32
        // Wide, since the ANSI code page would lose the names.
        const int status = _wsystem(std::filesystem::path(std::u8string(command.begin(), command.end())).c_str());
#else
        const int waited = std::system(command.c_str());
        const int status = WIFEXITED(waited) ? WEXITSTATUS(waited) : waited;
#endif
        return status == 0 ? ReadFileBytes(output) : "exit status " + std::to_string(status);
    };
    const std::string eudora = "email,name,notes\r\njurgen@mailhost,Juergen Gross,In.mbx\r\nolga@mailhost,Olga,In.mbx\r\n"
                               "yamada@mailhost,Yamada," + Native("Друзья/Out.mbx") + "\r\n";
    EXPECT_EQ(run(deep + kPathSeparator + "Eudora"), eudora);
    EXPECT_EQ(run("--outlook " + deep + kPathSeparator + "Identities"),
              "email,name,notes\r\nme@mailhost,To," + Native("/{Ид-1}/Inbox.dbx") + "\r\nzoe@mailhost,Zoe," +
                  Native("/{Ид-1}/Inbox.dbx") + "\r\n");
    EXPECT_EQ(run("--frobnicate " + deep), "exit status 2");  // a usage error
    std::string usage = kExtractUsage;
#ifdef _WIN32
    ReplaceAll(usage, "\n", "\r\n");  // the help is text, written before standard output turns binary
#endif
    EXPECT_EQ(run("--help"), usage);
    EXPECT_TRUE(run("--version").starts_with("mirelo-extract (Mirelo) "));

    const std::string list = deep + kPathSeparator + "list.csv";
    ASSERT_EQ(run("--output " + list + " " + deep + kPathSeparator + "Eudora"), "");
    std::ifstream written(NativePath(list), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), eudora);
}

// Only a console is written to as UTF-16: through a pipe the status lines and the CSV stay
// the UTF-8 bytes they are, as a program reading them expects.
TEST(ExtractCommand, WritesUtf8ThroughAPipe) {
    const TempDir folder;
    folder.Write("Mail/Почта.mbx", "From: Zoe <zoe@mailhost>\r\n");
    const std::string command = Native(MIRELO_EXTRACT) + " \"" + PathText(folder.path()) + kPathSeparator + "Mail\" 2>&1";
#ifdef _WIN32
    std::FILE* pipe = _wpopen(std::filesystem::path(std::u8string(command.begin(), command.end())).c_str(), L"rb");
#else
    std::FILE* pipe = popen(command.c_str(), "r");
#endif
    ASSERT_NE(pipe, nullptr);
    std::string output;
    for (int c; (c = std::fgetc(pipe)) != EOF;) output.push_back(static_cast<char>(c));
#ifdef _WIN32
    EXPECT_EQ(_pclose(pipe), 0) << output;
#else
    EXPECT_EQ(pclose(pipe), 0) << output;
#endif
    EXPECT_NE(output.find("Почта.mbx"), std::string::npos) << output;
    EXPECT_NE(output.find("zoe@mailhost,Zoe,Почта.mbx\r\n"), std::string::npos) << output;
}

}  // namespace
}  // namespace mirelo
