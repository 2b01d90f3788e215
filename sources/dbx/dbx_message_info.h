#pragma once

#include <cstdint>
#include <optional>

#include "sources/dbx/dbx_indexed_info.h"

namespace mirelo {

// The info record of one message; index 4 holds the position of its text's first block.
class DbxMessageInfo : public DbxIndexedInfo {
public:
    static constexpr std::uint8_t kTextIndex = 4;

    using DbxIndexedInfo::DbxIndexedInfo;

    bool HasText() const { return (PresentMask() & (std::uint32_t{1} << kTextIndex)) != 0; }
    std::optional<std::uint32_t> TextPosition() { return GetValue(kTextIndex); }
};

}  // namespace mirelo
