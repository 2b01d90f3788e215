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

// Each label without the prefix, by id. The labels are few, however many records carry them.
std::vector<TextId> ShortenedLabels(TextTable& labels, const std::string& labelPrefix) {
    std::vector<TextId> shortened(labels.Count());
    for (TextId id = 0; id < shortened.size(); ++id)
        shortened[id] = labels.Intern(WithoutPrefix(std::string(labels.Text(id)), labelPrefix));
    return shortened;
}

// Of the records with one address, the one with the smallest kind survives, the first of
// them when several have it, as it would come first when sorted by address and kind. By
// address rank, the survivor, or none for a rank no record has. Every record is marked a
// duplicate on the way, the survivors too: they are few, and cleared after. Only the kind
// of each address's survivor so far is read for each record, a byte an address. The same
// pass gives each record its shortened label.
std::vector<AddressRecord*> MarkAllAndFindSurvivors(AddressList& list, const std::vector<std::uint32_t>& emailRank,
                                                    const std::vector<TextId>& shortenedLabel) {
    constexpr std::uint8_t kNoKindYet = 0xFF;
    std::vector<std::uint8_t> survivorKind(emailRank.size(), kNoKindYet);
    std::vector<AddressRecord*> survivor(emailRank.size(), nullptr);
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord* record = list.At(i);
        record->duplicate = 1;
        record->mailbox = shortenedLabel[record->mailbox];
        const std::uint32_t rank = emailRank[record->email];
        if (record->headerKind >= survivorKind[rank]) continue;
        survivorKind[rank] = record->headerKind;
        survivor[rank] = record;
    }
    return survivor;
}

// The survivors, unmarked, in the order of CompareMailboxThenEmail: they come by address
// rank, one an address, so a stable count by mailbox rank sorts them. The duplicates,
// nine in ten records of a large mailbox, are never shown, so their order is not worth a
// sort.
std::vector<AddressRecord*> SurvivorsInOrder(const AddressList& list, const std::vector<AddressRecord*>& survivor) {
    const std::vector<std::uint32_t> mailboxRank = RanksOfTexts(list.Mailboxes());
    std::vector<AddressRecord*> byAddress;
    std::vector<std::uint32_t> mailboxOf;
    std::vector<std::size_t> starts(mailboxRank.size() + 1);
    constexpr std::size_t kAhead = 16;  // the survivors lie all over the list's memory
    for (std::size_t rank = 0; rank < survivor.size(); ++rank) {
        if (rank + kAhead < survivor.size() && survivor[rank + kAhead]) Prefetch(survivor[rank + kAhead]);
        AddressRecord* record = survivor[rank];
        if (!record) continue;
        record->duplicate = 0;
        byAddress.push_back(record);
        mailboxOf.push_back(mailboxRank[record->mailbox]);
        ++starts[mailboxOf.back() + 1];
    }
    std::inclusive_scan(starts.begin(), starts.end(), starts.begin());
    std::vector<AddressRecord*> shown(byAddress.size());
    for (std::size_t i = 0; i < byAddress.size(); ++i) shown[starts[mailboxOf[i]]++] = byAddress[i];
    return shown;
}

}  // namespace

void OrderExtractionResult(AddressList& list, const std::string& labelPrefix, unsigned threads) {
    const std::vector<std::uint32_t> emailRank = RanksOfTexts(list.Emails(), threads);
    const std::vector<TextId> shortenedLabel = ShortenedLabels(list.Mailboxes(), labelPrefix);
    list.ArrangeShownFirst(SurvivorsInOrder(list, MarkAllAndFindSurvivors(list, emailRank, shortenedLabel)));
}

}  // namespace mirelo
