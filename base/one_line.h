#pragma once

#include <string>
#include <string_view>

namespace mirelo {

// A text for one line of a report: line ends become \n and \r, and the other control
// characters \xHH, so that a file's name can neither split the line nor send a
// terminal its control sequences. Tabs and every other byte stay as they are.
std::string OneLine(std::string_view text);

}  // namespace mirelo
