#include "scan/header_kinds.h"

#include <bit>

#include "base/ascii.h"

namespace mirelo {

namespace {

// In matching order, which is kind order.
constexpr std::array<std::string_view, kHeaderKindCount> kHeaderNames = {
    "From:", "To:", "Return-Path:", "Sender:", "X-Sender:", "Reply-To:", "Cc:", "Bcc:",
};

bool StartsWithNoCase(std::string_view line, std::string_view name) {
    return line.size() >= name.size() && EqualsNoCase(line.substr(0, name.size()), name);
}

// For each folded first byte, the kinds whose name begins with it, one bit per kind. Most
// lines that come here share their first letter with one name at most.
constexpr std::array<unsigned, 256> KindsByFirstByte() {
    std::array<unsigned, 256> kinds{};
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        kinds[FoldAscii(static_cast<unsigned char>(kHeaderNames[static_cast<std::size_t>(kind)][0]))] |= 1u << kind;
    return kinds;
}

constexpr std::array<unsigned, 256> kKindsByFirstByte = KindsByFirstByte();

}  // namespace

HeaderMatch MatchHeaderKind(const HeaderSlots& slots, std::string_view line, HeaderKindSet chosen) {
    if (line.empty()) return {kNoKind, false};
    for (unsigned kinds = kKindsByFirstByte[FoldAscii(static_cast<unsigned char>(line[0]))] & chosen.Matched();
         kinds != 0; kinds &= kinds - 1) {
        const auto kind = static_cast<HeaderKind>(std::countr_zero(kinds));
        if (StartsWithNoCase(line, kHeaderNames[static_cast<std::size_t>(kind)]))
            return {kind, slots[static_cast<std::size_t>(kind)].empty()};
    }
    return {kNoKind, false};
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
