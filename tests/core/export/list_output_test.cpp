#include "export/list_output.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <tuple>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "export/csv_file.h"
#include "export/record_order.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

TEST(CompareNoCase, FoldsCapitalsOnlyAndOrdersAddressCharacters) {
    EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
    // Folding to small letters puts '_' before the letters.
    const char* ordered[] = {"", "-", ".", "0", "9", "@", "_", "a", "ab", "abc", "B", "c", "Z", "\xE9"};
    for (std::size_t i = 1; i < std::size(ordered); ++i)
        EXPECT_LT(CompareNoCase(ordered[i - 1], ordered[i]), 0) << ordered[i - 1] << " before " << ordered[i];
}

TEST(OrderExtractionResult, KeepsTheSmallestKindOfEachAddressAndRemovesALeadingRoot) {
    AddressList list;
    list.Append("HELP@MAILHOST", "To", "/m/b.mbx", 1);
    list.Append("help@mailhost", "Help Desk", "/m/a.mbx", 0);
    list.Append("", "undisclosed", "/m/a.mbx", 3);
    list.Append("", "To", "/m/b.mbx", 1);
    list.Append("b@x", "B", "/old/m/Sub/In.mbx", 0);
    list.Append("c@x", "C", "/m/Team/m/In.mbx", 0);
    OrderExtractionResult(list, "/m/");

    std::vector<std::string> shown;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        if (!record.duplicate)
            shown.push_back(std::string(list.Email(record)) + "|" + std::string(list.Name(record)) + "|" +
                            std::string(list.Mailbox(record)));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"help@mailhost|Help Desk|a.mbx", "|To|b.mbx", "c@x|C|Team/m/In.mbx",
                                                "b@x|B|/old/m/Sub/In.mbx"}));
}

TEST(OutputFileFor, AddsTheFormatsExtensionOnlyWhenTheLastComponentHasNone) {
    const std::tuple<const char*, FormatKind, const char*> cases[] = {
        {"out/list", FormatKind::Csv, "out/list.CSV"}, {"out/list.txt", FormatKind::Csv, "out/list.txt"},
        {"out.d/list", FormatKind::Csv, "out.d/list.CSV"}, {"list", FormatKind::Vcard, "list.vcf"},
        {"list", FormatKind::Json, "list.json"},
    };
    for (const auto& [given, format, expected] : cases) EXPECT_EQ(OutputFileFor(given, format), expected) << given;
#ifdef __linux__
    EXPECT_EQ(OutputFileFor("/dev/full", FormatKind::Csv), "/dev/full");
#endif
}

class WriteListFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (folder.path() / name).string(); }
    Result<int> Write(const std::string& path, FormatKind format = FormatKind::Csv) {
        return WriteListFile(path, list, nullptr, ExportFormat{format});
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
    OrderAndFilter(list, "/m/", nullptr);
    const Result<int> written = Write(Path("out"));
    ASSERT_TRUE(written.Ok());
    EXPECT_EQ(written.Value(), 5);
    EXPECT_EQ(ReadFileBytes(Path("out.CSV")), "email,name,notes\r\nzed@x,Zed,\"a,b.mbx\"\r\nq@x,Q,\"b\"\"q\"\".mbx\"\r\n"
                                              ",To,b.mbx\r\nAmy@x,Amy,b.mbx\r\nr@x,R,\"c\rd\ne.mbx\"\r\n");
    ASSERT_TRUE(Write(Path("cards"), FormatKind::Vcard).Ok());
    EXPECT_EQ(ReadFileBytes(Path("cards.vcf")).substr(0, 13), "BEGIN:VCARD\r\n");
}

TEST_F(WriteListFileTest, TheFilterDeletesEarlierAddressesAndTheCategoriesDropped) {
    for (const char* email : {"a@x", "B@x", "c@x", "own@x"}) list.Append(email, "N", "/m/a.mbx", 0);
    const FactsTable facts = FactsTable::Gather(list, AddressClassifier({"own@x"}, {}));
    OrderAndFilter(list, "/m/", &facts, {{AddressCategory::Own}, std::unordered_set<std::string>{"b@x"}});
    ASSERT_TRUE(Write(Path("list.csv")).Ok());
    EXPECT_EQ(ReadFileBytes(Path("list.csv")), "email,name,notes\r\na@x,N,a.mbx\r\nc@x,N,a.mbx\r\n");
}

TEST_F(WriteListFileTest, AnEmptyListWritesTheHeaderAFolderThatCannotBeWrittenIsReportedWithItsPath) {
    ASSERT_TRUE(Write(Path("empty.csv")).Ok());
    EXPECT_EQ(ReadFileBytes(Path("empty.csv")), "email,name,notes\r\n");
    const Result<int> failed = Write(Path("missing/out.csv"));
    ASSERT_FALSE(failed.Ok());
    EXPECT_EQ(failed.Error().Text(), "Unable to open output file " + Path("missing/out.csv") + ": cannot create " +
                                         Path("missing/out.csv.partial0") + ": No such file or directory");
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

std::string Folded(std::string_view text) {
    std::string email(text);
    for (char& c : email) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return email;
}

// The keyed sort must give what sorting with the comparators gives.
TEST(SortAndMarkDuplicates, AgreesWithSortingByTheComparators) {
    std::mt19937 random(7);
    const std::string letters = "aAbBzZ[.-_@1";  // with the bytes around the capitals
    AddressList list;
    for (int i = 0; i < 3000; ++i) {
        std::string email;
        for (int n = static_cast<int>(random() % 4); n > 0; --n) email += letters[random() % letters.size()];
        const std::string mailbox = std::string("/m/") + "xXy"[random() % 3];
        list.Append(email, "", mailbox, static_cast<int>(random() % 6));
    }
    SortAndMarkDuplicates(list);

    std::map<std::string, std::pair<int, int>> survivorsAndSmallestKind;  // by folded address
    for (int i = 0; i < list.Count(); ++i) {
        if (i > 0) {
            EXPECT_LE(CompareMailboxThenEmail(list, *list.At(i - 1), *list.At(i)), 0);
        }
        const AddressRecord& record = *list.At(i);
        auto [entry, added] = survivorsAndSmallestKind.try_emplace(Folded(list.Email(record)), 0, record.headerKind);
        entry->second.second = std::min<int>(entry->second.second, record.headerKind);
    }
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        if (record.duplicate) continue;
        auto& [survivors, smallestKind] = survivorsAndSmallestKind[Folded(list.Email(record))];
        ++survivors;
        EXPECT_EQ(record.headerKind, smallestKind) << list.Email(record);
    }
    for (const auto& [address, entry] : survivorsAndSmallestKind) EXPECT_EQ(entry.first, 1) << address;
}

}  // namespace
}  // namespace mirelo
