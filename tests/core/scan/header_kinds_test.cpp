#include "scan/header_kinds.h"

#include <gtest/gtest.h>

namespace mirelo {
namespace {

TEST(StoreSlot, IgnoresKindsOutOfRange) {
    HeaderSlots slots;
    StoreSlot(slots, kNoKind, "x");
    StoreSlot(slots, kHeaderKindCount, "x");
    EXPECT_EQ(slots, HeaderSlots{});
}

// Left out, Cc: and Bcc: lines are no kind at all; the original six always match. Lines of
// sixteen bytes and more are matched a word at a time: only the name's letters fold, and
// the bytes that fold onto its '-' or ':' (CR, 0x1A) do not match them.
TEST(MatchHeaderKind, MatchesTheChosenKindsFoldingOnlyTheLettersOfLongLines) {
    HeaderKindSet withCc = HeaderKindSet::None();
    withCc.Set(kCcKind, true);
    const HeaderKindSet original = HeaderKindSet::Original();
    const struct { const char* line; HeaderKindSet kinds; HeaderKind kind; } cases[] = {
        {"Cc: a@m", original, kNoKind}, {"cc: a@m", withCc, kCcKind}, {"To:", original, kToKind},
        {"Bcc: a@m", withCc, kNoKind},  {"BCC: a@m", HeaderKindSet::Every(), kBccKind},
        {"From: a@m", HeaderKindSet::None(), kFromKind}, {"Reply-To: a@m", withCc, kReplyToKind},
        {"RETURN-PATH: <someone@example.org>", original, kReturnPathKind},
        {"return\rpath: <someone@example.org>", original, kNoKind},
        {"reply-to\x1a someone@example.org", original, kNoKind}, {"rEPLY-tO:someone@example.org", original, kReplyToKind},
        {"From someone@example.org Mon", original, kNoKind},     {"X-Sender; someone@example.org", original, kNoKind},
        {"x-sender:    someone@example.org", original, kXSenderKind},
        {"TO: \"Someone\" <someone@example.org>", original, kToKind},
        {"Tp: someone@example.org, more", original, kNoKind},    {"Sender:\xe1 someone@example.org", original, kSenderKind},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchHeaderKind({}, c.line, c.kinds).kind, c.kind) << c.line;
}

}  // namespace
}  // namespace mirelo
