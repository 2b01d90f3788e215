#pragma once

#include <string>
#include <string_view>

#include "scan/mail_day.h"

namespace mirelo {

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
