#include "scan/header_kinds.h"

#include <gtest/gtest.h>

#include "core/scan/header_kind_flags_fixture.h"

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

using HeaderKindFlags = HeaderKindFlagsTest;

TEST_F(HeaderKindFlags, SwitchEachKindOnItsOwn) {
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) EXPECT_TRUE(IsKindEnabled(kind)) << kind;
    SetKindEnabled(kSenderKind, false);
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) EXPECT_EQ(IsKindEnabled(kind), kind != kSenderKind) << kind;
    SetKindEnabled(kNoKind, true);
    EXPECT_FALSE(IsKindEnabled(kNoKind));
    EXPECT_FALSE(IsKindEnabled(-1));
    EXPECT_FALSE(IsKindEnabled(7));
}

}  // namespace
}  // namespace mirelo
