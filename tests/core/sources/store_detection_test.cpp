#include "sources/store_detection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_observer.h"
#include "sources/message_files/message_files.h"
#include "support/temp_dir.h"
#include "support/test_mail.h"

namespace mirelo {
namespace {

using testing::Native;

using testing::Emlx;
using testing::Message;

// A profile of every client: the trash of each, index files, and files that are no mail.
TEST(ListMailStores, FindsEachKindByItsStructureInDocumentedOrderAndAMaildirGoneSinceIsReportedWhenRead) {
    testing::TempDir dir;
    const std::string m = Message("Ann Lee", "ann");
    for (const char* path : {"Eudora/In.mbx", "Eudora/Trash.mbx", "TB/Inbox", "TB/Inbox.sbd/Work", "TB/Trash",
                             "TB/Junk.mbox", "export.junk", "export.txt", "Xpress/Inbox.dbx", "Xpress/Trash.dbx"})
        dir.Write(path, "From - Mon Jan 1 2001\n" + m);
    for (const char* path : {"Eudora/In.toc", "TB/Inbox.msf", "TB/Inbox.sbd/Work.msf", "TB/Trash.msf", "TB/Drafts.msf",
                             "Apple/INBOX.mbox/Info.plist", "Apple/INBOX.mbox/Messages/2.1.emlxpart"})
        dir.Write(path, "From - index\n" + m);
    dir.Write("TB/Drafts", "");
    dir.Write("letter.txt", "From the desk of Ann\nDear Pat: thank you\n");
    for (const char* path : {"Maildir/cur/1.mx", "Maildir/new/2.eml", "Maildir/tmp/3", "Maildir/.Sent/cur/4",
                             "Maildir/.INBOX.Trash/cur/5", "Live/Inbox/a.eml", "Live/Deleted Items/b.eml"})
        dir.Write(path, m);
    for (const char* path : {"Maildir/.Sent/new", "Maildir/.INBOX.Trash/new"})
        std::filesystem::create_directory(dir.path() / path);
    for (const char* path : {"Apple/INBOX.mbox/Data/1/Messages/1.emlx", "Apple/INBOX.mbox/Messages/2.partial.emlx",
                             "Apple/Junk.mbox/Messages/3.emlx"})
        dir.Write(path, Emlx(m));
    StoreSelection mboxOnly;
    mboxOnly.kinds[static_cast<std::size_t>(StoreKind::Mbox)] = true;
    // NTFS's order: export.* after Eudora, before Live (byte order would put them last).
    const std::vector<std::string> every = {"emlx Apple/INBOX.mbox/Data/1/Messages/ Apple/INBOX.mbox",
        "emlx Apple/INBOX.mbox/Messages/ Apple/INBOX.mbox", "eudora Eudora/In.mbx Eudora/In.mbx",
        "mbox export.junk export.junk", "mbox export.txt export.txt",
        "eml Live/Inbox/ Live/Inbox", "maildir Maildir/ Maildir", "maildir Maildir/.Sent/ Maildir/.Sent",
        "mbox TB/Drafts TB/Drafts", "mbox TB/Inbox TB/Inbox", "mbox TB/Inbox.sbd/Work TB/Inbox.sbd/Work",
        "outlook Xpress/Inbox.dbx Xpress/Inbox.dbx"};
    const struct { StoreSelection selection; std::vector<std::string> expected; } cases[] = {
        {StoreSelection::Every(), every},
        {{StoreSelection::Every().kinds, true},  // the trash too
         {every[0], every[1], "emlx Apple/Junk.mbox/Messages/ Apple/Junk.mbox", every[2], every[3], every[4],
          "eml Live/Deleted Items/ Live/Deleted Items", every[5], every[6],
          "maildir Maildir/.INBOX.Trash/ Maildir/.INBOX.Trash", every[7], every[8], every[9], every[10],
          "mbox TB/Junk.mbox TB/Junk.mbox", "mbox TB/Trash TB/Trash", every[11]}},
        {mboxOnly, {every[3], every[4], every[8], every[9], every[10]}},
    };
    const std::string root = dir.path().string() + "/";
    testing::RecordingObserver observer;
    for (const auto& c : cases) {
        std::string listed, expected;
        for (const FoundStore& store : ListMailStores(root, c.selection, observer))
            listed += std::string(StoreKindName(store.kind)) + " " + store.path.substr(root.size()) + " " +
                      store.label.substr(root.size()) + "\n";
        for (const std::string& line : c.expected) expected += line + "\n";
        EXPECT_EQ(listed, Native(expected));
        EXPECT_TRUE(observer.problems.empty());
    }

    const FoundStore maildir = ListMailStores(root, StoreSelection::Every(), observer)[6];
    std::filesystem::remove_all(dir.path() / "Maildir");
    StoreBatch batch;
    MessageFilesReader({}).Read(maildir, batch);
    EXPECT_EQ(batch.records.Count(), 0);
    ASSERT_EQ(batch.problems.size(), 2u);
    EXPECT_EQ(batch.problems[0].path, maildir.path + Native("cur/"));
    EXPECT_EQ(batch.problems[0].reason.substr(0, 21), "folder cannot be read");
}

}  // namespace
}  // namespace mirelo
