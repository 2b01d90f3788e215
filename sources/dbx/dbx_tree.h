#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// The values of a store tree, read once, in order: for the message tree, the positions of
// the message-info records. A damaged tree gives the values read before the damage and
// what the damage was; the values alone are no failure, since every one of them is sound.
struct DbxTreeValues {
    static constexpr std::size_t kMaxEntries = 0x33;

    // count of them for a sound tree, fewer when it is damaged or holds fewer than count.
    static DbxTreeValues Read(DbxStoreFile& store, std::uint32_t root, std::uint32_t count);

    std::vector<std::uint32_t> values;
    // Why fewer than count values were read, or the damage that the reading went round.
    std::optional<std::string> damage;
};

}  // namespace mirelo
