#include "sources/dbx/dbx_file_header.h"

#include <array>
#include <string_view>

#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {
constexpr std::string_view kSignature("\xCF\xAD\x12\xFE", 4);
constexpr std::string_view kMessageStoreKind("\xC5\xFD\x74\x6F", 4);
constexpr std::size_t kMessageCountAt = 0xC4;
constexpr std::size_t kTreeRootAt = 0xE4;
}  // namespace

DbxFileHeader::DbxFileHeader(DbxStoreFile& store) {
    std::array<char, kSize> header;
    const std::string_view start(header.data(), kSignature.size() + kMessageStoreKind.size());
    if (store.Read(0, {header.data(), start.size()}) != ReadResult::Ok || !start.starts_with(kSignature)) {
        problem_ = "the file is not a DBX store (its signature is missing)";
        return;
    }
    if (start.substr(kSignature.size()) != kMessageStoreKind) return;
    if (const ReadResult read = store.Read(0, header); read != ReadResult::Ok) {
        problem_ = read == ReadResult::OutsideFile ? "the store is cut short inside its header"
                                                   : "the store's header could not be read";
        return;
    }
    isMessageStore_ = true;
    messageCount_ = LoadLe32(header.data() + kMessageCountAt);
    treeRoot_ = LoadLe32(header.data() + kTreeRootAt);
}

}  // namespace mirelo
