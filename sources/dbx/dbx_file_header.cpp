#include "sources/dbx/dbx_file_header.h"

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
    std::string_view start;
    if (store.Read(0, kSignature.size() + kMessageStoreKind.size(), start) != ReadResult::Ok ||
        !start.starts_with(kSignature)) {
        problem_ = "the file is not a DBX store (its signature is missing)";
        return;
    }
    if (start.substr(kSignature.size()) != kMessageStoreKind) return;
    std::string_view header;
    if (store.Read(0, kSize, header) != ReadResult::Ok) {
        problem_ = "the store is cut short inside its header";
        return;
    }
    isMessageStore_ = true;
    messageCount_ = LoadLe32(header.data() + kMessageCountAt);
    treeRoot_ = LoadLe32(header.data() + kTreeRootAt);
}

}  // namespace mirelo
