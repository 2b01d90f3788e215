#include "sources/pst/pst_blocks.h"

#include <algorithm>

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

void PstSubnodes::Sort() {
    const auto byNid = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(entries_.begin(), entries_.end(), byNid)) std::stable_sort(entries_.begin(), entries_.end(), byNid);
    entries_.erase(std::unique(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                   entries_.end());
}

const PstSubnode* PstSubnodes::Find(std::uint32_t nid) const {
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), nid,
                                     [](const auto& entry, std::uint32_t key) { return entry.first < key; });
    return at != entries_.end() && at->first == nid ? &at->second : nullptr;
}

Result<> PstBlocks::AppendBlock(std::uint64_t bid, bool decode, std::string& to) {
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
    const std::string_view bytes = stored.substr(0, entry.size);
    if (PstLe32(trailer, header_.form.BlockCrcAt()) != PstCrc(bytes))
        damage_.push_back(PstObjectName("block", bid, " 0x") + " fails its checksum; read all the same");
    const std::size_t start = to.size();
    to.append(bytes);
    if (!IsInternal(bid)) {
        char* const appended = to.data() + start;
        if (decode && header_.encoding == PstEncoding::Permute) PermuteDecode(bytes, appended);
        if (header_.encoding == PstEncoding::Cyclic) CyclicCode({appended, bytes.size()}, static_cast<std::uint32_t>(bid));
    }
    return {};
}

Result<PstNodeData> PstBlocks::DataTree(std::uint64_t bid) {
    PstNodeData data;
    if (Result<> read = ReadLeaves(bid, true, data); !read.Ok()) return read.Error();
    return data;
}

Result<std::string_view> PstBlocks::DataBytes(std::uint64_t bid) {
    if (Result<> read = ReadLeaves(bid, true, value_); !read.Ok()) return read.Error();
    return std::string_view(value_.bytes);
}

Result<> PstBlocks::ReadLeaves(std::uint64_t bid, bool decode, PstNodeData& node) {
    node.bytes.clear();
    node.leafEnds.clear();
    if (!IsInternal(bid)) {
        if (Result<> read = AppendBlock(bid, decode, node.bytes); !read.Ok()) return read;
        node.leafEnds.push_back(node.bytes.size());
        return {};
    }
    upper_.clear();
    if (Result<> read = AppendBlock(bid, decode, upper_); !read.Ok()) return read;
    const std::string_view block = upper_;
    if (PstByte(block, 0) != kDataTreeType) return BlockFailure(bid, "is no data tree");
    if (PstByte(block, 1) == 1) return AddLeaves(block, decode, node);
    if (PstByte(block, 1) != 2) return BlockFailure(bid, "is a data tree of an unknown depth");
    const std::size_t id = header_.form.IdSize();
    const std::size_t count = PstLe16(block, 2);
    if (8 + count * id > block.size()) return BlockFailure(bid, "counts more entries than it holds");
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = PstLe(block, 8 + i * id, id);
        if (!IsInternal(child)) return BlockFailure(child, "should be a data tree block");
        lower_.clear();
        if (Result<> read = AppendBlock(child, decode, lower_); !read.Ok()) return read;
        if (PstByte(lower_, 0) != kDataTreeType || PstByte(lower_, 1) != 1) return BlockFailure(child, "is no data tree block");
        if (Result<> added = AddLeaves(lower_, decode, node); !added.Ok()) return added;
    }
    return {};
}

Result<> PstBlocks::AddLeaves(std::string_view xblock, bool decode, PstNodeData& node) {
    const std::size_t id = header_.form.IdSize();
    const std::size_t count = PstLe16(xblock, 2);
    if (8 + count * id > xblock.size()) return Failure{"a data tree block counts more entries than it holds"};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = PstLe(xblock, 8 + i * id, id);
        if (IsInternal(child)) return BlockFailure(child, "should hold data");
        if (Result<> read = AppendBlock(child, decode, node.bytes); !read.Ok()) return read;
        // Distinct blocks never add up to more than the file; the same one named again could.
        if (node.bytes.size() > file_.Size()) return Failure{"a data tree names more data than the file holds"};
        node.leafEnds.push_back(node.bytes.size());
    }
    return {};
}

Result<> PstBlocks::ReadSubnodes(std::uint64_t bid, PstSubnodes& subnodes) {
    subnodes.Clear();
    if (bid == 0) return {};
    upper_.clear();
    if (Result<> read = AppendBlock(bid, true, upper_); !read.Ok()) return read;
    const std::string_view block = upper_;
    if (!IsInternal(bid) || PstByte(block, 0) != kSubnodeTreeType) return BlockFailure(bid, "is no subnode tree");
    if (PstByte(block, 1) == 0) return AddSubnodes(block, subnodes);
    if (PstByte(block, 1) != 1) return BlockFailure(bid, "is a subnode tree of an unknown depth");
    const std::size_t id = header_.form.IdSize();
    const std::size_t at = header_.form.SubnodeEntriesAt();
    const std::size_t count = PstLe16(block, 2);
    if (at + count * 2 * id > block.size()) return BlockFailure(bid, "counts more entries than it holds");
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t child = PstLe(block, at + i * 2 * id + id, id);
        lower_.clear();
        if (Result<> read = AppendBlock(child, true, lower_); !read.Ok()) return read;
        if (!IsInternal(child) || PstByte(lower_, 0) != kSubnodeTreeType || PstByte(lower_, 1) != 0)
            return BlockFailure(child, "is no subnode list");
        if (Result<> added = AddSubnodes(lower_, subnodes); !added.Ok()) return added;
    }
    return {};
}

Result<> PstBlocks::AddSubnodes(std::string_view slblock, PstSubnodes& subnodes) {
    const std::size_t id = header_.form.IdSize();
    const std::size_t at = header_.form.SubnodeEntriesAt();
    const std::size_t count = PstLe16(slblock, 2);
    if (at + count * 3 * id > slblock.size()) return Failure{"a subnode list counts more entries than it holds"};
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = at + i * 3 * id;
        subnodes.Add(static_cast<std::uint32_t>(PstLe(slblock, entry, 4)),
                     PstSubnode{PstLe(slblock, entry + id, id), PstLe(slblock, entry + 2 * id, id)});
    }
    return {};
}

Result<PstNodeData> PstBlocks::Node(std::uint64_t dataBlock, std::uint64_t subnodeBlock) {
    PstNodeData node;
    if (Result<> read = ReadNode(dataBlock, subnodeBlock, node); !read.Ok()) return read.Error();
    return node;
}

Result<> PstBlocks::ReadNode(std::uint64_t dataBlock, std::uint64_t subnodeBlock, PstNodeData& node) {
    node.permuted = header_.encoding == PstEncoding::Permute;
    if (Result<> leaves = ReadLeaves(dataBlock, !node.permuted, node); !leaves.Ok()) return leaves;
    if (Result<> subnodes = ReadSubnodes(subnodeBlock, node.subnodes); !subnodes.Ok()) return subnodes;
    node.subnodes.Sort();
    return {};
}

}  // namespace mirelo
