// Mailboxes that grow or shrink while they are read: the scan ends, and what it finds is
// exactly what the bytes it was handed hold.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scan/mailbox_scanner.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using testing::TempDir;

using Record = std::tuple<std::string, std::string, int>;

std::vector<Record> RecordsOf(const AddressList& list) {
    std::vector<Record> records;
    for (int i = 0; i < list.Count(); ++i)
        records.emplace_back(list.At(i)->email, list.At(i)->name, list.At(i)->headerKind);
    return records;
}

std::vector<Record> ScanBytes(const std::string& bytes) {
    AddressList list;
    MemoryByteSource source(bytes);
    ScanMailboxSource(source, list, "L");
    return RecordsOf(list);
}

std::string Messages(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        const std::string n = std::to_string(i);
        text += "From ???@??? Mon Mar 03 09:14:22 2003\r\nFrom: Person " + n + " <p" + n + "@mailhost>\r\nTo: team" +
                n + "@mailhost\r\nSubject: note " + n + "\r\n\r\nBody of note " + n + ".\r\n";
    }
    return text;
}

// Passes reads on to another source, keeps every byte it hands out, and runs a change to
// the mailbox once, after the first read.
class ChangingSource : public ByteSource {
public:
    ChangingSource(ByteSource& inner, std::function<void()> change) : inner_(inner), change_(std::move(change)) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::size_t got = inner_.Read(buffer, capacity);
        delivered.append(buffer, got);
        if (change_) {
            beforeChange = delivered;
            std::exchange(change_, nullptr)();
        }
        return got;
    }

    std::string delivered;
    std::string beforeChange;

private:
    ByteSource& inner_;
    std::function<void()> change_;
};

// An in-memory mailbox read a little at a time, as a pipe or network disk gives it.
class SlowMemorySource : public ByteSource {
public:
    explicit SlowMemorySource(std::string& bytes) : bytes_(bytes) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        if (position_ >= bytes_.size()) return 0;
        const std::size_t n = std::min({capacity, bytes_.size() - position_, std::size_t{700}});
        bytes_.copy(buffer, n, position_);
        position_ += n;
        return n;
    }

private:
    std::string& bytes_;
    std::size_t position_ = 0;
};

// What the scan should be handed, given the mailbox before the change and what had been
// read by then.
using ExpectedBytes = std::function<std::string(const std::string& original, const std::string& beforeChange)>;

struct ChangeCase {
    const char* what;
    std::function<void(std::string& bytes)> change;
    ExpectedBytes expectedDelivered;
};

TEST(ChangingMailbox, AByteSourceThatGrowsOrShrinksIsScannedAsFarAsItGoes) {
    const std::string original = Messages(0, 200);
    const std::string extra = Messages(200, 50);
    const std::vector<ChangeCase> cases = {
        {"grows", [&](std::string& bytes) { bytes += extra; },
         [&](const std::string& o, const std::string&) { return o + extra; }},
        {"shrinks below the read position", [](std::string& bytes) { bytes.resize(100); },
         [](const std::string&, const std::string& before) { return before; }},
        {"shrinks ahead of the read position", [](std::string& bytes) { bytes.resize(5000); },
         [](const std::string& o, const std::string&) { return o.substr(0, 5000); }},
        {"is rewritten ahead of the read position",
         [&](std::string& bytes) { bytes.replace(700, extra.size(), extra); },
         [&](const std::string& o, const std::string& before) {
             return before + extra + o.substr(before.size() + extra.size());
         }},
    };
    for (const ChangeCase& c : cases) {
        std::string bytes = original;
        SlowMemorySource slow(bytes);
        ChangingSource source(slow, [&] { c.change(bytes); });
        AddressList list;
        ScanMailboxSource(source, list, "L");
        EXPECT_EQ(source.delivered, c.expectedDelivered(original, source.beforeChange)) << c.what;
        EXPECT_EQ(RecordsOf(list), ScanBytes(source.delivered)) << c.what;
    }
}

struct FileChangeCase {
    const char* what;
    std::function<void(const std::string& path)> change;
    ExpectedBytes expectedDelivered;
};

TEST(ChangingMailbox, AFileCutOrAppendedBetweenReadsIsScannedAsFarAsItGoes) {
    const std::string original = Messages(0, 2000);  // several of the reader's blocks
    const std::string extra = Messages(2000, 100);
    ASSERT_GT(original.size(), 3u << 16);
    const std::vector<FileChangeCase> cases = {
        {"cut below the read position", [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 100), 0); },
         [](const std::string&, const std::string& before) { return before; }},
        {"cut ahead of the read position",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 150000), 0); },
         [](const std::string& o, const std::string&) { return o.substr(0, 150000); }},
        {"emptied", [](const std::string& path) { std::ofstream(path, std::ios::binary | std::ios::trunc); },
         [](const std::string&, const std::string& before) { return before; }},
        {"appended to",
         [&](const std::string& path) { std::ofstream(path, std::ios::binary | std::ios::app) << extra; },
         [&](const std::string& o, const std::string&) { return o + extra; }},
    };
    const TempDir dir;
    for (const FileChangeCase& c : cases) {
        const std::string path = dir.Write("In.mbx", original);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
        ASSERT_TRUE(file);
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
        FileByteSource reads(file.get());
        ChangingSource source(reads, [&] { c.change(path); });
        AddressList list;
        ScanMailboxSource(source, list, "L");
        EXPECT_EQ(source.delivered, c.expectedDelivered(original, source.beforeChange)) << c.what;
        EXPECT_EQ(RecordsOf(list), ScanBytes(source.delivered)) << c.what;
    }
}

}  // namespace
}  // namespace mirelo
