#pragma once

#include <cstdint>
#include <string>

#include "sources/dbx/dbx_store_file.h"

namespace mirelo {

// A message's raw text, gathered from its chain of text blocks.
class DbxMessage {
public:
    DbxMessage(DbxStoreFile& store, std::uint32_t position);

    // The used bytes of every block read, in chain order; the text of a damaged chain
    // ends with the last sound block.
    const std::string& Text() const { return text_; }
    // Why the chain ended before its last block; empty when it did not.
    const std::string& Problem() const { return problem_; }

private:
    void ReadChain(DbxStoreFile& store, std::uint32_t position);

    std::string text_;
    std::string problem_;
};

}  // namespace mirelo
