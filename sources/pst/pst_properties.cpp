#include "sources/pst/pst_properties.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/windows1252.h"
#include "headers/charset.h"
#include "sources/pst/object_name.h"
#include "sources/pst/pst_bytes.h"
#include "sources/pst/pst_encoding.h"

namespace mirelo {

namespace {

constexpr std::uint16_t kInteger32 = 0x0003, kTime = 0x0040, kString8 = 0x001E, kString = 0x001F,
                        kBinary = 0x0102, kGuid = 0x0048;
constexpr std::uint8_t kPropertyContext = 0xBC;
constexpr std::uint8_t kTableContext = 0x7C;
constexpr std::uint64_t kNoTime = 0x7FFFFFFFFFFFFFFF;

bool IsVariable(std::uint16_t type) {
    return type == kString8 || type == kString || type == kBinary || type == 0x000D || (type & 0x1000) != 0;
}

std::size_t FixedSize(std::uint16_t type) {
    switch (type) {
        case 0x0002: return 2;
        case 0x000B: return 1;
        case 0x0005: case 0x0006: case 0x0007: case 0x0014: case kTime: return 8;
        case kGuid: return 16;
        default: return 4;
    }
}

// UTF-16LE as UTF-8, its bytes decoded on the way when permuted: a header block is read
// in one pass. Most texts, header blocks above all, are ASCII to their end or far into it.
template <bool kPermuted>
std::string Utf16ToUtf8(std::string_view bytes) {
    std::string out(bytes.size() / 2, '\0');
    char* const to = out.data();  // a char store through out could alias its own pointer and reload it
    const auto* stored = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto byteAt = [stored](std::size_t i) -> unsigned { return kPermuted ? kPstPermuteDecode[stored[i]] : stored[i]; };
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kZeroHighs = kPermuted ? 0x4100410041004100 : 0;  // a permuted 0 is stored as 0x41
        for (; i + 8 <= bytes.size(); i += 8) {  // four at a time, checked and written as one word each
            std::uint64_t four;
            std::memcpy(&four, stored + i, 8);
            if ((four & 0xFF00FF00FF00FF00) != kZeroHighs) break;
            const std::uint32_t ascii = byteAt(i) | byteAt(i + 2) << 8 | byteAt(i + 4) << 16 | byteAt(i + 6) << 24;
            if ((ascii & 0x80808080) != 0) break;
            std::memcpy(to + i / 2, &ascii, 4);
        }
    }
    for (; i + 1 < bytes.size() && byteAt(i + 1) == 0 && byteAt(i) < 0x80; i += 2) to[i / 2] = static_cast<char>(byteAt(i));
    out.resize(i / 2);
    const auto unitAt = [&byteAt](std::size_t at) -> char32_t { return byteAt(at) | byteAt(at + 1) << 8; };
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;  // a lone half
        AppendUtf8(out, unit);
    }
    return out;
}

// The MIME name of a Windows code page that 8-bit strings come in; empty for Windows-1252
// and those this reader does not know.
std::string CharsetOfCodePage(std::uint32_t codePage) {
    if (codePage >= 1250 && codePage <= 1258 && codePage != 1252) return "windows-" + std::to_string(codePage);
    if (codePage >= 28591 && codePage <= 28599) return "iso-8859-" + std::to_string(codePage - 28590);
    switch (codePage) {
        case 65001: return "utf-8";
        case 874: return "tis-620";
        case 866: case 932: case 936: case 949: case 950: return "cp" + std::to_string(codePage);
        case 20866: return "koi8-r";
        case 21866: return "koi8-u";
        default: return {};
    }
}

std::string CodePageToUtf8(std::string_view bytes, std::uint32_t codePage) {
    const std::string charset = CharsetOfCodePage(codePage);
    if (!charset.empty())
        if (std::optional<std::string> converted = ConvertToUtf8(charset, bytes)) return std::move(*converted);
    return Windows1252ToUtf8(bytes);
}

// Resolves HNIDs: items of the node's heap, or whole subnodes of the node.
class ValueReader {
public:
    ValueReader(const PstHeap& heap, const PstSubnodes& subnodes, PstBlocks& blocks)
        : heap_(heap), subnodes_(subnodes), blocks_(blocks) {}

    // The heap item at hid into bag, left as stored.
    Result<> HeapItem(std::uint32_t hid, std::uint16_t id, std::uint16_t type, PstPropertyBag& bag) const {
        const Result<std::string_view> item = heap_.Stored(hid);
        if (!item.Ok()) return item.Error();
        bag.SetStored(id, type, item.Value(), heap_.Permuted());
        return {};
    }

    // The value hnid names into bag: none, a heap item, or a subnode's data read whole.
    Result<> Variable(std::uint32_t hnid, std::uint16_t id, std::uint16_t type, PstPropertyBag& bag) const {
        if (hnid == 0) {
            bag.Set(id, type, {});
            return {};
        }
        if ((hnid & 0x1F) == 0) return HeapItem(hnid, id, type, bag);
        const PstSubnode* subnode = subnodes_.Find(hnid);
        if (!subnode) return Failure{PstObjectName("subnode", hnid, " 0x") + " is missing"};
        const Result<std::string_view> data = blocks_.DataBytes(subnode->dataBlock);
        if (!data.Ok()) return data.Error();
        bag.Set(id, type, data.Value());
        return {};
    }

private:
    const PstHeap& heap_;
    const PstSubnodes& subnodes_;
    PstBlocks& blocks_;
};

std::string PropertyName(std::uint16_t id) { return PstObjectName("property", id, " 0x"); }

// The ids asked for, in order. Records come in id order too, so each look-up goes on from
// where the last ended; an id lower than the last starts again.
class WantedIds {
public:
    explicit WantedIds(std::span<const std::uint16_t> ids) : ids_(ids) {}

    bool Has(std::uint16_t id) {
        if (ids_.empty()) return true;
        if (id < last_) next_ = 0;
        last_ = id;
        while (next_ < ids_.size() && ids_[next_] < id) ++next_;
        return next_ < ids_.size() && ids_[next_] == id;
    }

private:
    std::span<const std::uint16_t> ids_;
    std::size_t next_ = 0;
    std::uint16_t last_ = 0;
};

}  // namespace

void PstPropertyBag::Set(std::uint16_t id, std::uint16_t type, std::string_view bytes) {
    Add({id, type, true, false, {}, own_.size(), bytes.size()});
    own_.append(bytes);
}

void PstPropertyBag::SetStored(std::uint16_t id, std::uint16_t type, std::string_view item, bool permuted) {
    Add({id, type, false, permuted, item, 0, 0});
}

void PstPropertyBag::Add(const Value& value) {
    if (values_.empty() || values_.back().id < value.id) {  // properties come in id order
        values_.push_back(value);
        return;
    }
    const auto at = std::lower_bound(values_.begin(), values_.end(), value.id,
                                     [](const Value& v, std::uint16_t key) { return v.id < key; });
    if (at != values_.end() && at->id == value.id)
        *at = value;
    else
        values_.insert(at, value);
}

std::string_view PstPropertyBag::Stored(const Value& value) const {
    return value.own ? std::string_view(own_).substr(value.ownAt, value.ownSize) : value.item;
}

std::string_view PstPropertyBag::Bytes(const Value& value, std::string& scratch) const {
    if (!value.permuted) return Stored(value);
    scratch.resize(value.item.size());
    PermuteDecode(value.item, scratch.data());
    return scratch;
}

// The little-endian integer a value starts with, decoded where it lies.
std::uint64_t PstPropertyBag::Le(const Value& value, std::size_t width) const {
    return PstLeAsKept(Stored(value), 0, width, value.permuted);
}

const PstPropertyBag::Value* PstPropertyBag::Find(std::uint16_t id, std::uint16_t type) const {
    const auto found =
        std::lower_bound(values_.begin(), values_.end(), id, [](const Value& v, std::uint16_t key) { return v.id < key; });
    return found != values_.end() && found->id == id && found->type == type ? &*found : nullptr;
}

std::optional<std::string> PstPropertyBag::Text(std::uint16_t id, std::uint32_t codePage) const {
    std::string text;
    std::string scratch;
    if (const Value* wide = Find(id, kString)) {
        text = wide->permuted ? Utf16ToUtf8<true>(wide->item) : Utf16ToUtf8<false>(Stored(*wide));
    } else if (const Value* narrow = Find(id, kString8)) {
        text = CodePageToUtf8(Bytes(*narrow, scratch), codePage);
    } else {
        return std::nullopt;
    }
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::optional<std::uint32_t> PstPropertyBag::Integer(std::uint16_t id) const {
    const Value* value = Find(id, kInteger32);
    if (!value || Stored(*value).size() < 4) return std::nullopt;
    return static_cast<std::uint32_t>(Le(*value, 4));
}

std::optional<std::uint64_t> PstPropertyBag::Time(std::uint16_t id) const {
    const Value* value = Find(id, kTime);
    if (!value || Stored(*value).size() < 8) return std::nullopt;
    const std::uint64_t time = Le(*value, 8);
    if (time == 0 || time >= kNoTime) return std::nullopt;
    return time;
}

std::optional<std::string> PstPropertyBag::Binary(std::uint16_t id) const {
    const Value* value = Find(id, kBinary);
    if (!value) return std::nullopt;
    std::string scratch;
    return std::string(Bytes(*value, scratch));
}

Result<PstPropertyBag> ReadPropertyContext(const PstNodeData& node, PstBlocks& blocks, std::vector<std::string>& damage,
                                           std::span<const std::uint16_t> wanted) {
    PstPropertyBag bag;
    if (Result<> read = ReadPropertyContext(node, blocks, damage, wanted, bag); !read.Ok()) return read.Error();
    return bag;
}

Result<> ReadPropertyContext(const PstNodeData& node, PstBlocks& blocks, std::vector<std::string>& damage,
                             std::span<const std::uint16_t> wanted, PstPropertyBag& bag) {
    bag.Clear();
    const Result<PstHeap> heap = PstHeap::Open(node, kPropertyContext);
    if (!heap.Ok()) return heap.Error();
    const Result<PstBthRecords> records = heap.Value().BthRecords(heap.Value().UserRoot(), 2);
    if (!records.Ok()) return records.Error();
    if (records.Value().dataSize != 6) return Failure{"holds a property tree of the wrong record size"};
    const ValueReader values(heap.Value(), node.subnodes, blocks);
    const PstBthRecords& tree = records.Value();
    bag.Reserve(wanted.empty() ? tree.Count() : wanted.size());
    WantedIds wantedIds(wanted);
    for (std::size_t r = 0; r < tree.Count(); ++r) {
        const std::string_view record = tree.Record(r);
        const auto id = static_cast<std::uint16_t>(tree.Field(record, 0, 2));
        if (!wantedIds.Has(id)) continue;
        const auto type = static_cast<std::uint16_t>(tree.Field(record, 2, 2));
        const auto hnid = static_cast<std::uint32_t>(tree.Field(record, 4, 4));
        if (!IsVariable(type) && FixedSize(type) <= 4) {
            bag.SetStored(id, type, record.substr(4, 4), tree.permuted);
            continue;
        }
        const Result<> read = IsVariable(type) ? values.Variable(hnid, id, type, bag) : values.HeapItem(hnid, id, type, bag);
        if (!read.Ok()) damage.push_back(PropertyName(id) + " is lost: " + read.Error().Text());
    }
    return {};
}

namespace {

struct Column {
    std::uint16_t id;
    std::uint16_t type;
    std::size_t offset;
    std::size_t size;
    std::size_t bit;
};

// The rows' bytes, each rowSize long: from one heap item, or a subnode whose leaves each
// hold whole rows and then dead space.
Result<std::vector<std::string_view>> RowBytes(const PstHeap& heap, const PstNodeData& node, PstBlocks& blocks,
                                               std::uint32_t hnid, std::size_t rowSize, PstNodeData& storage) {
    std::vector<std::string_view> rows;
    if (hnid == 0) return rows;
    if ((hnid & 0x1F) == 0) {
        const Result<std::string_view> item = heap.Item(hnid);
        if (!item.Ok()) return item.Error();
        storage.bytes = item.Value();
        storage.leafEnds = {storage.bytes.size()};
    } else {
        const PstSubnode* subnode = node.subnodes.Find(hnid);
        if (!subnode) return Failure{"its rows' subnode is missing"};
        Result<PstNodeData> leaves = blocks.DataTree(subnode->dataBlock);
        if (!leaves.Ok()) return leaves.Error();
        storage = std::move(leaves.Value());
    }
    for (std::size_t i = 0; i < storage.LeafCount(); ++i) {
        const std::string_view leaf = storage.Leaf(i);
        for (std::size_t at = 0; at + rowSize <= leaf.size(); at += rowSize) rows.push_back(leaf.substr(at, rowSize));
    }
    return rows;
}

}  // namespace

Result<std::vector<PstPropertyBag>> ReadTableContext(const PstNodeData& node, PstBlocks& blocks,
                                                     std::vector<std::string>& damage) {
    const Result<PstHeap> opened = PstHeap::Open(node, kTableContext);
    if (!opened.Ok()) return opened.Error();
    const PstHeap& heap = opened.Value();
    const Result<std::string_view> item = heap.Item(heap.UserRoot());
    if (!item.Ok()) return item.Error();
    const std::string_view info = item.Value();
    const std::size_t columnCount = PstByte(info, 1);
    const std::size_t bitmapAt = PstLe16(info, 6);
    const std::size_t rowSize = PstLe16(info, 8);
    const Failure broken{"holds a broken table description"};
    if (PstByte(info, 0) != kTableContext || info.size() < 22 + 8 * columnCount || PstLe16(info, 2) > PstLe16(info, 4) ||
        PstLe16(info, 4) > bitmapAt || bitmapAt > rowSize || rowSize == 0 || rowSize - bitmapAt < (columnCount + 7) / 8)
        return broken;
    std::vector<Column> columns;
    for (std::size_t c = 0; c < columnCount; ++c) {
        const std::string_view descriptor = info.substr(22 + 8 * c, 8);
        const Column column{PstLe16(descriptor, 2), PstLe16(descriptor, 0), PstLe16(descriptor, 4),
                            PstByte(descriptor, 6), PstByte(descriptor, 7)};
        if (column.offset + column.size > rowSize || bitmapAt + column.bit / 8 >= rowSize) return broken;
        columns.push_back(column);
    }
    // The row index counts the rows in use; without it every row present is taken.
    std::optional<std::size_t> liveRows;
    if (const Result<PstBthRecords> index = heap.BthRecords(PstLe32(info, 10), 4); index.Ok())
        liveRows = index.Value().Count();
    else
        damage.push_back("a table's row index is lost: " + index.Error().Text());

    PstNodeData storage;
    const Result<std::vector<std::string_view>> rows = RowBytes(heap, node, blocks, PstLe32(info, 14), rowSize, storage);
    if (!rows.Ok()) return rows.Error();
    const std::size_t present = rows.Value().size();
    if (liveRows && *liveRows > present)
        damage.push_back("a table lost " + std::to_string(*liveRows - present) + " of its rows");

    const ValueReader values(heap, node.subnodes, blocks);
    std::vector<PstPropertyBag> bags;
    for (std::size_t r = 0; r < std::min(present, liveRows.value_or(present)); ++r) {
        const std::string_view row = rows.Value()[r];
        PstPropertyBag& bag = bags.emplace_back();
        for (const Column& column : columns) {
            if ((PstByte(row, bitmapAt + column.bit / 8) & (0x80 >> (column.bit % 8))) == 0) continue;
            const std::string_view cell = row.substr(column.offset, column.size);
            if (!IsVariable(column.type) && column.type != kGuid) {
                bag.Set(column.id, column.type, cell);
                continue;
            }
            if (const Result<> read = values.Variable(PstLe32(cell, 0), column.id, column.type, bag); !read.Ok())
                damage.push_back(PropertyName(column.id) + " of a table row is lost: " + read.Error().Text());
        }
    }
    return bags;
}

}  // namespace mirelo
