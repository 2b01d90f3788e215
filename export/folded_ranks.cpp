#include "export/folded_ranks.h"

#include <algorithm>
#include <cstring>

#include "export/record_order.h"

namespace mirelo {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;

// Up to eight bytes from p, zero-padded, with the ASCII capitals folded to small letters,
// all eight at once.
std::uint64_t FoldedWord(const char* p, std::size_t n) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, std::min<std::size_t>(n, 8));
    const std::uint64_t low7 = word & (0x7F * kOnes);
    const std::uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
    const std::uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t capital = atLeastA & ~aboveZ & ~word & (0x80 * kOnes);
    return word | (capital >> 2);
}

// The first sixteen folded bytes as a number that orders like the text (zero padding
// orders a shorter text first, and texts hold no NUL).
struct PrefixKey {
    std::uint64_t high;
    std::uint64_t low;

    explicit PrefixKey(std::string_view text) : high(BigEndian(text, 0)), low(BigEndian(text, 8)) {}
    auto operator<=>(const PrefixKey&) const = default;

private:
    static std::uint64_t BigEndian(std::string_view text, std::size_t from) {
        if (from >= text.size()) return 0;
        const std::uint64_t folded = FoldedWord(text.data() + from, text.size() - from);
        std::uint64_t key = 0;
        for (int byte = 0; byte < 8; ++byte) key = key << 8 | ((folded >> (8 * byte)) & 0xFF);
        return key;
    }
};

}  // namespace

std::vector<std::uint32_t> RanksNoCase(std::size_t count, const std::function<std::string_view(std::size_t)>& textAt) {
    std::vector<std::string_view> texts(count);
    for (std::size_t i = 0; i < count; ++i) texts[i] = textAt(i);
    std::vector<std::pair<PrefixKey, std::uint32_t>> byText;
    byText.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) byText.emplace_back(PrefixKey(texts[i]), i);
    std::sort(byText.begin(), byText.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return CompareNoCase(texts[a.second], texts[b.second]) < 0;
    });
    // Neighbours in this order that are equal but for case share a rank.
    std::vector<std::uint32_t> rankOf(count);
    std::uint32_t rank = 0;
    for (std::size_t k = 0; k < byText.size(); ++k) {
        const auto& [key, i] = byText[k];
        if (k > 0 && (key != byText[k - 1].first || CompareNoCase(texts[byText[k - 1].second], texts[i]) != 0)) ++rank;
        rankOf[i] = rank;
    }
    return rankOf;
}

}  // namespace mirelo
