#pragma once

#include <string>
#include <string_view>

namespace mirelo {

struct PersonName {
    std::string given;
    std::string family;
};

// "Ann Smith" splits into given and family name; anything less clear ("Smith", "Ann
// B. Smith", "Dr. Smith", "Team 42") does not, and gives an empty result.
PersonName SplitPersonName(std::string_view name);

}  // namespace mirelo
