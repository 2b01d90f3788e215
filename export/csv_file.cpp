#include "export/csv_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "base/native_path.h"
#include "base/prefetch.h"
#include "base/side_task.h"

namespace mirelo {

namespace {

namespace fs = std::filesystem;

constexpr auto kNewFileMode = static_cast<fs::perms>(0666);  // as fopen makes a file, before the umask

bool Put(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

// Pushes the bytes to the disk, where a full disk finally shows.
bool FlushToDisk(std::FILE* out) {
    if (std::fflush(out) != 0) return false;
#ifndef _WIN32
    if (fsync(fileno(out)) != 0 && errno != EINVAL && errno != EROFS) return false;
#endif
    return true;
}

Failure OpenFailure(const std::string& path, const std::string& reason) {
    return {"Unable to open output file " + path, reason};
}

Failure WriteFailure(const std::string& path, int error) {
    return {"Unable to write output file " + path, std::strerror(error)};
}

// Writes the lines and closes the file; the number of record lines, or the failure.
Result<int> WriteAndClose(std::FILE* out, const std::string& path, const LinesWriter& writeLines) {
    const Result<int> lines = writeLines(out);
    bool ok = lines.Ok() && FlushToDisk(out);
    int error = lines.Ok() ? errno : lines.Error().code.value();
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) return WriteFailure(path, error);
    return lines;
}

// The file at the end of a chain of links: replacing it keeps the links as they are.
std::string FinalTarget(std::string path) {
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(NativePath(path), error)); ++hops) {
        const fs::path next = fs::read_symlink(NativePath(path), error);
        if (error) break;
        path = PathText(next.is_absolute() ? next : NativePath(path).parent_path() / next);
    }
    return path;
}

struct Sibling {
    std::FILE* file;
    std::string path;
};

// A file beside the target that nobody else uses, made with the target's permissions so
// that it is never readable by more people than the file it replaces. It is made through a
// descriptor on Windows too: msvcrt, the C library of MinGW programs, predates fopen's "x".
// The failure names the last name tried.
Result<Sibling> CreateSibling(const std::string& path, [[maybe_unused]] fs::perms mode) {
    std::string siblingPath;
    for (int attempt = 0; attempt < 100; ++attempt) {
        siblingPath = path + ".partial" + std::to_string(attempt);
#ifdef _WIN32
        const int fd = _wopen(NativePath(siblingPath).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                              _S_IREAD | _S_IWRITE);
        const auto closeDescriptor = _close;
        const auto openStream = _fdopen;
#else
        const int fd = open(siblingPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
        const auto closeDescriptor = close;
        const auto openStream = fdopen;
#endif
        if (fd >= 0) {
            std::FILE* out = openStream(fd, "wb");
            if (out) return Sibling{out, siblingPath};
            const int error = errno;
            closeDescriptor(fd);
            std::error_code ignored;
            fs::remove(NativePath(siblingPath), ignored);
            return SystemFailure("cannot create " + siblingPath, error);
        }
        if (errno != EEXIST) break;
    }
    return SystemFailure("cannot create " + siblingPath, errno);
}

#ifdef _WIN32
// Windows neither replaces nor removes a read-only file, and a file's permissions there
// are only that bit: the partial file stays writable, the target's bit is lifted for the
// rename and put on its successor, or back on the target when the rename fails.
Result<> ReplaceWith(const std::string& partialPath, const std::string& target, const fs::file_status& old) {
    const std::wstring targetPath = NativePath(target).native();
    const DWORD attributes = GetFileAttributesW(targetPath.c_str());
    const bool wasReadOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (wasReadOnly) SetFileAttributesW(targetPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    std::error_code error;
    fs::rename(NativePath(partialPath), NativePath(target), error);
    if (error) {
        if (wasReadOnly) SetFileAttributesW(targetPath.c_str(), attributes);
        return SystemFailure("cannot rename " + partialPath + " to it", error);
    }
    if (fs::exists(old) && (old.permissions() & fs::perms::owner_write) == fs::perms::none)
        SetFileAttributesW(targetPath.c_str(), GetFileAttributesW(targetPath.c_str()) | FILE_ATTRIBUTE_READONLY);
    return {};
}
#else
// The creation mode passed through the umask; the old file's bits are wanted.
Result<> ReplaceWith(const std::string& partialPath, const std::string& target, const fs::file_status& old) {
    std::error_code error;
    if (fs::exists(old)) fs::permissions(partialPath, old.permissions() & fs::perms::all, error);
    fs::rename(partialPath, target, error);
    if (error) return SystemFailure("cannot rename " + partialPath + " to it", error);
    return {};
}
#endif

Result<int> ReplaceRegularFile(const std::string& path, const std::string& target, const fs::file_status& status,
                               const LinesWriter& writeLines) {
    const bool exists = fs::exists(status);
    const fs::perms mode = exists ? status.permissions() & fs::perms::all : kNewFileMode;
    const Result<Sibling> partial = CreateSibling(target, mode);
    if (!partial.Ok()) return OpenFailure(path, partial.Error().Text());

    Result<int> result = WriteAndClose(partial.Value().file, path, writeLines);
    if (result.Ok()) {
        if (const Result<> replaced = ReplaceWith(partial.Value().path, target, status); !replaced.Ok())
            result = OpenFailure(path, replaced.Error().Text());
    }
    std::error_code ignored;
    if (!result.Ok()) fs::remove(NativePath(partial.Value().path), ignored);
    return result;
}

}  // namespace

// A mailbox path may hold a separator or a line end; quoted as RFC 4180 has it only then,
// so that every other line stays as it always was. Addresses and names never hold them.
void AppendCsvField(std::string& line, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        line.append(text);
        return;
    }
    line.push_back('"');
    for (const char c : text) {
        if (c == '"') line.push_back('"');
        line.push_back(c);
    }
    line.push_back('"');
}

namespace {

bool Written(const AddressRecord& record) { return !record.duplicate && !record.deleted; }

// Appends the lines of the records at positions from to to, those written, to text, and
// hands text to emit whenever it has grown to a piece of many lines. Gives the number of
// lines, or what emit failed with.
template <typename Emit>
Result<int> AppendCsvLines(const AddressList& list, const std::vector<std::string>& labelFields, int from, int to,
                           std::string& text, Emit emit) {
    // The ordering scatters the records over the list's memory: each is fetched a few
    // lines ahead, and the texts of one that is written half as far.
    constexpr int kAhead = 16;
    constexpr std::size_t kPieceBytes = 64 * 1024;
    int lines = 0;
    for (int i = from; i < to; ++i) {
        if (i + kAhead < to) Prefetch(list.At(i + kAhead));
        if (i + kAhead / 2 < to && Written(*list.At(i + kAhead / 2))) {
            list.Emails().PrefetchText(list.At(i + kAhead / 2)->email);
            list.Names().PrefetchText(list.At(i + kAhead / 2)->name);
        }
        const AddressRecord& record = *list.At(i);
        if (!Written(record)) continue;
        text.append(list.Email(record)).append(",").append(list.Name(record)).append(",");
        text.append(labelFields[record.mailbox]).append("\r\n");
        ++lines;
        if (text.size() < kPieceBytes) continue;
        if (const Result<> emitted = emit(text); !emitted.Ok()) return emitted.Error();
    }
    return lines;
}

}  // namespace

Result<int> WriteCsvLines(std::FILE* out, const AddressList& list, unsigned threads) {
    // Below this many records a second thread costs more than it saves.
    constexpr int kFewestForTwoThreads = 1 << 15;
    // Each label is quoted once, however many lines carry it.
    std::vector<std::string> labelFields(list.Mailboxes().Count());
    for (TextId id = 0; id < labelFields.size(); ++id) AppendCsvField(labelFields[id], list.Mailboxes().Text(id));
    const auto put = [out](std::string& text) -> Result<> {
        if (!Put(out, text)) return SystemFailure("write failed", errno);
        text.clear();
        return {};
    };
    std::string piece = "email,name,notes\r\n";
    const int count = list.Count();
    if (threads < 2 || count < kFewestForTwoThreads) {
        const Result<int> lines = AppendCsvLines(list, labelFields, 0, count, piece, put);
        if (!lines.Ok()) return lines;
        if (const Result<> last = put(piece); !last.Ok()) return last.Error();
        return lines;
    }
    // The list goes in rounds of two parts: the second part's lines are made on a second
    // thread while the first part's are written, and kept until their turn. Many rounds
    // keep that text a small share of the list's.
    constexpr std::int64_t kRounds = 4;
    int lines = 0;
    std::string later;
    for (std::int64_t round = 0; round < kRounds; ++round) {
        const auto from = static_cast<int>(count * round / kRounds);
        const auto to = static_cast<int>(count * (round + 1) / kRounds);
        const int middle = from + (to - from) / 2;
        Result<int> laterLines = 0;
        Result<int> firstLines = 0;
        RunBeside([&] { laterLines = AppendCsvLines(list, labelFields, middle, to, later, [](std::string&) { return Result<>{}; }); },
                  [&] { firstLines = AppendCsvLines(list, labelFields, from, middle, piece, put); });
        if (!firstLines.Ok()) return firstLines;
        for (std::string* text : {&piece, &later})
            if (const Result<> written = put(*text); !written.Ok()) return written.Error();
        lines += firstLines.Value() + laterLines.Value();
    }
    return lines;
}

Result<int> WriteOutputFile(const std::string& path, const LinesWriter& writeLines) {
    const std::string target = FinalTarget(path);
    std::error_code error;
    const fs::file_status status = fs::status(NativePath(target), error);
    // A looping link or a folder that cannot be searched: nothing sound to replace.
    if (error && error != std::errc::no_such_file_or_directory) return OpenFailure(path, error.message());
    if (!fs::exists(status) || fs::is_regular_file(status)) return ReplaceRegularFile(path, target, status, writeLines);

    std::FILE* out = OpenFile(target, "wb").release();
    if (!out) return OpenFailure(path, std::strerror(errno));
    return WriteAndClose(out, path, writeLines);
}

std::string CountsText(int original, int unique) {
    return std::to_string(original) + " original email addresses, " + std::to_string(unique) + " unique";
}

}  // namespace mirelo
