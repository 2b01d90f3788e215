#include "export/folded_ranks.h"

#include <algorithm>
#include <cstring>

#include "base/side_task.h"
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
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    PrefixKey() = default;
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

using KeyedText = std::pair<PrefixKey, std::uint32_t>;

// The entries of the two sorted halves of byText, split at middle, as their places in it
// in merged order: four bytes a text, where a merged copy of the entries would take 24.
template <typename Less>
std::vector<std::uint32_t> MergedHalves(const std::vector<KeyedText>& byText, std::size_t middle, Less less) {
    std::vector<std::uint32_t> order;
    order.reserve(byText.size());
    std::size_t a = 0;
    std::size_t b = middle;
    while (a < middle && b < byText.size())
        order.push_back(static_cast<std::uint32_t>(less(byText[b], byText[a]) ? b++ : a++));
    for (; a < middle; ++a) order.push_back(static_cast<std::uint32_t>(a));
    for (; b < byText.size(); ++b) order.push_back(static_cast<std::uint32_t>(b));
    return order;
}

}  // namespace

std::vector<std::uint32_t> RanksNoCase(std::size_t count, const std::function<std::string_view(std::size_t)>& textAt,
                                       unsigned threads) {
    // Below this many texts a second thread costs more than it saves.
    constexpr std::size_t kFewestForTwoThreads = 1024;
    std::vector<std::string_view> texts(count);
    std::vector<KeyedText> byText(count);
    const auto less = [&](const KeyedText& a, const KeyedText& b) {
        if (a.first != b.first) return a.first < b.first;
        return CompareNoCase(texts[a.second], texts[b.second]) < 0;
    };
    const auto sortPart = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            texts[i] = textAt(i);
            byText[i] = {PrefixKey(texts[i]), static_cast<std::uint32_t>(i)};
        }
        std::sort(byText.begin() + static_cast<std::ptrdiff_t>(from), byText.begin() + static_cast<std::ptrdiff_t>(to),
                  less);
    };
    // Neighbours in sorted order that are equal but for case share a rank.
    std::vector<std::uint32_t> rankOf(count);
    const auto rankInOrder = [&](const auto& entryAt) {
        std::uint32_t rank = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const auto& [key, i] = entryAt(k);
            if (k > 0) {
                const KeyedText& previous = entryAt(k - 1);
                if (key != previous.first || CompareNoCase(texts[previous.second], texts[i]) != 0) ++rank;
            }
            rankOf[i] = rank;
        }
    };
    if (threads < 2 || count < kFewestForTwoThreads) {
        sortPart(0, count);
        rankInOrder([&](std::size_t k) -> const KeyedText& { return byText[k]; });
        return rankOf;
    }
    // The halves are keyed and sorted on two threads, then merged.
    const std::size_t middle = count / 2;
    RunBeside([&] { sortPart(middle, count); }, [&] { sortPart(0, middle); });
    const std::vector<std::uint32_t> order = MergedHalves(byText, middle, less);
    rankInOrder([&](std::size_t k) -> const KeyedText& { return byText[order[k]]; });
    return rankOf;
}

}  // namespace mirelo
