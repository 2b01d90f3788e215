#pragma once

#include <cstdint>
#include <map>
#include <string>
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
using PstSubnodes = std::map<std::uint32_t, PstSubnode>;

// A node's data as the leaf blocks of its data tree, in order, and its subnodes. Permuted
// leaves are left as stored: the heap on them decodes only what it reads.
struct PstNodeData {
    std::vector<std::string> leaves;
    PstSubnodes subnodes;
    bool permuted = false;
};

// The blocks of one file: each read where the block tree puts it, checked against its
// trailer, decoded when it holds data. A block that fails its checksum is read all the
// same, and damage says so.
class PstBlocks {
public:
    PstBlocks(PstFile& file, const PstHeader& header, const PstBlockTree& tree, std::vector<std::string>& damage)
        : file_(file), header_(header), tree_(tree), damage_(damage) {}

    // The leaves of the data tree at bid: the block itself, or those an XBLOCK or
    // XXBLOCK names. Fails on the first damaged block.
    Result<std::vector<std::string>> DataTree(std::uint64_t bid);
    // The subnodes the tree at bid holds; none for bid 0.
    Result<PstSubnodes> SubnodeTree(std::uint64_t bid);
    // Both of a node or subnode.
    Result<PstNodeData> Node(std::uint64_t dataBlock, std::uint64_t subnodeBlock);

    const PstForm& Form() const { return header_.form; }

private:
    // decode false leaves a permuted block as stored.
    Result<std::string> Block(std::uint64_t bid, bool decode);
    Result<std::vector<std::string>> Leaves(std::uint64_t bid, bool decode);
    Result<> AddLeaves(std::string_view xblock, bool decode, std::vector<std::string>& leaves, std::uint64_t& total);
    Result<> AddSubnodes(std::string_view slblock, PstSubnodes& subnodes);

    PstFile& file_;
    const PstHeader& header_;
    const PstBlockTree& tree_;
    std::vector<std::string>& damage_;
};

}  // namespace mirelo
