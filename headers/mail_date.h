#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mirelo {

// A calendar day as days since 1970-01-01, in 16 bits so that a record carries it for
// free; 0 means unknown (an epoch date in mail is a clock that was never set).
using MailDay = std::uint16_t;
inline constexpr MailDay kUnknownDay = 0;

// The UTC day of a Date: header's value: RFC 5322 dates and what real mail makes of
// them (no weekday, two- or three-digit years, named zones, comments, asctime order,
// dashes between the parts). kUnknownDay when no whole date can be read.
MailDay DayOfDate(std::string_view value);

// The day of a mailbox separator line, "From ???@??? Mon Jan 01 00:00:00 2001".
MailDay DayOfSeparatorLine(std::string_view line);

// "2001-01-31"; empty for kUnknownDay.
std::string IsoDate(MailDay day);

}  // namespace mirelo
