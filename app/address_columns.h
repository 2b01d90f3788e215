#pragma once

namespace mirelo {

// The address list's columns, in the order they show. The last three show only with the
// details: the address's records, its category and the last day it was seen on.
enum AddressColumn : int {
    kEmailColumn = 0,
    kNameColumn = 1,
    kMailboxColumn = 2,
    kCountColumn = 3,
    kCategoryColumn = 4,
    kLastSeenColumn = 5,
};
inline constexpr int kPlainColumnCount = 3;
inline constexpr int kDetailsColumnCount = 6;

}  // namespace mirelo
