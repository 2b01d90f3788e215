#pragma once

#include <array>
#include <string>
#include <string_view>

namespace mirelo {

// 0 to 5 name the six original header kinds, 6 and 7 Cc and Bcc, which rank after them
// where the lowest kind of an address wins; 8 means a line of no kind.
using HeaderKind = int;
inline constexpr HeaderKind kFromKind = 0;
inline constexpr HeaderKind kToKind = 1;
inline constexpr HeaderKind kReturnPathKind = 2;
inline constexpr HeaderKind kSenderKind = 3;
inline constexpr HeaderKind kXSenderKind = 4;
inline constexpr HeaderKind kReplyToKind = 5;
inline constexpr HeaderKind kCcKind = 6;
inline constexpr HeaderKind kBccKind = 7;
inline constexpr HeaderKind kNoKind = 8;
inline constexpr int kHeaderKindCount = 8;
inline constexpr int kOriginalKindCount = 6;

// The kinds whose lines give records, chosen per extraction.
class HeaderKindSet {
public:
    static constexpr HeaderKindSet Original() { return HeaderKindSet((1u << kOriginalKindCount) - 1); }
    static constexpr HeaderKindSet Every() { return HeaderKindSet((1u << kHeaderKindCount) - 1); }
    static constexpr HeaderKindSet None() { return HeaderKindSet(0); }

    constexpr bool Has(HeaderKind kind) const { return kind >= 0 && kind < kHeaderKindCount && (bits_ >> kind & 1u); }
    constexpr void Set(HeaderKind kind, bool on) {
        if (kind < 0 || kind >= kHeaderKindCount) return;
        bits_ = on ? bits_ | 1u << kind : bits_ & ~(1u << kind);
    }
    constexpr bool operator==(const HeaderKindSet&) const = default;
    // The kinds whose lines a scan matches: the original six, and Cc and Bcc when chosen.
    constexpr unsigned Matched() const { return bits_ | ((1u << kOriginalKindCount) - 1); }

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
// The six original kinds' lines tell messages apart whether they give records or not;
// Cc: and Bcc: lines play a part only while their kind is chosen, so that the original
// rule's results stay as they were without them.
HeaderMatch MatchHeaderKind(const HeaderSlots& slots, std::string_view line, HeaderKindSet kinds);
void StoreSlot(HeaderSlots& slots, HeaderKind kind, std::string_view text);
void ClearSlots(HeaderSlots& slots);

// The kind whose header name is the field name given without its colon, whatever its
// case ("reply-to" is kReplyToKind), or kNoKind.
HeaderKind KindOfFieldName(std::string_view name);

// The header name of a kind ("From:" ...), or empty for a kind without one.
std::string_view HeaderKindName(HeaderKind kind);

}  // namespace mirelo
