#include "row_order.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "export/record_order.h"
#include "prefetch.h"
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
    const int count = static_cast<int>(rows.size());
    const auto recordAt = [&rows](int row) { return rows[static_cast<std::size_t>(row)]; };
    // The email, or the name; by mailbox the email is the second key.
    const auto textOf = [&](const AddressRecord& r) { return column == kNameColumn ? list.Name(r) : list.Email(r); };
    // A list holds few mailboxes, each shared by many rows: their ranks settle the
    // mailbox whole and leave the second key to the email.
    const std::vector<std::uint32_t> mailboxRanks =
        column == kMailboxColumn ? RanksOfTexts(list.Mailboxes()) : std::vector<std::uint32_t>{};
    std::vector<KeyedRow> keyed;
    keyed.reserve(rows.size());
    for (int row = 0; row < count; ++row) {
        PrefetchAhead(row, count, recordAt, [&](const AddressRecord& r) { return std::array{textOf(r)}; });
        AddressRecord* record = recordAt(row);
        const std::string_view text = textOf(*record);
        if (column == kMailboxColumn)
            keyed.push_back({mailboxRanks[record->mailbox], FoldedBytes(text, 0), record});
        else
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
