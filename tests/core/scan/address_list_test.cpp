#include "scan/address_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace mirelo {
namespace {

AddressRecord Record(const std::string& email, int kind = 0) {
    AddressRecord r;
    r.email = email;
    r.headerKind = kind;
    return r;
}

int ByEmail(AddressRecord* const* a, AddressRecord* const* b) { return (*a)->email.compare((*b)->email); }

TEST(AddressList, ResetKeepsRecordsForReuseWithFreshFlags) {
    AddressList list;
    for (int i = 0; i < 150; ++i) list.Append(Record("a"));
    AddressRecord* first = list.At(0);
    first->duplicate = 1;
    first->deleted = 1;
    list.Reset();
    EXPECT_EQ(list.Count(), 0);

    list.Append(Record("new", 3));
    EXPECT_EQ(list.At(0), first);  // same record, new values
    EXPECT_EQ(first->email, "new");
    EXPECT_EQ(first->headerKind, 3);
    EXPECT_EQ(first->duplicate, 0);
    EXPECT_EQ(first->deleted, 0);
    EXPECT_EQ(list.Capacity(), 200);
}

TEST(AddressList, SortMovesOnlyTheCountedPointers) {
    AddressList list;
    for (const char* e : {"c", "a", "b"}) list.Append(Record(e));
    std::vector<AddressRecord*> spares;
    for (int i = list.Count(); i < list.Capacity(); ++i) spares.push_back(list.At(i));

    list.Sort(ByEmail);
    EXPECT_EQ(list.Comparator(), &ByEmail);
    EXPECT_EQ(list.At(0)->email, "a");
    EXPECT_EQ(list.At(1)->email, "b");
    EXPECT_EQ(list.At(2)->email, "c");
    for (int i = list.Count(); i < list.Capacity(); ++i) EXPECT_EQ(list.At(i), spares[static_cast<std::size_t>(i - 3)]);
}

}  // namespace
}  // namespace mirelo
