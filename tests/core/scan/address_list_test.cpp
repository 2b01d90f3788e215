#include "scan/address_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "scan/address_appender.h"

namespace mirelo {
namespace {

TEST(AddressList, ResetKeepsRecordsForReuseWithFreshFlags) {
    AddressList list;
    for (int i = 0; i < 150; ++i) list.Append("a" + std::to_string(i), "A", "In", 0);
    AddressRecord* first = list.At(0);
    first->duplicate = 1;
    first->deleted = 1;
    list.NoteDay(first->email, 11000);
    list.NoteDecodedName(first->name, "Ä");
    list.NoteListAddress("list@x");
    list.Reset();
    EXPECT_EQ(list.Count(), 0);

    list.Append("new", "", "", 3);
    EXPECT_EQ(list.At(0), first);  // same record, new values
    EXPECT_EQ(list.Email(*first), "new");
    EXPECT_EQ(first->headerKind, 3);
    EXPECT_EQ(first->duplicate, 0);
    EXPECT_EQ(first->deleted, 0);
    // Nothing of the last extraction clings to the ids the new one reuses.
    list.Append("next", "A", "", 3);
    EXPECT_EQ(list.DaysOf(list.At(0)->email).first, kUnknownDay);
    EXPECT_EQ(list.DecodedName(*list.At(1)), "A");
    EXPECT_TRUE(list.ListAddresses().empty());
    EXPECT_EQ(list.Capacity(), 200);
    // The tables hold this extraction's texts only, beside the empty one.
    EXPECT_EQ(list.Emails().Count(), 3u);
    EXPECT_EQ(list.Names().Count(), 2u);
    EXPECT_EQ(list.Mailboxes().Count(), 1u);
}

// Records come out as appending them one at a time leaves the list: the same ids in the
// same order, days and decoded names included, whether appended straight away while the
// table is small or queued once it is large, with the queue flushed by hand in the middle
// and by the destructor at the end; and so does merging the list into an empty one.
TEST(AddressList, AnAppenderAndAMergeLeaveTheListAsAppendingOneByOne) {
    AddressList oneByOne;
    AddressList queued;
    for (AddressList* list : {&oneByOne, &queued}) list->Mailboxes().Intern("In");
    const auto sameAs = [&](const AddressList& other) {
        ASSERT_EQ(other.Count(), oneByOne.Count());
        for (int i = 0; i < oneByOne.Count(); ++i) {
            const AddressRecord& a = *oneByOne.At(i);
            const AddressRecord& b = *other.At(i);
            EXPECT_EQ(std::tie(a.email, a.name, a.mailbox, a.headerKind),
                      std::tie(b.email, b.name, b.mailbox, b.headerKind));
            EXPECT_EQ(other.Email(b), oneByOne.Email(a));
            EXPECT_EQ(other.DecodedName(b), oneByOne.DecodedName(a));
            EXPECT_EQ(other.DaysOf(b.email).first, oneByOne.DaysOf(a.email).first);
            EXPECT_EQ(other.DaysOf(b.email).last, oneByOne.DaysOf(a.email).last);
        }
    };
    {
        AddressAppender appender(queued);
        for (int i = 0; i < 24000; ++i) {
            const std::string email = "user" + std::to_string(i * 7 % 20000) + "@example.org";
            const std::string name = i % 5 ? "Name " + std::to_string(i / 3) : "";
            const MailDay day = i % 3 ? 19000 + i % 47 : kUnknownDay;
            const std::optional<std::string> decoded =
                i % 4 ? std::nullopt : std::optional<std::string>(i % 8 ? "Décodé " + std::to_string(i / 3) : "");
            const TextId mailbox = static_cast<TextId>(i % 2);
            const HeaderKind kind = i % kHeaderKindCount;
            const int before = oneByOne.Count();
            oneByOne.Append(email, name, mailbox, kind);
            if (day != kUnknownDay) oneByOne.NoteDay(oneByOne.At(before)->email, day);
            if (decoded) oneByOne.NoteDecodedName(oneByOne.At(before)->name, *decoded);
            appender.Append(email, name, mailbox, kind, day, decoded);
            if (i == 18000) {
                appender.Flush();
                sameAs(queued);
            }
        }
    }
    sameAs(queued);
    AddressList merged;
    merged.AppendAll(queued);
    sameAs(merged);
    EXPECT_EQ(queued.Emails().Count(), oneByOne.Emails().Count());
    EXPECT_EQ(queued.Names().Count(), oneByOne.Names().Count());
}

}  // namespace
}  // namespace mirelo
