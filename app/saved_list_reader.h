#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "scan/address_list.h"

namespace mirelo {

// A list saved before, read back so that it can be pruned further.
struct SavedList {
    std::unique_ptr<AddressList> list;  // in file order, one record per address row
    // Written as the plain "email,name,notes" list, so Save can write it back unchanged in
    // form; any other table would lose its other columns.
    bool plainList = false;
};

// Any delimited table with an address column, as the earlier lists of --since-list are
// read; the names and notes come from the columns so headed. Nothing when no row holds
// an address.
std::optional<SavedList> ReadSavedList(std::string_view bytes);

}  // namespace mirelo
