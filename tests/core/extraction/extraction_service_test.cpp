#include "extraction/extraction_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "base/path_parts.h"
#include "store_writer/dbx_writer.h"
#include "support/recording_observer.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace mirelo {
namespace {

ExtractionRequest Request(MailSource source, const std::string& folder) {
    ExtractionRequest request;
    request.source = source;
    request.folder = folder;
    return request;
}

namespace fs = std::filesystem;
using testing::DbxStoreBuilder;
using testing::Native;
using testing::TempDir;

// The mailbox each address was last found in; duplicates left out.
std::map<std::string, std::string> MailboxByEmail(const AddressList& list) {
    std::map<std::string, std::string> found;
    for (int i = 0; i < list.Count(); ++i)
        if (!list.At(i)->duplicate) found[std::string(list.Email(*list.At(i)))] = list.Mailbox(*list.At(i));
    return found;
}

// Two windows, or a window and the command line, share the temporary folder: each reads
// its own stores' dumps, and only outlook_temp.mbx is left behind.
TEST(OutlookExtraction, TwoExtractionsAtOnceWithOneTemporaryFolderReadTheirOwnStores) {
    const TempDir folder;
    std::map<std::string, std::string> expected[2];  // by side
    for (int side = 0; side < 2; ++side)
        for (int s = 0; s < 8; ++s) {
            DbxStoreBuilder builder;
            const std::string store = Native(std::string(side ? "B" : "A") + "/Id/S" + std::to_string(s) + ".dbx");
            for (int m = 0; m < 200; ++m) {
                const std::string who = std::to_string(side * 8 + s) + "x" + std::to_string(m) + "@mailhost";
                builder.AddMessage("From: " + who + "\r\nTo: " + who + "\r\n");
                expected[side][who] = (folder.path() / store).string();
            }
            folder.Write(store, builder.Build().bytes);
        }
    const testing::ScopedEnv temp("TEMP", folder.path().string());
    ExtractionResult results[2];
    testing::RecordingObserver logs[2];
    const auto extract = [&](int i) {
        results[i] = Extract(Request(MailSource::Outlook, (folder.path() / (i ? "B" : "A") / "Id").string()), logs[i]);
    };
    std::thread other(extract, 1);
    extract(0);
    other.join();

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(results[i].list->Count(), 2 * 8 * 200);
        EXPECT_EQ(MailboxByEmail(*results[i].list), expected[i]);
    }
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"A", "B", "outlook_temp.mbx"}));
}

std::string MailboxFrom(const std::string& who) { return "From: " + who + " <" + who + "@mailhost>\r\n"; }

class EudoraExtractionTest : public ::testing::Test {
protected:
    std::string Root() const { return folder.path().string() + kPathSeparator; }

    // The Eudora command's extraction of the folder; false when stopped.
    bool Extract(unsigned workers) {
        ExtractionRequest request = Request(MailSource::Eudora, folder.path().string());
        request.workers = workers;
        ExtractionResult result = mirelo::Extract(request, observer, std::move(list));
        list = std::move(result.list);
        return result.finished;
    }
    const AddressList& List() const { return *list; }

    testing::TempDir folder;
    std::unique_ptr<AddressList> list = std::make_unique<AddressList>();
    testing::RecordingObserver observer;
};

// Opened in the short form, "Box." would be read as "Box", and the device names would
// open the devices: AUX and COM1 hang, NUL reads as empty, CON and PRN fail.
TEST_F(EudoraExtractionTest, FoldersEndingInADotOrSpaceAndFilesNamedLikeDevicesAreReadAsThemselves) {
    const std::vector<std::string> mailboxes = {"Box/In.mbx", "Box./In.mbx", "Box /In.mbx", "Old./Sub /Deep.mbx",
                                                "AUX.mbx", "COM1.mbx", "NUL.mbx", "CON.mbx", "PRN.mbx", "lpt1.mbx"};
    std::map<std::string, std::string> expected;  // address, the mailbox it was found in
    for (std::size_t i = 0; i < mailboxes.size(); ++i) {
        folder.Write(mailboxes[i], MailboxFrom("p" + std::to_string(i)));
        expected["p" + std::to_string(i) + "@mailhost"] = Root() + testing::Native(mailboxes[i]);
    }
    Extract(2);
    EXPECT_EQ(MailboxByEmail(List()), expected);
    EXPECT_TRUE(observer.problems.empty());
}

// Read on the calling thread, the status line names each mailbox just before it is read.
TEST_F(EudoraExtractionTest, UnreadableAndVanishingMailboxesAndFoldersAreReportedAndSkipped) {
    folder.Write("Kept.mbx", MailboxFrom("kept"));
    folder.Write("Sub/Gone.mbx", MailboxFrom("gone"));
    folder.Write("Sub/Also.mbx", MailboxFrom("also"));
    const std::string gone = Root() + testing::Native("Sub/Gone.mbx");
    std::set<std::string> expectedProblems = {gone};
#ifndef _WIN32
    if (geteuid() != 0) {  // permissions do not bind the superuser
        folder.Write("Closed/In.mbx", MailboxFrom("hidden"));
        fs::permissions(folder.Write("Closed.mbx", MailboxFrom("closed")), fs::perms::none);
        fs::permissions(folder.path() / "Closed", fs::perms::none);
        expectedProblems.insert({Root() + "Closed/", Root() + "Closed.mbx"});
    }
#endif
    observer.onStatus = [&](const std::string& s) { if (s.find("Gone") != std::string::npos) fs::remove(Root() + s); };
    Extract(1);
    EXPECT_EQ(MailboxByEmail(List()), (std::map<std::string, std::string>{
        {"kept@mailhost", Root() + "Kept.mbx"}, {"also@mailhost", Root() + testing::Native("Sub/Also.mbx")}}));
    EXPECT_NE(observer.problems[gone].find("No such file"), std::string::npos);
    for (const auto& [path, reason] : observer.problems) EXPECT_EQ(expectedProblems.erase(path), 1u) << path;
    EXPECT_TRUE(expectedProblems.empty());
}

// On a worker or on the calling thread alike; the progress is told on the calling thread.
TEST_F(EudoraExtractionTest, AStopEndsTheStoreBeingReadWithinABlock) {
    std::string mailbox;
    for (int i = 0; i < 20000; ++i) mailbox += MailboxFrom("user" + std::to_string(i));
    folder.Write("Big.mbx", mailbox);
    for (const unsigned workers : {1u, 2u}) {
        observer.storesRead = 0;
        observer.stopAfterStores = 3;
        EXPECT_FALSE(Extract(workers));
        EXPECT_TRUE(List().Count() > 0 && List().Count() < 20000) << List().Count();
        EXPECT_EQ(observer.progressThreads, std::set{std::this_thread::get_id()});
    }
}

}  // namespace
}  // namespace mirelo
