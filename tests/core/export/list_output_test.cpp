#include "export/list_output.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "export/csv_file.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

class WriteListFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (folder.path() / name).string(); }
    Result<int> Write(const std::string& path, FormatKind format = FormatKind::Csv, unsigned threads = 1) {
        ExportFormat written;
        written.kind = format;
        return WriteListFile(path, list, nullptr, written, threads);
    }

    TempDir folder;
    AddressList list;
};

TEST_F(WriteListFileTest, WritesUniqueRowsInLabelOrderQuotingOnlyLabelsThatNeedIt) {
    list.Append("zed@x", "Zed", "/m/a,b.mbx", 0);
    list.Append("Amy@x", "Amy", "/m/b.mbx", 0);
    list.Append("amy@x", "To", "/m/a,b.mbx", 1);
    list.Append("", "To", "/m/b.mbx", 1);
    list.Append("q@x", "Q", "/m/b\"q\".mbx", 0);
    list.Append("r@x", "R", "/m/c\rd\ne.mbx", 0);
    EXPECT_EQ(OrderAndFilter(list, "/m/", nullptr), 0);  // none dropped as listed earlier
    const Result<int> written = Write(Path("out"));
    ASSERT_TRUE(written.Ok());
    EXPECT_EQ(written.Value(), 5);
    EXPECT_EQ(ReadFileBytes(Path("out.CSV")), "email,name,notes\r\nzed@x,Zed,\"a,b.mbx\"\r\nq@x,Q,\"b\"\"q\"\".mbx\"\r\n"
                                              ",To,b.mbx\r\nAmy@x,Amy,b.mbx\r\nr@x,R,\"c\rd\ne.mbx\"\r\n");
    ASSERT_TRUE(Write(Path("cards"), FormatKind::Vcard).Ok());
    EXPECT_EQ(ReadFileBytes(Path("cards.vcf")).substr(0, 13), "BEGIN:VCARD\r\n");
}

// A long list's lines are made on two threads: the bytes stay those of one, and a write
// that fails still fails.
TEST_F(WriteListFileTest, TwoThreadsWriteWhatOneWrites) {
    for (int i = 0; i < 40000; ++i)
        list.Append("user" + std::to_string(i % 7000) + "@x", "N" + std::to_string(i % 3), i % 2 ? "/m/a,b.mbx" : "/m/c.mbx",
                    static_cast<HeaderKind>(i % 4));
    OrderAndFilter(list, "/m/", nullptr, {}, 2);
    const Result<int> one = Write(Path("one.csv"));
    const Result<int> two = Write(Path("two.csv"), FormatKind::Csv, 2);
    ASSERT_TRUE(one.Ok() && two.Ok());
    EXPECT_EQ(one.Value(), 7000);
    EXPECT_EQ(two.Value(), 7000);
    EXPECT_EQ(ReadFileBytes(Path("two.csv")), ReadFileBytes(Path("one.csv")));
#ifdef __linux__
    EXPECT_FALSE(Write("/dev/full", FormatKind::Csv, 2).Ok());
#endif
}

TEST_F(WriteListFileTest, AnEmptyListWritesTheHeaderAFolderThatCannotBeWrittenIsReportedWithItsPath) {
    ASSERT_TRUE(Write(Path("empty.csv")).Ok());
    EXPECT_EQ(ReadFileBytes(Path("empty.csv")), "email,name,notes\r\n");
    const Result<int> failed = Write(Path("missing/out.csv"));
    ASSERT_FALSE(failed.Ok());
    EXPECT_EQ(failed.Error().Text(), "Unable to open output file " + Path("missing/out.csv") + ": cannot create " +
                                         Path("missing/out.csv.partial0") + ": No such file or directory");
    // Partial files that others left are passed over; a hundred of them end the search.
    for (int i = 0; i < 100; ++i) folder.Write("taken.csv.partial" + std::to_string(i), "");
    const Result<int> crowded = Write(Path("taken.csv"));
    ASSERT_FALSE(crowded.Ok());
    EXPECT_NE(crowded.Error().Text().find(Path("taken.csv.partial99") + ": "), std::string::npos) << crowded.Error().Text();
}

// Windows will not rename over a read-only file: its bit is lifted for the replacement
// and put on the new file, and no partial file stays behind.
TEST_F(WriteListFileTest, AReadOnlyListIsReplacedAndStaysReadOnly) {
    namespace fs = std::filesystem;
    const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(folder.Write("list.csv", "earlier\r\n"), writable, fs::perm_options::remove);
    list.Append("a@x", "A", "a.mbx", 0);
    for (int run = 0; run < 2; ++run) {
        const Result<int> written = Write(Path("list.csv"));
        ASSERT_TRUE(written.Ok()) << written.Error().Text();
    }
    EXPECT_EQ(ReadFileBytes(Path("list.csv")), "email,name,notes\r\na@x,A,a.mbx\r\n");
    EXPECT_EQ(fs::status(Path("list.csv")).permissions() & writable, fs::perms::none);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
    fs::permissions(Path("list.csv"), fs::perms::owner_write, fs::perm_options::add);  // Windows removes it then
}

#ifndef _WIN32
const char* gSiblingPath = nullptr;
volatile std::sig_atomic_t gSiblingMode = -1;

// Runs when the size limit stops the write, while the successor is half written.
extern "C" void NoteSiblingMode(int) {
    struct stat status;
    if (stat(gSiblingPath, &status) == 0) gSiblingMode = static_cast<int>(status.st_mode & 0777);
}

// The file a link leads to is replaced, with its permissions from the start; a write that
// fails halfway, as on a full disk, keeps it and leaves no partial file.
TEST_F(WriteListFileTest, ReplacesTheFileALinkLeadsToWithItsPermissionsOnlyOnceWrittenInFull) {
    namespace fs = std::filesystem;
    const std::string target = folder.Write("real.csv", "earlier\r\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.csv", Path("link.csv"));
    list.Append("a@x", "A", "a.mbx", 0);
    ASSERT_TRUE(Write(Path("link.csv")).Ok());
    EXPECT_TRUE(fs::is_symlink(Path("link.csv")));
    const std::string written = "email,name,notes\r\na@x,A,a.mbx\r\n";
    EXPECT_EQ(ReadFileBytes(target), written);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    for (int i = 0; i < 1000; ++i) list.Append("user" + std::to_string(i) + "@example.com", "Name", "a.mbx", 0);
    const std::string sibling = target + ".partial0";
    gSiblingPath = sibling.c_str();
    {
        const testing::FileSizeLimit limit(4096);
        std::signal(SIGXFSZ, NoteSiblingMode);
        const Result<int> failed = Write(Path("link.csv"));
        ASSERT_FALSE(failed.Ok());
        EXPECT_TRUE(failed.Error().message.starts_with("Unable to write output file " + Path("link.csv")));
    }
    EXPECT_EQ(gSiblingMode, 0600);
    EXPECT_EQ(ReadFileBytes(target), written);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2);
}
#endif

}  // namespace
}  // namespace mirelo
