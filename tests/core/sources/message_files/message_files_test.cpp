#include "sources/message_files/message_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/path_parts.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

// A count that does not hold costs no header line: the file is read to its end, and the
// notice says why.
TEST(MessageFilesReader, AnEmlxCountThatDoesNotHoldGivesANoticeAndTheWholeMessage) {
    const std::string m = "From: Ann Lee <ann@x.org>\r\nTo: Pat Doe <pat@x.org>\r\nSubject: hi\r\n\r\nbody\r\n";
    const std::string oneByteOver64KiB = m + std::string((1 << 16) + 1 - m.size(), 'b');
    const struct { std::string bytes; int records; const char* notice; } cases[] = {
        {std::to_string(m.size()) + "\n" + m + "<?xml version=\"1.0\"?>\n<plist/>\n", 2, nullptr},
        {std::to_string(m.size()) + "\n" + m + "<!DOCTYPE plist>\n<plist/>\n", 2, nullptr},
        {std::to_string(m.size()) + "\n" + m + "\r\n", 2, nullptr},  // no property list, only a line end
        {"65537\n" + oneByteOver64KiB + "<plist/>", 2, nullptr},
        {"5000\n" + m, 2, "byte count 5000 runs past the end of the file"},
        {"19\n" + m + "<?xml?>", 2, "byte count 19 ends inside the message; read to the end of the file"},
        {m, 2, "no byte count on the first line; read as a plain message"},
        {std::string(19, '9') + "\n" + m, 2, "byte count of 19 digits is too large; read to the end of the file"},
        {"", 0, "no byte count on the first line; read as a plain message"},
    };
    for (const auto& c : cases) {
        const testing::TempDir dir;
        const std::string path = dir.Write("Messages/1.emlx", c.bytes);
        StoreBatch batch;
        MessageFilesReader({HeaderKindSet::Every(), ReadingRules::Rfc5322})
            .Read({StoreKind::Emlx, FolderOf(path), "Box"}, batch);
        EXPECT_EQ(batch.records.Count(), c.records) << c.bytes.substr(0, 5);
        EXPECT_TRUE(batch.problems.empty()) << c.bytes.substr(0, 5);
        std::vector<std::string> notices;
        for (const StoreProblem& notice : batch.notices) notices.push_back(notice.reason);
        EXPECT_EQ(notices, c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{});
    }
}

// Hidden files, such as those a Mac leaves, are no messages; the ones after them still are.
TEST(MessageFilesReader, AMaildirsHiddenFilesArePassedOver) {
    const testing::TempDir dir;
    dir.Write("Box/cur/.DS_Store", "From: hidden@x.org\r\n");
    dir.Write("Box/cur/1", "From: a@x.org\r\n");
    dir.Write("Box/new/2", "From: b@x.org\r\n");
    StoreBatch batch;
    MessageFilesReader({HeaderKindSet::Every(), ReadingRules::Rfc5322})
        .Read({StoreKind::Maildir, (dir.path() / "Box").string() + kPathSeparator, "Box"}, batch);
    std::vector<std::string> emails;
    for (int i = 0; i < batch.records.Count(); ++i) emails.emplace_back(batch.records.Email(*batch.records.At(i)));
    EXPECT_EQ(emails, (std::vector<std::string>{"a@x.org", "b@x.org"}));
}

}  // namespace
}  // namespace mirelo
