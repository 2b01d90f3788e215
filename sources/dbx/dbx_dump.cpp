#include "sources/dbx/dbx_dump.h"

#include <cstdint>
#include <cstdio>
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

void WriteMessage(std::FILE* out, std::size_t i, std::string_view text) {
    const std::string marker = std::string(kMarker) + std::to_string(i) + "\r\n";
    text = text.substr(0, text.find('\0'));
    std::fwrite(marker.data(), 1, marker.size(), out);
    std::fwrite(text.data(), 1, text.size(), out);
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
        const DbxMessage message(store, *textPosition);
        if (!message.Problem().empty()) note(message.Problem());
        // A chain damaged further on still gives its first blocks, the header lines.
        if (message.Problem().empty() || !message.Text().empty()) WriteMessage(out, i, message.Text());
    }
}

}  // namespace

DumpOutcome DumpDbxToText(const std::string& storePath, const std::string& tempPath) {
    OutputFile output = OpenPrivateOutputFile(tempPath);
    if (!output.file) return {false, output.problem};
    DbxStoreFile store;
    if (!store.Open(storePath)) return {false, "cannot open the store"};
    std::setvbuf(output.file.get(), nullptr, _IOFBF, kOutputBuffer);

    ProblemNote problems;
    const DbxFileHeader header(store);
    if (!header.Problem().empty()) problems.Add(header.Problem());
    if (header.IsMessageStore() && header.MessageCount() != 0 && header.TreeRoot() != 0)
        DumpMessages(store, header, output.file.get(), problems);

    const bool writeFailed = std::ferror(output.file.get()) != 0;
    if (std::fclose(output.file.release()) != 0 || writeFailed)
        problems.Add("the temporary file " + tempPath + " could not be written in full");
    return {true, problems.Text()};
}

}  // namespace mirelo
