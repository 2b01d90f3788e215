#include "export/record_order.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "export/folded_ranks.h"
#include "base/ascii.h"
#include "base/path_parts.h"
#include "base/prefetch.h"

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

std::vector<std::uint32_t> RanksOfTexts(const TextTable& texts, unsigned threads) {
    return RanksNoCase(texts.Count(), [&texts](std::size_t id) { return texts.Text(static_cast<TextId>(id)); }, threads);
}

namespace {

constexpr int kNone = -1;

// Of the records with one address, the one with the smallest kind survives, the first of
// them when several have it, as it would come first when sorted by address and kind; all
// others are marked duplicates. By address rank, the survivor's position, or kNone for a
// rank no record has. The kind of each address's survivor so far is kept beside its
// position, so that comparing with it reads no record.
std::vector<int> MarkAllButSurvivors(AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    std::vector<int> survivor(emailRank.size(), kNone);
    std::vector<std::uint8_t> survivorKind(emailRank.size());
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord& record = *list.At(i);
        record.duplicate = 1;
        const std::uint32_t rank = emailRank[record.email];
        if (survivor[rank] != kNone && record.headerKind >= survivorKind[rank]) continue;
        survivor[rank] = i;
        survivorKind[rank] = record.headerKind;
    }
    for (const int position : survivor)
        if (position != kNone) list.At(position)->duplicate = 0;
    return survivor;
}

// The survivors in the order of CompareMailboxThenEmail: they come by address rank, one
// an address, so a stable count by mailbox rank sorts them. The duplicates, nine in ten
// records of a large mailbox, are never shown, so their order is not worth a sort.
std::vector<AddressRecord*> SurvivorsInOrder(const AddressList& list, const std::vector<int>& survivor) {
    const std::vector<std::uint32_t> mailboxRank = RanksOfTexts(list.Mailboxes());
    std::vector<std::size_t> starts(mailboxRank.size() + 1);
    for (const int position : survivor)
        if (position != kNone) ++starts[mailboxRank[list.At(position)->mailbox] + 1];
    std::inclusive_scan(starts.begin(), starts.end(), starts.begin());
    std::vector<AddressRecord*> shown(starts.back());
    for (const int position : survivor)
        if (position != kNone) shown[starts[mailboxRank[list.At(position)->mailbox]]++] = list.At(position);
    return shown;
}

}  // namespace

void SortAndMarkDuplicates(AddressList& list, unsigned threads) {
    const std::vector<std::uint32_t> emailRank = RanksOfTexts(list.Emails(), threads);
    list.ArrangeShownFirst(SurvivorsInOrder(list, MarkAllButSurvivors(list, emailRank)));
}

void ShortenLabels(AddressList& list, const std::string& labelPrefix) {
    // Each label is shortened once, however many records carry it.
    TextTable& labels = list.Mailboxes();
    std::vector<TextId> shortened(labels.Count(), TextTable::kEmpty);
    std::vector<bool> done(labels.Count(), false);
    constexpr int kAhead = 16;  // the sort scattered the records: fetch a few at a time
    for (int i = 0; i < list.Count(); ++i) {
        if (i + kAhead < list.Count()) Prefetch(list.At(i + kAhead));
        AddressRecord& record = *list.At(i);
        if (!done[record.mailbox]) {
            shortened[record.mailbox] = labels.Intern(WithoutPrefix(std::string(labels.Text(record.mailbox)), labelPrefix));
            done[record.mailbox] = true;
        }
        record.mailbox = shortened[record.mailbox];
    }
}

void OrderExtractionResult(AddressList& list, const std::string& labelPrefix, unsigned threads) {
    SortAndMarkDuplicates(list, threads);
    ShortenLabels(list, labelPrefix);
}

}  // namespace mirelo
