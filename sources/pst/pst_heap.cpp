#include "sources/pst/pst_heap.h"

#include <set>

#include "sources/pst/object_name.h"
#include "sources/pst/pst_bytes.h"

namespace mirelo {

namespace {
constexpr std::uint8_t kHeapSignature = 0xEC;
constexpr std::uint8_t kBthType = 0xB5;
constexpr int kMaxBthLevels = 8;
}  // namespace

Result<PstHeap> PstHeap::Open(const std::vector<std::string>& leaves, std::uint8_t clientSignature) {
    if (leaves.empty() || leaves[0].size() < 12 || PstByte(leaves[0], 2) != kHeapSignature)
        return Failure{"holds no heap"};
    if (PstByte(leaves[0], 3) != clientSignature) return Failure{"holds a heap of another kind"};
    PstHeap heap(leaves);
    heap.userRoot_ = PstLe32(leaves[0], 4);
    return heap;
}

Result<std::string_view> PstHeap::Item(std::uint32_t hid) const {
    const auto outside = [hid] { return Failure{PstObjectName("heap item", hid, " 0x") + " lies outside its page"}; };
    const std::size_t block = hid >> 16;
    const std::size_t index = (hid >> 5) & 0x7FF;
    if ((hid & 0x1F) != 0 || index == 0 || block >= leaves_->size()) return outside();
    const std::string_view page = (*leaves_)[block];
    const std::size_t map = PstLe16(page, 0);
    if (map + 4 > page.size()) return outside();
    const std::size_t count = PstLe16(page, map);
    if (index > count || map + 4 + 2 * (count + 1) > page.size()) return outside();
    const std::size_t start = PstLe16(page, map + 4 + 2 * (index - 1));
    const std::size_t end = PstLe16(page, map + 4 + 2 * index);
    if (start > end || end > map) return outside();
    return page.substr(start, end - start);
}

Result<PstBthRecords> PstHeap::BthRecords(std::uint32_t hid, std::size_t keySize) const {
    const Result<std::string_view> header = Item(hid);
    if (!header.Ok()) return header.Error();
    const std::string_view bth = header.Value();
    PstBthRecords result;
    result.keySize = PstByte(bth, 1);
    result.dataSize = PstByte(bth, 2);
    const int levels = PstByte(bth, 3);
    if (bth.size() < 8 || PstByte(bth, 0) != kBthType || result.keySize != keySize || result.dataSize == 0 ||
        levels > kMaxBthLevels)
        return Failure{"a heap's B-tree is damaged"};
    const std::uint32_t root = PstLe32(bth, 4);
    if (root == 0) return result;

    struct Pending {
        std::uint32_t hid;
        int level;
    };
    std::vector<Pending> pending{{root, levels}};
    std::set<std::uint32_t> visited;
    while (!pending.empty()) {
        const Pending at = pending.back();
        pending.pop_back();
        // Only index records lead on: a tree of one leaf needs no watch.
        if (levels > 0 && !visited.insert(at.hid).second)
            return Failure{"a heap's B-tree leads to the same records twice"};
        const Result<std::string_view> item = Item(at.hid);
        if (!item.Ok()) return item.Error();
        const std::size_t recordSize = keySize + (at.level > 0 ? 4 : result.dataSize);
        if (item.Value().size() % recordSize != 0) return Failure{"a heap's B-tree holds a broken record"};
        const std::size_t count = item.Value().size() / recordSize;
        if (at.level == 0) {
            if (result.records.empty()) result.records.reserve(count);  // most trees are one leaf
            for (std::size_t i = 0; i < count; ++i) result.records.push_back(item.Value().substr(i * recordSize, recordSize));
            continue;
        }
        for (std::size_t i = count; i-- > 0;)
            pending.push_back({PstLe32(item.Value(), i * recordSize + keySize), at.level - 1});
    }
    return result;
}

}  // namespace mirelo
