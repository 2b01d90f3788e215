#pragma once

#include <vector>

#include "facts/address_facts.h"
#include "scan/address_list.h"

namespace mirelo {

// The order of the list view's rows. Column 1: names; column 2: mailboxes, then emails;
// any other column: emails. ASCII case is ignored; negative when a goes first.
int CompareRows(const AddressList& list, const AddressRecord* a, const AddressRecord* b, int column);

// Sorts the rows ascending by CompareRows. Each row gets a sort key from the leading
// bytes of its texts, so most comparisons never leave the key array; rows whose keys
// tie are compared in full.
void SortRowsByColumn(const AddressList& list, std::vector<AddressRecord*>& rows, int column);

// Sorts the rows ascending by a fact of their address, then by email: column 3 the count,
// 4 the category by name, any other the last day seen, unknown first.
void SortRowsByFact(const AddressList& list, const FactsTable& facts, std::vector<AddressRecord*>& rows, int column);

}  // namespace mirelo
