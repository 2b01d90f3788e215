#include "row_order.h"

#include <algorithm>
#include <cstdint>

#include "address_columns.h"
#include "export/record_order.h"

namespace mirelo {

namespace {

// Each unique text is ranked once, in CompareNoCase order, so that the rows sort by
// integers; ranks order exactly as CompareNoCase does, ties included.
std::vector<std::pair<std::uint64_t, AddressRecord*>> KeyedRows(const AddressList& list,
                                                                const std::vector<AddressRecord*>& rows, int column) {
    const std::vector<std::uint32_t> textRanks = RanksOfTexts(column == kNameColumn ? list.Names() : list.Emails());
    // By mailbox the email is the second key.
    const std::vector<std::uint32_t> mailboxRanks =
        column == kMailboxColumn ? RanksOfTexts(list.Mailboxes()) : std::vector<std::uint32_t>{};
    std::vector<std::pair<std::uint64_t, AddressRecord*>> keyed;
    keyed.reserve(rows.size());
    for (AddressRecord* record : rows) {
        const std::uint32_t text = textRanks[column == kNameColumn ? record->name : record->email];
        const std::uint64_t first = column == kMailboxColumn ? mailboxRanks[record->mailbox] : 0;
        keyed.emplace_back(first << 32 | text, record);
    }
    return keyed;
}

void SortByKey(std::vector<std::pair<std::uint64_t, AddressRecord*>>& keyed, std::vector<AddressRecord*>& rows) {
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
}

// Where the category's name falls among the names: "automated", "list", "own", "person".
std::uint64_t CategoryRank(AddressCategory category) {
    switch (category) {
    case AddressCategory::Automated:
        return 0;
    case AddressCategory::List:
        return 1;
    case AddressCategory::Own:
        return 2;
    default:
        return 3;
    }
}

std::uint64_t AscendingFactKey(const AddressFacts& facts, int column) {
    if (column == kCountColumn) return static_cast<std::uint64_t>(facts.count);
    if (column == kCategoryColumn) return CategoryRank(facts.category);
    // Days are signed and the unknown day is the least; the key keeps their order.
    return static_cast<std::uint64_t>(std::int64_t{facts.lastSeen} - std::int64_t{kUnknownDay});
}

// The upper half of a row's key; the email's rank, ascending either way, is the lower.
std::uint64_t FactKey(const AddressFacts& facts, int column) {
    const std::uint64_t key = AscendingFactKey(facts, column) & 0xFFFFFFFFu;
    return SortsHighestFirst(column) ? 0xFFFFFFFFu - key : key;
}

}  // namespace

bool SortsHighestFirst(int column) {
    return column == kCountColumn || column == kLastSeenColumn;
}

void SortRowsByColumn(const AddressList& list, std::vector<AddressRecord*>& rows, int column) {
    std::vector<std::pair<std::uint64_t, AddressRecord*>> keyed = KeyedRows(list, rows, column);
    SortByKey(keyed, rows);
}

void SortRowsByFact(const AddressList& list, const FactsTable& facts, std::vector<AddressRecord*>& rows, int column) {
    std::vector<std::pair<std::uint64_t, AddressRecord*>> keyed = KeyedRows(list, rows, 0);
    for (auto& [key, record] : keyed) key |= FactKey(facts.Of(record->email), column) << 32;
    SortByKey(keyed, rows);
}

}  // namespace mirelo
