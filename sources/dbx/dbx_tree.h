#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// The values of a store tree, read once, in order: for the message tree, the positions of
// the message-info records. A damaged tree yields the values read before the damage.
class DbxTree {
public:
    static constexpr std::size_t kMaxEntries = 0x33;

    DbxTree(DbxStoreFile& store, std::uint32_t root, std::uint32_t count);

    // The values read: count of them for a sound tree, fewer when it is damaged or holds
    // fewer than count.
    std::size_t ValueCount() const { return values_.size(); }
    std::uint32_t GetValue(std::size_t i) const { return values_[i]; }
    // Why fewer than count values were read, or the damage that the reading went round;
    // empty for a sound tree.
    const std::string& Problem() const { return problem_; }

private:
    struct Entry {
        std::uint32_t value;
        std::uint32_t child;
    };
    struct Node {
        std::vector<Entry> entries;
        std::size_t next = 0;  // the entry whose value comes next in the walk
    };

    bool Descend(std::uint32_t position);
    bool ReadNode(std::uint32_t position, Node& node, std::uint32_t& firstChild);

    DbxStoreFile& store_;
    std::vector<std::uint32_t> values_;
    std::vector<Node> path_;                     // the nodes from the root down to the one being walked
    std::unordered_set<std::uint32_t> visited_;  // every node read, to catch loops
    std::string problem_;
};

}  // namespace mirelo
