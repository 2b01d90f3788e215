#include "export/record_order.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "export/folded_ranks.h"
#include "scan/ascii.h"
#include "sources/path_parts.h"

namespace mirelo {

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common;) {
        // Sorted neighbours share long prefixes (whole mailbox paths): skip equal words.
        std::uint64_t wordA;
        std::uint64_t wordB;
        if (i + sizeof wordA <= common) {
            std::memcpy(&wordA, a.data() + i, sizeof wordA);
            std::memcpy(&wordB, b.data() + i, sizeof wordB);
            if (wordA == wordB) {
                i += sizeof wordA;
                continue;
            }
        }
        const int difference = FoldAscii(static_cast<unsigned char>(a[i])) - FoldAscii(static_cast<unsigned char>(b[i]));
        if (difference != 0) return difference;
        ++i;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int CompareEmailThenKind(AddressRecord* const* a, AddressRecord* const* b) {
    if (const int byEmail = CompareNoCase((*a)->email, (*b)->email)) return byEmail;
    return (*a)->headerKind < (*b)->headerKind ? -1 : ((*a)->headerKind > (*b)->headerKind ? 1 : 0);
}

int CompareMailboxThenEmail(AddressRecord* const* a, AddressRecord* const* b) {
    if (const int byMailbox = CompareNoCase((*a)->mailbox, (*b)->mailbox)) return byMailbox;
    return CompareNoCase((*a)->email, (*b)->email);
}

namespace {

std::vector<std::uint32_t> RanksOf(const AddressList& list, std::string_view (*text)(const AddressRecord&)) {
    return RanksNoCase(static_cast<std::size_t>(list.Count()),
                       [&](std::size_t i) { return text(*list.At(static_cast<int>(i))); });
}

// Of the records with one address, the one with the smallest kind stays unmarked, as it
// would come first when sorted by address and kind.
void MarkDuplicates(AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    const std::size_t addresses = emailRank.empty() ? 0 : *std::max_element(emailRank.begin(), emailRank.end()) + std::size_t{1};
    std::vector<AddressRecord*> survivor(addresses, nullptr);
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord*& best = survivor[emailRank[static_cast<std::size_t>(i)]];
        if (!best || list.At(i)->headerKind < best->headerKind) best = list.At(i);
    }
    for (int i = 0; i < list.Count(); ++i)
        if (survivor[emailRank[static_cast<std::size_t>(i)]] != list.At(i)) list.At(i)->duplicate = 1;
}

// The order of CompareMailboxThenEmail, got by sorting integer keys rather than strings.
void SortByMailboxThenEmail(AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    const std::vector<std::uint32_t> mailboxRank =
        RanksOf(list, [](const AddressRecord& r) { return std::string_view(r.mailbox); });
    std::vector<std::pair<std::uint64_t, AddressRecord*>> keyed(mailboxRank.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        keyed[i] = {std::uint64_t{mailboxRank[i]} << 32 | emailRank[i], list.At(static_cast<int>(i))};
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<AddressRecord*> order(keyed.size());
    std::transform(keyed.begin(), keyed.end(), order.begin(), [](const auto& entry) { return entry.second; });
    list.Arrange(order, CompareMailboxThenEmail);
}

}  // namespace

void SortAndMarkDuplicates(AddressList& list) {
    const std::vector<std::uint32_t> emailRank =
        RanksOf(list, [](const AddressRecord& r) { return std::string_view(r.email); });
    MarkDuplicates(list, emailRank);
    SortByMailboxThenEmail(list, emailRank);
}

void ShortenShownMailboxes(AddressList& list, const std::string& rootText) {
    // The list is in mailbox order, so records of one mailbox follow each other and can
    // share one shortened label.
    std::string lastLabel;
    SharedText lastShortened;
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord& record = *list.At(i);
        if (record.duplicate) continue;
        if (record.mailbox.str() != lastLabel) {
            lastLabel = record.mailbox;
            lastShortened = RemoveAll(lastLabel, rootText);
        }
        record.mailbox = lastShortened;
    }
}

void OrderExtractionResult(AddressList& list, const std::string& rootText) {
    SortAndMarkDuplicates(list);
    ShortenShownMailboxes(list, rootText);
}

}  // namespace mirelo
