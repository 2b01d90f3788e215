#include "cli/run_extract.h"

#include <gtest/gtest.h>

#include <memory>

#include "cli/extract_options.h"
#include "scan/header_kinds.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

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
    };
    for (const auto& arguments : bad) EXPECT_NE(ParseExtractOptions(arguments).error, "") << arguments.size();
    EXPECT_EQ(ParseExtractOptions({"--", "--odd-folder"}).options.folder, "--odd-folder");
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
              "old@mailhost,Old Friend,Sub/Old.mbx\r\n");
    EXPECT_NE(run.err.find("In.mbx\n"), std::string::npos);
    EXPECT_NE(run.err.find("Sub/Old.mbx\n"), std::string::npos);
    EXPECT_EQ(run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1), "5 original email addresses, 4 unique\n");
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

TEST_F(RunExtractTest, AMissingFolderIsAUsageError) {
    const CommandRun run = Extract({(folder.path() / "none").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
}

#ifdef __linux__
TEST_F(RunExtractTest, AFullDiskExitsWithOne) {
    const CommandRun run = Extract({"--output", "/dev/full", Mail()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Unable to write output file /dev/full: No space left on device"), std::string::npos);
    EXPECT_EQ(run.err.find("unique"), std::string::npos);
}
#endif

}  // namespace
}  // namespace mirelo
