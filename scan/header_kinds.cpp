#include "scan/header_kinds.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "base/ascii.h"

namespace mirelo {

namespace {

// In matching order, which is kind order.
constexpr std::array<std::string_view, kHeaderKindCount> kHeaderNames = {
    "From:", "To:", "Return-Path:", "Sender:", "X-Sender:", "Reply-To:", "Cc:", "Bcc:",
};

// For each folded first byte, the kinds whose name begins with it, one bit per kind. Most
// lines that come here share their first letter with one name at most.
constexpr std::array<unsigned, 256> KindsByFirstByte() {
    std::array<unsigned, 256> kinds{};
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        kinds[FoldAscii(static_cast<unsigned char>(kHeaderNames[static_cast<std::size_t>(kind)][0]))] |= 1u << kind;
    return kinds;
}

constexpr std::array<unsigned, 256> kKindsByFirstByte = KindsByFirstByte();

// A name as two words to compare a line's first sixteen bytes with: a byte of the line
// matches a letter of the name when, with its 0x20 bit set, it is the small letter, and
// any other byte of the name as it is; the bytes past the name do not count.
struct NameWords {
    std::array<std::uint64_t, 2> folded;
    std::array<std::uint64_t, 2> fold;
    std::array<std::uint64_t, 2> counted;
};

constexpr std::size_t kWordBytes = 8;
constexpr std::size_t kWordsBytes = 2 * kWordBytes;

constexpr std::uint64_t Word(const std::array<unsigned char, kWordsBytes>& bytes, std::size_t word) {
    std::array<unsigned char, kWordBytes> part{};
    for (std::size_t i = 0; i < kWordBytes; ++i) part[i] = bytes[word * kWordBytes + i];
    return std::bit_cast<std::uint64_t>(part);
}

constexpr std::array<NameWords, kHeaderKindCount> NamesAsWords() {
    std::array<NameWords, kHeaderKindCount> words{};
    for (std::size_t kind = 0; kind < words.size(); ++kind) {
        std::array<unsigned char, kWordsBytes> folded{}, fold{}, counted{};
        const std::string_view name = kHeaderNames[kind];
        for (std::size_t i = 0; i < name.size(); ++i) {
            const auto c = static_cast<unsigned char>(name[i]);
            const bool letter = FoldAscii(c) != c || (c >= 'a' && c <= 'z');
            folded[i] = FoldAscii(c);
            fold[i] = letter ? 0x20 : 0;
            counted[i] = 0xFF;
        }
        words[kind] = {{Word(folded, 0), Word(folded, 1)}, {Word(fold, 0), Word(fold, 1)}, {Word(counted, 0), Word(counted, 1)}};
    }
    return words;
}

constexpr std::array<NameWords, kHeaderKindCount> kNameWords = NamesAsWords();

// By the length of a name without its colon, the kinds whose name is that long.
constexpr std::array<unsigned, kWordsBytes> KindsByNameLength() {
    std::array<unsigned, kWordsBytes> kinds{};
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        kinds[kHeaderNames[static_cast<std::size_t>(kind)].size() - 1] |= 1u << kind;
    return kinds;
}

constexpr std::array<unsigned, kWordsBytes> kKindsByNameLength = KindsByNameLength();

bool StartsWithKindName(std::string_view line, HeaderKind kind) {
    // Every name fits in sixteen bytes; shorter lines are compared a byte at a time.
    if (line.size() < kWordsBytes) return StartsWithNoCase(line, kHeaderNames[static_cast<std::size_t>(kind)]);
    std::array<std::uint64_t, 2> lineWords;
    std::memcpy(lineWords.data(), line.data(), kWordsBytes);
    const NameWords& name = kNameWords[static_cast<std::size_t>(kind)];
    return ((lineWords[0] | name.fold[0]) & name.counted[0]) == name.folded[0] &&
           ((lineWords[1] | name.fold[1]) & name.counted[1]) == name.folded[1];
}

}  // namespace

HeaderMatch MatchHeaderKind(const HeaderSlots& slots, std::string_view line, HeaderKindSet chosen) {
    if (line.empty()) return {kNoKind, false};
    for (unsigned kinds = kKindsByFirstByte[FoldAscii(static_cast<unsigned char>(line[0]))] & chosen.Matched();
         kinds != 0; kinds &= kinds - 1) {
        const auto kind = static_cast<HeaderKind>(std::countr_zero(kinds));
        if (StartsWithKindName(line, kind)) return {kind, slots[static_cast<std::size_t>(kind)].empty()};
    }
    return {kNoKind, false};
}

HeaderKind KindOfFieldName(std::string_view name) {
    if (name.empty() || name.size() >= kWordsBytes) return kNoKind;
    // Most names share their first letter and their length with no kind's name.
    unsigned kinds = kKindsByFirstByte[FoldAscii(static_cast<unsigned char>(name[0]))] & kKindsByNameLength[name.size()];
    if (kinds == 0) return kNoKind;
    // The name with its colon, in sixteen bytes, is compared as a line starting with it is.
    std::array<char, kWordsBytes> withColon{};
    std::memcpy(withColon.data(), name.data(), name.size());
    withColon[name.size()] = ':';
    const std::string_view line(withColon.data(), withColon.size());
    for (; kinds != 0; kinds &= kinds - 1) {
        const auto kind = static_cast<HeaderKind>(std::countr_zero(kinds));
        if (StartsWithKindName(line, kind)) return kind;
    }
    return kNoKind;
}

void StoreSlot(HeaderSlots& slots, HeaderKind kind, std::string_view text) {
    if (kind < 0 || kind >= kHeaderKindCount) return;
    slots[static_cast<std::size_t>(kind)].assign(text);
}

void ClearSlots(HeaderSlots& slots) {
    for (std::string& slot : slots) slot.clear();
}

std::string_view HeaderKindName(HeaderKind kind) {
    if (kind < 0 || kind >= kHeaderKindCount) return {};
    return kHeaderNames[static_cast<std::size_t>(kind)];
}

}  // namespace mirelo
