#pragma once

#include <array>
#include <string>
#include <string_view>

namespace mirelo {

// 0 to 5 name the six header kinds; 6 means a line of no kind.
using HeaderKind = int;
inline constexpr HeaderKind kFromKind = 0;
inline constexpr HeaderKind kToKind = 1;
inline constexpr HeaderKind kReturnPathKind = 2;
inline constexpr HeaderKind kSenderKind = 3;
inline constexpr HeaderKind kXSenderKind = 4;
inline constexpr HeaderKind kReplyToKind = 5;
inline constexpr HeaderKind kNoKind = 6;
inline constexpr int kHeaderKindCount = 6;

// The kinds whose lines give records: chosen per extraction, every kind by default.
class HeaderKindSet {
public:
    static constexpr HeaderKindSet All() { return HeaderKindSet((1u << kHeaderKindCount) - 1); }
    static constexpr HeaderKindSet None() { return HeaderKindSet(0); }

    constexpr bool Has(HeaderKind kind) const { return kind >= 0 && kind < kHeaderKindCount && (bits_ >> kind & 1u); }
    constexpr void Set(HeaderKind kind, bool on) {
        if (kind < 0 || kind >= kHeaderKindCount) return;
        bits_ = on ? bits_ | 1u << kind : bits_ & ~(1u << kind);
    }
    constexpr bool operator==(const HeaderKindSet&) const = default;

private:
    constexpr explicit HeaderKindSet(unsigned bits) : bits_(bits) {}
    unsigned bits_;
};

// The first line of each kind in the current message; empty means not seen yet.
using HeaderSlots = std::array<std::string, kHeaderKindCount>;

struct HeaderMatch {
    HeaderKind kind;
    bool slotEmpty;
};

// Which header name begins the line, case-insensitively, and whether its slot is free.
// Every kind's lines tell messages apart, whether the kind gives records or not.
HeaderMatch MatchHeaderKind(const HeaderSlots& slots, std::string_view line);
void StoreSlot(HeaderSlots& slots, HeaderKind kind, std::string_view text);
void ClearSlots(HeaderSlots& slots);

// The header name of a kind ("From:" ...), or empty for a kind without one.
std::string_view HeaderKindName(HeaderKind kind);

}  // namespace mirelo
