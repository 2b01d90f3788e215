#pragma once

#include <vector>

#include "facts/address_facts.h"
#include "scan/address_list.h"

namespace mirelo {

// Sorts the list view's rows ascending by the column, ignoring ASCII case: the names; the
// mailboxes, then the emails; or, for any other column, the emails. Each unique text is
// ranked once, so the rows sort by integers.
void SortRowsByColumn(const AddressList& list, std::vector<AddressRecord*>& rows, int column);

// Whether the column sorts highest first: the count and the last day seen, whose high end
// is what a user prunes by.
bool SortsHighestFirst(int column);

// Sorts the rows by a fact of their address, then by email: the count, highest first; the
// category by name; or for any other column the last day seen, latest first, unknown last.
void SortRowsByFact(const AddressList& list, const FactsTable& facts, std::vector<AddressRecord*>& rows, int column);

}  // namespace mirelo
