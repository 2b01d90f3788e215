#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "scan/address_list.h"

namespace mirelo {

// The addresses of a CSV list written before, folded to small letters: the column headed
// "email" (or an address book's e-mail column), else the first one.
std::unordered_set<std::string> AddressesOfEarlierExport(std::string_view csv);

// Marks as deleted every record that survived the ordering and that unwanted picks, as
// the window's Delete does, so that no export writes it. Returns how many.
int DeleteSurvivors(AddressList& list, const std::function<bool(const AddressRecord&)>& unwanted);

}  // namespace mirelo
