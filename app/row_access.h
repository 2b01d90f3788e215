#pragma once

#include <vector>

#include "scan/address_list.h"

namespace mirelo {

// The list view's rows as the Find command sees them.
class RowAccess {
public:
    virtual ~RowAccess() = default;
    virtual int RowCount() const = 0;
    virtual const AddressRecord* RowRecord(int row) const = 0;
    // The list whose tables hold the texts of the rows' records.
    virtual const AddressList& RowTexts() const = 0;
    // Selects exactly these rows, given ascending, in one step; the focus and the current
    // row stay.
    virtual void SelectOnly(const std::vector<int>& rows) = 0;
    virtual void EnsureRowFullyVisible(int row) = 0;
};

}  // namespace mirelo
