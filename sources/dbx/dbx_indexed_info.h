#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/result.h"
#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// A record of numbered values (indexes), such as the info record of a message. Only the
// head and the index field are read up front; a value kept in the data field is read when
// asked for, so a record with an absurd body length costs nothing more than a sound one.
class DbxIndexedInfo {
public:
    // Fails, naming the record, when its head or its index field is unusable.
    static Result<DbxIndexedInfo> Read(DbxStoreFile& store, std::uint32_t position);

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

    explicit DbxIndexedInfo(DbxStoreFile& store) : store_(&store) {}
    Result<> Load(std::uint32_t position);

    DbxStoreFile* store_;
    std::vector<IndexEntry> entries_;
    std::uint64_t dataStart_ = 0;
    std::uint32_t dataLength_ = 0;
    std::uint32_t presentMask_ = 0;
};

}  // namespace mirelo
