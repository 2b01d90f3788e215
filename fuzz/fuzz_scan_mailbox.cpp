// Scans arbitrary bytes as a mailbox and compares the records with a plain reading of
// the same bytes: every piece taken one by one, trickled in a few bytes at a time, and
// matched on its text. The fast path skips pieces by their first byte, matches the raw
// piece and reuses one working record; none of that may change a record.
//
// The first input byte is not mailbox text: its low six bits switch header kinds off.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "scan/address_list.h"
#include "scan/header_kinds.h"
#include "headers/header_line_parser.h"
#include "headers/mailbox_scanner.h"
#include "scan/text_mode_reader.h"
#include "fuzz/record_invariants.h"
#include "tests/support/memory_byte_source.h"

namespace {

using namespace mirelo::fuzz;

const std::string kLabel = "Fuzz.mbx";

// Lends a few bytes at a time where they lie, as a mapped file does, in a changing rhythm,
// so that pieces straddle every kind of block edge; the scan it is checked against reads.
class TrickleByteSource : public mirelo::ByteSource {
public:
    explicit TrickleByteSource(std::string_view bytes) : rest_(bytes) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::string_view lent = Lend(capacity);
        std::memcpy(buffer, lent.data(), lent.size());
        return lent.size();
    }
    bool Lends() const override { return true; }
    std::string_view Lend(std::size_t most) override {
        static constexpr std::size_t kRhythm[] = {1, 7, 2, 1023, 3, 1024, 1, 1025, 5};
        const std::string_view lent = rest_.substr(0, std::min(most, kRhythm[reads_++ % std::size(kRhythm)]));
        rest_.remove_prefix(lent.size());
        return lent;
    }

private:
    std::string_view rest_;
    std::size_t reads_ = 0;
};

std::string_view TextOf(std::string_view piece) {
    piece = piece.substr(0, piece.find('\0'));
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n')) piece.remove_suffix(1);
    return piece;
}

// One message's kept lines, one of each kind in kind order, scanned on their own.
void EmitMessage(mirelo::HeaderSlots& slots, mirelo::AddressList& list, mirelo::HeaderKindSet kinds) {
    std::string message;
    for (const std::string& slot : slots)
        if (!slot.empty()) message.append(slot) += '\n';
    mirelo::testing::MemoryByteSource source(message);
    mirelo::ScanMailboxSource(source, list, kLabel, kinds);
    mirelo::ClearSlots(slots);
}

void ScanPlainly(std::string_view bytes, mirelo::AddressList& list, mirelo::HeaderKindSet kinds) {
    TrickleByteSource source(bytes);
    mirelo::TextModeLineReader reader(source, 1);  // the smallest block the reader takes
    mirelo::HeaderSlots slots;
    std::string_view piece;
    while (reader.Next(piece)) {
        const std::string_view text = TextOf(piece);
        const mirelo::HeaderMatch match = mirelo::MatchHeaderKind(slots, text, kinds);
        if (match.kind == mirelo::kNoKind) continue;
        if (!match.slotEmpty) EmitMessage(slots, list, kinds);
        mirelo::StoreSlot(slots, match.kind, text);
    }
    EmitMessage(slots, list, kinds);
}

bool SameRecord(const mirelo::AddressList& listA, const mirelo::AddressRecord& a, const mirelo::AddressList& listB,
                const mirelo::AddressRecord& b) {
    return listA.Email(a) == listB.Email(b) && listA.Name(a) == listB.Name(b) &&
           listA.Mailbox(a) == listB.Mailbox(b) && a.headerKind == b.headerKind;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    mirelo::HeaderKindSet kinds = mirelo::HeaderKindSet::Original();
    for (mirelo::HeaderKind kind = 0; kind < mirelo::kHeaderKindCount; ++kind) kinds.Set(kind, (data[0] >> kind & 1) == 0);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    mirelo::AddressList scanned;
    mirelo::testing::MemoryByteSource source(bytes);
    mirelo::ScanMailboxSource(source, scanned, kLabel, kinds);

    mirelo::AddressList plain;
    ScanPlainly(bytes, plain, kinds);

    Require(scanned.Count() == plain.Count());
    for (int i = 0; i < scanned.Count(); ++i) {
        const mirelo::AddressRecord& record = *scanned.At(i);
        Require(SameRecord(scanned, record, plain, *plain.At(i)));
        Require(kinds.Has(record.headerKind));
        Require(IsSoundEmail(std::string(scanned.Email(record))));  // a record only for a whole address
        Require(IsSoundName(std::string(scanned.Name(record))));
    }
    return 0;
}
