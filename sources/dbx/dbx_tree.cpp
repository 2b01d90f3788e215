#include "sources/dbx/dbx_tree.h"

#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {
constexpr std::size_t kHeadSize = 0x18;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kNodeSize = kHeadSize + DbxTree::kMaxEntries * kEntrySize;
constexpr std::size_t kFirstChildAt = 0x08;
constexpr std::size_t kEntryCountAt = 0x11;
}  // namespace

// The values come in order: the head's child subtree, then each entry's value followed by
// its child's subtree. The walk keeps the path to the current node instead of recursing, so
// a deep tree cannot exhaust the call stack. The stored subtree counts are not needed.
DbxTree::DbxTree(DbxStoreFile& store, std::uint32_t root, std::uint32_t count) : store_(store) {
    if (!Descend(root)) return;
    while (!path_.empty() && values_.size() < count) {
        Node& node = path_.back();
        if (node.next == node.entries.size()) {
            path_.pop_back();
            continue;
        }
        const Entry entry = node.entries[node.next++];
        values_.push_back(entry.value);
        if (entry.child != 0 && !Descend(entry.child)) return;
    }
    if (values_.size() < count)
        problem_ = "the message tree holds " + std::to_string(values_.size()) + " messages, not " +
                   std::to_string(count) + " as its header says";
}

// Enters the node at position and goes down its chain of first children.
bool DbxTree::Descend(std::uint32_t position) {
    while (position != 0) {
        Node node;
        std::uint32_t firstChild = 0;
        if (!ReadNode(position, node, firstChild)) return false;
        path_.push_back(std::move(node));
        position = firstChild;
    }
    return true;
}

bool DbxTree::ReadNode(std::uint32_t position, Node& node, std::uint32_t& firstChild) {
    const auto fail = [&](std::string_view reason) {
        problem_ = ObjectName("message tree node", position) + " " + std::string(reason);
        return false;
    };
    if (!visited_.insert(position).second) return fail("is reached twice: the tree loops");

    std::string_view bytes;
    if (const ReadResult read = store_.Read(position, kNodeSize, bytes); read != ReadResult::Ok)
        return fail(Describe(read));
    if (LoadLe32(bytes.data()) != position) return fail("has a wrong marker");
    const auto entryCount = static_cast<unsigned char>(bytes[kEntryCountAt]);
    if (entryCount > kMaxEntries)
        return fail("claims " + std::to_string(entryCount) + " entries, more than a node holds");

    firstChild = LoadLe32(bytes.data() + kFirstChildAt);
    node.entries.resize(entryCount);
    for (std::size_t i = 0; i < entryCount; ++i) {
        const char* entry = bytes.data() + kHeadSize + i * kEntrySize;
        node.entries[i] = {LoadLe32(entry), LoadLe32(entry + 4)};
    }
    return true;
}

}  // namespace mirelo
