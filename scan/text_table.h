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
    // Back to the empty text alone; the first block is kept for the next run.
    void Clear();

private:
    static constexpr std::size_t kBlockSize = 256 * 1024;
    static constexpr TextId kNoId = ~TextId{0};

    std::string_view Store(std::string_view text);
    void Add(std::string_view text, std::uint32_t hash);
    void Rehash(std::size_t slotCount);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::vector<std::string_view> texts_;
    std::vector<std::uint32_t> hashes_;  // by id; a growing index needs no text read again
    std::vector<TextId> slots_;          // open addressing, a power of two, at most half full
};

}  // namespace mirelo
