#include "export/record_order.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "export/folded_ranks.h"
#include "base/ascii.h"
#include "base/path_parts.h"
#include "base/prefetch.h"
#include "base/side_task.h"

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

// Of the records with one address, the one with the smallest kind stays unmarked, as it
// would come first when sorted by address and kind. The kind of each address's survivor
// so far is kept beside its position, so that comparing with it reads no record.
void MarkDuplicates(AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    constexpr int kNone = -1;
    std::vector<int> survivor(emailRank.size(), kNone);
    std::vector<std::uint8_t> survivorKind(emailRank.size());
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        const std::uint32_t rank = emailRank[record.email];
        if (survivor[rank] != kNone && record.headerKind >= survivorKind[rank]) continue;
        survivor[rank] = i;
        survivorKind[rank] = record.headerKind;
    }
    for (int i = 0; i < list.Count(); ++i)
        if (survivor[emailRank[list.At(i)->email]] != i) list.At(i)->duplicate = 1;
}

// Sorts the values by their bits from lowBit up, equal ones keeping their order: a few
// passes of a radix sort, twelve bits each, cost far less than comparing half a million
// keys. A digit that is zero in every value changes no order and is passed over.
void RadixSort(std::vector<std::uint64_t>& values, int lowBit) {
    constexpr int kDigitBits = 12;
    constexpr std::uint64_t kDigitMask = (std::uint64_t{1} << kDigitBits) - 1;
    std::uint64_t usedBits = 0;
    for (const std::uint64_t value : values) usedBits |= value;
    std::vector<std::uint64_t> sorted(values.size());
    for (int shift = lowBit; shift < 64; shift += kDigitBits) {
        if ((usedBits >> shift & kDigitMask) == 0) continue;
        std::array<std::size_t, kDigitMask + 1> starts{};
        for (const std::uint64_t value : values) ++starts[value >> shift & kDigitMask];
        std::exclusive_scan(starts.begin(), starts.end(), starts.begin(), std::size_t{0});
        for (const std::uint64_t value : values) sorted[starts[value >> shift & kDigitMask]++] = value;
        values.swap(sorted);
    }
}

// The order of CompareMailboxThenEmail, got by sorting integer keys rather than strings:
// each record's mailbox and address ranks with its position below them, radix-sorted,
// when the three fit in 64 bits, as they do but for billions of records. Records of one
// mailbox and one address but for case may come in any order: all but one of them are
// duplicates, which no list shows. Gives the records in that order, each as its address
// (std::uintptr_t), and leaves the list as it is.
std::vector<std::uint64_t> SortedByMailboxThenEmail(const AddressList& list, const std::vector<std::uint32_t>& emailRank) {
    const std::vector<std::uint32_t> mailboxRank = RanksOfTexts(list.Mailboxes());
    const auto bitsFor = [](const std::vector<std::uint32_t>& ranks) {
        return ranks.empty() ? 0 : std::bit_width(*std::max_element(ranks.begin(), ranks.end()));
    };
    const int emailBits = bitsFor(emailRank);
    const auto count = static_cast<std::size_t>(list.Count());
    const auto positionBits = static_cast<int>(std::bit_width(count));
    const auto keyOf = [&](const AddressRecord* record) {
        return std::uint64_t{mailboxRank[record->mailbox]} << emailBits | emailRank[record->email];
    };
    if (positionBits + emailBits + bitsFor(mailboxRank) <= 64) {
        std::vector<std::uint64_t> keyed(count);
        for (std::size_t i = 0; i < count; ++i) keyed[i] = keyOf(list.At(static_cast<int>(i))) << positionBits | i;
        RadixSort(keyed, positionBits);
        const std::uint64_t positionMask = (std::uint64_t{1} << positionBits) - 1;
        const auto positionOf = [&](std::size_t i) { return static_cast<int>(keyed[i] & positionMask); };
        constexpr std::size_t kAhead = 16;  // the positions come in no order: fetch a few at a time
        // Each sorted key's place then holds its record: fresh memory as large, which the
        // system would have to map page by page, is not needed.
        static_assert(sizeof(std::uintptr_t) <= sizeof(std::uint64_t));
        for (std::size_t i = 0; i < count; ++i) {
            if (i + kAhead < count) list.PrefetchAt(positionOf(i + kAhead));
            keyed[i] = reinterpret_cast<std::uintptr_t>(list.At(positionOf(i)));
        }
        return keyed;
    }
    std::vector<std::pair<std::uint64_t, AddressRecord*>> keyed(count);
    for (std::size_t i = 0; i < count; ++i) keyed[i] = {keyOf(list.At(static_cast<int>(i))), list.At(static_cast<int>(i))};
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::uint64_t> sorted(count);
    std::transform(keyed.begin(), keyed.end(), sorted.begin(),
                   [](const auto& entry) { return reinterpret_cast<std::uintptr_t>(entry.second); });
    return sorted;
}

}  // namespace

void SortAndMarkDuplicates(AddressList& list, unsigned threads) {
    const std::vector<std::uint32_t> emailRank = RanksOfTexts(list.Emails(), threads);
    // The marking writes only the records' duplicate flags, which the sorting does not read:
    // on two threads, one marks while the other sorts.
    constexpr int kFewestForTwoThreads = 1 << 14;
    std::vector<std::uint64_t> sorted;
    const auto sort = [&] { sorted = SortedByMailboxThenEmail(list, emailRank); };
    if (threads > 1 && list.Count() >= kFewestForTwoThreads) {
        RunBeside([&] { MarkDuplicates(list, emailRank); }, sort);
    } else {
        MarkDuplicates(list, emailRank);
        sort();
    }
    list.Arrange(sorted, [](std::uint64_t record) { return reinterpret_cast<AddressRecord*>(static_cast<std::uintptr_t>(record)); });
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
