#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mirelo::testing {

// Offsets inside the store's objects, for tests that damage a built store.
namespace dbx_layout {
inline constexpr std::uint32_t kHeaderSize = 0x24BC;
inline constexpr std::uint32_t kMessageCountAt = 0xC4;
inline constexpr std::uint32_t kTreeRootAt = 0xE4;
inline constexpr std::uint32_t kNodeSize = 0x27C;
inline constexpr std::uint32_t kNodeHeadChildAt = 0x08;
inline constexpr std::uint32_t kNodeEntryCountAt = 0x11;
inline constexpr std::uint32_t kNodeMaxEntries = 0x33;
constexpr std::uint32_t NodeEntryChildAt(std::size_t entry) {
    return 0x18 + 12 * static_cast<std::uint32_t>(entry) + 4;
}
inline constexpr std::uint32_t kInfoBodyLengthAt = 0x04;
inline constexpr std::uint32_t kInfoEntryCountAt = 0x0A;
inline constexpr std::uint32_t kBlockSize = 0x210;
inline constexpr std::uint32_t kBlockBodySize = 0x200;
inline constexpr std::uint32_t kBlockBodyLengthAt = 0x04;
inline constexpr std::uint32_t kBlockUsedAt = 0x08;
inline constexpr std::uint32_t kBlockNextAt = 0x0C;
}  // namespace dbx_layout

inline constexpr std::uint32_t kMessageStoreKind = 0x6F74FDC5;
inline constexpr std::uint32_t kFolderListKind = 0x6F74FDC6;

struct DbxNodeLayout {
    std::uint32_t position;
    std::uint32_t parent;    // 0 for the root
    int depth;               // 0 for the root
    std::size_t firstValue;  // tree-order number of the first value in the node's subtree
    std::size_t entryCount;
};

// A built store and where its objects lie, with knobs for damaging it.
struct DbxStoreImage {
    std::string bytes;
    std::vector<DbxNodeLayout> nodes;                    // root first, then depth first
    std::vector<std::uint32_t> valueSlots;               // where each tree value is stored, in tree order
    std::vector<std::uint32_t> infos;                    // each message's info record, in tree order
    std::vector<std::vector<std::uint32_t>> textBlocks;  // each message's blocks in chain order; none without text
    std::vector<std::uint32_t> textPositionSlots;        // where each message's text position is stored; 0 without text
    std::vector<bool> textPositionDirect;                // stored as an int3 in the index field

    void SetWord(std::uint32_t position, std::uint32_t value);
    void SetByte(std::uint32_t position, std::uint8_t value);

    void SetMessageCount(std::uint32_t count) { SetWord(dbx_layout::kMessageCountAt, count); }
    void SetTreeRoot(std::uint32_t position) { SetWord(dbx_layout::kTreeRootAt, position); }
    void SetTextPosition(std::size_t message, std::uint32_t position);
    // Its last block leads back to its first.
    void LoopTextChain(std::size_t message);
    void BreakMarker(std::uint32_t objectPosition) { SetWord(objectPosition, objectPosition + 1); }
    // Appends a copy of the object at the end of the store, its marker set to the new
    // position, which is returned; pointers to the object are left to the caller.
    std::uint32_t CopyToEnd(std::uint32_t objectPosition, std::uint32_t size);
    std::string CutAt(std::size_t length) const { return bytes.substr(0, length); }
};

enum class TextPositionStorage {
    Direct,     // an int3 in the index field, when the position fits in three bytes
    DataField,  // an int4 in the data field
};

// Builds stores laid out as header, tree nodes, then for each message its text blocks
// followed by its info record, in tree order.
class DbxStoreBuilder {
public:
    DbxStoreBuilder& AddMessage(std::string text, TextPositionStorage storage = TextPositionStorage::Direct);
    // A message whose info record has no index 4.
    DbxStoreBuilder& AddMessageWithoutText();
    // Fewer entries per node give deeper trees, with values in head and entry children.
    DbxStoreBuilder& EntriesPerNode(std::size_t entries);
    DbxStoreBuilder& Kind(std::uint32_t kind);

    DbxStoreImage Build() const;

private:
    struct Message {
        bool hasText;
        std::string text;
        TextPositionStorage storage;
    };

    std::vector<Message> messages_;
    std::size_t entriesPerNode_ = dbx_layout::kNodeMaxEntries;
    std::uint32_t kind_ = kMessageStoreKind;
};

}  // namespace mirelo::testing
