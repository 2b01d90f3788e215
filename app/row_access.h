#pragma once

#include "scan/address_record.h"

// The list view's rows as the Find command sees them.
class RowAccess {
public:
    virtual ~RowAccess() = default;
    virtual int RowCount() const = 0;
    virtual const mirelo::AddressRecord* RowRecord(int row) const = 0;
    // Changes the selected state only; the focus and the current row stay.
    virtual void SetRowSelected(int row, bool selected) = 0;
    virtual void EnsureRowFullyVisible(int row) = 0;
};
