#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "export/record_order.h"
#include "sources/extraction.h"
#include "store_writer/dbx_writer.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::DbxStoreBuilder;
using testing::ReadFileBytes;
using testing::TempDir;

class StatusLog : public ExtractionObserver {
public:
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void KeepAlive() override {}
    void ReportProblem(const std::string& path, const std::string& reason) override { problems[path] = reason; }
    void ReportNothingRead(const std::string&) override {}

    std::vector<std::string> statuses;
    std::map<std::string, std::string> problems;
};

std::string Message(const std::string& from, const std::string& to) {
    return "From: " + from + "\r\nTo: " + to + "\r\nSubject: hello\r\n\r\nFrom the body.\r\n";
}

class OutlookExtractionTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Write("AD/Identities/Main/Inbox.dbx",
                     DbxStoreBuilder()
                         .AddMessage(Message("Help Desk <help@mailhost>", "me@mailhost"))
                         .AddMessageWithoutText()
                         .AddMessage(Message("Book Club <club@mailhost>", "me@mailhost"))
                         .Build()
                         .bytes);
        folder.Write("AD/Identities/Main/Trash.dbx",
                     DbxStoreBuilder().AddMessage(Message("Spam <spam@mailhost>", "me@mailhost")).Build().bytes);
        folder.Write("AD/Identities/Main/Folders.dbx",
                     DbxStoreBuilder().Kind(testing::kFolderListKind).Build().bytes);
        folder.Write("AD/Other/Old.dbx",
                     DbxStoreBuilder().AddMessage(Message("Old Friend <old@mailhost>", "me@mailhost")).Build().bytes);
    }

    std::string Path(const std::string& relative) const { return (folder.path() / testing::Native(relative)).string(); }

    std::map<std::string, std::string> Extract() {
        const std::string root = RootTextFor(MailSource::Outlook, Path("AD/Identities"));
        const testing::ScopedEnv temp("TEMP", folder.path().string());
        ExtractAddresses(MailSource::Outlook, root, list, log);
        OrderExtractionResult(list, root);
        std::map<std::string, std::string> mailboxByEmail;
        for (int i = 0; i < list.Count(); ++i)
            if (!list.At(i)->duplicate) mailboxByEmail[std::string(list.Email(*list.At(i)))] = list.Mailbox(*list.At(i));
        return mailboxByEmail;
    }

    TempDir folder;
    AddressList list;
    StatusLog log;
};

TEST_F(OutlookExtractionTest, WalksFromTheParentAndLabelsRecordsWithTheStore) {
    const auto mailboxByEmail = Extract();
    EXPECT_EQ(mailboxByEmail, (std::map<std::string, std::string>{
                                  {"help@mailhost", testing::Native("/Main/Inbox.dbx")},
                                  {"club@mailhost", testing::Native("/Main/Inbox.dbx")},
                                  {"me@mailhost", mailboxByEmail.at("me@mailhost")},
                                  {"old@mailhost", Path("AD/Other/Old.dbx")},
                              }));
    EXPECT_TRUE(log.problems.empty());
    for (const std::string& status : log.statuses) EXPECT_EQ(status.find("Trash"), std::string::npos);
}

TEST_F(OutlookExtractionTest, ADamagedStoreIsReportedAndItsReadableMessagesKept) {
    testing::DbxStoreImage damaged = DbxStoreBuilder()
                                         .AddMessage(Message("First <first@mailhost>", "me@mailhost"))
                                         .AddMessage(Message("Second <second@mailhost>", "me@mailhost"))
                                         .Build();
    damaged.BreakMarker(damaged.infos[1]);
    folder.Write("AD/Identities/Main/Damaged.dbx", damaged.bytes);

    const auto mailboxByEmail = Extract();
    EXPECT_EQ(mailboxByEmail.count("first@mailhost"), 1u);
    EXPECT_EQ(mailboxByEmail.count("second@mailhost"), 0u);
    EXPECT_EQ(log.problems.count(Path("AD/Identities/Main/Damaged.dbx")), 1u);
    EXPECT_EQ(log.problems.size(), 1u);  // the folder list is not a damaged store
}

// The chain breaks inside the To: address; the part read must not join the next marker
// into an address that is nowhere in the store.
TEST_F(OutlookExtractionTest, AMessageCutOffMidLineGivesOnlyItsCompleteLines) {
    const std::string cut = "\r\nTo: Bob Victim <bob.victim@exa";  // up to the first block's edge
    std::string text = "From: Alice <alice@mailhost>\r\nSubject: ";
    text.append(testing::dbx_layout::kBlockBodySize - text.size() - cut.size(), 's');
    text += cut + "mple.com>\r\n\r\nHello\r\n";
    testing::DbxStoreImage store =
        DbxStoreBuilder().AddMessage(text).AddMessage(Message("carol@mailhost", "me@mailhost")).Build();
    store.SetWord(store.textBlocks[0][0] + testing::dbx_layout::kBlockNextAt, 0x7FFFFFFF);
    folder.Write("AD/Identities/Main/Cut.dbx", store.bytes);

    const auto mailboxByEmail = Extract();
    EXPECT_EQ(mailboxByEmail.count("alice@mailhost") + mailboxByEmail.count("carol@mailhost"), 2u);
    for (const auto& [email, mailbox] : mailboxByEmail) EXPECT_EQ(email.find("victim"), std::string::npos) << email;
}

TEST_F(OutlookExtractionTest, TheDumpOfTheLastStoreStaysInTheTemporaryFile) {
    Extract();
    const std::map<std::string, std::string> dumpByStore = {
        {testing::Native("/Main/Inbox.dbx"), "___Message___ : 0\r\n" + Message("Help Desk <help@mailhost>", "me@mailhost") +
                                "___Message___ : 2\r\n" + Message("Book Club <club@mailhost>", "me@mailhost")},
        {testing::Native("/Main/Folders.dbx"), ""},
        {Path("AD/Other/Old.dbx"), "___Message___ : 0\r\n" + Message("Old Friend <old@mailhost>", "me@mailhost")},
    };
    ASSERT_EQ(log.statuses.size(), 3u);
    EXPECT_EQ(ReadFileBytes(folder.path() / "outlook_temp.mbx"), dumpByStore.at(log.statuses.back()));
}

// Two windows, or a window and the command line, share the temporary folder: each reads
// its own stores' dumps, and only outlook_temp.mbx is left behind.
TEST(OutlookExtraction, TwoExtractionsAtOnceWithOneTemporaryFolderReadTheirOwnStores) {
    TempDir folder;
    const auto store = [&](const std::string& side, int s) { return (folder.path() / side / "Id" / ("S" + std::to_string(s) + ".dbx")).string(); };
    for (const std::string side : {"A", "B"}) {
        for (int s = 0; s < 8; ++s) {
            DbxStoreBuilder builder;
            for (int m = 0; m < 200; ++m) {
                const std::string who = side + std::to_string(s) + "x" + std::to_string(m) + "@mailhost";
                builder.AddMessage(Message(who, who));
            }
            folder.Write(side + "/Id/S" + std::to_string(s) + ".dbx", builder.Build().bytes);
        }
    }
    const testing::ScopedEnv temp("TEMP", folder.path().string());
    AddressList lists[2];
    StatusLog logs[2];
    const auto extract = [&](int i) {
        ExtractAddresses(MailSource::Outlook, (folder.path() / (i ? "B" : "A") / "Id").string(), lists[i], logs[i]);
    };
    std::thread other(extract, 1);
    extract(0);
    other.join();

    for (const AddressList& list : lists) {
        ASSERT_EQ(list.Count(), 2 * 8 * 200);
        for (int i = 0; i < list.Count(); ++i) {
            const std::string email(list.Email(*list.At(i)));
            ASSERT_EQ(list.Mailbox(*list.At(i)), store(email.substr(0, 1), email[1] - '0')) << email;
        }
    }
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"A", "B", "outlook_temp.mbx"}));
}

}  // namespace
}  // namespace mirelo
