#pragma once

#include <cstdint>
#include <limits>

namespace mirelo {

// A calendar day as days since 1970-01-01 (negative before it), from year 1000 to 9999.
// The unknown day is below every known one, so the latest of some days is a known one
// whenever any is.
using MailDay = std::int32_t;
inline constexpr MailDay kUnknownDay = std::numeric_limits<MailDay>::min();

}  // namespace mirelo
