#pragma once

#include <string>
#include <string_view>

namespace mirelo {

// Replaces every occurrence of text in line, left to right, without rescanning what was
// put in; an empty text changes nothing.
void ReplaceAll(std::string& line, std::string_view text, std::string_view replacement);

}  // namespace mirelo
