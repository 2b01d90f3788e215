#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "base/result.h"
#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// A message's raw text: the used bytes of each block in its chain, in chain order.
class DbxMessage {
public:
    // One piece of the text, valid only during the call; returning false stops the reading.
    using TextSink = std::function<bool(std::string_view piece)>;

    DbxMessage(DbxStoreFile& store, std::uint32_t position) : store_(store), position_(position) {}

    // Hands the text to sink block by block, up to the end of the chain, a damaged block
    // or sink asking to stop. Fails, naming the block, when the chain ended at a damaged one.
    Result<> ReadText(const TextSink& sink);

private:
    DbxStoreFile& store_;
    std::uint32_t position_;
};

}  // namespace mirelo
