#pragma once

#include <QItemSelectionModel>

#include <unordered_set>
#include <utility>
#include <vector>

#include "scan/address_list.h"

namespace mirelo {

class AddressRowModel;

// The list's selection as one flag per row. Qt's own keeps a list of ranges and looks each
// painted cell up among all of them, which a Find that selects rows scattered over a million
// makes slow to draw. Every change comes through select() and lands here; the ranges of
// the base class stay empty, so its isSelected() and selectedRows() answer nothing, and
// the rows are drawn selected by RowDelegate. Sorting keeps the selection with its records.
class RowSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    explicit RowSelectionModel(AddressRowModel* rows, QObject* parent = nullptr);

    bool IsRowSelected(int row) const {
        return row >= 0 && static_cast<std::size_t>(row) < selected_.size() && selected_[static_cast<std::size_t>(row)];
    }
    bool HasSelectedRow() const { return selectedCount_ != 0; }
    // Ascending.
    std::vector<int> SelectedRows() const;
    // Exactly these rows, ascending, in one step.
    void SelectOnly(const std::vector<int>& rows);

    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
    // Whole rows, whatever the behaviour flags. A command with Current stands in for the
    // one before it that had Current too, as a drag or a Shift+click widens a selection.
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;
    void clear() override;
    void reset() override;

private:
    void SetRow(int row, bool on, bool provisional);
    void ClearRows();
    void RevertProvisional();
    void HoldRecordsBeforeSort();
    void FindRecordsAfterSort();
    void Changed();

    AddressRowModel* rows_;
    std::vector<unsigned char> selected_;
    int selectedCount_ = 0;
    // What the last command with Current changed: each row with its flag before.
    std::vector<std::pair<int, bool>> provisional_;
    std::unordered_set<const AddressRecord*> heldDuringSort_;
};

}  // namespace mirelo
