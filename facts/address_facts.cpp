#include "facts/address_facts.h"

#include <algorithm>
#include <unordered_map>

#include "base/ascii.h"
#include "scan/header_kinds.h"

namespace mirelo {

namespace {

void NoteDays(AddressFacts& facts, DaySpan span) {
    if (span.first == kUnknownDay) return;
    if (facts.firstSeen == kUnknownDay || span.first < facts.firstSeen) facts.firstSeen = span.first;
    facts.lastSeen = std::max(facts.lastSeen, span.last);
}

}  // namespace

FactsTable FactsTable::Gather(const AddressList& list, const AddressClassifier& classifier) {
    FactsTable table;
    const TextTable& emails = list.Emails();
    // Every spelling of an address shares one entry; the days come from the list's ids.
    std::unordered_map<std::string, std::size_t> byFolded;
    for (TextId id = 0; id < emails.Count(); ++id) {
        const auto [entry, added] = byFolded.try_emplace(FoldedAscii(emails.Text(id)), table.facts_.size());
        if (added) table.facts_.push_back({0, 0, 0, kUnknownDay, kUnknownDay, classifier.Classify(emails.Text(id))});
        table.factsOfId_.push_back(entry->second);
        NoteDays(table.facts_[entry->second], list.DaysOf(id));
    }
    // Each label once per address, in whatever order the records stand: in walk order or
    // ordered for the view, where Details may be turned on.
    std::vector<std::pair<std::size_t, TextId>> storesSeen;
    storesSeen.reserve(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        const std::size_t index = table.factsOfId_[record.email];
        AddressFacts& facts = table.facts_[index];
        ++facts.count;
        facts.kinds |= 1u << record.headerKind;
        storesSeen.emplace_back(index, record.mailbox);
    }
    std::sort(storesSeen.begin(), storesSeen.end());
    storesSeen.erase(std::unique(storesSeen.begin(), storesSeen.end()), storesSeen.end());
    for (const auto& [index, label] : storesSeen) ++table.facts_[index].stores;
    return table;
}

std::string KindsText(unsigned kinds) {
    std::string text;
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) {
        if (!(kinds & (1u << kind))) continue;
        std::string_view name = HeaderKindName(kind);
        name.remove_suffix(1);
        if (!text.empty()) text += ';';
        text += FoldedAscii(name);
    }
    return text;
}

}  // namespace mirelo
