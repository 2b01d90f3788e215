#include "export/record_order.h"

#include <algorithm>

#include "scan/ascii.h"
#include "sources/path_parts.h"

namespace mirelo {

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = FoldAscii(static_cast<unsigned char>(a[i])) - FoldAscii(static_cast<unsigned char>(b[i]));
        if (difference != 0) return difference;
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

void SortAndMarkDuplicates(AddressList& list) {
    list.Sort(CompareEmailThenKind);
    for (int i = 1; i < list.Count(); ++i) {
        if (CompareNoCase(list.At(i)->email, list.At(i - 1)->email) == 0) list.At(i)->duplicate = 1;
    }
    list.Sort(CompareMailboxThenEmail);
}

void ShortenShownMailboxes(AddressList& list, const std::string& rootText) {
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord& record = *list.At(i);
        if (!record.duplicate) record.mailbox = RemoveAll(std::move(record.mailbox), rootText);
    }
}

void OrderExtractionResult(AddressList& list, const std::string& rootText) {
    SortAndMarkDuplicates(list);
    ShortenShownMailboxes(list, rootText);
}

}  // namespace mirelo
