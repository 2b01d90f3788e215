#include "scan/text_table.h"

#include <algorithm>
#include <cstring>

namespace mirelo {

namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

// Eight bytes at a time: addresses are short, and most of a scan's time is elsewhere.
std::uint32_t HashBytes(std::string_view text) {
    std::uint64_t hash = text.size() * kMultiplier;
    for (std::size_t i = 0; i < text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, std::min<std::size_t>(8, text.size() - i));
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    }
    return static_cast<std::uint32_t>(hash);
}

}  // namespace

TextTable::TextTable() : slots_(64, kNoId) {
    Add({}, HashBytes({}));
}

TextId TextTable::Intern(std::string_view text) {
    const std::uint32_t hash = HashBytes(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const TextId id = slots_[slot];
        if (id == kNoId) break;
        if (hashes_[id] == hash && texts_[id] == text) return id;
    }
    if (2 * (texts_.size() + 1) > slots_.size()) Rehash(2 * slots_.size());
    Add(Store(text), hash);
    return static_cast<TextId>(texts_.size() - 1);
}

void TextTable::Clear() {
    blocks_.resize(std::min<std::size_t>(blocks_.size(), 1));
    blockUsed_ = 0;
    blockSize_ = blocks_.empty() ? 0 : kBlockSize;
    texts_.clear();
    hashes_.clear();
    slots_.assign(64, kNoId);
    Add({}, HashBytes({}));
}

std::string_view TextTable::Store(std::string_view text) {
    if (text.empty()) return {};
    if (blockSize_ - blockUsed_ < text.size()) {
        // A text longer than a block gets a block of its own size.
        const std::size_t size = std::max(kBlockSize, text.size());
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        blockSize_ = size;
        blockUsed_ = 0;
    }
    char* place = blocks_.back().get() + blockUsed_;
    std::memcpy(place, text.data(), text.size());
    blockUsed_ += text.size();
    return {place, text.size()};
}

void TextTable::Add(std::string_view text, std::uint32_t hash) {
    texts_.push_back(text);
    hashes_.push_back(hash);
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    while (slots_[slot] != kNoId) slot = (slot + 1) & mask;
    slots_[slot] = static_cast<TextId>(texts_.size() - 1);
}

void TextTable::Rehash(std::size_t slotCount) {
    std::vector<TextId> slots(slotCount, kNoId);
    const std::size_t mask = slotCount - 1;
    for (TextId id = 0; id < texts_.size(); ++id) {
        std::size_t slot = hashes_[id] & mask;
        while (slots[slot] != kNoId) slot = (slot + 1) & mask;
        slots[slot] = id;
    }
    slots_ = std::move(slots);
}

}  // namespace mirelo
