#include "export/folded_ranks.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

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

struct FoldedHash {
    std::size_t operator()(std::string_view text) const {
        std::uint64_t hash = text.size();
        for (std::size_t i = 0; i < text.size(); i += 8) {
            hash = (hash ^ FoldedWord(text.data() + i, text.size() - i)) * 0x9E3779B97F4A7C15ull;
            hash ^= hash >> 29;
        }
        return static_cast<std::size_t>(hash);
    }
};

struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) == 0; }
};

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

// Ranks of the distinct texts in CompareNoCase order, by their ids.
std::vector<std::uint32_t> RankDistinct(const std::vector<std::string_view>& distinct) {
    std::vector<std::pair<PrefixKey, std::uint32_t>> byText;
    byText.reserve(distinct.size());
    for (std::uint32_t id = 0; id < distinct.size(); ++id) byText.emplace_back(PrefixKey(distinct[id]), id);
    std::sort(byText.begin(), byText.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return CompareNoCase(distinct[a.second], distinct[b.second]) < 0;
    });
    std::vector<std::uint32_t> rankOf(distinct.size());
    for (std::uint32_t rank = 0; rank < byText.size(); ++rank) rankOf[byText[rank].second] = rank;
    return rankOf;
}

}  // namespace

std::vector<std::uint32_t> RanksNoCase(std::size_t count, const std::function<std::string_view(std::size_t)>& textAt) {
    // Number the distinct texts in order of appearance; neighbours often are the very same
    // text (the records of one mailbox share their label), which needs no lookup.
    std::unordered_map<std::string_view, std::uint32_t, FoldedHash, FoldedEqual> idOf;
    std::vector<std::string_view> distinct;
    std::vector<std::uint32_t> ids(count);
    std::string_view previous;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view text = textAt(i);
        if (i > 0 && text.data() == previous.data() && text.size() == previous.size()) {
            ids[i] = ids[i - 1];
            continue;
        }
        const auto [entry, added] = idOf.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
        if (added) distinct.push_back(text);
        ids[i] = entry->second;
        previous = text;
    }

    const std::vector<std::uint32_t> rankOf = RankDistinct(distinct);
    for (std::uint32_t& id : ids) id = rankOf[id];
    return ids;
}

}  // namespace mirelo
