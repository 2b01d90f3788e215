#include "sources/dbx/dbx_tree.h"

#include <algorithm>

#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {
constexpr std::size_t kHeadSize = 0x18;
constexpr std::size_t kEntrySize = 12;
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
    if (values_.size() < count && problem_.empty())
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

// A node needs only its head and its used entries, so a store cut short just after them
// loses nothing. A count above what a node holds is damage to one byte: the node's own
// slots are read up to the first empty one, and the walk stops at the header's count.
bool DbxTree::ReadNode(std::uint32_t position, Node& node, std::uint32_t& firstChild) {
    const auto name = [&] { return ObjectName("message tree node", position); };
    const auto fail = [&](std::string_view reason) {
        problem_ = name() + " " + std::string(reason);
        return false;
    };
    const auto note = [&](const std::string& reason) {
        if (problem_.empty()) problem_ = name() + " " + reason;
    };
    if (!visited_.insert(position).second) return fail("is reached twice: the tree loops");

    std::string_view head;
    if (const ReadResult read = store_.Read(position, kHeadSize, head); read != ReadResult::Ok)
        return fail(Describe(read));
    if (LoadLe32(head.data()) != position) return fail("has a wrong marker");
    firstChild = LoadLe32(head.data() + kFirstChildAt);
    const std::size_t claimed = static_cast<unsigned char>(head[kEntryCountAt]);
    const bool overfull = claimed > kMaxEntries;
    if (overfull) note("claims " + std::to_string(claimed) + " entries, more than a node holds");
    const std::size_t used = std::min(claimed, kMaxEntries);

    const std::uint64_t entriesStart = std::uint64_t{position} + kHeadSize;
    const std::uint64_t fitting = (store_.Size() - entriesStart) / kEntrySize;
    const auto inFile = static_cast<std::size_t>(std::min<std::uint64_t>(used, fitting));
    if (inFile < used) note("is cut short after " + std::to_string(inFile) + " of its entries");
    std::string_view entries;
    if (const ReadResult read = store_.Read(entriesStart, inFile * kEntrySize, entries); read != ReadResult::Ok)
        return fail(Describe(read));
    for (std::size_t i = 0; i < inFile; ++i) {
        const char* entry = entries.data() + i * kEntrySize;
        const Entry parsed = {LoadLe32(entry), LoadLe32(entry + 4)};
        if (overfull && parsed.value == 0) break;
        node.entries.push_back(parsed);
    }
    return true;
}

}  // namespace mirelo
