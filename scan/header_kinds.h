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

struct HeaderKindRow {
    const char* name;  // colon included; null in the end row
    HeaderKind kind;
    int nameLength;
    bool enabled;
};

// The process-wide table, in matching order, ended by a row with a null name.
extern HeaderKindRow HeaderKindTable[kHeaderKindCount + 1];

// The first line of each kind in the current message; empty means not seen yet.
using HeaderSlots = std::array<std::string, kHeaderKindCount>;

struct HeaderMatch {
    HeaderKind kind;
    bool slotEmpty;
};

// Which header name begins the line, case-insensitively, and whether its slot is free.
HeaderMatch MatchHeaderKind(const HeaderSlots& slots, std::string_view line);
void StoreSlot(HeaderSlots& slots, HeaderKind kind, std::string_view text);
void ClearSlots(HeaderSlots& slots);

bool IsKindEnabled(HeaderKind kind);
void SetKindEnabled(HeaderKind kind, bool enabled);

// The header name of a kind ("From:" ...), or empty for a kind without a row.
std::string_view HeaderKindName(HeaderKind kind);

}  // namespace mirelo
