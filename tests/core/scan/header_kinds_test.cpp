#include "scan/header_kinds.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

// Which names match is the scanner tests' part.
TEST(MatchHeaderKind, ReportsAFilledSlot) {
    const HeaderKindSet original = HeaderKindSet::Original();
    HeaderSlots slots;
    StoreSlot(slots, kXSenderKind, "X-Sender: a@m");
    EXPECT_FALSE(MatchHeaderKind(slots, "x-sender: b@m", original).slotEmpty);
    EXPECT_TRUE(MatchHeaderKind(slots, "Sender: b@m", original).slotEmpty);
    ClearSlots(slots);
    EXPECT_TRUE(MatchHeaderKind(slots, "x-sender: b@m", original).slotEmpty);
    StoreSlot(slots, kNoKind, "x");  // kinds out of range are ignored
    StoreSlot(slots, kHeaderKindCount, "x");
    EXPECT_EQ(slots, HeaderSlots{});
}

// Left out, Cc: and Bcc: lines are no kind at all; the original six always match.
TEST(MatchHeaderKind, CcAndBccLinesMatchOnlyWhileChosen) {
    HeaderKindSet withCc = HeaderKindSet::None();
    withCc.Set(kCcKind, true);
    const struct { const char* line; HeaderKindSet kinds; HeaderKind kind; } cases[] = {
        {"Cc: a@m", HeaderKindSet::Original(), kNoKind}, {"cc: a@m", withCc, kCcKind},
        {"Bcc: a@m", withCc, kNoKind},                   {"BCC: a@m", HeaderKindSet::Every(), kBccKind},
        {"From: a@m", HeaderKindSet::None(), kFromKind}, {"Reply-To: a@m", withCc, kReplyToKind},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchHeaderKind({}, c.line, c.kinds).kind, c.kind) << c.line;
}

}  // namespace
}  // namespace mirelo
