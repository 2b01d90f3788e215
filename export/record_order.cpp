#include "export/record_order.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "export/folded_ranks.h"
#include "base/ascii.h"
#include "base/path_parts.h"

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

int CompareMailboxThenEmail(const AddressList& list, const AddressRecord& a, const AddressRecord& b) {
    if (const int byMailbox = CompareNoCase(list.Mailbox(a), list.Mailbox(b))) return byMailbox;
    return CompareNoCase(list.Email(a), list.Email(b));
}

std::vector<std::uint32_t> RanksOfTexts(const TextTable& texts) {
    return RanksNoCase(texts.Count(), [&texts](std::size_t id) { return texts.Text(static_cast<TextId>(id)); });
}

namespace {

// Of the records with one address, the one with the smallest kind stays unmarked, as it
// would come first when sorted by address and kind.
void MarkDuplicates(AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    std::vector<AddressRecord*> survivor(emailRank.size(), nullptr);
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord*& best = survivor[emailRank[list.At(i)->email]];
        if (!best || list.At(i)->headerKind < best->headerKind) best = list.At(i);
    }
    for (int i = 0; i < list.Count(); ++i)
        if (survivor[emailRank[list.At(i)->email]] != list.At(i)) list.At(i)->duplicate = 1;
}

// The order of CompareMailboxThenEmail, got by sorting integer keys rather than strings.
void SortByMailboxThenEmail(AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    const std::vector<std::uint32_t> mailboxRank = RanksOfTexts(list.Mailboxes());
    std::vector<std::pair<std::uint64_t, AddressRecord*>> keyed(static_cast<std::size_t>(list.Count()));
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        AddressRecord* record = list.At(static_cast<int>(i));
        keyed[i] = {std::uint64_t{mailboxRank[record->mailbox]} << 32 | emailRank[record->email], record};
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    list.Arrange(keyed, [](const auto& entry) { return entry.second; });
}

}  // namespace

void SortAndMarkDuplicates(AddressList& list) {
    const std::vector<std::uint32_t> emailRank = RanksOfTexts(list.Emails());
    MarkDuplicates(list, emailRank);
    SortByMailboxThenEmail(list, emailRank);
}

void ShortenLabels(AddressList& list, const std::string& labelPrefix) {
    // Each label is shortened once, however many records carry it.
    TextTable& labels = list.Mailboxes();
    std::vector<TextId> shortened(labels.Count(), TextTable::kEmpty);
    std::vector<bool> done(labels.Count(), false);
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord& record = *list.At(i);
        if (!done[record.mailbox]) {
            shortened[record.mailbox] = labels.Intern(WithoutPrefix(std::string(labels.Text(record.mailbox)), labelPrefix));
            done[record.mailbox] = true;
        }
        record.mailbox = shortened[record.mailbox];
    }
}

void OrderExtractionResult(AddressList& list, const std::string& labelPrefix) {
    SortAndMarkDuplicates(list);
    ShortenLabels(list, labelPrefix);
}

}  // namespace mirelo
