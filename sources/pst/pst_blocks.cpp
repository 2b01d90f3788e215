#include "sources/pst/pst_blocks.h"

#include "sources/pst/object_name.h"
#include "sources/pst/pst_bytes.h"
#include "sources/pst/pst_encoding.h"

namespace mirelo {

namespace {

constexpr std::uint8_t kDataTreeType = 0x01;
constexpr std::uint8_t kSubnodeTreeType = 0x02;

bool IsInternal(std::uint64_t bid) { return (bid & 2) != 0; }

Failure BlockFailure(std::uint64_t bid, const std::string& what) {
    return Failure{PstObjectName("block", bid, " 0x") + " " + what};
}

}  // namespace

Result<std::string> PstBlocks::Block(std::uint64_t bid, bool decode) {
    const PstBlockEntry* found = tree_.Find(PstBlockKey(bid));
    if (!found) return BlockFailure(bid, "is missing from the block tree");
    const PstBlockEntry& entry = *found;
    const std::size_t trailerSize = header_.form.BlockTrailerSize();
    const std::uint64_t total = (entry.size + trailerSize + 63) / 64 * 64;
    const Result<std::string_view> read = file_.Read(entry.offset, total);
    if (!read.Ok()) return BlockFailure(bid, read.Error().Text());
    const std::string_view stored = read.Value();
    const std::string_view trailer = stored.substr(stored.size() - trailerSize);
    if (PstLe16(trailer, 0) != entry.size ||
        PstBlockKey(PstLe(trailer, header_.form.BlockIdAt(), header_.form.IdSize())) != PstBlockKey(bid))
        return BlockFailure(bid, "does not match its trailer");
    std::string bytes(stored.substr(0, entry.size));
    if (PstLe32(trailer, header_.form.BlockCrcAt()) != PstCrc(bytes))
        damage_.push_back(PstObjectName("block", bid, " 0x") + " fails its checksum; read all the same");
    if (!IsInternal(bid)) {
        if (decode && header_.encoding == PstEncoding::Permute) PermuteDecode(bytes);
        if (header_.encoding == PstEncoding::Cyclic) CyclicCode(bytes, static_cast<std::uint32_t>(bid));
    }
    return bytes;
}

Result<std::vector<std::string>> PstBlocks::DataTree(std::uint64_t bid) { return Leaves(bid, true); }

Result<std::vector<std::string>> PstBlocks::Leaves(std::uint64_t bid, bool decode) {
    Result<std::string> top = Block(bid, decode);
    if (!top.Ok()) return top.Error();
    std::vector<std::string> leaves;
    if (!IsInternal(bid)) {
        leaves.push_back(std::move(top.Value()));
        return leaves;
    }
    const std::string_view block = top.Value();
    std::uint64_t total = 0;
    if (PstByte(block, 0) != kDataTreeType) return BlockFailure(bid, "is no data tree");
    if (PstByte(block, 1) == 1) {
        if (Result<> added = AddLeaves(block, decode, leaves, total); !added.Ok()) return added.Error();
        return leaves;
    }
    if (PstByte(block, 1) != 2) return BlockFailure(bid, "is a data tree of an unknown depth");
    const std::size_t id = header_.form.IdSize();
    const std::size_t count = PstLe16(block, 2);
    if (8 + count * id > block.size()) return BlockFailure(bid, "counts more entries than it holds");
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = PstLe(block, 8 + i * id, id);
        if (!IsInternal(child)) return BlockFailure(child, "should be a data tree block");
        Result<std::string> xblock = Block(child, decode);
        if (!xblock.Ok()) return xblock.Error();
        if (PstByte(xblock.Value(), 0) != kDataTreeType || PstByte(xblock.Value(), 1) != 1)
            return BlockFailure(child, "is no data tree block");
        if (Result<> added = AddLeaves(xblock.Value(), decode, leaves, total); !added.Ok()) return added.Error();
    }
    return leaves;
}

Result<> PstBlocks::AddLeaves(std::string_view xblock, bool decode, std::vector<std::string>& leaves,
                              std::uint64_t& total) {
    const std::size_t id = header_.form.IdSize();
    const std::size_t count = PstLe16(xblock, 2);
    if (8 + count * id > xblock.size()) return Failure{"a data tree block counts more entries than it holds"};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = PstLe(xblock, 8 + i * id, id);
        if (IsInternal(child)) return BlockFailure(child, "should hold data");
        Result<std::string> leaf = Block(child, decode);
        if (!leaf.Ok()) return leaf.Error();
        // Distinct blocks never add up to more than the file; the same one named again could.
        total += leaf.Value().size();
        if (total > file_.Size()) return Failure{"a data tree names more data than the file holds"};
        leaves.push_back(std::move(leaf.Value()));
    }
    return {};
}

Result<PstSubnodes> PstBlocks::SubnodeTree(std::uint64_t bid) {
    PstSubnodes subnodes;
    if (bid == 0) return subnodes;
    Result<std::string> top = Block(bid, true);
    if (!top.Ok()) return top.Error();
    const std::string_view block = top.Value();
    if (!IsInternal(bid) || PstByte(block, 0) != kSubnodeTreeType) return BlockFailure(bid, "is no subnode tree");
    if (PstByte(block, 1) == 0) {
        if (Result<> added = AddSubnodes(block, subnodes); !added.Ok()) return added.Error();
        return subnodes;
    }
    if (PstByte(block, 1) != 1) return BlockFailure(bid, "is a subnode tree of an unknown depth");
    const std::size_t id = header_.form.IdSize();
    const std::size_t at = header_.form.SubnodeEntriesAt();
    const std::size_t count = PstLe16(block, 2);
    if (at + count * 2 * id > block.size()) return BlockFailure(bid, "counts more entries than it holds");
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = PstLe(block, at + i * 2 * id + id, id);
        Result<std::string> slblock = Block(child, true);
        if (!slblock.Ok()) return slblock.Error();
        if (!IsInternal(child) || PstByte(slblock.Value(), 0) != kSubnodeTreeType || PstByte(slblock.Value(), 1) != 0)
            return BlockFailure(child, "is no subnode list");
        if (Result<> added = AddSubnodes(slblock.Value(), subnodes); !added.Ok()) return added.Error();
    }
    return subnodes;
}

Result<> PstBlocks::AddSubnodes(std::string_view slblock, PstSubnodes& subnodes) {
    const std::size_t id = header_.form.IdSize();
    const std::size_t at = header_.form.SubnodeEntriesAt();
    const std::size_t count = PstLe16(slblock, 2);
    if (at + count * 3 * id > slblock.size()) return Failure{"a subnode list counts more entries than it holds"};
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = at + i * 3 * id;
        subnodes.emplace(static_cast<std::uint32_t>(PstLe(slblock, entry, 4)),
                         PstSubnode{PstLe(slblock, entry + id, id), PstLe(slblock, entry + 2 * id, id)});
    }
    return {};
}

Result<PstNodeData> PstBlocks::Node(std::uint64_t dataBlock, std::uint64_t subnodeBlock) {
    const bool permuted = header_.encoding == PstEncoding::Permute;
    Result<std::vector<std::string>> leaves = Leaves(dataBlock, !permuted);
    if (!leaves.Ok()) return leaves.Error();
    Result<PstSubnodes> subnodes = SubnodeTree(subnodeBlock);
    if (!subnodes.Ok()) return subnodes.Error();
    return PstNodeData{std::move(leaves.Value()), std::move(subnodes.Value()), permuted};
}

}  // namespace mirelo
