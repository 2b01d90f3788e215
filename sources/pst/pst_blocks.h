#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "sources/pst/pst_btree.h"
#include "sources/pst/pst_file.h"

namespace mirelo {

// A subnode: private to its node, with data and subnodes of its own.
struct PstSubnode {
    std::uint64_t dataBlock = 0;
    std::uint64_t subnodeBlock = 0;
};

// A node's subnodes by id; an id listed twice keeps its first entry. Most nodes have one
// or two.
class PstSubnodes {
public:
    void Clear() { entries_.clear(); }
    void Add(std::uint32_t nid, PstSubnode subnode) { entries_.push_back({nid, subnode}); }
    // Once all are added.
    void Sort();
    const PstSubnode* Find(std::uint32_t nid) const;

private:
    std::vector<std::pair<std::uint32_t, PstSubnode>> entries_;
};

// A node's data as the leaf blocks of its data tree, in order, and its subnodes. Permuted
// leaves are left as stored: the heap on them decodes only what it reads. Read again into
// the same one, it keeps its buffers.
struct PstNodeData {
    std::string bytes;                  // the leaves, one after another
    std::vector<std::size_t> leafEnds;  // where each ends in bytes
    PstSubnodes subnodes;
    bool permuted = false;

    std::size_t LeafCount() const { return leafEnds.size(); }
    std::string_view Leaf(std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : leafEnds[i - 1];
        return std::string_view(bytes).substr(start, leafEnds[i] - start);
    }
};

// The blocks of one file: each read where the block tree puts it, checked against its
// trailer, decoded when it holds data. A block that fails its checksum is read all the
// same, and damage says so.
class PstBlocks {
public:
    PstBlocks(PstFile& file, const PstHeader& header, const PstBlockTree& tree, std::vector<std::string>& damage)
        : file_(file), header_(header), tree_(tree), damage_(damage) {}

    // The leaves of the data tree at bid, decoded: the block itself, or those an XBLOCK
    // or XXBLOCK names. Fails on the first damaged block.
    Result<PstNodeData> DataTree(std::uint64_t bid);
    // The same as one run of bytes, valid until the next call: a value read whole.
    Result<std::string_view> DataBytes(std::uint64_t bid);
    // Both of a node or subnode.
    Result<PstNodeData> Node(std::uint64_t dataBlock, std::uint64_t subnodeBlock);
    // The same into node, whose buffers are kept: a message after another allocates nothing.
    Result<> ReadNode(std::uint64_t dataBlock, std::uint64_t subnodeBlock, PstNodeData& node);

    const PstForm& Form() const { return header_.form; }

private:
    // The block's bytes appended to to; decode false leaves a permuted block as stored.
    Result<> AppendBlock(std::uint64_t bid, bool decode, std::string& to);
    Result<> ReadLeaves(std::uint64_t bid, bool decode, PstNodeData& node);
    Result<> AddLeaves(std::string_view xblock, bool decode, PstNodeData& node);
    Result<> ReadSubnodes(std::uint64_t bid, PstSubnodes& subnodes);
    Result<> AddSubnodes(std::string_view slblock, PstSubnodes& subnodes);

    PstFile& file_;
    const PstHeader& header_;
    const PstBlockTree& tree_;
    std::vector<std::string>& damage_;
    // The tree blocks above a node's leaves or subnodes, and the value read whole last,
    // their room kept from one to the next.
    std::string upper_;
    std::string lower_;
    PstNodeData value_;
};

}  // namespace mirelo
