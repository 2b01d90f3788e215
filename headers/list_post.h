#pragma once

#include <string_view>

namespace mirelo {

// The address a List-Post: value names, "<mailto:list@host>" or
// "<mailto:list@host?subject=help>"; empty for "NO" and anything without an address.
std::string_view ListPostAddress(std::string_view value);

}  // namespace mirelo
