// Two readers written by others, readpst and pffexport, read what the tests' PST writer
// writes: each must find every message, and Mirelo's records from the file must be those
// it reads in the messages readpst writes out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "headers/rfc5322_reading.h"
#include "sources/pst/pst_reader.h"
#include "support/pst_mail.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

namespace fs = std::filesystem;
using testing::PstFolder;
using testing::ComposedPst;
using testing::PstMessage;
using testing::PstRecipient;
using testing::ReceivedPst;

constexpr char kStore[] = "Outlook.pst";
constexpr char kSentItems[] = "Sent Items";
constexpr char kExchangeDomain[] = "@corp.example";

std::vector<PstFolder> Folders() {
    // A header block over several blocks, and a recipient table over several heap pages
    // whose row index, past 447 rows, takes a second level.
    std::string manyHeader = "From: Ann Lee <ann@net.example>\r\nTo: ";
    std::vector<PstRecipient> many;
    for (int i = 0; i < 460; ++i) {
        const std::string address = "p" + std::to_string(i) + "@many.example";
        manyHeader += (i ? ",\r\n\t" : "") + address;
        many.push_back({1, address, "SMTP", address, ""});
    }
    const PstMessage plain = ReceivedPst(
        "From: Ann Lee <ann@net.example>\r\nTo: Bo <bo@x.example>, =?UTF-8?Q?J=C3=B6rg?= <joerg@x.example>\r\n"
        "Cc: team@x.example\r\nReply-To: replies@net.example\r\n",
        {{1, "Bo", "SMTP", "bo@x.example", ""}, {1, "Jörg", "SMTP", "joerg@x.example", ""},
         {2, "team@x.example", "SMTP", "team@x.example", ""}});
    PstMessage longBody = ReceivedPst();
    longBody.body = std::string(30000, 'b');
    PstMessage onBehalf = OnBehalfOfBoss(ComposedPst("EX", "/O=ORG/CN=ME", "me@corp.example"), "boss@x.example");
    onBehalf.body = std::string(20000, 's');
    onBehalf.recipients = many;
    return {{"Inbox", {plain, longBody}, {{"Clients", {ReceivedPst(manyHeader + "\r\n", many)}, {}}}},
            {kSentItems, {ComposedPst("SMTP", "me@home.example", ""), ComposedPst("EX", "/O=ORG/CN=ME", "me@corp.example"), onBehalf}, {}},
            {"Deleted Items", {plain}, {}, true}};
}

// Folder path: its messages, and their recipients.
using Counts = std::map<std::string, std::pair<int, int>>;

// readpst writes no addresses for the recipients of mail without a header block, only
// their names (Outlook's To and Cc lines), nor its Sender, and writes an Exchange sender
// as MAILER-DAEMON, without the SMTP address the message holds: in Sent Items only the
// From of people outside the Exchange organisation is compared.
bool Compared(const std::string& folder, HeaderKind kind, std::string_view email) {
    return folder != std::string(kStore) + "/" + kSentItems || (kind == kFromKind && !email.ends_with(kExchangeDomain));
}

// Label ("Outlook.pst/Inbox"): "kind email" of each record, sorted.
using Records = std::map<std::string, std::vector<std::string>>;

void Collect(const AddressList& list, Records& records) {
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        const std::string folder(list.Mailbox(record));
        if (Compared(folder, record.headerKind, list.Email(record)))
            records[folder].push_back(std::to_string(record.headerKind) + " " + std::string(list.Email(record)));
    }
    for (auto& [folder, texts] : records) std::sort(texts.begin(), texts.end());
}

Records ReadWithMirelo(const std::string& pst) {
    StoreBatch batch;
    PstReader({HeaderKindSet::Every(), ReadingRules::Rfc5322}, true).Read({StoreKind::Pst, pst, kStore}, batch);
    EXPECT_TRUE(batch.problems.empty());
    Records records;
    Collect(batch.records, records);
    return records;
}

// Mirelo's RFC 5322 reading of each message file below the folder readpst names after the store.
Records ReadReadpstOutput(const fs::path& store, Counts& counts) {
    AddressList list;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(store)) {
        if (!entry.is_regular_file()) continue;
        const std::string folder = fs::relative(entry.path().parent_path(), store).generic_string();
        ++counts[folder].first;
        ReadRfc5322Message(testing::ReadFileBytes(entry.path()), "", list,
                           list.Mailboxes().Intern(std::string(kStore) + "/" + folder),
                           HeaderKindSet::Every());
    }
    Records records;
    Collect(list, records);
    return records;
}

// Messages and recipients exported below the folder, by their folder's path below it.
Counts PffexportCounts(const fs::path& exported) {
    Counts counts;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(exported)) {
        if (!entry.is_directory() || !entry.path().filename().string().starts_with("Message")) continue;
        std::pair<int, int>& count = counts[fs::relative(entry.path().parent_path(), exported).generic_string()];
        ++count.first;
        const std::string recipients = testing::ReadFileBytes(entry.path() / "Recipients.txt");
        for (std::size_t at = 0; (at = recipients.find("Display name:", at)) != std::string::npos; ++at) ++count.second;
    }
    return counts;
}

TEST(PstIndependentReaders, ReadEveryMessageTheWriterWroteAndAgreeWithMirelo) {
#ifdef _WIN32
    GTEST_SKIP() << "neither reader is built for Windows";
#endif
    if (std::system("(command -v readpst && command -v pffexport) > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "readpst or pffexport is not installed";
    const Counts written = {{"Inbox", {2, 4}}, {"Inbox/Clients", {1, 460}}, {"Sent Items", {3, 466}}, {"Deleted Items", {1, 3}}};
    Counts readpstWritten = written;  // readpst's files show no recipients
    for (auto& [folder, count] : readpstWritten) count.second = 0;
    const testing::PstWriteOptions forms[] = {
        {.encoding = PstEncoding::Permute},
        {.encoding = PstEncoding::Cyclic, .ansi = true},
        {.encoding = PstEncoding::None},
    };
    for (const testing::PstWriteOptions& options : forms) {
        SCOPED_TRACE("encoding " + std::to_string(static_cast<int>(options.encoding)) + (options.ansi ? ", ANSI" : ""));
        const testing::TempDir dir;
        const std::string pst = dir.Write("Outlook.pst", testing::WritePst(Folders(), options).bytes);
        const fs::path readpstOut = dir.path() / "readpst";
        fs::create_directory(readpstOut);
        // One job: readpst's parallel jobs now and then lose one of a folder's files.
        ASSERT_EQ(std::system(("readpst -q -j 0 -D -M -o '" + readpstOut.string() + "' '" + pst + "' > /dev/null 2>&1").c_str()), 0);
        ASSERT_EQ(std::system(("pffexport -q -m all -f text -t '" + (dir.path() / "pff").string() + "' '" + pst +
                               "' > /dev/null 2>&1").c_str()),
                  0);

        Counts readpstCounts;
        EXPECT_EQ(ReadReadpstOutput(readpstOut / "Personal Folders", readpstCounts), ReadWithMirelo(pst));
        EXPECT_EQ(readpstCounts, readpstWritten);
        EXPECT_EQ(PffexportCounts(dir.path() / "pff.export" / "Top of Personal Folders"), written);
        // A message found outside its folder would come out beside them, as an orphan or a recovered item.
        EXPECT_EQ(PffexportCounts(dir.path()).size(), written.size());
    }
}

}  // namespace
}  // namespace mirelo
