#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "base/result.h"
#include "sources/dbx/dbx_indexed_info.h"

namespace mirelo {

// The info record of one message; index 4 holds the position of its text's first block.
class DbxMessageInfo {
public:
    static constexpr std::uint8_t kTextIndex = 4;

    static Result<DbxMessageInfo> Read(DbxStoreFile& store, std::uint32_t position) {
        Result<DbxIndexedInfo> info = DbxIndexedInfo::Read(store, position);
        if (!info.Ok()) return info.Error();
        return DbxMessageInfo(std::move(info.Value()));
    }

    bool HasText() const { return (info_.PresentMask() & (std::uint32_t{1} << kTextIndex)) != 0; }
    std::optional<std::uint32_t> TextPosition() { return info_.GetValue(kTextIndex); }

private:
    explicit DbxMessageInfo(DbxIndexedInfo info) : info_(std::move(info)) {}

    DbxIndexedInfo info_;
};

}  // namespace mirelo
