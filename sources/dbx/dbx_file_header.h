#pragma once

#include <cstdint>

#include "base/result.h"
#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// The fixed header at the start of every store. Only message stores have messages; the
// folder list and the other internal stores share the signature but not the kind.
class DbxFileHeader {
public:
    static constexpr std::uint64_t kSize = 0x24BC;

    // Fails when the file cannot be read as a store; any sound store, of any kind, is read.
    static Result<DbxFileHeader> Read(DbxStoreFile& store);

    bool IsMessageStore() const { return isMessageStore_; }
    // Number of values in the message tree (the word at 0xC4).
    std::uint32_t MessageCount() const { return messageCount_; }
    // Position of the message tree's root node, 0 when there is none (the word at 0xE4).
    std::uint32_t TreeRoot() const { return treeRoot_; }

private:
    DbxFileHeader() = default;

    bool isMessageStore_ = false;
    std::uint32_t messageCount_ = 0;
    std::uint32_t treeRoot_ = 0;
};

}  // namespace mirelo
