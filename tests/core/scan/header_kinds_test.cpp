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

// Lines of sixteen bytes and more are matched a word at a time: only the name's letters
// fold, and the bytes that fold onto its '-' or ':' (CR, 0x1A) do not match them.
TEST(MatchHeaderKind, FoldsOnlyTheLettersOfLongLines) {
    const struct { const char* line; HeaderKind kind; } cases[] = {
        {"RETURN-PATH: <someone@example.org>", kReturnPathKind}, {"return\rpath: <someone@example.org>", kNoKind},
        {"reply-to\x1a someone@example.org", kNoKind},            {"rEPLY-tO:someone@example.org", kReplyToKind},
        {"From someone@example.org Mon", kNoKind},               {"X-Sender; someone@example.org", kNoKind},
        {"x-sender:    someone@example.org", kXSenderKind},      {"TO: \"Someone\" <someone@example.org>", kToKind},
        {"Tp: someone@example.org, more", kNoKind},              {"Sender:\xe1 someone@example.org", kSenderKind},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchHeaderKind({}, c.line, HeaderKindSet::Original()).kind, c.kind) << c.line;
}

}  // namespace
}  // namespace mirelo
