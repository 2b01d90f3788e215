#include "scan/mailbox_scanner.h"

#include <array>
#include <cstring>
#include <memory>

#include "scan/ascii.h"
#include "scan/header_line_parser.h"

namespace mirelo {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Most lines start with a byte that begins no header name; they are passed over here
// without being cut at a NUL or matched.
std::array<bool, 256> HeaderFirstBytes() {
    std::array<bool, 256> first{};
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

}  // namespace

void EmitMessageRecords(HeaderSlots& slots, AddressList& list, const std::string& mailboxLabel) {
    AddressRecord working;
    working.mailbox = mailboxLabel;
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) {
        std::string& slot = slots[static_cast<std::size_t>(kind)];
        if (!IsKindEnabled(kind) || slot.empty()) continue;
        ParseHeaderLine(working, slot);
        working.headerKind = kind;
        list.Append(working);
    }
}

void ScanMailboxSource(ByteSource& source, AddressList& list, const std::string& mailboxLabel) {
    static const std::array<bool, 256> mayStartHeader = HeaderFirstBytes();
    HeaderSlots slots;
    TextModeLineReader reader(source);
    std::string_view piece;
    while (reader.Next(piece)) {
        if (!mayStartHeader[static_cast<unsigned char>(piece[0])]) continue;
        const std::string_view text = LineText(piece);
        const HeaderMatch match = MatchHeaderKind(slots, text);
        if (match.kind == kNoKind) continue;
        if (!match.slotEmpty) {
            EmitMessageRecords(slots, list, mailboxLabel);
            ClearSlots(slots);
        }
        StoreSlot(slots, match.kind, text);
    }
    EmitMessageRecords(slots, list, mailboxLabel);
}

void ScanMailbox(const std::string& path, AddressList& list, const std::string& mailboxLabel) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);  // the reader's own block is the buffer
    FileByteSource source(file.get());
    ScanMailboxSource(source, list, mailboxLabel);
}

}  // namespace mirelo
