#include "sources/dbx/dbx_dump.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "sources/dbx/dbx_file_header.h"
#include "sources/dbx/dbx_message.h"
#include "sources/dbx/dbx_message_info.h"
#include "sources/dbx/dbx_store_file.h"
#include "sources/dbx/dbx_tree.h"
#include "sources/dbx/private_output_file.h"

namespace mirelo {

namespace {

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

    std::string Text() const {
        if (more_ == 0) return first_;
        return first_ + " (and " + std::to_string(more_) + (more_ == 1 ? " more problem)" : " more problems)");
    }

private:
    std::string first_;
    std::size_t more_ = 0;
};

void WriteMarker(std::FILE* out, std::size_t i) {
    const std::string marker = std::string(kMarker) + std::to_string(i) + "\r\n";
    std::fwrite(marker.data(), 1, marker.size(), out);
}

// The marker goes out with the first block, so a message whose chain is damaged from its
// first block on leaves no trace; the text ends at its first NUL.
std::string DumpMessageText(DbxStoreFile& store, std::uint32_t position, std::size_t i, std::FILE* out) {
    bool started = false;
    std::string problem = DbxMessage(store, position).ReadText([&](std::string_view piece) {
        if (!started) WriteMarker(out, i);
        started = true;
        const std::size_t nul = piece.find('\0');
        std::fwrite(piece.data(), 1, std::min(nul, piece.size()), out);
        return nul == std::string_view::npos;
    });
    if (!started && problem.empty()) WriteMarker(out, i);  // a text position of 0: no blocks
    return problem;
}

// A damaged message is passed over and the dump goes on: the other messages are sound.
void DumpMessages(DbxStoreFile& store, const DbxFileHeader& header, std::FILE* out, ProblemNote& problems) {
    const DbxTree tree(store, header.TreeRoot(), header.MessageCount());
    if (!tree.Problem().empty()) problems.Add(tree.Problem());
    for (std::size_t i = 0; i < tree.ValueCount(); ++i) {
        const auto note = [&](const std::string& problem) {
            problems.Add("message " + std::to_string(i) + ": " + problem);
        };
        DbxMessageInfo info(store, tree.GetValue(i));
        if (!info.Problem().empty()) {
            note(info.Problem());
            continue;
        }
        if (!info.HasText()) continue;
        const std::optional<std::uint32_t> textPosition = info.TextPosition();
        if (!textPosition) {
            note("its text position lies outside its info record");
            continue;
        }
        if (const std::string problem = DumpMessageText(store, *textPosition, i, out); !problem.empty()) note(problem);
    }
}

}  // namespace

DumpOutcome DumpDbxToText(const std::string& storePath, const std::string& tempPath) {
    DbxStoreFile store;
    if (!store.Open(storePath)) return {false, "cannot open the store"};
    // Given no buffer, the C library would choose a small one; this one outlives the file.
    const auto buffer = std::make_unique_for_overwrite<char[]>(kOutputBuffer);
    OutputFile output = OpenPrivateOutputFile(tempPath);
    if (!output.file) return {false, output.problem};
    std::setvbuf(output.file.get(), buffer.get(), _IOFBF, kOutputBuffer);

    ProblemNote problems;
    const DbxFileHeader header(store);
    if (!header.Problem().empty()) problems.Add(header.Problem());
    if (header.IsMessageStore() && header.MessageCount() != 0 && header.TreeRoot() != 0)
        DumpMessages(store, header, output.file.get(), problems);

    const bool ended = EndFileHere(output.file.get()) && std::ferror(output.file.get()) == 0;
    if (std::fclose(output.file.release()) != 0 || !ended)
        problems.Add("the temporary file " + tempPath + " could not be written in full");
    return {true, problems.Text()};
}

}  // namespace mirelo
