#include "sources/store_detection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/sources/recording_observer.h"
#include "scan/replace_all.h"
#include "sources/extraction.h"
#include "sources/message_files/message_files.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::Native;
using testing::TempDir;
using Observer = testing::RecordingObserver;

std::string Message(const std::string& name, const std::string& user) {
    return "From: " + name + " <" + user + "@x.org>\r\nTo: Pat Doe <pat@x.org>\r\nSubject: hi\r\n\r\nbody\r\n";
}

std::string Emlx(const std::string& message) {
    return std::to_string(message.size()) + "\n" + message + "<?xml version=\"1.0\"?>\n<plist><dict/></plist>\n";
}

// A profile of every client: the trash of each, index files, and files that are no mail.
TEST(ListMailStores, FindsEachKindByItsStructureInDocumentedOrder) {
    TempDir dir;
    const std::string m = Message("Ann Lee", "ann");
    for (const char* path : {"Eudora/In.mbx", "Eudora/Trash.mbx", "TB/Inbox", "TB/Inbox.sbd/Work", "TB/Trash",
                             "TB/Junk.mbox", "export.junk", "export.txt"})
        dir.Write(path, "From - Mon Jan 1 2001\n" + m);
    for (const char* path : {"Eudora/In.toc", "TB/Inbox.msf", "TB/Inbox.sbd/Work.msf", "TB/Trash.msf", "TB/Drafts.msf",
                             "Apple/INBOX.mbox/Info.plist", "Apple/INBOX.mbox/Messages/2.1.emlxpart"})
        dir.Write(path, "From - index\n" + m);
    dir.Write("TB/Drafts", "");
    dir.Write("letter.txt", "From the desk of Ann\nDear Pat,\n");
    for (const char* path : {"Maildir/cur/1.mx", "Maildir/new/2", "Maildir/tmp/3", "Maildir/.Sent/cur/4",
                             "Maildir/.INBOX.Trash/cur/5", "Live/Inbox/a.eml", "Live/Deleted Items/b.eml"})
        dir.Write(path, m);
    for (const char* path : {"Maildir/.Sent/new", "Maildir/.INBOX.Trash/new"})
        std::filesystem::create_directory(dir.path() / path);
    for (const char* path : {"Apple/INBOX.mbox/Data/1/Messages/1.emlx", "Apple/INBOX.mbox/Messages/2.partial.emlx",
                             "Apple/Junk.mbox/Messages/3.emlx"})
        dir.Write(path, Emlx(m));
    StoreSelection mboxOnly;
    mboxOnly.kinds[static_cast<std::size_t>(StoreKind::Mbox)] = true;
    const std::vector<std::string> every = {"emlx Apple/INBOX.mbox/Data/1/Messages/ Apple/INBOX.mbox",
        "emlx Apple/INBOX.mbox/Messages/ Apple/INBOX.mbox", "eudora Eudora/In.mbx Eudora/In.mbx",
        "eml Live/Inbox/ Live/Inbox", "maildir Maildir/ Maildir", "maildir Maildir/.Sent/ Maildir/.Sent",
        "mbox TB/Drafts TB/Drafts", "mbox TB/Inbox TB/Inbox", "mbox TB/Inbox.sbd/Work TB/Inbox.sbd/Work",
        "mbox export.junk export.junk", "mbox export.txt export.txt"};
    const struct { StoreSelection selection; std::vector<std::string> expected; } cases[] = {
        {StoreSelection::Every(), every},
        {{StoreSelection::Every().kinds, true},  // the trash too
         {every[0], every[1], "emlx Apple/Junk.mbox/Messages/ Apple/Junk.mbox", every[2],
          "eml Live/Deleted Items/ Live/Deleted Items", every[3], every[4],
          "maildir Maildir/.INBOX.Trash/ Maildir/.INBOX.Trash", every[5], every[6], every[7], every[8],
          "mbox TB/Junk.mbox TB/Junk.mbox", "mbox TB/Trash TB/Trash", every[9], every[10]}},
        {mboxOnly, {every[6], every[7], every[8], every[9], every[10]}},
    };
    const std::string root = dir.path().string() + "/";
    for (const auto& c : cases) {
        Observer observer;
        std::vector<std::string> listed;
        for (const FoundStore& store : ListMailStores(root, c.selection, observer))
            listed.push_back(std::string(StoreKindName(store.kind)) + " " + store.path.substr(root.size()) + " " +
                             store.label.substr(root.size()));
        std::vector<std::string> expected;
        for (const std::string& line : c.expected) expected.push_back(Native(line));
        EXPECT_EQ(listed, expected);
        EXPECT_TRUE(observer.problems.empty());
    }
}

using Correspondents = std::set<std::pair<std::string, std::string>>;

Correspondents ExtractFrom(const std::string& folder, Observer& observer) {
    AddressList list;
    ExtractAllMail(Native(folder + "/"), StoreSelection::Every(), list, observer);
    Correspondents found;
    for (int i = 0; i < list.Count(); ++i)
        found.insert({std::string(list.Email(*list.At(i))), std::string(list.Name(*list.At(i)))});
    return found;
}

TEST(ExtractAllMail, TheSameMessagesGiveTheSameCorrespondentsInEveryKind) {
    const std::vector<std::string> messages = {Message("Ann Lee", "ann"),
        "Return-Path: <bounce@x.org>\r\nFrom: \"Bo, Chan\" <bo@x.org>\r\nReply-To: desk@x.org\r\n\r\n",
        Message("Cy Ode", "cy") + "From the start\r\n>From quoted\r\n"};
    const auto replaced = [](std::string s, std::string_view a, std::string_view b) { ReplaceAll(s, a, b); return s; };
    TempDir dir;
    std::string eudora, mboxo, mboxrd;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string n = std::to_string(i);
        eudora += "From ???@??? Mon Jan 01 00:00:00 2001\r\n" + messages[i];
        mboxo += "From a@b Mon Jan  1 00:00:00 2001\n" + replaced(messages[i], "\nFrom the", "\n>From the");
        mboxrd += "From a@b Mon Jan  1 00:00:00 2001\n" +
                  replaced(replaced(messages[i], "\n>From", "\n>>From"), "\nFrom the", "\n>From the");
        dir.Write("maildir/cur/" + n + ".mx", messages[i]);
        dir.Write("eml/" + n + ".eml", messages[i]);
        dir.Write("emlx/A.mbox/Messages/" + n + ".emlx", Emlx(messages[i]));
    }
    std::filesystem::create_directory(dir.path() / "maildir/new");
    dir.Write("eudora/In.mbx", eudora);
    dir.Write("mboxo/box.mbox", mboxo);
    dir.Write("mboxrd/Inbox", mboxrd);
    dir.Write("mboxrd/Inbox.msf", "");
    Observer observer;
    const Correspondents expected = ExtractFrom((dir.path() / "eudora").string(), observer);
    EXPECT_EQ(expected.size(), 6u);
    for (const char* kind : {"mboxo", "mboxrd", "maildir", "eml", "emlx"})
        EXPECT_EQ(ExtractFrom((dir.path() / kind).string(), observer), expected) << kind;
    EXPECT_TRUE(observer.problems.empty());

    // A second extraction into the same list starts it afresh.
    AddressList list;
    const std::string eml = Native((dir.path() / "eml").string() + "/");
    ExtractAllMail(eml, StoreSelection::Every(), list, observer);
    const int once = list.Count();
    ExtractAllMail(eml, StoreSelection::Every(), list, observer);
    EXPECT_EQ(list.Count(), once);
}

TEST(ExtractAllMail, DamagedStoresGiveTheirRecordsOrALine) {
    const std::string m = Message("Ann Lee", "ann");
    const struct { const char* path; std::string bytes; std::size_t correspondents; const char* said; } cases[] = {
        {"cut.mbox", "From a@b\n" + m + "From a@b\nFrom: Bo <bo@x.o", 3, ""},
        {"Messages/long.emlx", "5000\n" + m, 2, "byte count 5000 runs past the end of the file"},
        {"Messages/short.emlx", "12\n" + m + "<?xml?>", 2, "byte count 12 ends inside the message; read to the end of the file"},
        {"Messages/none.emlx", m, 2, "no byte count on the first line; read as a plain message"},
        {"Messages/empty.emlx", "", 0, "no byte count on the first line; read as a plain message"},
        {"Live/empty.eml", "", 0, ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.Write(c.path, c.bytes);
        Observer observer;
        EXPECT_EQ(ExtractFrom(dir.path().string(), observer).size(), c.correspondents) << c.path;
        EXPECT_EQ(observer.problems[Native(path)], c.said) << c.path;
    }
}

TEST(ReadMessageFolder, AMaildirGoneAfterItWasListedIsReported) {
    TempDir dir;
    dir.Write("Maildir/cur/1", Message("Ann Lee", "ann"));
    std::filesystem::create_directory(dir.path() / "Maildir/new");
    Observer observer;
    const std::vector<FoundStore> stores = ListMailStores(dir.path().string() + "/", StoreSelection::Every(), observer);
    std::filesystem::remove_all(dir.path() / "Maildir");
    StoreBatch batch;
    ASSERT_EQ(stores.size(), 1u);
    ReadMessageFolder(stores[0], batch);
    EXPECT_EQ(batch.records.Count(), 0);
    ASSERT_EQ(batch.problems.size(), 2u);
    EXPECT_EQ(batch.problems[0].path, stores[0].path + Native("cur/"));
    EXPECT_EQ(batch.problems[0].reason.substr(0, 21), "folder cannot be read");
}

}  // namespace
}  // namespace mirelo
