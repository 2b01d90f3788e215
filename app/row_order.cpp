#include "row_order.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "export/record_order.h"
#include "scan/ascii.h"

namespace {

constexpr int kNameColumn = 1;
constexpr int kMailboxColumn = 2;

// Folded bytes from offset on, packed so that comparing keys compares the bytes as
// CompareNoCase does; a text that ends early is padded with zeros.
std::uint64_t FoldedBytes(std::string_view text, std::size_t offset) {
    std::uint64_t key = 0;
    for (std::size_t i = offset; i < offset + 8; ++i) {
        key <<= 8;
        if (i < text.size()) key |= mirelo::FoldAscii(static_cast<unsigned char>(text[i]));
    }
    return key;
}

struct KeyedRow {
    std::uint64_t high;
    std::uint64_t low;
    mirelo::AddressRecord* record;
};

// A list holds few mailboxes, each shared by many rows: number them in sort order, so
// that the key settles the mailbox whole and leaves room for the email.
std::vector<std::uint64_t> MailboxRanks(const std::vector<mirelo::AddressRecord*>& rows) {
    std::unordered_map<std::string_view, std::size_t> distinctIndex;
    std::vector<std::string_view> distinct;
    std::vector<std::size_t> rowDistinct;
    rowDistinct.reserve(rows.size());
    for (const mirelo::AddressRecord* record : rows) {
        const std::string_view mailbox = record->mailbox;
        const auto [found, added] = distinctIndex.try_emplace(mailbox, distinct.size());
        if (added) distinct.push_back(mailbox);
        rowDistinct.push_back(found->second);
    }

    std::vector<std::size_t> byMailbox(distinct.size());
    for (std::size_t i = 0; i < byMailbox.size(); ++i) byMailbox[i] = i;
    std::sort(byMailbox.begin(), byMailbox.end(), [&](std::size_t a, std::size_t b) {
        return mirelo::CompareNoCase(distinct[a], distinct[b]) < 0;
    });
    std::vector<std::uint64_t> rankOfDistinct(distinct.size());
    std::uint64_t rank = 0;
    for (std::size_t i = 0; i < byMailbox.size(); ++i) {
        if (i > 0 && mirelo::CompareNoCase(distinct[byMailbox[i - 1]], distinct[byMailbox[i]]) != 0) ++rank;
        rankOfDistinct[byMailbox[i]] = rank;
    }

    std::vector<std::uint64_t> ranks;
    ranks.reserve(rows.size());
    for (const std::size_t index : rowDistinct) ranks.push_back(rankOfDistinct[index]);
    return ranks;
}

std::vector<KeyedRow> KeyedRows(const std::vector<mirelo::AddressRecord*>& rows, int column) {
    std::vector<KeyedRow> keyed;
    keyed.reserve(rows.size());
    if (column == kMailboxColumn) {
        const std::vector<std::uint64_t> ranks = MailboxRanks(rows);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            keyed.push_back({ranks[i], FoldedBytes(rows[i]->email, 0), rows[i]});
        }
        return keyed;
    }
    for (mirelo::AddressRecord* record : rows) {
        const std::string_view text = column == kNameColumn ? std::string_view(record->name)
                                                            : std::string_view(record->email);
        keyed.push_back({FoldedBytes(text, 0), FoldedBytes(text, 8), record});
    }
    return keyed;
}

}  // namespace

int CompareRows(const mirelo::AddressRecord* a, const mirelo::AddressRecord* b, int column) {
    switch (column) {
    case kNameColumn:
        return mirelo::CompareNoCase(a->name, b->name);
    case kMailboxColumn:
        if (const int byMailbox = mirelo::CompareNoCase(a->mailbox, b->mailbox)) return byMailbox;
        return mirelo::CompareNoCase(a->email, b->email);
    default:
        return mirelo::CompareNoCase(a->email, b->email);
    }
}

void SortRowsByColumn(std::vector<mirelo::AddressRecord*>& rows, int column) {
    std::vector<KeyedRow> keyed = KeyedRows(rows, column);
    std::sort(keyed.begin(), keyed.end(), [column](const KeyedRow& a, const KeyedRow& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        return CompareRows(a.record, b.record, column) < 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].record;
}
