#pragma once

#include <cstddef>
#include <cstdint>
#include <forward_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "sources/pst/pst_blocks.h"
#include "sources/pst/pst_bytes.h"

namespace mirelo {

// The records of a B-tree on a heap, leaves only, in key order, as stored: Field reads
// one's fields. A tree of one leaf, as most are, needs no list of its records.
struct PstBthRecords {
    std::size_t keySize = 0;
    std::size_t dataSize = 0;
    bool permuted = false;
    std::string_view onlyLeaf;              // a tree of one leaf: its records, one after another
    std::vector<std::string_view> records;  // a deeper tree's; views into the node's data

    std::size_t Count() const { return records.empty() ? onlyLeaf.size() / (keySize + dataSize) : records.size(); }
    std::string_view Record(std::size_t i) const {
        return records.empty() ? onlyLeaf.substr(i * (keySize + dataSize), keySize + dataSize) : records[i];
    }
    std::uint64_t Field(std::string_view record, std::size_t offset, std::size_t width) const {
        return PstLeAsKept(record, offset, width, permuted);
    }
};

// A heap on a node's data: items named by HIDs, one page per leaf block. It views the
// leaves, which outlive it. On permuted leaves it decodes only the fields and items read:
// a message is read for its header block and senders, not its body.
class PstHeap {
public:
    // Fails when the first block is no heap of the client kind asked for.
    static Result<PstHeap> Open(const PstNodeData& node, std::uint8_t clientSignature);

    std::uint32_t UserRoot() const { return userRoot_; }
    // The bytes of the item a HID names; fails for anything out of its page. They live as
    // long as the heap.
    Result<std::string_view> Item(std::uint32_t hid) const;
    // The same as stored, for a reader that decodes it only if it comes to read it.
    Result<std::string_view> Stored(std::uint32_t hid) const;
    bool Permuted() const { return permuted_; }
    // The leaf records of the B-tree whose header is the item at hid, as stored; keySize
    // checked.
    Result<PstBthRecords> BthRecords(std::uint32_t hid, std::size_t keySize) const;

private:
    explicit PstHeap(const PstNodeData& node) : node_(&node), permuted_(node.permuted) {}

    std::string Decoded(std::string_view stored) const;
    // A little-endian field of a page, decoded.
    std::uint64_t Field(std::string_view page, std::size_t offset, std::size_t width) const {
        return PstLeAsKept(page, offset, width, permuted_);
    }
    // The same of two bytes, as those of a page map are.
    std::size_t Word(std::string_view page, std::size_t offset) const {
        if (offset > page.size() || page.size() - offset < 2) return 0;
        const auto low = static_cast<unsigned char>(page[offset]), high = static_cast<unsigned char>(page[offset + 1]);
        return permuted_ ? kPstPermuteDecode[low] | kPstPermuteDecode[high] << 8 : low | high << 8;
    }

    const PstNodeData* node_;
    // The map of the page last read: the items a message is read for mostly share one.
    struct PageMap {
        std::size_t page = SIZE_MAX;
        bool sound = false;
        std::size_t at = 0;
        std::size_t count = 0;
    };
    mutable PageMap pageMap_;
    bool permuted_ = false;
    std::uint32_t userRoot_ = 0;
    mutable std::forward_list<std::string> decoded_;  // the items read from permuted leaves
};

}  // namespace mirelo
