// The command line writing its CSV where it cannot: the earlier file stays as it was, the
// message says why, and the exit status is 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/extract_options.h"
#include "cli/run_extract.h"
#include "support/file_size_limit.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
namespace fs = std::filesystem;

const std::string kEarlier = "email,name,notes\r\nearlier@mailhost,Earlier,In.mbx\r\n";

class OutputFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string mailbox;
        for (int i = 0; i < 500; ++i)
            mailbox += "From: Person " + std::to_string(i) + " <p" + std::to_string(i) + "@mailhost>\r\n";
        folder.Write("Mail/In.mbx", mailbox);
        output = folder.Write("Out/list.csv", kEarlier);
    }

    // The exit status; the errors are kept in err.
    int Extract() {
        const ParsedOptions parsed = ParseExtractOptions({"--quiet", "--output", output, Mail()});
        EXPECT_EQ(parsed.error, "");
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> errFile(std::tmpfile(), std::fclose);
        const int status = RunExtract(parsed.options, stdout, errFile.get());
        err.assign(static_cast<std::size_t>(std::ftell(errFile.get())), '\0');
        std::rewind(errFile.get());
        err.resize(std::fread(err.data(), 1, err.size(), errFile.get()));
        return status;
    }

    std::string Mail() const { return (folder.path() / "Mail").string(); }

    TempDir folder;
    std::string output;
    std::string err;
};

TEST_F(OutputFaultsTest, AFolderWithoutWritePermissionKeepsTheEarlierFile) {
    if (const std::string why = testing::WhyPermissionBitsDoNotApply(); !why.empty()) GTEST_SKIP() << why;
    fs::permissions(folder.path() / "Out", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Extract(), 1);
    EXPECT_EQ(err, "Unable to open output file " + output + ": cannot create " + output + ".partial0: Permission denied\n");
    EXPECT_EQ(ReadFileBytes(output), kEarlier);
}

// A file-size limit stops the write halfway, as a disk that fills up does.
TEST_F(OutputFaultsTest, ADiskThatFillsUpKeepsTheEarlierFileAndLeavesNoPart) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit to stand in for a full disk";
#else
    int status;
    {
        const testing::FileSizeLimit limit(4096);
        status = Extract();
    }

    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "Unable to write output file " + output + ": File too large\n");
    EXPECT_EQ(ReadFileBytes(output), kEarlier);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "Out"), {}), 1);
#endif
}

}  // namespace
}  // namespace mirelo
