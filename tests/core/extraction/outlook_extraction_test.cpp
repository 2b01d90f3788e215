#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "core/sources/recording_observer.h"
#include "extraction/extraction_service.h"
#include "export/record_order.h"
#include "sources/dbx/dbx_dump.h"
#include "base/path_parts.h"
#include "store_writer/dbx_writer.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::DbxStoreBuilder;
using testing::Native;
using testing::TempDir;

// Each sender's message to me; an empty sender stands for a message without text.
testing::DbxStoreImage StoreFrom(const std::vector<std::string>& senders) {
    DbxStoreBuilder builder;
    for (const std::string& from : senders)
        from.empty() ? builder.AddMessageWithoutText()
                     : builder.AddMessage("From: " + from + "\r\nTo: me@mailhost\r\nSubject: hello\r\n\r\n"
                                          "From the body.\r\n");
    return builder.Build();
}

// Walks from the parent of the chosen folder, leaves out the trash, labels records with
// the store, reports a damaged store and keeps what it holds, and leaves the dump of the
// last store in the temporary file.
TEST(OutlookExtraction, ReadsEveryStoreButTheTrashAndLabelsRecordsWithTheStore) {
    const TempDir folder;
    const auto path = [&](const std::string& relative) { return (folder.path() / Native(relative)).string(); };
    folder.Write("AD/Identities/Main/Inbox.dbx", StoreFrom({"Help Desk <help@mailhost>", "", "Club <club@mailhost>"}).bytes);
    folder.Write("AD/Identities/Main/Trash.dbx", StoreFrom({"<spam@mailhost>"}).bytes);
    folder.Write("AD/Identities/Main/Folders.dbx", DbxStoreBuilder().Kind(testing::kFolderListKind).Build().bytes);
    folder.Write("AD/Other/Old.dbx", StoreFrom({"Old Friend <old@mailhost>"}).bytes);
    testing::DbxStoreImage damaged = StoreFrom({"First <first@mailhost>", "Second <second@mailhost>"});
    damaged.BreakMarker(damaged.infos[1]);
    folder.Write("AD/Identities/Damaged.dbx", damaged.bytes);

    const testing::ScopedEnv temp("TEMP", folder.path().string());
    testing::RecordingObserver log;
    const ExtractionResult result = Extract({.source = MailSource::Outlook, .folder = path("AD/Identities")}, log);
    const std::string& root = result.labelPrefix;
    AddressList& list = *result.list;
    OrderExtractionResult(list, root);
    std::map<std::string, std::string> mailboxByEmail;
    for (int i = 0; i < list.Count(); ++i)
        if (!list.At(i)->duplicate) mailboxByEmail[std::string(list.Email(*list.At(i)))] = list.Mailbox(*list.At(i));
    const std::string inbox = Native("/Main/Inbox.dbx");
    EXPECT_EQ(mailboxByEmail, (std::map<std::string, std::string>{{"help@mailhost", inbox}, {"club@mailhost", inbox},
        {"me@mailhost", mailboxByEmail["me@mailhost"]}, {"old@mailhost", path("AD/Other/Old.dbx")},
        {"first@mailhost", Native("/Damaged.dbx")}}));
    EXPECT_EQ(log.problems.size(), 1u);  // the folder list is not a damaged store
    EXPECT_EQ(log.problems.count(path("AD/Identities/Damaged.dbx")), 1u);
    ASSERT_EQ(log.statuses.size(), 4u);
    const std::string lastStore = path("AD/Other/Old.dbx");  // "Identities" lists before "Other"
    EXPECT_EQ(log.statuses.back(), lastStore);
    EXPECT_TRUE(DumpDbxToText(lastStore, path("again.mbx"), path("again.mbx")).Ok());
    EXPECT_EQ(testing::ReadFileBytes(path("outlook_temp.mbx")), testing::ReadFileBytes(path("again.mbx")));
}

// Two windows, or a window and the command line, share the temporary folder: each reads
// its own stores' dumps, and only outlook_temp.mbx is left behind.
TEST(OutlookExtraction, TwoExtractionsAtOnceWithOneTemporaryFolderReadTheirOwnStores) {
    const TempDir folder;
    const auto store = [](std::string side, int s) { return Native(side + "/Id/S" + std::to_string(s) + ".dbx"); };
    for (const std::string side : {"A", "B"})
        for (int s = 0; s < 8; ++s) {
            DbxStoreBuilder builder;
            for (int m = 0; m < 200; ++m) {
                const std::string who = side + std::to_string(s) + "x" + std::to_string(m) + "@mailhost";
                builder.AddMessage("From: " + who + "\r\nTo: " + who + "\r\n");
            }
            folder.Write(store(side, s), builder.Build().bytes);
        }
    const testing::ScopedEnv temp("TEMP", folder.path().string());
    ExtractionResult results[2];
    testing::RecordingObserver logs[2];
    const auto extract = [&](int i) {
        results[i] = Extract({.source = MailSource::Outlook, .folder = (folder.path() / (i ? "B" : "A") / "Id").string()},
                             logs[i]);
    };
    std::thread other(extract, 1);
    extract(0);
    other.join();

    for (const ExtractionResult& result : results) {
        const AddressList& list = *result.list;
        ASSERT_EQ(list.Count(), 2 * 8 * 200);
        for (int i = 0; i < list.Count(); ++i) {
            const std::string email(list.Email(*list.At(i)));
            ASSERT_EQ(list.Mailbox(*list.At(i)), (folder.path() / store(email.substr(0, 1), email[1] - '0')).string());
        }
    }
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"A", "B", "outlook_temp.mbx"}));
}

}  // namespace
}  // namespace mirelo
