#include "sources/dbx/dbx_indexed_info.h"

#include <algorithm>

#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {
constexpr std::size_t kHeadSize = 12;
constexpr std::size_t kBodyLengthAt = 0x04;
constexpr std::size_t kEntryCountAt = 0x0A;
constexpr std::size_t kIndexEntrySize = 4;
constexpr unsigned char kDirectBit = 0x80;
constexpr unsigned char kIndexBits = 0x7F;
}  // namespace

Result<DbxIndexedInfo> DbxIndexedInfo::Read(DbxStoreFile& store, std::uint32_t position) {
    DbxIndexedInfo info(store);
    if (const Result<> loaded = info.Load(position); !loaded.Ok())
        return Failure{ObjectName("info record", position) + " " + loaded.Error().message};
    return info;
}

Result<> DbxIndexedInfo::Load(std::uint32_t position) {
    const Result<std::string_view> head = store_->Read(position, kHeadSize);
    if (!head.Ok()) return head.Error();
    if (LoadLe32(head.Value().data()) != position) return Failure{"has a wrong marker"};
    const std::uint32_t bodyLength = LoadLe32(head.Value().data() + kBodyLengthAt);
    const std::size_t entryCount = static_cast<unsigned char>(head.Value()[kEntryCountAt]);
    const std::uint64_t bodyStart = std::uint64_t{position} + kHeadSize;
    if (bodyLength > store_->Size() - bodyStart) return Failure{"runs past the end of the store"};
    if (entryCount * kIndexEntrySize > bodyLength) return Failure{"has an index field longer than its body"};

    const Result<std::string_view> field = store_->Read(bodyStart, entryCount * kIndexEntrySize);
    if (!field.Ok()) return field.Error();
    entries_.reserve(entryCount);
    for (std::size_t i = 0; i < entryCount; ++i) {
        const char* entry = field.Value().data() + i * kIndexEntrySize;
        const auto flags = static_cast<unsigned char>(entry[0]);
        const auto index = static_cast<std::uint8_t>(flags & kIndexBits);
        entries_.push_back({index, (flags & kDirectBit) != 0, LoadLe24(entry + 1)});
        if (index < 32) presentMask_ |= std::uint32_t{1} << index;
    }
    dataStart_ = bodyStart + field.Value().size();
    dataLength_ = bodyLength - static_cast<std::uint32_t>(field.Value().size());
    return {};
}

std::optional<std::uint32_t> DbxIndexedInfo::GetValue(std::uint8_t index) {
    const auto entry =
        std::find_if(entries_.begin(), entries_.end(), [index](const IndexEntry& e) { return e.index == index; });
    if (entry == entries_.end()) return std::nullopt;
    if (entry->direct) return entry->number;

    constexpr std::uint32_t kValueSize = 4;
    if (entry->number > dataLength_ || kValueSize > dataLength_ - entry->number) return std::nullopt;
    const Result<std::string_view> value = store_->Read(dataStart_ + entry->number, kValueSize);
    if (!value.Ok()) return std::nullopt;
    return LoadLe32(value.Value().data());
}

}  // namespace mirelo
