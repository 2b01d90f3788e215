#pragma once

#include <string_view>

namespace mirelo {

// The order in which NTFS lists a folder: names compared as UTF-16 code units after
// upper-casing, equal ones by their bytes. Taking every folder's entries in this order on
// every system lets the same tree give the same list on ext4, tmpfs and NTFS.
bool ListsBefore(std::string_view a, std::string_view b);

}  // namespace mirelo
