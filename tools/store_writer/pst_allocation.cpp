#include "store_writer/pst_allocation.h"

#include "sources/pst/pst_encoding.h"

namespace mirelo::testing {

namespace {

constexpr std::uint64_t kUnit = 64;
constexpr std::uint64_t kPageSize = 512;
constexpr std::uint64_t kMapBytes = 496;
constexpr std::uint64_t kFirstMapAt = 0x4400;
constexpr std::uint64_t kMapSpan = kMapBytes * 8 * kUnit;  // 253,952 bytes
constexpr std::uint8_t kMapPageType = 0x84;
// Every eighth map page is followed by a page map, which readers still look for though
// nothing uses it: it says every page is in use.
constexpr std::uint64_t kMapsPerPageMap = 8;
constexpr std::uint8_t kPageMapType = 0x83;

std::uint64_t MapAt(std::uint64_t index) { return kFirstMapAt + index * kMapSpan; }

// The map page, and the page map that may follow it.
std::uint64_t ReservedAfterMap(std::uint64_t index) {
    return index % kMapsPerPageMap == 0 ? 2 * kPageSize : kPageSize;
}

// The first map whose reserved pages end after `at`.
std::uint64_t MapIndexAfter(std::uint64_t at) {
    if (at < kFirstMapAt) return 0;
    const std::uint64_t index = (at - kFirstMapAt) / kMapSpan;
    return at < MapAt(index) + ReservedAfterMap(index) ? index : index + 1;
}

void PutLe(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::uint64_t PstAllocation::FirstFree() { return kFirstMapAt + ReservedAfterMap(0); }

std::uint64_t PstAllocation::Place(std::string& bytes, std::size_t size, std::size_t alignment) {
    std::uint64_t at = (bytes.size() + alignment - 1) / alignment * alignment;
    const std::uint64_t index = MapIndexAfter(at);
    if (MapAt(index) < at + size) at = MapAt(index) + ReservedAfterMap(index);
    bytes.resize(at, '\0');
    MarkUsed(at, size);
    return at;
}

PstAllocation::Summary PstAllocation::WriteMaps(std::string& bytes) const {
    const std::uint64_t maps = (bytes.size() - kFirstMapAt + kMapSpan - 1) / kMapSpan;
    bytes.resize(MapAt(maps), '\0');
    Summary summary;
    for (std::uint64_t index = 0; index < maps; ++index) {
        const std::uint64_t at = MapAt(index);
        std::string bits(kMapBytes, '\0');
        for (std::uint64_t unit = 0; unit < kMapBytes * 8; ++unit) {
            const std::uint64_t global = at / kUnit + unit;
            if (unit < ReservedAfterMap(index) / kUnit || (global < used_.size() && used_[global]))
                bits[unit / 8] = static_cast<char>(bits[unit / 8] | (0x80 >> (unit % 8)));
            else
                summary.freeBytes += kUnit;
        }
        WriteMapPage(bytes, at, kMapPageType, bits);
        if (index % kMapsPerPageMap == 0)
            WriteMapPage(bytes, at + kPageSize, kPageMapType, std::string(kMapBytes, '\xFF'));
        summary.lastMap = at;
    }
    return summary;
}

void PstAllocation::WriteMapPage(std::string& bytes, std::uint64_t at, std::uint8_t type, const std::string& bits) const {
    const std::size_t trailerAt = ansi_ ? 500 : 496;
    std::string page(kPageSize, '\0');
    page.replace(ansi_ ? 4 : 0, bits.size(), bits);
    page[trailerAt] = page[trailerAt + 1] = static_cast<char>(type);
    PutLe(page, ansi_ ? 508 : 500, PstCrc(std::string_view(page).substr(0, trailerAt)), 4);
    PutLe(page, 504, at, ansi_ ? 4 : 8);
    bytes.replace(at, kPageSize, page);
}

void PstAllocation::MarkUsed(std::uint64_t at, std::uint64_t size) {
    const std::uint64_t end = (at + size + kUnit - 1) / kUnit;
    if (used_.size() < end) used_.resize(end, false);
    for (std::uint64_t unit = at / kUnit; unit < end; ++unit) used_[unit] = true;
}

}  // namespace mirelo::testing
