#include "sources/dbx/dbx_dump.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string_view>

#include "base/native_path.h"
#include "base/replace_all.h"
#include "sources/dbx/dbx_file_header.h"
#include "sources/dbx/dbx_message.h"
#include "sources/dbx/dbx_message_info.h"
#include "sources/dbx/dbx_store_file.h"
#include "sources/dbx/dbx_tree.h"
#include "sources/dbx/private_output_file.h"

namespace mirelo {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMarker = "___Message___ : ";
constexpr std::size_t kOutputBuffer = 1 << 20;

// Keeps the first problem and counts the others, so that one line tells what went wrong.
class ProblemNote {
public:
    void Add(std::string problem) {
        if (first_.empty())
            first_ = std::move(problem);
        else
            ++more_;
    }

    DumpDamage Text() const {
        if (first_.empty()) return std::nullopt;
        if (more_ == 0) return first_;
        return first_ + " (and " + std::to_string(more_) + (more_ == 1 ? " more problem)" : " more problems)");
    }

private:
    std::string first_;
    std::size_t more_ = 0;
};

// Writes the dump so that every marker starts a line of its own and a message that cannot
// be read to its end gives only its complete lines: a line cut off by the damage could
// join the next marker and read as an address that is nowhere in the store.
class DumpWriter {
public:
    explicit DumpWriter(FileHandle file) : file_(std::move(file)) {}

    void StartMessage(std::size_t i) {
        if (!atLineStart_) Write("\r\n");
        Write(std::string(kMarker) + std::to_string(i) + "\r\n");
    }

    void AddText(std::string_view piece) {
        const std::size_t lastLineEnd = piece.rfind('\n');
        if (lastLineEnd == std::string_view::npos) {
            unfinishedLine_ += piece;
            return;
        }
        Write(unfinishedLine_);
        Write(piece.substr(0, lastLineEnd + 1));
        unfinishedLine_.assign(piece.substr(lastLineEnd + 1));
    }

    // readToEnd is false when the text broke off: its unfinished last line is dropped.
    void EndMessage(bool readToEnd) {
        if (readToEnd) Write(unfinishedLine_);
        unfinishedLine_.clear();
    }

    bool Failed() const { return error_ != 0; }

    // Writes out what is buffered and closes the file; fails with the system's reason when
    // anything could not be written.
    Result<> Close() {
        if (std::fclose(file_.release()) != 0) Fail();
        if (error_ != 0) return SystemFailure("could not be written in full", error_);
        return {};
    }

private:
    void Write(std::string_view bytes) {
        if (bytes.empty()) return;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) Fail();
        atLineStart_ = bytes.back() == '\n';
    }

    void Fail() {
        if (error_ == 0) error_ = errno != 0 ? errno : EIO;
    }

    FileHandle file_;
    bool atLineStart_ = true;
    std::string unfinishedLine_;
    int error_ = 0;
};

// The marker goes out with the first block, so a message whose chain is damaged from its
// first block on leaves no trace; the text ends at its first NUL.
Result<> DumpMessageText(DbxStoreFile& store, std::uint32_t position, std::size_t i, DumpWriter& out) {
    bool started = false;
    const Result<> read = DbxMessage(store, position).ReadText([&](std::string_view piece) {
        if (!started) out.StartMessage(i);
        started = true;
        const std::size_t nul = piece.find('\0');
        out.AddText(piece.substr(0, nul));
        return nul == std::string_view::npos;
    });
    if (!started && read.Ok()) out.StartMessage(i);  // a text position of 0: no blocks
    out.EndMessage(read.Ok());
    return read;
}

// A damaged message is passed over and the dump goes on: the other messages are sound.
// A failed write ends the dump: what follows it would not join what the file holds.
void DumpMessages(DbxStoreFile& store, const DbxFileHeader& header, DumpWriter& out, ProblemNote& problems,
                  const ReadWatch& watch) {
    const DbxTreeValues tree = DbxTreeValues::Read(store, header.TreeRoot(), header.MessageCount());
    if (tree.damage) problems.Add(*tree.damage);
    const std::size_t count = tree.values.size();
    for (std::size_t i = 0; i < count && !out.Failed() && GoOn(watch, i, count); ++i) {
        const auto note = [&](const std::string& problem) {
            problems.Add("message " + std::to_string(i) + ": " + problem);
        };
        Result<DbxMessageInfo> info = DbxMessageInfo::Read(store, tree.values[i]);
        if (!info.Ok()) {
            note(info.Error().message);
            continue;
        }
        if (!info.Value().HasText()) continue;
        const std::optional<std::uint32_t> textPosition = info.Value().TextPosition();
        if (!textPosition) {
            note("its text position lies outside its info record");
            continue;
        }
        if (const Result<> text = DumpMessageText(store, *textPosition, i, out); !text.Ok()) note(text.Error().message);
    }
}

// A write that failed part-way leaves the file ending anywhere, perhaps inside an address.
bool KeepCompleteLines(const std::string& path) {
    constexpr std::uintmax_t kChunk = 1 << 16;
    std::error_code error;
    const fs::path native = NativePath(path);
    std::uintmax_t end = fs::file_size(native, error);
    if (error) return false;
    std::ifstream in(native, std::ios::binary);
    std::string chunk;
    while (end > 0) {
        const std::uintmax_t start = end > kChunk ? end - kChunk : 0;
        chunk.resize(static_cast<std::size_t>(end - start));
        if (!in.seekg(static_cast<std::streamoff>(start)) ||
            !in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())))
            return false;
        if (const std::size_t lineEnd = chunk.rfind('\n'); lineEnd != std::string::npos) {
            end = start + lineEnd + 1;
            break;
        }
        end = start;
    }
    in.close();
    fs::resize_file(native, end, error);
    return !error;
}

}  // namespace

Result<DumpDamage> DumpDbxToText(const std::string& storePath, const std::string& ownPath,
                                  const std::string& shownPath, const ReadWatch& watch) {
    Result<DbxStoreFile> opened = DbxStoreFile::Open(storePath);
    if (!opened.Ok()) return opened.Error();
    DbxStoreFile& store = opened.Value();
    // Given no buffer, the C library would choose a small one; this one outlives the file.
    const auto buffer = std::make_unique_for_overwrite<char[]>(kOutputBuffer);
    // The reader of a report should not have to guess which folder a relative path meant.
    const std::string dumpPath = AbsolutePath(ownPath);
    const std::string shownDumpPath = AbsolutePath(shownPath);
    Result<FileHandle> output = OpenPrivateOutputFile(dumpPath);
    if (!output.Ok()) {
        std::string problem = output.Error().Text();
        ReplaceAll(problem, dumpPath, shownDumpPath);
        return Failure{problem, {}, FailureCode::TemporaryFile};
    }
    std::setvbuf(output.Value().get(), buffer.get(), _IOFBF, kOutputBuffer);

    ProblemNote problems;
    const Result<DbxFileHeader> header = DbxFileHeader::Read(store);
    if (!header.Ok()) problems.Add(header.Error().message);
    DumpWriter out(std::move(output.Value()));
    if (header.Ok() && header.Value().IsMessageStore() && header.Value().MessageCount() != 0 &&
        header.Value().TreeRoot() != 0)
        DumpMessages(store, header.Value(), out, problems, watch);

    const Result<> written = out.Close();
    if (written.Ok()) return problems.Text();
    problems.Add("the temporary file " + shownDumpPath + " " + written.Error().Text());
    if (!KeepCompleteLines(dumpPath)) return Failure{*problems.Text(), {}, FailureCode::TemporaryFile};
    return problems.Text();
}

}  // namespace mirelo
