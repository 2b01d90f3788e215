#include "scan/mailbox_scanner.h"

#include <array>
#include <cstring>
#include <memory>

#include "scan/ascii.h"
#include "scan/header_line_parser.h"
#include "scan/native_path.h"

namespace mirelo {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Most lines start with a byte that begins no header name; the reader passes over them
// without their being cut at a NUL or matched.
TextModeLineReader::ByteSet HeaderFirstBytes() {
    TextModeLineReader::ByteSet first{};
    for (const HeaderKindRow* row = HeaderKindTable; row->name; ++row) {
        const auto c = static_cast<unsigned char>(row->name[0]);  // every name starts with a capital
        first[c] = true;
        first[FoldAscii(c)] = true;
    }
    return first;
}

// The piece's text ends at its first NUL; a trailing run of CRs and LFs is no part of it.
std::string_view LineText(std::string_view piece) {
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size()))
        piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n')) piece.remove_suffix(1);
    return piece;
}

// The texts of a message's records, which start without email and name; a scan passes
// the same ones for every message so that their strings keep their memory.
void AppendMessageRecords(HeaderSlots& slots, AddressList& list, HeaderFields& working, TextId mailboxLabel) {
    working.email.clear();
    working.name.clear();
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) {
        std::string& slot = slots[static_cast<std::size_t>(kind)];
        if (!IsKindEnabled(kind) || slot.empty()) continue;
        ParseHeaderLine(working, slot);
        list.Append(working.email, working.name, mailboxLabel, kind);
    }
}

}  // namespace

void EmitMessageRecords(HeaderSlots& slots, AddressList& list, std::string_view mailboxLabel) {
    HeaderFields working;
    AppendMessageRecords(slots, list, working, list.Mailboxes().Intern(mailboxLabel));
}

void ScanMailboxSource(ByteSource& source, AddressList& list, std::string_view mailboxLabel) {
    static const TextModeLineReader::ByteSet mayStartHeader = HeaderFirstBytes();
    HeaderSlots slots;
    HeaderFields working;
    const TextId label = list.Mailboxes().Intern(mailboxLabel);
    TextModeLineReader reader(source);
    std::string_view piece;
    while (reader.NextStartingWith(mayStartHeader, piece)) {
        // A header name holds no NUL, CR or LF, so the piece matches as its text would;
        // only header lines need their text cut out.
        const HeaderMatch match = MatchHeaderKind(slots, piece);
        if (match.kind == kNoKind) continue;
        if (!match.slotEmpty) {
            AppendMessageRecords(slots, list, working, label);
            ClearSlots(slots);
        }
        StoreSlot(slots, match.kind, LineText(piece));
    }
    AppendMessageRecords(slots, list, working, label);
}

bool ScanMailbox(const std::string& path, AddressList& list, std::string_view mailboxLabel) {
    std::unique_ptr<std::FILE, FileCloser> file(OpenFile(path, "rb"));
    if (!file) return false;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);  // the reader's own block is the buffer
    FileByteSource source(file.get());
    ScanMailboxSource(source, list, mailboxLabel);
    return true;
}

}  // namespace mirelo
