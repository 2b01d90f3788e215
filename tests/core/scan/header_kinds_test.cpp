#include "scan/header_kinds.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

// Which names match is the scanner tests' part.
TEST(MatchHeaderKind, ReportsAFilledSlot) {
    HeaderSlots slots;
    StoreSlot(slots, kXSenderKind, "X-Sender: a@m");
    EXPECT_FALSE(MatchHeaderKind(slots, "x-sender: b@m").slotEmpty);
    EXPECT_TRUE(MatchHeaderKind(slots, "Sender: b@m").slotEmpty);
    ClearSlots(slots);
    EXPECT_TRUE(MatchHeaderKind(slots, "x-sender: b@m").slotEmpty);
    StoreSlot(slots, kNoKind, "x");  // kinds out of range are ignored
    StoreSlot(slots, kHeaderKindCount, "x");
    EXPECT_EQ(slots, HeaderSlots{});
}

}  // namespace
}  // namespace mirelo
