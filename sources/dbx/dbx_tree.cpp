#include "sources/dbx/dbx_tree.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "base/result.h"
#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {

constexpr std::size_t kHeadSize = 0x18;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kFirstChildAt = 0x08;
constexpr std::size_t kEntryCountAt = 0x11;

struct Entry {
    std::uint32_t value;
    std::uint32_t child;
};

struct Node {
    std::uint32_t firstChild = 0;
    std::vector<Entry> entries;
    std::size_t next = 0;  // the entry whose value comes next in the walk
};

// The values come in order: the head's child subtree, then each entry's value followed by
// its child's subtree. The walk keeps the path to the current node instead of recursing, so
// a deep tree cannot exhaust the call stack. The stored subtree counts are not needed.
class TreeWalk {
public:
    explicit TreeWalk(DbxStoreFile& store) : store_(store) {}

    DbxTreeValues Read(std::uint32_t root, std::uint32_t count) {
        if (Descend(root)) {
            while (!path_.empty() && result_.values.size() < count) {
                Node& node = path_.back();
                if (node.next == node.entries.size()) {
                    path_.pop_back();
                    continue;
                }
                const Entry entry = node.entries[node.next++];
                result_.values.push_back(entry.value);
                if (entry.child != 0 && !Descend(entry.child)) break;
            }
        }
        if (result_.values.size() < count)
            Note("the message tree holds " + std::to_string(result_.values.size()) + " messages, not " +
                 std::to_string(count) + " as its header says");
        return std::move(result_);
    }

private:
    // Damage the walk went round: the first is the one reported, unless the walk ends at
    // a node it cannot use, which is then the one.
    void Note(std::string damage) {
        if (!result_.damage) result_.damage = std::move(damage);
    }

    // Enters the node at position and goes down its chain of first children; false when a
    // node on the way is unusable.
    bool Descend(std::uint32_t position) {
        while (position != 0) {
            Result<Node> node = ReadNode(position);
            if (!node.Ok()) {
                result_.damage = ObjectName("message tree node", position) + " " + node.Error().message;
                return false;
            }
            position = node.Value().firstChild;
            path_.push_back(std::move(node.Value()));
        }
        return true;
    }

    // A node needs only its head and its used entries, so a store cut short just after them
    // loses nothing. A count above what a node holds is damage to one byte: the node's own
    // slots are read up to the first empty one, and the walk stops at the header's count.
    Result<Node> ReadNode(std::uint32_t position) {
        const auto note = [&](const std::string& reason) {
            Note(ObjectName("message tree node", position) + " " + reason);
        };
        if (!visited_.insert(position).second) return Failure{"is reached twice: the tree loops"};

        const Result<std::string_view> head = store_.Read(position, kHeadSize);
        if (!head.Ok()) return head.Error();
        if (LoadLe32(head.Value().data()) != position) return Failure{"has a wrong marker"};
        Node node;
        node.firstChild = LoadLe32(head.Value().data() + kFirstChildAt);
        const std::size_t claimed = static_cast<unsigned char>(head.Value()[kEntryCountAt]);
        const bool overfull = claimed > DbxTreeValues::kMaxEntries;
        if (overfull) note("claims " + std::to_string(claimed) + " entries, more than a node holds");
        const std::size_t used = std::min(claimed, DbxTreeValues::kMaxEntries);

        const std::uint64_t entriesStart = std::uint64_t{position} + kHeadSize;
        const std::uint64_t fitting = (store_.Size() - entriesStart) / kEntrySize;
        const auto inFile = static_cast<std::size_t>(std::min<std::uint64_t>(used, fitting));
        if (inFile < used) note("is cut short after " + std::to_string(inFile) + " of its entries");
        const Result<std::string_view> entries = store_.Read(entriesStart, inFile * kEntrySize);
        if (!entries.Ok()) return entries.Error();
        for (std::size_t i = 0; i < inFile; ++i) {
            const char* entry = entries.Value().data() + i * kEntrySize;
            const Entry parsed = {LoadLe32(entry), LoadLe32(entry + 4)};
            if (overfull && parsed.value == 0) break;
            node.entries.push_back(parsed);
        }
        return node;
    }

    DbxStoreFile& store_;
    DbxTreeValues result_;
    std::vector<Node> path_;                     // the nodes from the root down to the one being walked
    std::unordered_set<std::uint32_t> visited_;  // every node read, to catch loops
};

}  // namespace

DbxTreeValues DbxTreeValues::Read(DbxStoreFile& store, std::uint32_t root, std::uint32_t count) {
    return TreeWalk(store).Read(root, count);
}

}  // namespace mirelo
