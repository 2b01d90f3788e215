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

Result<DbxFileHeader> DbxFileHeader::Read(DbxStoreFile& store) {
    const Result<std::string_view> start = store.Read(0, kSignature.size() + kMessageStoreKind.size());
    if (!start.Ok() || !start.Value().starts_with(kSignature))
        return Failure{"the file is not a DBX store (its signature is missing)"};
    DbxFileHeader header;
    if (start.Value().substr(kSignature.size()) != kMessageStoreKind) return header;
    const Result<std::string_view> bytes = store.Read(0, kSize);
    if (!bytes.Ok()) return Failure{"the store is cut short inside its header"};
    header.isMessageStore_ = true;
    header.messageCount_ = LoadLe32(bytes.Value().data() + kMessageCountAt);
    header.treeRoot_ = LoadLe32(bytes.Value().data() + kTreeRootAt);
    return header;
}

}  // namespace mirelo
