#include "headers/list_post.h"

namespace mirelo {

std::string_view ListPostAddress(std::string_view value) {
    const std::size_t mailto = value.find("mailto:");
    if (mailto == std::string_view::npos) return {};
    std::string_view address = value.substr(mailto + 7);
    address = address.substr(0, address.find_first_of(">?, \t"));
    return address.find('@') == std::string_view::npos ? std::string_view() : address;
}

}  // namespace mirelo
