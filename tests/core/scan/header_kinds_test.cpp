#include "scan/header_kinds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/scan/header_kind_flags_fixture.h"

namespace mirelo {
namespace {

struct MatchCase {
    std::string line;
    HeaderKind kind;
};

TEST(MatchHeaderKind, MatchesTheSixNamesInAnyCaseAtTheLineStartOnly) {
    const std::vector<MatchCase> cases = {
        {"From: a@m", kFromKind},
        {"from:a@m", kFromKind},
        {"To:", kToKind},
        {"Return-path: <a@m>", kReturnPathKind},
        {"Sender: a@m", kSenderKind},
        {"X-Sender: a@m", kXSenderKind},
        {"rEPLY-tO: a@m", kReplyToKind},
        {" From: a@m", kNoKind},
        {"\tTo: a@m", kNoKind},
        {"From ???@??? Mon Jan 01 00:00:00 2001", kNoKind},
        {"From", kNoKind},
        {"Resent-From: a@m", kNoKind},
        {"Delivered-To: a@m", kNoKind},
        {"Cc: a@m", kNoKind},
        {"Reply-To : a@m", kNoKind},
        {"", kNoKind},
    };
    const HeaderSlots empty;
    for (const MatchCase& c : cases) {
        const HeaderMatch match = MatchHeaderKind(empty, c.line);
        EXPECT_EQ(match.kind, c.kind) << c.line;
        EXPECT_EQ(match.slotEmpty, c.kind != kNoKind) << c.line;
    }
}

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
