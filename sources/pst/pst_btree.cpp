#include "sources/pst/pst_btree.h"

#include <set>

#include "sources/pst/pst_bytes.h"
#include "sources/pst/pst_encoding.h"
#include "sources/pst/object_name.h"

namespace mirelo {

namespace {

constexpr int kMaxLevels = 8;  // real trees have 2 to 4
constexpr std::uint8_t kBlockTreePage = 0x80;
constexpr std::uint8_t kNodeTreePage = 0x81;

struct PageVisit {
    PstPageRef ref;
    int level;  // what the parent promised; -1 for the root
};

// Walks every leaf entry of one B-tree, depth first.
template <typename LeafEntry>
void WalkTree(PstFile& file, const PstHeader& header, std::uint8_t pageType, std::size_t leafEntrySize,
              const LeafEntry& leafEntry, std::vector<std::string>& damage) {
    const PstForm& form = header.form;
    const std::size_t id = form.IdSize();
    std::set<std::uint64_t> visited;
    std::vector<PageVisit> pending{{pageType == kNodeTreePage ? header.nodeTreeRoot : header.blockTreeRoot, -1}};
    const char* treeName = pageType == kNodeTreePage ? "node tree page" : "block tree page";
    while (!pending.empty()) {
        const PageVisit visit = pending.back();
        pending.pop_back();
        const std::string name = PstObjectName(treeName, visit.ref.offset);
        if (!visited.insert(visit.ref.offset).second) {
            damage.push_back(name + " is reached again; the entries it should lead to are lost");
            continue;
        }
        const Result<std::string_view> read = file.Read(visit.ref.offset, kPstPageSize);
        if (!read.Ok()) {
            damage.push_back(name + " " + read.Error().Text() + "; the entries below it are lost");
            continue;
        }
        const std::string_view page = read.Value();
        const std::size_t meta = form.PageEntriesEnd();
        const std::size_t count = PstByte(page, meta);
        const std::size_t entrySize = PstByte(page, meta + 2);
        const int level = PstByte(page, meta + 3);
        const std::size_t trailer = form.PageTrailerAt();
        const bool kindHolds = PstByte(page, trailer) == pageType && PstByte(page, trailer + 1) == pageType;
        const bool idHolds = PstLe(page, form.PageIdAt(), id) == visit.ref.id;
        const bool levelHolds = visit.level < 0 ? level < kMaxLevels : level == visit.level;
        const std::size_t needed = level > 0 ? 3 * id : leafEntrySize;
        const bool countHolds = entrySize >= needed && count * entrySize <= meta;
        if (!kindHolds || !idHolds || !levelHolds || !countHolds) {
            damage.push_back(name + " is damaged; the entries below it are lost");
            continue;
        }
        if (PstLe32(page, form.PageCrcAt()) != PstCrc(page.substr(0, trailer)))
            damage.push_back(name + " fails its checksum; read all the same");
        for (std::size_t i = count; i-- > 0;) {
            const std::string_view entry = page.substr(i * entrySize, entrySize);
            if (level == 0)
                leafEntry(entry);
            else
                pending.push_back({{PstLe(entry, id, id), PstLe(entry, 2 * id, id)}, level - 1});
        }
    }
}

}  // namespace

PstNodeTree ReadNodeTree(PstFile& file, const PstHeader& header, std::vector<std::string>& damage) {
    std::vector<std::pair<std::uint32_t, PstNodeEntry>> nodes;
    const std::size_t id = header.form.IdSize();
    WalkTree(
        file, header, kNodeTreePage, 3 * id + 4,
        [&](std::string_view entry) {
            const auto nid = static_cast<std::uint32_t>(PstLe(entry, 0, 4));
            nodes.emplace_back(nid, PstNodeEntry{PstLe(entry, id, id), PstLe(entry, 2 * id, id), PstLe32(entry, 3 * id)});
        },
        damage);
    return PstNodeTree(std::move(nodes));
}

PstBlockTree ReadBlockTree(PstFile& file, const PstHeader& header, std::vector<std::string>& damage) {
    std::vector<std::pair<std::uint64_t, PstBlockEntry>> blocks;
    const std::size_t id = header.form.IdSize();
    WalkTree(
        file, header, kBlockTreePage, 2 * id + 4,
        [&](std::string_view entry) {
            blocks.emplace_back(PstBlockKey(PstLe(entry, 0, id)), PstBlockEntry{PstLe(entry, id, id), PstLe16(entry, 2 * id)});
        },
        damage);
    return PstBlockTree(std::move(blocks));
}

}  // namespace mirelo
