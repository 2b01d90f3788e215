#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "sources/pst/pst_file.h"

namespace mirelo {

// A node: the block of its data, the block of its subnode tree (0: none), its parent folder.
struct PstNodeEntry {
    std::uint64_t dataBlock = 0;
    std::uint64_t subnodeBlock = 0;
    std::uint32_t parent = 0;
};

// Where a block lies and how many data bytes it holds.
struct PstBlockEntry {
    std::uint64_t offset = 0;
    std::uint16_t size = 0;
};

// A tree's leaf entries sorted by key, for files of many thousands of nodes and blocks,
// each looked up once or twice. The keys are kept apart from the entries so that a
// search touches few cache lines. A key listed twice keeps the entry listed first.
template <typename Key, typename Entry>
class PstSortedEntries {
public:
    PstSortedEntries() = default;
    explicit PstSortedEntries(std::vector<std::pair<Key, Entry>> listed) {
        // Pages are walked last entry first: turning each strictly falling run around
        // keeps equal keys in their order and leaves a sound tree's entries sorted.
        for (auto run = listed.begin(); run != listed.end();) {
            auto end = std::next(run);
            while (end != listed.end() && std::prev(end)->first > end->first) ++end;
            std::reverse(run, end);
            run = end;
        }
        const auto byKey = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(listed.begin(), listed.end(), byKey)) std::stable_sort(listed.begin(), listed.end(), byKey);
        keys_.reserve(listed.size());
        entries_.reserve(listed.size());
        for (const auto& [key, entry] : listed) {
            if (!keys_.empty() && keys_.back() == key) continue;
            keys_.push_back(key);
            entries_.push_back(entry);
        }
    }

    const Entry* Find(Key key) const {
        const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
        return at != keys_.end() && *at == key ? &entries_[static_cast<std::size_t>(at - keys_.begin())] : nullptr;
    }
    std::size_t Size() const { return keys_.size(); }
    Key KeyAt(std::size_t i) const { return keys_[i]; }
    const Entry& EntryAt(std::size_t i) const { return entries_[i]; }

private:
    std::vector<Key> keys_;
    std::vector<Entry> entries_;
};

using PstNodeTree = PstSortedEntries<std::uint32_t, PstNodeEntry>;
using PstBlockTree = PstSortedEntries<std::uint64_t, PstBlockEntry>;

// The node and block B-trees read whole. A page that is damaged (past the file, of the
// wrong kind or level, already visited, with counts beyond its entries) loses only the
// entries below it, and damage says which; the descent is bounded in depth.
PstNodeTree ReadNodeTree(PstFile& file, const PstHeader& header, std::vector<std::string>& damage);
PstBlockTree ReadBlockTree(PstFile& file, const PstHeader& header, std::vector<std::string>& damage);

// Block ids with the reserved low bit cleared, as the block tree keys them.
inline std::uint64_t PstBlockKey(std::uint64_t bid) { return bid & ~std::uint64_t{1}; }

}  // namespace mirelo
