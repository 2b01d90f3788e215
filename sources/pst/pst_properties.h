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

// One object's properties, or one table row's, by property id. A value is bytes of the
// bag's own, or a heap item left as stored and decoded only when read: most values of a
// message never are. A bag read from a node views that node's data, which must outlive it.
class PstPropertyBag {
public:
    void Set(std::uint16_t id, std::uint16_t type, std::string_view bytes);
    void SetStored(std::uint16_t id, std::uint16_t type, std::string_view item, bool permuted);
    void Reserve(std::size_t count) { values_.reserve(count); }
    void Clear() {
        values_.clear();
        own_.clear();
    }

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
        bool own;               // in own_, from ownAt on, ownSize long
        bool permuted;          // a heap item still permuted
        std::string_view item;  // a heap item as stored
        std::size_t ownAt;
        std::size_t ownSize;
    };
    void Add(const Value& value);
    const Value* Find(std::uint16_t id, std::uint16_t type) const;
    // A value's bytes as stored, and decoded into scratch where they need it.
    std::string_view Stored(const Value& value) const;
    std::string_view Bytes(const Value& value, std::string& scratch) const;
    std::uint64_t Le(const Value& value, std::size_t width) const;

    std::vector<Value> values_;  // by id; properties come in that order
    std::string own_;
};

// The property context on a node's data, only the properties wanted when a list (in id
// order) is given: bodies and attachments are left unread. A value that cannot be read is
// left out, and damage says so; a context without its heap or B-tree fails.
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
