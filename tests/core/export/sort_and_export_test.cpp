#include "export/sort_and_export.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

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

// Answers the export from a script and keeps what it asked of the user interface.
class FakeExportHost : public ExportHost {
public:
    std::string remembered;
    std::optional<std::string> dialogAnswer;  // nothing: the user cancels
    FormatKind saveAsType = FormatKind::Csv;  // the type chosen in Save As
    std::vector<std::string> calls;           // in order

    void ShowStatus(const std::string& text) override { calls.push_back(text); }
    void KeepAlive() override {}
    void ReportProblem(const std::string&, const std::string&) override {}
    void ReportNothingRead(const std::string&) override {}
    std::string RememberedSavePath() override { return remembered; }
    void RememberSavePath(const std::string& path) override { remembered = path; }
    std::optional<std::string> AskSavePath(const std::string& preload) override {
        calls.push_back("ask " + preload);
        return dialogAnswer;
    }
    std::optional<SaveChoice> AskSaveAsPath(const std::string& preload) override {
        calls.push_back("ask with types " + preload);
        if (!dialogAnswer) return std::nullopt;
        return SaveChoice{*dialogAnswer, saveAsType};
    }
    void ShowWriteFailure(const std::string& failure, const std::string& reason) override {
        calls.push_back(failure + ": " + reason);
    }
    void RefillRows(AddressList&) override { calls.push_back("refill"); }
    void OpenForEditing(const std::string& path) override { calls.push_back("open " + path); }
};

TEST(CompareNoCase, FoldsCapitalsOnlyAndOrdersAddressCharacters) {
    EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
    // Folding to small letters puts '_' before the letters.
    const char* ordered[] = {"", "-", ".", "0", "9", "@", "_", "a", "ab", "abc", "B", "c", "Z", "\xE9"};
    for (std::size_t i = 1; i < std::size(ordered); ++i)
        EXPECT_LT(CompareNoCase(ordered[i - 1], ordered[i]), 0) << ordered[i - 1] << " before " << ordered[i];
}

TEST(OrderExtractionResult, KeepsTheSmallestKindOfEachAddressAndRemovesTheRootWhereverItStands) {
    AddressList list;
    list.Append("HELP@MAILHOST", "To", "/m/b.mbx", 1);
    list.Append("help@mailhost", "Help Desk", "/m/a.mbx", 0);
    list.Append("", "undisclosed", "/m/a.mbx", 3);
    list.Append("", "To", "/m/b.mbx", 1);
    list.Append("b@x", "B", "/old/m/Sub/In.mbx", 0);
    OrderExtractionResult(list, "/m/");

    std::vector<std::string> shown;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        if (record.duplicate)
            EXPECT_TRUE(list.Mailbox(record).starts_with("/m/")) << list.Email(record);  // they keep their full path
        else
            shown.push_back(std::string(list.Email(record)) + "|" + std::string(list.Name(record)) + "|" +
                            std::string(list.Mailbox(record)));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"help@mailhost|Help Desk|a.mbx", "|To|b.mbx", "b@x|B|/oldSub/In.mbx"}));
}

TEST(WithCsvExtension, AddsCsvOnlyWhenTheLastComponentHasNone) {
    const std::pair<const char*, const char*> cases[] = {
        {"out/list", "out/list.CSV"}, {"out/list.txt", "out/list.txt"}, {"out.d/list", "out.d/list.CSV"},
        {"list", "list.CSV"},
    };
    for (const auto& [given, expected] : cases) EXPECT_EQ(WithCsvExtension(given), expected) << given;
#ifdef __linux__
    EXPECT_EQ(CsvTargetFor("/dev/full"), "/dev/full");
#endif
}

class SortAndExportTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (folder.path() / name).string(); }

    TempDir folder;
    AddressList list;
    FakeExportHost host;
};

TEST_F(SortAndExportTest, AnExtractionWritesUniqueRecordsInMailboxOrderQuotingOnlyMailboxesThatNeedIt) {
    list.Append("zed@x", "Zed", "/m/a,b.mbx", 0);
    list.Append("Amy@x", "Amy", "/m/b.mbx", 0);
    list.Append("amy@x", "To", "/m/a,b.mbx", 1);
    list.Append("", "To", "/m/b.mbx", 1);
    list.Append("q@x", "Q", "/m/b\"q\".mbx", 0);
    list.Append("r@x", "R", "/m/c\rd\ne.mbx", 0);
    host.dialogAnswer = Path("out");
    ASSERT_TRUE(SortAndExport(list, "/m/", true, true, host));
    EXPECT_EQ(ReadFileBytes(Path("out.CSV")), "email,name,notes\r\nzed@x,Zed,\"a,b.mbx\"\r\nq@x,Q,\"b\"\"q\"\".mbx\"\r\n"
                                              ",To,b.mbx\r\nAmy@x,Amy,b.mbx\r\nr@x,R,\"c\rd\ne.mbx\"\r\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Sorting", "refill", "ask ", "6 original email addresses, 5 unique",
                                                    "open " + Path("out.CSV")}));
    EXPECT_EQ(host.remembered, Path("out"));  // kept without the added extension
}

TEST_F(SortAndExportTest, CancelWritesNothingSaveUsesTheRememberedPathSaveAsAsksAgain) {
    for (const char* email : {"a@x", "b@x", "c@x"}) list.Append(email, "N", "/m/a.mbx", 0);
    list.Append("A@X", "To", "/m/a.mbx", 1);
    host.remembered = Path("earlier.csv");
    EXPECT_FALSE(SortAndExport(list, "/m/", true, true, host));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Sorting", "refill", "ask " + Path("earlier.csv")}));
    EXPECT_EQ(host.remembered, Path("earlier.csv"));
    EXPECT_FALSE(std::filesystem::exists(Path("earlier.csv")));

    host.dialogAnswer = Path("list.csv");
    ASSERT_TRUE(SortAndExport(list, "/m/", true, true, host));
    for (int i = 0; i < list.Count(); ++i)
        if (list.Email(*list.At(i)) == "b@x") list.At(i)->deleted = 1;
    host.calls.clear();
    ASSERT_TRUE(SortAndExport(list, "/m/", false, false, host));
    EXPECT_EQ(ReadFileBytes(Path("list.csv")), "email,name,notes\r\na@x,N,a.mbx\r\nc@x,N,a.mbx\r\n");
    EXPECT_EQ(host.calls, std::vector<std::string>{"4 original email addresses, 2 unique"});

    host.dialogAnswer = Path("second.csv");
    ASSERT_TRUE(SortAndExport(list, "", false, true, host));
    EXPECT_EQ(host.calls[1], "ask with types " + Path("list.csv"));
    EXPECT_TRUE(std::filesystem::exists(Path("second.csv")));
    EXPECT_EQ(host.remembered, Path("second.csv"));

    // A file of another type is written but not remembered: Save goes on writing the CSV.
    host.saveAsType = FormatKind::Vcard;
    host.dialogAnswer = Path("cards");
    ASSERT_TRUE(SortAndExport(list, "", false, true, host));
    EXPECT_EQ(ReadFileBytes(Path("cards.vcf")).substr(0, 13), "BEGIN:VCARD\r\n");
    EXPECT_EQ(host.remembered, Path("second.csv"));
}

TEST_F(SortAndExportTest, AnEmptyListWritesTheHeaderAFolderThatCannotBeWrittenIsReportedWithItsPath) {
    host.remembered = Path("empty.csv");
    ASSERT_TRUE(SortAndExport(list, "", false, false, host));
    EXPECT_EQ(ReadFileBytes(Path("empty.csv")), "email,name,notes\r\n");
    host.remembered = Path("missing/out.csv");
    EXPECT_FALSE(SortAndExport(list, "", false, false, host));
    EXPECT_EQ(host.calls.back(), "Unable to open output file " + Path("missing/out.csv") + ": cannot create " +
                                     Path("missing/out.csv.partial0") + ": No such file or directory");
}

// Windows will not rename over a read-only file: its bit is lifted for the replacement
// and put on the new file, and no partial file stays behind.
TEST_F(SortAndExportTest, AReadOnlyListIsReplacedAndStaysReadOnly) {
    namespace fs = std::filesystem;
    const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(folder.Write("list.csv", "earlier\r\n"), writable, fs::perm_options::remove);
    list.Append("a@x", "A", "a.mbx", 0);
    host.remembered = Path("list.csv");
    for (int run = 0; run < 2; ++run) ASSERT_TRUE(SortAndExport(list, "", false, false, host)) << host.calls.back();
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
TEST_F(SortAndExportTest, ReplacesTheFileALinkLeadsToWithItsPermissionsOnlyOnceWrittenInFull) {
    namespace fs = std::filesystem;
    const std::string target = folder.Write("real.csv", "earlier\r\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.csv", Path("link.csv"));
    list.Append("a@x", "A", "a.mbx", 0);
    host.remembered = Path("link.csv");
    ASSERT_TRUE(SortAndExport(list, "", false, false, host));
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
        EXPECT_FALSE(SortAndExport(list, "", false, false, host));
    }
    EXPECT_EQ(gSiblingMode, 0600);
    EXPECT_EQ(ReadFileBytes(target), written);
    EXPECT_TRUE(host.calls.back().starts_with("Unable to write output file " + Path("link.csv"))) << host.calls.back();
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
