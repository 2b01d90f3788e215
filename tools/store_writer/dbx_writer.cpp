#include "store_writer/dbx_writer.h"

#include <algorithm>
#include <stdexcept>

namespace mirelo::testing {

using namespace dbx_layout;

namespace {

constexpr std::size_t kNone = ~std::size_t{0};
constexpr std::uint32_t kLargestInt3 = 0xFFFFFF;
constexpr std::uint8_t kDirectBit = 0x80;
constexpr std::uint8_t kMessageNumberIndex = 0x00;
constexpr std::uint8_t kFlagsIndex = 0x01;
constexpr std::uint8_t kTextIndex = 0x04;
constexpr std::uint8_t kSubjectIndex = 0x08;
constexpr char kHeaderFixedBytes[] = "\x66\xE3\xD1\x11\x9A\x4E\x00\xC0\x4F\xA3\x09\xD4\x05\x00\x00\x00\x05\x00\x00\x00";

void PutLe(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

void AppendLe(std::string& bytes, std::uint32_t value, int width) {
    bytes.resize(bytes.size() + static_cast<std::size_t>(width));
    PutLe(bytes, bytes.size() - static_cast<std::size_t>(width), value, width);
}

std::uint32_t Position(std::size_t offset) {
    if (offset > 0xFFFFFFFFu) throw std::length_error("a store cannot grow past 4 GB");
    return static_cast<std::uint32_t>(offset);
}

// The tree's shape before positions are known: nodes by number, values by tree order.
struct PlannedNode {
    struct Entry {
        std::size_t value;
        std::size_t child = kNone;
        std::size_t childValues = 0;
    };
    std::size_t parent;
    int depth;
    std::size_t firstValue;
    std::size_t headChild = kNone;
    std::size_t headChildValues = 0;
    std::vector<Entry> entries;
};

// A full node takes entriesPerNode values and shares the rest evenly among its head child
// and its entries' children, so values sit at every level.
struct TreePlanner {
    std::size_t Plan(std::size_t firstValue, std::size_t count, std::size_t parent, int depth) {
        const std::size_t index = nodes.size();
        nodes.push_back({parent, depth, firstValue, kNone, 0, {}});
        if (count <= entriesPerNode) {
            for (std::size_t v = 0; v < count; ++v) nodes[index].entries.push_back({firstValue + v});
            return index;
        }
        const std::size_t rest = count - entriesPerNode;
        const std::size_t children = entriesPerNode + 1;
        const auto childValues = [&](std::size_t j) { return rest / children + (j < rest % children ? 1 : 0); };
        std::size_t next = firstValue;
        const auto planChild = [&](std::size_t j) {
            const std::size_t n = childValues(j);
            const std::size_t child = n == 0 ? kNone : Plan(next, n, index, depth + 1);
            next += n;
            return child;
        };
        const std::size_t head = planChild(0);
        nodes[index].headChild = head;
        nodes[index].headChildValues = childValues(0);
        for (std::size_t e = 0; e < entriesPerNode; ++e) {
            const std::size_t value = next++;
            const std::size_t child = planChild(e + 1);
            nodes[index].entries.push_back({value, child, childValues(e + 1)});
        }
        return index;
    }

    std::size_t entriesPerNode;
    std::vector<PlannedNode> nodes;
};

std::string HeaderBytes(std::uint32_t kind, std::uint32_t fileSize, std::uint32_t count, std::uint32_t root) {
    std::string header(kHeaderSize, '\0');
    PutLe(header, 0x00, 0xFE12ADCF, 4);
    PutLe(header, 0x04, kind, 4);
    header.replace(0x08, sizeof kHeaderFixedBytes - 1, kHeaderFixedBytes, sizeof kHeaderFixedBytes - 1);
    PutLe(header, 0x7C, fileSize, 4);
    PutLe(header, kMessageCountAt, count, 4);
    PutLe(header, kTreeRootAt, root, 4);
    return header;
}

}  // namespace

void DbxStoreImage::SetWord(std::uint32_t position, std::uint32_t value) { PutLe(bytes, position, value, 4); }

void DbxStoreImage::SetByte(std::uint32_t position, std::uint8_t value) {
    bytes.at(position) = static_cast<char>(value);
}

std::uint32_t DbxStoreImage::CopyToEnd(std::uint32_t objectPosition, std::uint32_t size) {
    const std::uint32_t copy = Position(bytes.size());
    bytes += bytes.substr(objectPosition, size);
    SetWord(copy, copy);
    return copy;
}

void DbxStoreImage::SetTextPosition(std::size_t message, std::uint32_t position) {
    if (textPositionDirect.at(message)) {
        if (position > kLargestInt3) throw std::out_of_range("a direct text position has three bytes");
        PutLe(bytes, textPositionSlots[message], position, 3);
    } else {
        SetWord(textPositionSlots.at(message), position);
    }
}

void DbxStoreImage::LoopTextChain(std::size_t message) {
    const std::vector<std::uint32_t>& blocks = textBlocks.at(message);
    SetWord(blocks.back() + kBlockNextAt, blocks.front());
}

DbxStoreBuilder& DbxStoreBuilder::AddMessage(std::string text, TextPositionStorage storage) {
    messages_.push_back({true, std::move(text), storage});
    return *this;
}

DbxStoreBuilder& DbxStoreBuilder::AddMessageWithoutText() {
    messages_.push_back({false, {}, TextPositionStorage::Direct});
    return *this;
}

DbxStoreBuilder& DbxStoreBuilder::EntriesPerNode(std::size_t entries) {
    entriesPerNode_ = std::clamp<std::size_t>(entries, 1, kNodeMaxEntries);
    return *this;
}

DbxStoreBuilder& DbxStoreBuilder::Kind(std::uint32_t kind) {
    kind_ = kind;
    return *this;
}

DbxStoreImage DbxStoreBuilder::Build() const {
    DbxStoreImage image;
    TreePlanner planner{entriesPerNode_, {}};
    if (!messages_.empty()) planner.Plan(0, messages_.size(), kNone, 0);
    const std::size_t objectsStart = kHeaderSize + planner.nodes.size() * kNodeSize;

    // The messages first, as their info positions fill the tree.
    std::string objects;
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        const Message& message = messages_[i];
        std::vector<std::uint32_t> blocks;
        if (message.hasText) {
            for (std::size_t used = 0; used == 0 || used < message.text.size(); used += kBlockBodySize) {
                const std::uint32_t at = Position(objectsStart + objects.size());
                const std::string_view chunk = std::string_view(message.text).substr(used, kBlockBodySize);
                const bool last = used + kBlockBodySize >= message.text.size();
                AppendLe(objects, at, 4);
                AppendLe(objects, kBlockBodySize, 4);
                AppendLe(objects, static_cast<std::uint32_t>(chunk.size()), 4);
                AppendLe(objects, last ? 0 : at + kBlockSize, 4);
                objects += chunk;
                objects.resize(objects.size() + kBlockBodySize - chunk.size(), '\0');
                blocks.push_back(at);
            }
        }

        const std::uint32_t info = Position(objectsStart + objects.size());
        const bool direct =
            message.hasText && message.storage == TextPositionStorage::Direct && blocks.front() <= kLargestInt3;
        std::string data;
        std::string indexField;
        const auto addIndex = [&](std::uint8_t index, bool isDirect, std::uint32_t value) {
            indexField += static_cast<char>(index | (isDirect ? kDirectBit : 0));
            AppendLe(indexField, value, 3);
        };
        addIndex(kMessageNumberIndex, true, static_cast<std::uint32_t>(i + 1));
        addIndex(kFlagsIndex, true, 0x81);
        std::size_t textSlotInBody = 0;
        if (message.hasText) {
            textSlotInBody = direct ? indexField.size() + 1 : data.size();
            addIndex(kTextIndex, direct, direct ? blocks.front() : static_cast<std::uint32_t>(data.size()));
            if (!direct) AppendLe(data, blocks.front(), 4);
        }
        addIndex(kSubjectIndex, false, static_cast<std::uint32_t>(data.size()));
        data += "Message " + std::to_string(i);
        data.resize((data.size() + 4) & ~std::size_t{3}, '\0');  // NUL-ended, whole words

        const auto bodyLength = static_cast<std::uint32_t>(indexField.size() + data.size());
        AppendLe(objects, info, 4);
        AppendLe(objects, bodyLength, 4);
        AppendLe(objects, 12 + bodyLength, 2);
        AppendLe(objects, static_cast<std::uint32_t>(indexField.size() / 4), 1);
        AppendLe(objects, 0, 1);
        objects += indexField;
        objects += data;

        const std::uint32_t bodyStart = info + 12;
        image.infos.push_back(info);
        image.textBlocks.push_back(std::move(blocks));
        image.textPositionDirect.push_back(direct);
        image.textPositionSlots.push_back(
            !message.hasText ? 0 : Position(bodyStart + textSlotInBody + (direct ? 0 : indexField.size())));
    }

    const auto nodePosition = [&](std::size_t node) {
        return node == kNone ? 0 : Position(kHeaderSize + node * kNodeSize);
    };
    image.valueSlots.resize(messages_.size());
    std::string nodes;
    for (std::size_t n = 0; n < planner.nodes.size(); ++n) {
        const PlannedNode& node = planner.nodes[n];
        const std::uint32_t at = nodePosition(n);
        std::string bytes(kNodeSize, '\0');
        PutLe(bytes, 0x00, at, 4);
        PutLe(bytes, kNodeHeadChildAt, nodePosition(node.headChild), 4);
        PutLe(bytes, 0x0C, nodePosition(node.parent), 4);
        PutLe(bytes, 0x10, static_cast<std::uint32_t>(n), 1);
        PutLe(bytes, kNodeEntryCountAt, static_cast<std::uint32_t>(node.entries.size()), 1);
        PutLe(bytes, 0x14, static_cast<std::uint32_t>(node.headChildValues), 4);
        for (std::size_t e = 0; e < node.entries.size(); ++e) {
            const PlannedNode::Entry& entry = node.entries[e];
            const std::uint32_t entryAt = 0x18 + 12 * static_cast<std::uint32_t>(e);
            PutLe(bytes, entryAt, image.infos[entry.value], 4);
            PutLe(bytes, entryAt + 4, nodePosition(entry.child), 4);
            PutLe(bytes, entryAt + 8, static_cast<std::uint32_t>(entry.childValues), 4);
            image.valueSlots[entry.value] = at + entryAt;
        }
        nodes += bytes;
        image.nodes.push_back({at, nodePosition(node.parent), node.depth, node.firstValue, node.entries.size()});
    }

    const std::uint32_t fileSize = Position(objectsStart + objects.size());
    image.bytes = HeaderBytes(kind_, fileSize, static_cast<std::uint32_t>(messages_.size()),
                              nodePosition(planner.nodes.empty() ? kNone : 0));
    image.bytes.reserve(fileSize);
    image.bytes += nodes;
    image.bytes += objects;
    return image;
}

}  // namespace mirelo::testing
