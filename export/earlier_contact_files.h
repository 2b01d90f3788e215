#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirelo {

// The values of the EMAIL properties of vCards (any version, grouped or not), folded
// lines joined.
std::vector<std::string> EmailValuesOfVcards(std::string_view text);

// The string values of the members named "email" anywhere in a JSON text, as the json
// format writes one object per address.
std::vector<std::string> EmailValuesOfJson(std::string_view text);

}  // namespace mirelo
