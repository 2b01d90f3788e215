#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace mirelo {

// A calendar day as days since 1970-01-01 (negative before it), from year 1000 to 9999.
// The unknown day is below every known one, so the latest of some days is a known one
// whenever any is.
using MailDay = std::int32_t;
inline constexpr MailDay kUnknownDay = std::numeric_limits<MailDay>::min();

// The UTC day of a Date: header's value: RFC 5322 dates and what real mail makes of
// them (no weekday, two- or three-digit years, named zones, comments, asctime order,
// dashes between the parts). kUnknownDay when no whole date can be read, when its zone is
// malformed, and for the first instants of 1970, which a clock never set shows.
MailDay DayOfDate(std::string_view value);

// The day of a mailbox separator line, "From ???@??? Mon Jan 01 00:00:00 2001".
MailDay DayOfSeparatorLine(std::string_view line);

// "2001-01-31"; empty for kUnknownDay.
std::string IsoDate(MailDay day);

}  // namespace mirelo
