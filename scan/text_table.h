#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace mirelo {

using TextId = std::uint32_t;

// Each distinct text once, as its exact bytes, numbered in order of arrival. A million
// records of a few thousand addresses hold a few thousand texts, not a million strings;
// the bytes live in large blocks that never move, so the views handed out stay valid
// until Clear.
class TextTable {
public:
    static constexpr TextId kEmpty = 0;  // the empty text, present from the start

    TextTable();
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;
    TextTable(TextTable&&) = default;
    TextTable& operator=(TextTable&&) = default;

    // The id of the text, added when new. Throws std::bad_alloc when it cannot be kept.
    TextId Intern(std::string_view text);
    std::string_view Text(TextId id) const { return texts_[id]; }
    std::size_t Count() const { return texts_.size(); }
    // Back to the empty text alone.
    void Clear();

private:
    // Blocks grow from small, for the many tables of a few texts, to large.
    static constexpr std::size_t kFirstBlockSize = 4 * 1024;
    static constexpr std::size_t kLargestBlockSize = 256 * 1024;
    static constexpr TextId kNoId = ~TextId{0};

    // An id with its text's hash: most probes end without reading a text.
    struct Slot {
        TextId id;
        std::uint32_t hash;
    };

    std::string_view Store(std::string_view text);
    void Add(std::string_view text, std::uint32_t hash);
    static void Place(std::vector<Slot>& slots, Slot slot);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::vector<std::string_view> texts_;
    std::vector<Slot> slots_;  // open addressing, a power of two, at most half full
};

}  // namespace mirelo
