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

DbxIndexedInfo::DbxIndexedInfo(DbxStoreFile& store, std::uint32_t position) : store_(store) {
    if (const std::string_view reason = Load(position); !reason.empty())
        problem_ = ObjectName("info record", position) + " " + std::string(reason);
}

std::string_view DbxIndexedInfo::Load(std::uint32_t position) {
    std::string_view head;
    if (const ReadResult read = store_.Read(position, kHeadSize, head); read != ReadResult::Ok) return Describe(read);
    if (LoadLe32(head.data()) != position) return "has a wrong marker";
    const std::uint32_t bodyLength = LoadLe32(head.data() + kBodyLengthAt);
    const std::size_t entryCount = static_cast<unsigned char>(head[kEntryCountAt]);
    const std::uint64_t bodyStart = std::uint64_t{position} + kHeadSize;
    if (bodyLength > store_.Size() - bodyStart) return "runs past the end of the store";
    if (entryCount * kIndexEntrySize > bodyLength) return "has an index field longer than its body";

    std::string_view field;
    if (const ReadResult read = store_.Read(bodyStart, entryCount * kIndexEntrySize, field); read != ReadResult::Ok)
        return Describe(read);
    entries_.reserve(entryCount);
    for (std::size_t i = 0; i < entryCount; ++i) {
        const char* entry = field.data() + i * kIndexEntrySize;
        const auto flags = static_cast<unsigned char>(entry[0]);
        const auto index = static_cast<std::uint8_t>(flags & kIndexBits);
        entries_.push_back({index, (flags & kDirectBit) != 0, LoadLe24(entry + 1)});
        if (index < 32) presentMask_ |= std::uint32_t{1} << index;
    }
    dataStart_ = bodyStart + field.size();
    dataLength_ = bodyLength - static_cast<std::uint32_t>(field.size());
    return {};
}

std::optional<std::uint32_t> DbxIndexedInfo::GetValue(std::uint8_t index) {
    const auto entry =
        std::find_if(entries_.begin(), entries_.end(), [index](const IndexEntry& e) { return e.index == index; });
    if (entry == entries_.end()) return std::nullopt;
    if (entry->direct) return entry->number;

    constexpr std::uint32_t kValueSize = 4;
    std::string_view value;
    if (entry->number > dataLength_ || kValueSize > dataLength_ - entry->number ||
        store_.Read(dataStart_ + entry->number, kValueSize, value) != ReadResult::Ok)
        return std::nullopt;
    return LoadLe32(value.data());
}

}  // namespace mirelo
