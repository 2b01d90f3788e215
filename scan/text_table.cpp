#include "scan/text_table.h"

#include <algorithm>
#include <cstring>

namespace mirelo {

namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

// Eight bytes at a time: addresses are short, and most of a scan's time is elsewhere.
std::uint32_t HashBytes(std::string_view text) {
    std::uint64_t hash = text.size() * kMultiplier;
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    };
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        mix(word);
    }
    if (i < text.size()) {
        std::uint64_t tail = 0;
        for (std::size_t k = i; k < text.size(); ++k) tail |= std::uint64_t{static_cast<unsigned char>(text[k])} << (8 * (k - i));
        mix(tail);
    }
    return static_cast<std::uint32_t>(hash);
}

}  // namespace

TextTable::TextTable() : slots_(64, Slot{kNoId, 0}) {
    Add({}, HashBytes({}));
}

TextId TextTable::Intern(std::string_view text) {
    const std::uint32_t hash = HashBytes(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot slot = slots_[i];
        if (slot.id == kNoId) break;
        if (slot.hash == hash && texts_[slot.id] == text) return slot.id;
    }
    if (2 * (texts_.size() + 1) > slots_.size()) {
        std::vector<Slot> larger(2 * slots_.size(), Slot{kNoId, 0});
        for (const Slot slot : slots_)
            if (slot.id != kNoId) Place(larger, slot);
        slots_ = std::move(larger);
    }
    Add(Store(text), hash);
    return static_cast<TextId>(texts_.size() - 1);
}

void TextTable::Clear() {
    blocks_.clear();
    blockUsed_ = 0;
    blockSize_ = 0;
    texts_.clear();
    slots_.assign(64, Slot{kNoId, 0});
    Add({}, HashBytes({}));
}

std::string_view TextTable::Store(std::string_view text) {
    if (text.empty()) return {};
    if (blockSize_ - blockUsed_ < text.size()) {
        // A text longer than a block gets a block of its own size.
        const std::size_t size = std::max({kFirstBlockSize, std::min(2 * blockSize_, kLargestBlockSize), text.size()});
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
    Place(slots_, Slot{static_cast<TextId>(texts_.size() - 1), hash});
}

void TextTable::Place(std::vector<Slot>& slots, Slot slot) {
    const std::size_t mask = slots.size() - 1;
    std::size_t i = slot.hash & mask;
    while (slots[i].id != kNoId) i = (i + 1) & mask;
    slots[i] = slot;
}

}  // namespace mirelo
