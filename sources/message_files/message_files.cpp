#include "sources/message_files/message_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/ascii.h"
#include "headers/reading.h"
#include "base/native_path.h"
#include "sources/folder_listing.h"
#include "base/path_parts.h"

namespace mirelo {

namespace {

// The message bytes of an .emlx file, as its byte count gives them when the count holds.
class EmlxMessageSource : public ByteSource {
public:
    explicit EmlxMessageSource(std::FILE* file) : file_(file) { ReadCountLine(); }

    // What was odd about the count; none when it held.
    const std::optional<std::string>& Notice() const { return notice_; }
    std::error_code Error() const override {
        return std::ferror(file_) ? std::make_error_code(std::errc::io_error) : std::error_code();
    }

    std::size_t Read(char* buffer, std::size_t capacity) override {
        if (withinCount_) {
            if (left_ > 0) return ReadCounted(buffer, capacity);
            withinCount_ = false;
            if (PropertyListFollows()) return 0;
            notice_ = "byte count " + std::to_string(count_) + " ends inside the message; read to the end of the file";
            readToEnd_ = true;
        }
        if (!readToEnd_) return 0;
        if (!ahead_.empty()) {
            const std::size_t n = std::min(capacity, ahead_.size());
            std::memcpy(buffer, ahead_.data(), n);
            ahead_.erase(0, n);
            return n;
        }
        return std::fread(buffer, 1, capacity, file_);
    }

private:
    static constexpr std::size_t kMaxCountLine = 32;

    // A count is decimal digits, perhaps padded with blanks, ending the first line.
    void ReadCountLine() {
        int c;
        while (ahead_.size() < kMaxCountLine && (c = std::fgetc(file_)) != EOF) {
            ahead_ += static_cast<char>(c);
            if (c == '\n') break;
        }
        const std::size_t digits = static_cast<std::size_t>(
            std::find_if(ahead_.begin(), ahead_.end(), [](char d) { return d < '0' || d > '9'; }) - ahead_.begin());
        const bool counted = digits > 0 && ahead_.back() == '\n' &&
                             ahead_.find_first_not_of(" \t\r", digits) == ahead_.size() - 1;
        if (!counted) {
            notice_ = "no byte count on the first line; read as a plain message";
            readToEnd_ = true;  // the line read ahead may be the message's first
            return;
        }
        // No file holds 10^18 bytes, and more digits would not fit the count.
        if (digits > 18) {
            notice_ = "byte count of " + std::to_string(digits) + " digits is too large; read to the end of the file";
            ahead_.clear();
            readToEnd_ = true;
            return;
        }
        count_ = left_ = std::stoull(ahead_.substr(0, digits));
        ahead_.clear();
        withinCount_ = true;
    }

    std::size_t ReadCounted(char* buffer, std::size_t capacity) {
        const std::size_t n = std::fread(buffer, 1, static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left_)), file_);
        left_ -= n;
        if (n == 0) {
            notice_ = "byte count " + std::to_string(count_) + " runs past the end of the file";
            withinCount_ = false;
        }
        return n;
    }

    // Reads ahead what follows the counted bytes: the property list, or nothing at all.
    bool PropertyListFollows() {
        char next[64];
        ahead_.assign(next, std::fread(next, 1, sizeof next, file_));
        const std::size_t start = ahead_.find_first_not_of(" \t\r\n");
        if (start == std::string::npos) return std::feof(file_) != 0;
        const std::string_view rest = std::string_view(ahead_).substr(start);
        return rest.substr(0, 5) == "<?xml" || rest.substr(0, 9) == "<!DOCTYPE" || rest.substr(0, 6) == "<plist";
    }

    std::FILE* file_;
    std::uint64_t count_ = 0;
    std::uint64_t left_ = 0;
    bool withinCount_ = false;
    bool readToEnd_ = false;
    std::string ahead_;  // bytes read before they were asked for
    std::optional<std::string> notice_;
};

std::vector<std::string> MessageFileNames(const std::string& folder, std::string_view extension, StoreBatch& batch) {
    const Result<FolderEntries> listed = ListFolderEntries(folder);
    if (!listed.Ok()) {
        batch.problems.push_back({folder, listed.Error().Text()});
        return {};
    }
    if (listed.Value().brokeOff) batch.problems.push_back({folder, listed.Value().brokeOff->Text()});
    std::vector<std::string> names;
    for (const FolderEntry& entry : listed.Value().entries) {
        if (!entry.regularFile || entry.name.front() == '.') continue;
        if (extension.empty() || EqualsNoCase(SplitPath(entry.name).extension, extension)) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Result<> ReadPlainMessageFile(const std::string& path, const Reading& reading, AddressList& list,
                              std::string_view label) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return SystemFailure("cannot open " + path, errno);
    std::setvbuf(file.get(), nullptr, _IONBF, 0);  // the reader's own block is the buffer
    FileByteSource source(file.get());
    return ReadMessageFrom(source, reading, list, label);
}

// An Apple Mail message file: a line with the message's length in bytes, the message, a
// property list. A count that is missing or does not end where the property list starts
// gives a notice, and the file is read to its end instead, so no header line is lost.
Result<std::optional<std::string>> ReadEmlxFile(const std::string& path, const Reading& reading, AddressList& list,
                                                std::string_view label) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return SystemFailure("cannot open " + path, errno);
    EmlxMessageSource source(file.get());
    if (const Result<> scan = ReadMessageFrom(source, reading, list, label); !scan.Ok()) return scan.Error();
    return source.Notice();
}

// A file can go between the listing and the reading, as a Maildir's client moves it.
void ReadMessageFile(const std::string& path, bool emlx, std::string_view label, const Reading& reading,
                     StoreBatch& batch) {
    if (!emlx) {
        if (const Result<> scan = ReadPlainMessageFile(path, reading, batch.records, label); !scan.Ok())
            batch.problems.push_back({path, "message cannot be read: " + scan.Error().reason});
        return;
    }
    const Result<std::optional<std::string>> scan = ReadEmlxFile(path, reading, batch.records, label);
    if (!scan.Ok()) {
        batch.problems.push_back({path, "message cannot be read: " + scan.Error().reason});
    } else if (scan.Value()) {
        batch.notices.push_back({path, *scan.Value()});
    }
}

void ReadFilesIn(const std::string& folder, std::string_view extension, std::string_view label, const Reading& reading,
                 StoreBatch& batch) {
    const bool emlx = EqualsNoCase(extension, ".emlx");
    const std::vector<std::string> names = MessageFileNames(folder, extension, batch);
    for (std::size_t i = 0; i < names.size() && GoOn(batch.watch, i, names.size()); ++i)
        ReadMessageFile(folder + names[i], emlx, label, reading, batch);
}

}  // namespace

void MessageFilesReader::Read(const FoundStore& store, StoreBatch& batch) {
    switch (store.kind) {
        case StoreKind::Maildir:
            for (const char* part : {"cur", "new"})
                ReadFilesIn(store.path + part + kPathSeparator, "", store.label, reading_, batch);
            break;
        case StoreKind::Eml: ReadFilesIn(store.path, ".eml", store.label, reading_, batch); break;
        default: ReadFilesIn(store.path, ".emlx", store.label, reading_, batch); break;
    }
}

}  // namespace mirelo
