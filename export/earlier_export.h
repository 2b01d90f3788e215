#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "scan/address_list.h"

namespace mirelo {

// The addresses of a list written before, folded to small letters. Every format the
// program writes is read: its JSON and vCards by their e-mail members, any CSV form (and
// a spreadsheet's or an address book's table) by its address column. UTF-16 with a
// byte-order mark is read too. Blanks around an address and a name before it in angle
// brackets are left out; cells that hold no address are passed over.
std::unordered_set<std::string> AddressesOfEarlierExport(std::string_view bytes);

// Marks as deleted every record that survived the ordering and that unwanted picks, as
// the window's Delete does, so that no export writes it. Returns how many.
int DeleteSurvivors(AddressList& list, const std::function<bool(const AddressRecord&)>& unwanted);

}  // namespace mirelo
