#include "sources/pst/pst_heap.h"

#include <set>

#include "sources/pst/object_name.h"
#include "sources/pst/pst_bytes.h"
#include "sources/pst/pst_encoding.h"

namespace mirelo {

namespace {
constexpr std::uint8_t kHeapSignature = 0xEC;
constexpr std::uint8_t kBthType = 0xB5;
constexpr int kMaxBthLevels = 8;
}  // namespace

Result<PstHeap> PstHeap::Open(const PstNodeData& node, std::uint8_t clientSignature) {
    PstHeap heap(node);
    const std::string_view first = node.LeafCount() > 0 ? node.Leaf(0) : std::string_view();
    if (first.size() < 12 || heap.Field(first, 2, 1) != kHeapSignature) return Failure{"holds no heap"};
    if (heap.Field(first, 3, 1) != clientSignature) return Failure{"holds a heap of another kind"};
    heap.userRoot_ = static_cast<std::uint32_t>(heap.Field(first, 4, 4));
    return heap;
}

Result<std::string_view> PstHeap::Stored(std::uint32_t hid) const {
    const auto outside = [hid] { return Failure{PstObjectName("heap item", hid, " 0x") + " lies outside its page"}; };
    const std::size_t block = hid >> 16;
    const std::size_t index = (hid >> 5) & 0x7FF;
    if ((hid & 0x1F) != 0 || index == 0 || block >= node_->LeafCount()) return outside();
    const std::string_view page = node_->Leaf(block);
    if (pageMap_.page != block) {
        const std::size_t at = Word(page, 0);
        const bool sound = at + 4 <= page.size();
        pageMap_ = {block, sound, at, sound ? Word(page, at) : 0};
    }
    if (!pageMap_.sound) return outside();
    const std::size_t map = pageMap_.at;
    const std::size_t count = pageMap_.count;
    if (index > count || map + 4 + 2 * (count + 1) > page.size()) return outside();
    const std::size_t start = Word(page, map + 4 + 2 * (index - 1));
    const std::size_t end = Word(page, map + 4 + 2 * index);
    if (start > end || end > map) return outside();
    return page.substr(start, end - start);
}

Result<std::string_view> PstHeap::Item(std::uint32_t hid) const {
    const Result<std::string_view> stored = Stored(hid);
    if (!stored.Ok() || !permuted_) return stored;
    return std::string_view(decoded_.emplace_front(Decoded(stored.Value())));
}

std::string PstHeap::Decoded(std::string_view stored) const {
    std::string item(stored);
    if (permuted_) PermuteDecode(item);
    return item;
}

Result<PstBthRecords> PstHeap::BthRecords(std::uint32_t hid, std::size_t keySize) const {
    const Result<std::string_view> header = Stored(hid);
    if (!header.Ok()) return header.Error();
    const std::string_view bth = header.Value();
    PstBthRecords result;
    result.permuted = permuted_;
    result.keySize = Field(bth, 1, 1);
    result.dataSize = Field(bth, 2, 1);
    const int levels = static_cast<int>(Field(bth, 3, 1));
    if (bth.size() < 8 || Field(bth, 0, 1) != kBthType || result.keySize != keySize || result.dataSize == 0 ||
        levels > kMaxBthLevels)
        return Failure{"a heap's B-tree is damaged"};
    const auto root = static_cast<std::uint32_t>(Field(bth, 4, 4));
    if (root == 0) return result;
    const std::size_t recordSize = keySize + result.dataSize;
    if (levels == 0) {  // one leaf, as most trees are: nothing to lead on, nothing to watch
        const Result<std::string_view> leaf = Stored(root);
        if (!leaf.Ok()) return leaf.Error();
        if (leaf.Value().size() % recordSize != 0) return Failure{"a heap's B-tree holds a broken record"};
        result.onlyLeaf = leaf.Value();
        return result;
    }

    struct Pending {
        std::uint32_t hid;
        int level;
    };
    std::vector<Pending> pending{{root, levels}};
    std::set<std::uint32_t> visited;
    while (!pending.empty()) {
        const Pending at = pending.back();
        pending.pop_back();
        if (!visited.insert(at.hid).second) return Failure{"a heap's B-tree leads to the same records twice"};
        const Result<std::string_view> item = Stored(at.hid);
        if (!item.Ok()) return item.Error();
        const std::string_view records = item.Value();
        const std::size_t size = at.level > 0 ? keySize + 4 : recordSize;
        if (records.size() % size != 0) return Failure{"a heap's B-tree holds a broken record"};
        if (at.level == 0) {
            for (std::size_t i = 0; i < records.size() / size; ++i) result.records.push_back(records.substr(i * size, size));
            continue;
        }
        for (std::size_t i = records.size() / size; i-- > 0;)
            pending.push_back({static_cast<std::uint32_t>(Field(records, i * size + keySize, 4)), at.level - 1});
    }
    return result;
}

}  // namespace mirelo
