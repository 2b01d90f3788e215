#pragma once

#include <cstdint>
#include <map>
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

using PstNodeTree = std::map<std::uint32_t, PstNodeEntry>;

// The block tree's leaf entries, kept sorted by block id: a file has as many blocks as
// messages and more, each looked up once or twice. An id listed twice is found as it was
// first listed.
class PstBlockTree {
public:
    using Entry = std::pair<std::uint64_t, PstBlockEntry>;

    PstBlockTree() = default;
    explicit PstBlockTree(std::vector<Entry> entries);
    const PstBlockEntry* Find(std::uint64_t key) const;

private:
    std::vector<Entry> entries_;
};

// The node and block B-trees read whole. A page that is damaged (past the file, of the
// wrong kind or level, already visited, with counts beyond its entries) loses only the
// entries below it, and damage says which; the descent is bounded in depth.
PstNodeTree ReadNodeTree(PstFile& file, const PstHeader& header, std::vector<std::string>& damage);
PstBlockTree ReadBlockTree(PstFile& file, const PstHeader& header, std::vector<std::string>& damage);

// Block ids with the reserved low bit cleared, as the block tree keys them.
inline std::uint64_t PstBlockKey(std::uint64_t bid) { return bid & ~std::uint64_t{1}; }

}  // namespace mirelo
