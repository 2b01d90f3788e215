#include "scan/header_kinds.h"

#include <array>
#include <bit>
#include <cstring>

#include "scan/ascii.h"

namespace mirelo {

HeaderKindRow HeaderKindTable[kHeaderKindCount + 1] = {
    {"From:", kFromKind, 0, true},
    {"To:", kToKind, 0, true},
    {"Return-Path:", kReturnPathKind, 0, true},
    {"Sender:", kSenderKind, 0, true},
    {"X-Sender:", kXSenderKind, 0, true},
    {"Reply-To:", kReplyToKind, 0, true},
    {nullptr, kNoKind, 0, false},
};

namespace {

bool ComputeNameLengths() {
    for (HeaderKindRow* row = HeaderKindTable; row->name; ++row)
        row->nameLength = static_cast<int>(std::strlen(row->name));
    return true;
}

bool StartsWithNoCase(std::string_view line, const char* name, int nameLength) {
    const auto length = static_cast<std::size_t>(nameLength);
    return line.size() >= length && EqualsNoCase(line.substr(0, length), {name, length});
}

// For each folded first byte, the rows whose name begins with it, one bit per row in
// table order. Most lines that come here share their first letter with one name at most.
std::array<unsigned, 256> RowsByFirstByte() {
    std::array<unsigned, 256> rows{};
    for (unsigned i = 0; HeaderKindTable[i].name; ++i)
        rows[FoldAscii(static_cast<unsigned char>(HeaderKindTable[i].name[0]))] |= 1u << i;
    return rows;
}

}  // namespace

HeaderMatch MatchHeaderKind(const HeaderSlots& slots, std::string_view line) {
    // Once, whichever of the threads reading stores comes first.
    [[maybe_unused]] static const bool lengthsKnown = ComputeNameLengths();
    if (line.empty()) return {kNoKind, false};
    static const std::array<unsigned, 256> rowsByFirstByte = RowsByFirstByte();
    for (unsigned rows = rowsByFirstByte[FoldAscii(static_cast<unsigned char>(line[0]))]; rows != 0;
         rows &= rows - 1) {
        const HeaderKindRow& row = HeaderKindTable[std::countr_zero(rows)];
        if (StartsWithNoCase(line, row.name, row.nameLength))
            return {row.kind, slots[static_cast<std::size_t>(row.kind)].empty()};
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

bool IsKindEnabled(HeaderKind kind) {
    for (const HeaderKindRow* row = HeaderKindTable; row->name; ++row)
        if (row->kind == kind) return row->enabled;
    return false;
}

void SetKindEnabled(HeaderKind kind, bool enabled) {
    for (HeaderKindRow* row = HeaderKindTable; row->name; ++row)
        if (row->kind == kind) row->enabled = enabled;
}

std::string_view HeaderKindName(HeaderKind kind) {
    for (const HeaderKindRow* row = HeaderKindTable; row->name; ++row)
        if (row->kind == kind) return row->name;
    return {};
}

}  // namespace mirelo
