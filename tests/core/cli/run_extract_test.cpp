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
#include <set>

#include "cli/extract_options.h"
#include "scan/header_kinds.h"
#include "scan/native_path.h"
#include "sources/path_parts.h"
#include "store_writer/dbx_writer.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::Native;
using testing::ReadFileBytes;
using testing::TempDir;

TEST(ParseExtractOptions, ReadsKindsInAnyCaseWithOrWithoutColon) {
    const ParsedOptions parsed = ParseExtractOptions({"--kinds", "from,TO:,x-sender", "--outlook", "mail"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.kinds, (std::array<bool, 6>{true, true, false, false, true, false}));
    EXPECT_TRUE(parsed.options.outlook);
    EXPECT_EQ(parsed.options.folder, "mail");
}

TEST(ParseExtractOptions, RejectsWhatItCannotUse) {
    const std::vector<std::vector<std::string>> bad = {
        {}, {"a", "b"}, {"--kinds", "From,Cc", "mail"}, {"--kinds", "", "mail"}, {"--output"}, {"--fast", "mail"},
        {"--output", "", "mail"}, {"--workers", "0", "mail"}, {"--workers", "2x", "mail"},
        {"--include-trash", "mail"}, {"--outlook", "--all", "mail"},
    };
    for (const auto& arguments : bad) EXPECT_NE(ParseExtractOptions(arguments).error, "") << arguments.size();
    EXPECT_EQ(ParseExtractOptions({"--", "--odd-folder"}).options.folder, "--odd-folder");
    EXPECT_EQ(ParseExtractOptions({"--output", "-", "mail"}).options.output, std::nullopt);  // standard output
}

// Runs the command with its output and errors captured.
struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

CommandRun Extract(const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = ParseExtractOptions(arguments);
    EXPECT_EQ(parsed.error, "");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), std::fclose);
    const int status = RunExtract(parsed.options, out.get(), err.get());
    auto contents = [](std::FILE* file) {
        std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
        std::rewind(file);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        return text;
    };
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) SetKindEnabled(kind, true);
    return {status, contents(out.get()), contents(err.get())};
}

class RunExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Write("Mail/In.mbx",
                     "From ???@??? Mon Mar 03 09:14:22 2003\r\n"
                     "From: Help Desk <help@mailhost>\r\n"
                     "To: sales@mailhost\r\n"
                     "\r\n"
                     "From ???@??? Mon Mar 03 09:14:22 2003\r\n"
                     "From: Book Club <club@mailhost>\r\n"
                     "To: HELP@MAILHOST\r\n");
        folder.Write("Mail/Sub/Old.mbx", "From: Old Friend <old@mailhost>\r\n");
    }
    std::string Mail() const { return (folder.path() / "Mail").string(); }

    TempDir folder;
};

TEST_F(RunExtractTest, WritesTheCsvToStandardOutputAndTheStoresToErrors) {
    const CommandRun run = Extract({Mail()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "email,name,notes\r\n"
              "club@mailhost,Book Club,In.mbx\r\n"
              "help@mailhost,Help Desk,In.mbx\r\n"
              "sales@mailhost,To,In.mbx\r\n"
              "old@mailhost,Old Friend," + Native("Sub/Old.mbx") + "\r\n");
    EXPECT_NE(run.err.find("In.mbx\n"), std::string::npos);
    EXPECT_NE(run.err.find(Native("Sub/Old.mbx") + "\n"), std::string::npos);
    EXPECT_EQ(run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1), "5 original email addresses, 4 unique\n");
    for (const char* workers : {"1", "8"}) EXPECT_EQ(Extract({"--workers", workers, Mail()}).out, run.out) << workers;
}

TEST_F(RunExtractTest, AnOutputFileHoldsTheSameBytesAndGetsTheCsvExtension) {
    const std::string output = (folder.path() / "list").string();
    const CommandRun toFile = Extract({"--quiet", "--output", output, Mail() + "/"});
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(toFile.err, "");
    EXPECT_EQ(ReadFileBytes(output + ".CSV"), Extract({Mail()}).out);
}

TEST_F(RunExtractTest, OnlyTheChosenKindsGiveRecords) {
    const CommandRun run = Extract({"--kinds", "to", Mail()});
    EXPECT_EQ(run.out, "email,name,notes\r\nHELP@MAILHOST,To,In.mbx\r\nsales@mailhost,To,In.mbx\r\n");
}

TEST_F(RunExtractTest, AFolderThatCannotBeReadIsNamedWithTheReasonAndNothingIsWritten) {
    struct Case {
        std::string folder;
        int status;
        std::string reason;
    };
    std::vector<Case> cases = {
        {(folder.path() / "none").string(), 2, "No such file or directory"},
        {folder.Write("file.mbx", ""), 2, "Not a directory"},
    };
#ifndef _WIN32  // Windows names these failures differently
    cases.push_back({(folder.path() / std::string(300, 'x')).string(), 1, "File name too long"});
    if (geteuid() != 0) {  // permissions do not bind the superuser
        const std::string locked = (folder.path() / "Locked").string();
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        cases.push_back({locked, 1, "Permission denied"});
    }
#endif
    const std::string output = (folder.path() / "out.csv").string();
    for (const Case& bad : cases) {
        const CommandRun run = Extract({"--output", output, bad.folder});
        EXPECT_EQ(run.status, bad.status) << bad.reason;
        const std::string hint = bad.status == 2 ? "Try 'mirelo-extract --help' for more information.\n" : "";
        EXPECT_EQ(run.err, "mirelo-extract: cannot read the folder " + bad.folder + ": " + bad.reason + "\n" + hint);
        EXPECT_FALSE(std::filesystem::exists(output)) << bad.reason;
    }
}

TEST_F(RunExtractTest, AFolderWithoutMailboxesIsSaidSoWithAHintForOutlookStores) {
    const std::string express = (folder.path() / "Express").string();
    folder.Write("Express/Inbox.dbx", "");
    const CommandRun run = Extract({"--quiet", express});
    EXPECT_EQ(run.err, "mirelo-extract: no mailboxes found under " + express +
                           "; it holds Outlook Express stores: try --outlook\n");
    EXPECT_EQ(run.out, "email,name,notes\r\n");
}

// "email,name" of every line of a CSV but its header.
std::set<std::string> EmailsAndNames(const std::string& csv) {
    std::set<std::string> lines;
    for (std::size_t at = csv.find("\r\n") + 2; at < csv.size(); at = csv.find("\r\n", at) + 2)
        lines.insert(csv.substr(at, csv.find(',', csv.find(',', at) + 1) - at));
    return lines;
}

TEST_F(RunExtractTest, AllKindsAtOnceListEachStoreOnceAndGiveTheUnionOfTheKinds) {
    const testing::ScopedEnv temp("TEMP", folder.path().string());
    folder.Write("Mail/Express/Inbox.dbx",
                 testing::DbxStoreBuilder().AddMessage("From: Dee Bix <dee@mailhost>\r\nTo: help@mailhost\r\n").Build().bytes);
    folder.Write("Mail/TB/Inbox", "From - Mon Jan 1 2001\nFrom: Tom Bird <tom@mailhost>\nTo: club@mailhost\n");
    folder.Write("Mail/TB/Inbox.msf", "");
    folder.Write("Mail/Maildir/cur/1:2,S", "From: Mia Dir <mia@mailhost>\r\n");
    std::filesystem::create_directory(folder.path() / "Mail/Maildir/new");
    folder.Write("Mail/Live/a.eml", "From: Eve Ml <eve@mailhost>\r\nTo: tom@mailhost\r\n");
    folder.Write("Mail/A.mbox/Messages/1.emlx", "26\nFrom: Al Px <al@mailhost>\n<?xml?>");

    const CommandRun all = Extract({"--all", Mail()});
    std::set<std::string> kindsUnion;
    for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{
             {}, {"--outlook"}, {"--mbox"}, {"--maildir"}, {"--eml"}, {"--emlx"}}) {
        arguments.push_back(Mail());
        kindsUnion.merge(EmailsAndNames(Extract(arguments).out));
    }
    std::set<std::string> emails;
    for (const std::string& line : kindsUnion) emails.insert(line.substr(0, line.find(',')));
    std::set<std::string> allEmails;
    for (const std::string& line : EmailsAndNames(all.out)) {
        EXPECT_EQ(kindsUnion.count(line), 1u) << line;
        allEmails.insert(line.substr(0, line.find(',')));
    }
    EXPECT_EQ(allEmails, emails);
    EXPECT_EQ(all.err, Native("A.mbox/Messages (emlx)\nExpress/Inbox.dbx (outlook)\nIn.mbx (eudora)\nLive (eml)\n"
                              "Maildir (maildir)\nSub/Old.mbx (eudora)\nTB/Inbox (mbox)\n") +
                           "13 original email addresses, 9 unique\n");
}

// An empty list written out would pass for a result, and replace an earlier one.
TEST_F(RunExtractTest, StoresThatCannotBeDumpedAtAllExitWithOneAndWriteNothing) {
    folder.Write("Outlook/Inbox.dbx", testing::DbxStoreBuilder().AddMessage("From: a@mailhost\r\n").Build().bytes);
    const std::string output = (folder.path() / "list.csv").string();
    const testing::ScopedEnv temp("TEMP", "no-such-folder");  // the report gives its full path
    const CommandRun run = Extract({"--outlook", "--output", output, (folder.path() / "Outlook").string() + "/"});
    EXPECT_EQ(run.status, 1);
    const std::string dump = (std::filesystem::current_path() / "no-such-folder" / "outlook_temp.mbx").string();
    EXPECT_NE(run.err.find("No store could be read: cannot write the temporary file " + dump + ": "), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(output));
}

#ifdef __linux__
TEST_F(RunExtractTest, AFullDiskExitsWithOne) {
    const CommandRun run = Extract({"--output", "/dev/full", Mail()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Unable to write output file /dev/full: No space left on device"), std::string::npos);
    EXPECT_EQ(run.err.find("unique"), std::string::npos);
    EXPECT_EQ(run.err.find("Sorting"), std::string::npos);  // only the stores are named

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> full(std::fopen("/dev/full", "w"), std::fclose);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), std::fclose);
    EXPECT_EQ(RunExtract(ParseExtractOptions({"--quiet", Mail()}).options, full.get(), err.get()), 1);
}
#endif

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

// The command itself, run by the system's shell with its standard output sent to a file,
// on mail under folders whose names are far from ASCII and whose paths pass 260
// characters. The CSV must be the same bytes on every system (the mailbox column aside,
// which names subfolders with the system's separator): the Linux and the Windows build
// both check theirs against these.
class ExtractCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 14; ++i) deep_ += kPathSeparator + std::string("Архив-Müller-日本語-") + std::to_string(i);
        Write("Eudora/In.mbx", "From: Juergen Gross <jurgen@mailhost>\r\nTo: Olga <olga@mailhost>\r\n");
        Write("Eudora/Друзья/Out.mbx", "From: Yamada <yamada@mailhost>\r\n");
        Write("Identities/{Ид-1}/Inbox.dbx",
              testing::DbxStoreBuilder().AddMessage("From: Zoe <zoe@mailhost>\r\nTo: me@mailhost\r\n").Build().bytes);
    }

    void Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path path = NativePath(deep_ + kPathSeparator + Native(relative));
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Standard output's bytes, or the exit status when it is not 0.
    std::string Run(const std::string& arguments) const {
        const std::string output = (folder_.path() / "out.csv").string();
        const std::string command = Native(MIRELO_EXTRACT) + " --quiet " + arguments + " > " + output;
#ifdef _WIN32
        // Wide, since the ANSI code page would lose the names.
        const int status = _wsystem(std::filesystem::path(std::u8string(command.begin(), command.end())).c_str());
#else
        const int waited = std::system(command.c_str());
        const int status = WIFEXITED(waited) ? WEXITSTATUS(waited) : waited;
#endif
        return status == 0 ? ReadFileBytes(output) : "exit status " + std::to_string(status);
    }

    const testing::TempDir folder_;
    const testing::ScopedEnv temp_{"TEMP", folder_.path().string()};
    std::string deep_ = folder_.path().string();
};

TEST_F(ExtractCommandTest, WritesTheSameCsvBytesOnEverySystem) {
    ASSERT_GT(std::filesystem::path(std::u8string(deep_.begin(), deep_.end())).native().size(), 260u);
    const std::string eudora =
        "email,name,notes\r\n"
        "jurgen@mailhost,Juergen Gross,In.mbx\r\n"
        "olga@mailhost,Olga,In.mbx\r\n"
        "yamada@mailhost,Yamada," + Native("Друзья/Out.mbx") + "\r\n";
    EXPECT_EQ(Run(deep_ + kPathSeparator + "Eudora"), eudora);
    EXPECT_EQ(Run("--outlook " + deep_ + kPathSeparator + "Identities"),
              "email,name,notes\r\n"
              "me@mailhost,To," + Native("/{Ид-1}/Inbox.dbx") + "\r\n"
              "zoe@mailhost,Zoe," + Native("/{Ид-1}/Inbox.dbx") + "\r\n");

    EXPECT_EQ(Run("--frobnicate " + deep_), "exit status 2");  // a usage error

    const std::string list = deep_ + kPathSeparator + "list.csv";
    ASSERT_EQ(Run("--output " + list + " " + deep_ + kPathSeparator + "Eudora"), "");
    std::ifstream written(NativePath(list), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), eudora);
}

}  // namespace
}  // namespace mirelo
