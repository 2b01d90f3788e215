#include "scan/text_table.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "base/prefetch.h"
#include "base/same_bytes.h"

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
        // The last eight bytes, overlapping the words before, when there are eight.
        std::uint64_t tail = 0;
        if (text.size() >= 8)
            std::memcpy(&tail, text.data() + text.size() - 8, 8);
        else
            for (std::size_t k = i; k < text.size(); ++k) tail |= std::uint64_t{static_cast<unsigned char>(text[k])} << (8 * (k - i));
        mix(tail);
    }
    return static_cast<std::uint32_t>(hash);
}

}  // namespace

TextTable::TextTable() : slots_(64, Slot{0, kNoPlace}) {
    Add({}, HashBytes({}));
}

std::uint32_t TextTable::Hash(std::string_view text) { return HashBytes(text); }

TextId TextTable::Intern(std::string_view text) { return Intern(text, HashBytes(text)); }

std::vector<TextId> TextTable::InternAll(const TextTable& other) {
    // A slot is fetched kAhead texts before its text is interned, and the text its first
    // probe finds half as far ahead, once the slot is there.
    constexpr std::size_t kAhead = 16;
    const std::size_t count = other.Count();
    std::vector<std::string_view> texts(count);
    std::vector<std::uint32_t> hashes(count);
    for (std::size_t i = 0; i < count; ++i) {
        texts[i] = other.Text(static_cast<TextId>(i));
        hashes[i] = HashBytes(texts[i]);
    }
    std::vector<TextId> ids(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) PrefetchSlot({texts[i + kAhead], hashes[i + kAhead]});
        if (i + kAhead / 2 < count) PrefetchFirstProbe({texts[i + kAhead / 2], hashes[i + kAhead / 2]});
        ids[i] = Intern(texts[i], hashes[i]);
    }
    return ids;
}

void TextTable::PrefetchText(TextId id) const { Prefetch(Stored(places_[id])); }

TextId TextTable::Intern(std::string_view text, std::uint32_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot slot = slots_[i];
        if (slot.place == kNoPlace) return Insert(text, hash);
        if (slot.hash != hash) continue;
        const Unit* stored = Stored(slot.place);
        if (stored[1] == text.size() && SameBytes(reinterpret_cast<const char*>(stored + 2), text.data(), text.size()))
            return stored[0];
    }
}

// Apart from the lookup, which most calls end in, so that it stays short.
TextId TextTable::Insert(std::string_view text, std::uint32_t hash) {
    if (2 * (places_.size() + 1) > slots_.size()) {
        std::vector<Slot> larger(2 * slots_.size(), Slot{0, kNoPlace});
        for (const Slot slot : slots_)
            if (slot.place != kNoPlace) Put(larger, slot);
        slots_ = std::move(larger);
    }
    Add(text, hash);
    return static_cast<TextId>(places_.size() - 1);
}

std::string_view TextTable::Text(TextId id) const {
    const Unit* stored = Stored(places_[id]);
    return {reinterpret_cast<const char*>(stored + 2), stored[1]};
}

void TextTable::Clear() {
    blocks_.clear();
    blockUsed_ = 0;
    blockSize_ = 0;
    places_.clear();
    slots_.assign(64, Slot{0, kNoPlace});
    Add({}, HashBytes({}));
}

TextTable::Place TextTable::Store(std::string_view text, TextId id) {
    if (text.size() > std::numeric_limits<Unit>::max()) throw std::bad_alloc();
    const std::size_t units = 2 + (text.size() + sizeof(Unit) - 1) / sizeof(Unit);
    if (blockSize_ - blockUsed_ < units) {
        if (blocks_.size() == kMostBlocks) throw std::bad_alloc();
        // A text longer than a block gets a block of its own size, where it starts at 0.
        const std::size_t size = std::max({kFirstBlockUnits, std::min(2 * blockSize_, kLargestBlockUnits), units});
        blocks_.push_back(std::make_unique_for_overwrite<Unit[]>(size));
        blockSize_ = size;
        blockUsed_ = 0;
    }
    Unit* stored = blocks_.back().get() + blockUsed_;
    stored[0] = id;
    stored[1] = static_cast<Unit>(text.size());
    if (!text.empty()) std::memcpy(stored + 2, text.data(), text.size());
    const auto place = static_cast<Place>((blocks_.size() - 1) << 16 | blockUsed_);
    blockUsed_ += units;
    return place;
}

void TextTable::Add(std::string_view text, std::uint32_t hash) {
    const Place place = Store(text, static_cast<TextId>(places_.size()));
    places_.push_back(place);
    Put(slots_, Slot{hash, place});
}

void TextTable::Put(std::vector<Slot>& slots, Slot slot) {
    const std::size_t mask = slots.size() - 1;
    std::size_t i = slot.hash & mask;
    while (slots[i].place != kNoPlace) i = (i + 1) & mask;
    slots[i] = slot;
}

}  // namespace mirelo
