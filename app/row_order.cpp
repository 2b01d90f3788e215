#include "row_order.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

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

std::vector<KeyedRow> KeyedRows(const AddressList& list, const std::vector<AddressRecord*>& rows, int column) {
    std::vector<KeyedRow> keyed;
    keyed.reserve(rows.size());
    if (column == kMailboxColumn) {
        // A list holds few mailboxes, each shared by many rows: their ranks settle the
        // mailbox whole and leave the second key to the email.
        const std::vector<std::uint32_t> ranks = RanksOfTexts(list.Mailboxes());
        for (AddressRecord* record : rows) {
            keyed.push_back({ranks[record->mailbox], FoldedBytes(list.Email(*record), 0), record});
        }
        return keyed;
    }
    for (AddressRecord* record : rows) {
        const std::string_view text = column == kNameColumn ? list.Name(*record) : list.Email(*record);
        keyed.push_back({FoldedBytes(text, 0), FoldedBytes(text, 8), record});
    }
    return keyed;
}

}  // namespace

int CompareRows(const AddressList& list, const AddressRecord* a, const AddressRecord* b, int column) {
    switch (column) {
    case kNameColumn:
        return CompareNoCase(list.Name(*a), list.Name(*b));
    case kMailboxColumn:
        return CompareMailboxThenEmail(list, *a, *b);
    default:
        return CompareNoCase(list.Email(*a), list.Email(*b));
    }
}

void SortRowsByColumn(const AddressList& list, std::vector<AddressRecord*>& rows, int column) {
    std::vector<KeyedRow> keyed = KeyedRows(list, rows, column);
    std::sort(keyed.begin(), keyed.end(), [&list, column](const KeyedRow& a, const KeyedRow& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        return CompareRows(list, a.record, b.record, column) < 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].record;
}

}  // namespace mirelo
