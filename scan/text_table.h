#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/prefetch.h"

namespace mirelo {

using TextId = std::uint32_t;

// A text with its TextTable::Hash, computed where the text was at hand.
struct HashedText {
    std::string_view text;
    std::uint32_t hash = 0;
};

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

    // What Intern looks a text up by: a caller may compute it while the text is at hand,
    // fetch the text's slot, and intern it a little later.
    static std::uint32_t Hash(std::string_view text);

    // The id of the text, added when new. Throws std::bad_alloc when it cannot be kept.
    TextId Intern(std::string_view text);
    // The same with the text's Hash.
    TextId Intern(std::string_view text, std::uint32_t hash);
    // Bring in ahead of Intern the slot where a lookup of the text starts, and once that is
    // in, the stored text its first probe compares, to its end when it is the same text.
    void PrefetchSlot(HashedText text) const { Prefetch(&slots_[text.hash & (slots_.size() - 1)]); }
    void PrefetchFirstProbe(HashedText text) const {
        const Slot slot = slots_[text.hash & (slots_.size() - 1)];
        if (slot.place == kNoPlace) return;
        const Unit* stored = Stored(slot.place);
        Prefetch(stored);
        // An address, not a pointer into the block: the slot may hold a shorter text.
        Prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(stored + 2) + text.text.size()));
    }
    // The id here of each text of other, in other's order, as Intern would give them one
    // by one; the table's places are looked up a few texts ahead, so that merging many
    // texts into a large table does not wait on a cache miss for each.
    std::vector<TextId> InternAll(const TextTable& other);
    std::string_view Text(TextId id) const;
    // Brings the text in ahead of a Text call, for passes over many scattered texts.
    void PrefetchText(TextId id) const;
    std::size_t Count() const { return places_.size(); }
    // Back to the empty text alone.
    void Clear();

private:
    // A text is stored as its id, its length and its bytes, in 4-byte units, so that a
    // lookup reads one place after its slot. A place is the block's number (the high 16
    // bits) and the unit the text starts at; blocks grow from small, for the many tables
    // of a few texts, to 64 Ki units, which 16 bits address.
    using Place = std::uint32_t;
    using Unit = std::uint32_t;
    static constexpr std::size_t kFirstBlockUnits = 1024;
    static constexpr std::size_t kLargestBlockUnits = std::size_t{1} << 16;
    static constexpr std::size_t kMostBlocks = std::size_t{1} << 16;
    static constexpr Place kNoPlace = ~Place{0};

    // A place with its text's hash: most probes end without reading a text.
    struct Slot {
        std::uint32_t hash;
        Place place;
    };

    const Unit* Stored(Place place) const { return blocks_[place >> 16].get() + (place & 0xFFFF); }
    TextId Insert(std::string_view text, std::uint32_t hash);
    Place Store(std::string_view text, TextId id);
    void Add(std::string_view text, std::uint32_t hash);
    static void Put(std::vector<Slot>& slots, Slot slot);

    std::vector<std::unique_ptr<Unit[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::vector<Place> places_;  // by id
    std::vector<Slot> slots_;    // open addressing, a power of two, at most half full
};

}  // namespace mirelo
