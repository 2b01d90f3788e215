#include "scan/address_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace mirelo {
namespace {

TEST(AddressList, ResetKeepsRecordsForReuseWithFreshFlags) {
    AddressList list;
    for (int i = 0; i < 150; ++i) list.Append("a" + std::to_string(i), "A", "In", 0);
    AddressRecord* first = list.At(0);
    first->duplicate = 1;
    first->deleted = 1;
    list.Reset();
    EXPECT_EQ(list.Count(), 0);

    list.Append("new", "", "", 3);
    EXPECT_EQ(list.At(0), first);  // same record, new values
    EXPECT_EQ(list.Email(*first), "new");
    EXPECT_EQ(first->headerKind, 3);
    EXPECT_EQ(first->duplicate, 0);
    EXPECT_EQ(first->deleted, 0);
    EXPECT_EQ(list.Capacity(), 200);
    // The tables hold this extraction's texts only, beside the empty one.
    EXPECT_EQ(list.Emails().Count(), 2u);
    EXPECT_EQ(list.Names().Count(), 1u);
    EXPECT_EQ(list.Mailboxes().Count(), 1u);
}

TEST(AddressList, ArrangeMovesOnlyTheCountedPointers) {
    AddressList list;
    for (const char* e : {"c", "a", "b"}) list.Append(e, "", "", 0);
    std::vector<AddressRecord*> spares;
    for (int i = list.Count(); i < list.Capacity(); ++i) spares.push_back(list.At(i));

    list.Arrange(std::vector{list.At(1), list.At(2), list.At(0)}, [](AddressRecord* r) { return r; });
    EXPECT_EQ(list.Email(*list.At(0)), "a");
    EXPECT_EQ(list.Email(*list.At(1)), "b");
    EXPECT_EQ(list.Email(*list.At(2)), "c");
    for (int i = list.Count(); i < list.Capacity(); ++i) EXPECT_EQ(list.At(i), spares[static_cast<std::size_t>(i - 3)]);
}

}  // namespace
}  // namespace mirelo
