#include "row_order.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "export/folded_ranks.h"
#include "export/record_order.h"
#include "scan/ascii.h"

namespace mirelo {

namespace {

constexpr int kNameColumn = 1;
constexpr int kMailboxColumn = 2;

// Folded bytes from offset on, packed so that comparing keys compares the bytes as
// CompareNoCase does; a text that ends early is padded with zeros.
std::uint64_t FoldedBytes(std::string_view text, std::size_t offset) {
    std::uint64_t key = 0;
    for (std::size_t i = offset; i < offset + 8; ++i) {
        key <<= 8;
        if (i < text.size()) key |= FoldAscii(static_cast<unsigned char>(text[i]));
    }
    return key;
}

struct KeyedRow {
    std::uint64_t high;
    std::uint64_t low;
    AddressRecord* record;
};

std::vector<KeyedRow> KeyedRows(const std::vector<AddressRecord*>& rows, int column) {
    std::vector<KeyedRow> keyed;
    keyed.reserve(rows.size());
    if (column == kMailboxColumn) {
        // A list holds few mailboxes, each shared by many rows: their ranks settle the
        // mailbox whole and leave the second key to the email.
        const std::vector<std::uint32_t> ranks = RanksNoCase(
            rows.size(), [&rows](std::size_t i) -> std::string_view { return rows[i]->mailbox; });
        for (std::size_t i = 0; i < rows.size(); ++i) {
            keyed.push_back({ranks[i], FoldedBytes(rows[i]->email, 0), rows[i]});
        }
        return keyed;
    }
    for (AddressRecord* record : rows) {
        const std::string_view text = column == kNameColumn ? std::string_view(record->name)
                                                            : std::string_view(record->email);
        keyed.push_back({FoldedBytes(text, 0), FoldedBytes(text, 8), record});
    }
    return keyed;
}

}  // namespace

int CompareRows(const AddressRecord* a, const AddressRecord* b, int column) {
    switch (column) {
    case kNameColumn:
        return CompareNoCase(a->name, b->name);
    case kMailboxColumn:
        if (const int byMailbox = CompareNoCase(a->mailbox, b->mailbox)) return byMailbox;
        return CompareNoCase(a->email, b->email);
    default:
        return CompareNoCase(a->email, b->email);
    }
}

void SortRowsByColumn(std::vector<AddressRecord*>& rows, int column) {
    std::vector<KeyedRow> keyed = KeyedRows(rows, column);
    std::sort(keyed.begin(), keyed.end(), [column](const KeyedRow& a, const KeyedRow& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        return CompareRows(a.record, b.record, column) < 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].record;
}

}  // namespace mirelo
