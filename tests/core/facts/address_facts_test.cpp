#include "facts/address_facts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ascii.h"
#include "export/record_order.h"
#include "scan/header_kinds.h"

namespace mirelo {
namespace {

TEST(FactsTable, CountsRecordsKindsStoresAndDaysPerAddressWithoutCase) {
    struct Row {
        const char* email;
        HeaderKind kind;
        const char* store;
        const char* date;
    };
    const std::vector<Row> rows = {
        {"ann@x", kReplyToKind, "In.mbx", "5 Mar 2003"}, {"ANN@x", kFromKind, "In.mbx", "1 Mar 2003"},
        {"bob@x", kToKind, "In.mbx", ""},                {"ann@x", kToKind, "In.mbx", ""},
        {"Ann@X", kFromKind, "Out.mbx", "9 Mar 2003"},   {"noreply@x", kFromKind, "Out.mbx", ""},
    };
    AddressList list;
    for (const Row& row : rows) {
        list.Append(row.email, "", std::string("/m/") + row.store, row.kind);
        list.NoteDay(list.At(list.Count() - 1)->email, DayOfDate(row.date));
    }
    const FactsTable table = FactsTable::Gather(list, AddressClassifier({"BOB@x"}, {}));
    const auto factsOf = [&](int row) { return table.Of(list.At(row)->email); };
    // Details turned on over a list already ordered for the view counts alike.
    AddressList ordered;
    ordered.AppendAll(list);
    OrderExtractionResult(ordered, "/m/");
    const FactsTable afterOrdering = FactsTable::Gather(ordered, AddressClassifier({}, {}));
    for (int i = 0; i < ordered.Count(); ++i)
        EXPECT_EQ(afterOrdering.Of(ordered.At(i)->email).stores, FoldedAscii(ordered.Email(*ordered.At(i))) == "ann@x" ? 2 : 1)
            << i;

    for (const int ann : {0, 1, 3, 4}) {
        EXPECT_EQ(factsOf(ann).count, 4);
        EXPECT_EQ(KindsText(factsOf(ann).kinds), "from;to;reply-to");
        EXPECT_EQ(factsOf(ann).stores, 2);
        EXPECT_EQ(IsoDate(factsOf(ann).firstSeen) + " " + IsoDate(factsOf(ann).lastSeen), "2003-03-01 2003-03-09");
        EXPECT_EQ(factsOf(ann).category, AddressCategory::Person);
    }
    EXPECT_EQ(factsOf(2).category, AddressCategory::Own);
    EXPECT_EQ(IsoDate(factsOf(2).lastSeen), "");
    EXPECT_EQ(factsOf(5).category, AddressCategory::Automated);
}

}  // namespace
}  // namespace mirelo
