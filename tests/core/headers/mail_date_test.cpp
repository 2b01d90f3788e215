#include "headers/mail_date.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirelo {
namespace {

struct DateCase {
    std::string value;
    std::string iso;  // empty: unknown
};

TEST(DayOfDate, ReadsTheDatesRealMailHolds) {
    const std::vector<DateCase> cases = {
        {"Mon, 1 Jan 2001 00:00:00 +0000", "2001-01-01"}, {"1 Jan 2001 10:00:00 GMT", "2001-01-01"},
        {"Tue, 29 Feb 2000 12:00 -0800 (PST)", "2000-02-29"}, {"Sun, 31 Dec 2000 23:30:00 -0500", "2001-01-01"},
        {"Mon, 1 Jan 2001 00:30:00 +0100", "2000-12-31"}, {"Sun, 31 Dec 2000 20:00:00 EST", "2001-01-01"},
        {"Fri, 3 Mar 00 09:15:00 +0000", "2000-03-03"}, {"Fri, 3 Mar 99 09:15:00 +0000", "1999-03-03"},
        {"Wed, 17 Feb 103 11:00:00 +0000", "2003-02-17"}, {"Mon,1 Jan 2001 00:00:00", "2001-01-01"},
        {"  Monday, 01-Jan-2001 08:00:00 (Central European Time)", "2001-01-01"},
        {"Mon Jan  1 08:00:00 2001", "2001-01-01"}, {"January 5, 2004", "2004-01-05"},
        {"2004-07-31 10:00:00", "2004-07-31"}, {"June-05-2001", "2001-06-05"}, {"5 SEP 2004 25:99:00 +0000", "2004-09-05"},
        {"Mon, 1 Jan 2001 023:30 -0100", "2001-01-01"}, {"Mon, 1 Jan 2001 03:00:00 EEST", "2001-01-01"},
        {"Fri, 14 Jun 2002 10:30:00 0200", "2002-06-14"},  // a zone without its sign is no year
        {"Thu, 01 Jan 1970 00:00:00 +0000", ""}, {"Wed, 31 Dec 1969 23:59:59 -0000", ""},
        {"Mon, 30 Feb 2001 00:00:00 +0000", ""}, {"Mon, 1 Foo 2001", ""}, {"1 Jan", ""}, {"", ""}, {"(no date)", ""},
        {"Fri, 1 Jan 2200 00:00:00 +0000", "2200-01-01"}, {"Mon, 1 Mar 2100 00:00:00 +0000", "2100-03-01"},
        // A minute either side of midnight in UTC, for each kind of zone.
        {"Mon, 1 Jan 2001 01:00:00 +0100", "2001-01-01"}, {"Mon, 1 Jan 2001 00:14:00 +0015", "2000-12-31"},
        {"Sun, 31 Dec 2000 22:59:00 -0100", "2000-12-31"}, {"Mon, 1 Jan 2001 21:29:00 NDT", "2001-01-01"},
        {"Sun, 31 Dec 2000 15:59:00 PST", "2000-12-31"}, {"Sun, 31 Dec 2000 16:59:00 PDT", "2000-12-31"},
        {"Mon, 1 Jan 2001 01:00:00 CET", "2001-01-01"}, {"Mon, 1 Jan 2001 02:00:00 CEST", "2001-01-01"},
        {"Mon, 1 Jan 2001 01:00:00 MET", "2001-01-01"}, {"Mon, 1 Jan 2001 01:00:00 BST", "2001-01-01"},
        {"Fri, 2 Jan 1970 00:00:00 +0000", "1970-01-02"}, {"Mon, 1 Jan 2001 02:00:00 MEST", "2001-01-01"},
        {"Mon, 1 Jan 2001\t00:00:00 UT", "2001-01-01"}, {"Sun, 31 Dec 2000 23:60:00 +0000", "2000-12-31"},
        {"Fri, 3 Mar 50 09:15:00 +0000", "1950-03-03"}, {"Mon, 29 Feb 2100 00:00:00 +0000", ""},
        {"2004-13-01", ""}, {"2004-14-01", ""}, {"2004-99-01", ""}, {"2004-07-31", "2004-07-31"},
        {"2004-07-31 23:30:00 -0100", "2004-08-01"},
        {"Mon, 1 Jan 2001 00:00:00 +0000 a b c d e f g h i j k l m n o p q r s", "2001-01-01"},
        // Zones with a colon and the other North American names.
        {"Mon, 1 Jan 2001 05:29:00 +05:30", "2000-12-31"}, {"Mon, 1 Jan 2001 05:30:00 +05:30", "2001-01-01"},
        {"Sun, 31 Dec 2000 20:00:00 -04:00", "2001-01-01"}, {"Sun, 31 Dec 2000 20:00:00 AST", "2001-01-01"},
        {"Sun, 31 Dec 2000 21:00:00 ADT", "2001-01-01"}, {"Sun, 31 Dec 2000 15:00:00 AKST", "2001-01-01"},
        {"Sun, 31 Dec 2000 14:59:00 AKST", "2000-12-31"},
        {"Sun, 31 Dec 2000 14:00:00 HST", "2001-01-01"}, {"Sun, 31 Dec 2000 20:30:00 NST", "2001-01-01"},
        // Any day from year 1000 to 9999; a malformed zone makes the date unknown.
        {"Sat, 1 Jan 1000 12:00:00 +0000", "1000-01-01"}, {"Fri, 31 Dec 9999 12:00:00 +0000", "9999-12-31"},
        {"Sun, 20 Jul 1969 20:17:00 +0000", "1969-07-20"}, {"Sun, 20 Jul 1969 00:00:00 +0000", "1969-07-20"},
        {"1 Jan 0999 12:00:00 +0000", ""},
        {"Mon, 1 Jan 2001 12:00:00 +9999", ""}, {"Mon, 1 Jan 2001 12:00:00 +0060", ""},
        {"Mon, 1 Jan 2001 12:00:00 -24:00", ""}, {"Mon, 1 Jan 2001 03:00:00 +05:x0", "2001-01-01"},  // no zone
    };
    for (const DateCase& c : cases) EXPECT_EQ(IsoDate(DayOfDate(c.value)), c.iso) << c.value;
    // Each month's last day is the day before the next month's first.
    const std::string months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto day = [](int n, const std::string& month, int year) {
        return DayOfDate(std::to_string(n) + " " + month + " " + std::to_string(year));
    };
    for (int m = 0; m < 12; ++m) {
        int last = 28;
        while (day(last + 1, months[m], 2001) != kUnknownDay) ++last;
        EXPECT_EQ(day(last, months[m], 2001) + 1, day(1, months[(m + 1) % 12], m == 11 ? 2002 : 2001)) << months[m];
    }
    // A separator line's date follows its sender.
    const std::vector<DateCase> separators = {
        {"From ???@??? Mon Jan 01 00:00:00 2001", "2001-01-01"},
        {"From ???@??? Thu Sep 30 17:05:12 1999", "1999-09-30"},
        {"From someone@example.org Sat Feb 29 23:59:59 2020", "2020-02-29"},
        {"From: ???@??? Mon Jan 01 00:00:00 2001", ""}, {"From ???@???", ""},
    };
    for (const DateCase& c : separators) EXPECT_EQ(IsoDate(DayOfSeparatorLine(c.value)), c.iso) << c.value;
}

}  // namespace
}  // namespace mirelo
