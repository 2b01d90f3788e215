#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "sources/pst/pst_blocks.h"
#include "sources/pst/pst_heap.h"

namespace mirelo {

// A value's bytes: its own, or a heap item left as stored, decoded only when read, which
// views the node's data. Most values of a message are never read.
struct PstValueBytes {
    std::string own{};
    std::string_view item{};
    bool inHeap = false;
    bool permuted = false;
};

// One object's properties, or one table row's, by property id. A bag read from a node
// views that node's data, which must outlive it.
class PstPropertyBag {
public:
    void Set(std::uint16_t id, std::uint16_t type, std::string bytes) { Set(id, type, PstValueBytes{.own = std::move(bytes)}); }
    void Set(std::uint16_t id, std::uint16_t type, PstValueBytes bytes);
    void Reserve(std::size_t count) { values_.reserve(count); }
    void Clear() { values_.clear(); }

    // A String as UTF-8, or a String8 read in the Windows code page given (Windows-1252
    // where the system cannot convert it), without a closing NUL.
    std::optional<std::string> Text(std::uint16_t id, std::uint32_t codePage = kDefaultCodePage) const;
    static constexpr std::uint32_t kDefaultCodePage = 1252;
    std::optional<std::uint32_t> Integer(std::uint16_t id) const;
    // A FILETIME; none when absent or outside the times a file can mean.
    std::optional<std::uint64_t> Time(std::uint16_t id) const;
    std::optional<std::string> Binary(std::uint16_t id) const;

private:
    struct Value {
        std::uint16_t id;
        std::uint16_t type;
        PstValueBytes bytes;
    };
    const Value* Find(std::uint16_t id, std::uint16_t type) const;

    std::vector<Value> values_;  // by id; properties come in that order
};

// The property context on a node's data, only the properties wanted when a list (in id
// order) is given:
// bodies and attachments are left unread. A value that cannot be read is left out, and
// damage says so; a context without its heap or B-tree fails.
Result<PstPropertyBag> ReadPropertyContext(const PstNodeData& node, PstBlocks& blocks, std::vector<std::string>& damage,
                                           std::span<const std::uint16_t> wanted = {});
// The same into bag, whose room is kept from one message to the next.
Result<> ReadPropertyContext(const PstNodeData& node, PstBlocks& blocks, std::vector<std::string>& damage,
                             std::span<const std::uint16_t> wanted, PstPropertyBag& bag);

// The rows of the table context on a node's data; rows beyond the bytes present are lost,
// and damage says so.
Result<std::vector<PstPropertyBag>> ReadTableContext(const PstNodeData& node, PstBlocks& blocks,
                                                     std::vector<std::string>& damage);

}  // namespace mirelo
