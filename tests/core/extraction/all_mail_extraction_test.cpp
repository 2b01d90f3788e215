#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "base/replace_all.h"
#include "core/sources/recording_observer.h"
#include "extraction/extraction_service.h"
#include "support/temp_dir.h"
#include "support/test_mail.h"

namespace mirelo {
namespace {

using testing::Native;

using testing::Emlx;
using testing::Message;

using Correspondents = std::set<std::pair<std::string, std::string>>;

Correspondents ExtractFrom(const std::filesystem::path& folder, ExtractionObserver& observer,
                           std::unique_ptr<AddressList>& into) {
    ExtractionResult result = Extract({.source = MailSource::AllMail, .folder = Native(folder.string())}, observer,
                                      std::move(into));
    into = std::move(result.list);
    const AddressList& list = *into;
    Correspondents found;
    for (int i = 0; i < list.Count(); ++i)
        found.insert({std::string(list.Email(*list.At(i))), std::string(list.Name(*list.At(i)))});
    return found;
}

TEST(AllMailExtraction, TheSameMessagesGiveTheSameCorrespondentsInEveryKind) {
    const std::vector<std::string> messages = {Message("Ann Lee", "ann"),
        "Return-Path: <bounce@x.org>\r\nFrom: \"Bo, Chan\" <bo@x.org>\r\nReply-To: desk@x.org\r\n\r\n",
        Message("Cy Ode", "cy") + "From the start\r\n>From quoted\r\n"};
    const auto replaced = [](std::string s, std::string_view a, std::string_view b) { ReplaceAll(s, a, b); return s; };
    testing::TempDir dir;
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
    testing::RecordingObserver observer;
    auto list = std::make_unique<AddressList>();  // one for every kind: each extraction into it starts it afresh
    const Correspondents expected = ExtractFrom(dir.path() / "eudora", observer, list);
    const int records = list->Count();
    EXPECT_EQ(expected.size(), 6u);
    for (const char* kind : {"mboxo", "mboxrd", "maildir", "eml", "emlx"}) {
        EXPECT_EQ(ExtractFrom(dir.path() / kind, observer, list), expected) << kind;
        EXPECT_EQ(list->Count(), records) << kind;
    }
    EXPECT_TRUE(observer.problems.empty());
}

TEST(AllMailExtraction, DamagedStoresGiveTheirRecordsOrALine) {
    const std::string m = Message("Ann Lee", "ann");
    const struct { const char* path; std::string bytes; std::size_t correspondents; const char* said; } cases[] = {
        {"cut.mbox", "From a@b\n" + m + "From a@b\nFrom: Bo <bo@x.o", 3, ""},
        {"Messages/long.emlx", "5000\n" + m, 2, "byte count 5000 runs past the end of the file"},
        {"Messages/short.emlx", "19\n" + m + "<?xml?>", 2, "byte count 19 ends inside the message; read to the end of the file"},
        {"Messages/none.emlx", m, 2, "no byte count on the first line; read as a plain message"},
        {"Messages/huge.emlx", std::string(31, '9') + "\n" + m, 2,
         "byte count of 31 digits is too large; read to the end of the file"},
        {"Messages/empty.emlx", "", 0, "no byte count on the first line; read as a plain message"},
        {"Live/empty.eml", "", 0, ""},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        const std::string path = dir.Write(c.path, c.bytes);
        testing::RecordingObserver observer;
        auto list = std::make_unique<AddressList>();
        EXPECT_EQ(ExtractFrom(dir.path(), observer, list).size(), c.correspondents) << c.path;
        EXPECT_EQ(observer.problems[Native(path)], c.said) << c.path;
    }
}

}  // namespace
}  // namespace mirelo
