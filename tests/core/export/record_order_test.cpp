#include "export/record_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace mirelo {
namespace {

TEST(OrderExtractionResult, KeepsTheFirstOfTheSmallestKindOfEachAddressAndRemovesALeadingRoot) {
    const std::tuple<const char*, const char*, const char*, HeaderKind> records[] = {
        {"HELP@MAILHOST", "To", "/m/b.mbx", 1}, {"help@mailhost", "Help Desk", "/m/a.mbx", 0},
        {"", "undisclosed", "/m/a.mbx", 3},      {"", "To", "/m/b.mbx", 1},
        {"b@x", "B", "/old/m/Sub/In.mbx", 0},    {"c@x", "C", "/m/Team/m/In.mbx", 0},
        {"b@x", "Later B", "/m/a.mbx", 0},       // of the same kind: the first one stays
    };
    AddressList list;
    for (const auto& [email, name, label, kind] : records) list.Append(email, name, label, kind);
    OrderExtractionResult(list, "/m/");

    std::vector<std::string> shown;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        if (!record.duplicate)
            shown.push_back(std::string(list.Email(record)) + "|" + std::string(list.Name(record)) + "|" +
                            std::string(list.Mailbox(record)));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"b@x|B|/old/m/Sub/In.mbx", "help@mailhost|Help Desk|a.mbx", "|To|b.mbx",
                                                "c@x|C|Team/m/In.mbx"}));
}

std::string Folded(std::string_view text) {
    std::string email(text);
    for (char& c : email) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return email;
}

// The keyed sort must give what sorting with the comparators gives, on one thread or two:
// the records and addresses are many enough to be ranked, marked and sorted on two.
TEST(OrderExtractionResult, AgreesWithSortingByTheComparators) {
    std::vector<std::string> orderOnOneThread;
    for (const unsigned threads : {1u, 2u}) {
        std::mt19937 random(7);
        const std::string letters = "aAbBzZ[.-_@1";  // with the bytes around the capitals
        AddressList list;
        for (int i = 0; i < 20000; ++i) {
            // Half share a start longer than the sort's key, so the rest of the text decides.
            std::string email = random() % 2 ? "a.start.longer.than.the.key." : "";
            for (int n = static_cast<int>(random() % 6); n > 0; --n) email += letters[random() % letters.size()];
            const std::string mailbox = std::string("/m/") + "xXy"[random() % 3];
            list.Append(email, "", mailbox, static_cast<int>(random() % 6));
        }
        ASSERT_GE(list.Emails().Count(), 2048u);
        std::vector<const AddressRecord*> before, after;
        for (int i = 0; i < list.Count(); ++i) before.push_back(list.At(i));
        OrderExtractionResult(list, "", threads);
        for (int i = 0; i < list.Count(); ++i) after.push_back(list.At(i));
        std::vector<std::string> order;
        for (const AddressRecord* record : after)
            order.push_back(std::string(list.Email(*record)) + (record->duplicate ? "+" : "-"));
        if (threads == 1) orderOnOneThread = order;
        EXPECT_EQ(order, orderOnOneThread) << "two threads order differently";
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before) << "not a permutation of the records";

        std::map<std::string, std::pair<int, int>> survivorsAndSmallestKind;  // by folded address
        for (int i = 0; i < list.Count(); ++i) {
            // The records shown come first, in order; the duplicates follow them.
            if (i > 0 && !list.At(i)->duplicate) {
                EXPECT_FALSE(list.At(i - 1)->duplicate) << "a duplicate before " << list.Email(*list.At(i));
                EXPECT_LT(CompareMailboxThenEmail(list, *list.At(i - 1), *list.At(i)), 0);
            }
            const AddressRecord& record = *list.At(i);
            auto [entry, added] = survivorsAndSmallestKind.try_emplace(Folded(list.Email(record)), 0, record.headerKind);
            entry->second.second = std::min<int>(entry->second.second, record.headerKind);
        }
        for (int i = 0; i < list.Count(); ++i) {
            const AddressRecord& record = *list.At(i);
            if (record.duplicate) continue;
            auto& [survivors, smallestKind] = survivorsAndSmallestKind[Folded(list.Email(record))];
            ++survivors;
            EXPECT_EQ(record.headerKind, smallestKind) << list.Email(record);
        }
        for (const auto& [address, entry] : survivorsAndSmallestKind) EXPECT_EQ(entry.first, 1) << address;
    }
}

}  // namespace
}  // namespace mirelo
