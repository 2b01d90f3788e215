#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/extract_options.h"
#include "extraction/extraction_service.h"
#include "sources/pst/pst_file.h"
#include "store_writer/pst_writer.h"
#include "support/recording_observer.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

// Outlook's files are found by their signature, by --pst and --all alike, and only they.
TEST(PstDetection, FindsPersonalFolderFilesByTheirSignature) {
    testing::PstMessage message;
    message.transportHeaders = "From: Ann <ann@x.example>\r\n";
    const std::string pst = testing::WritePst({{"Inbox", {message}, {}}}).bytes;
    const testing::TempDir dir;
    dir.Write("mail/Outlook.pst", pst);
    dir.Write("mail/Archive", pst);
    dir.Write("mail/notes.pst", "not one");
    dir.Write("mail/box.mbox", "From ann@x.example Sat Jan  8 12:00:00 2022\nFrom: Bo <bo@x.example>\n\nhi\n");
    const struct {
        const char* option;
        std::set<std::string> labels;
    } cases[] = {
        {"--pst", {"Archive/Inbox", "Outlook.pst/Inbox"}},
        {"--all", {"Archive/Inbox", "Outlook.pst/Inbox", "box.mbox"}},
    };
    for (const auto& c : cases) {
        const std::string folder = testing::Native((dir.path() / "mail").string());
        const Result<ExtractOptions> options = ParseExtractOptions({c.option, folder});
        ASSERT_TRUE(options.Ok()) << options.Error().message;
        testing::RecordingObserver observer;
        const ExtractionResult result = Extract(
            {.source = MailSource::AllMail, .selection = *options.Value().stores, .folder = folder,
             .reading = {HeaderKindSet::Every(), ReadingRules::Rfc5322}, .extras = {}, .ownAddresses = {}},
            observer);
        std::set<std::string> labels;
        for (int i = 0; i < result.list->Count(); ++i)
            labels.insert(std::string(result.list->Mailbox(*result.list->At(i))).substr(result.labelPrefix.size()));
        EXPECT_EQ(labels, c.labels) << c.option;
        EXPECT_TRUE(observer.problems.empty()) << c.option;
    }
}

// The reader checks the signature itself: a file that lost it after it was found is no store.
TEST(PstDetection, AHeaderWithoutTheSignatureIsRefused) {
    std::string pst = testing::WritePst({{"Inbox", {}, {}}}).bytes;
    EXPECT_TRUE(ReadPstHeader(pst).Ok());
    pst[0] = 'X';
    EXPECT_FALSE(ReadPstHeader(pst).Ok());
}

}  // namespace
}  // namespace mirelo
