#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// A record of numbered values (indexes), such as the info record of a message. Only the
// head and the index field are read up front; a value kept in the data field is read when
// asked for, so a record with an absurd body length costs nothing more than a sound one.
class DbxIndexedInfo {
public:
    DbxIndexedInfo(DbxStoreFile& store, std::uint32_t position);

    // Why the record cannot be used; empty for a sound record.
    const std::string& Problem() const { return problem_; }
    // Bit k is set when index k (below 32) is present.
    std::uint32_t PresentMask() const { return presentMask_; }
    // The value of an index as a 32-bit number; nothing when the index is absent or its
    // value does not lie within the record.
    std::optional<std::uint32_t> GetValue(std::uint8_t index);

private:
    struct IndexEntry {
        std::uint8_t index;
        bool direct;           // the value itself, not an offset into the data field
        std::uint32_t number;  // the value or the offset
    };

    // Reads the head and the index field; the reason when they are unusable.
    std::string_view Load(std::uint32_t position);

    DbxStoreFile& store_;
    std::vector<IndexEntry> entries_;
    std::uint64_t dataStart_ = 0;
    std::uint32_t dataLength_ = 0;
    std::uint32_t presentMask_ = 0;
    std::string problem_;
};

}  // namespace mirelo
