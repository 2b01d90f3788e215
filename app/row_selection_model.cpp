#include "row_selection_model.h"

#include "address_row_model.h"

namespace mirelo {

RowSelectionModel::RowSelectionModel(AddressRowModel* rows, QObject* parent)
    : QItemSelectionModel(rows, parent), rows_(rows) {
    connect(rows_, &QAbstractItemModel::layoutAboutToBeChanged, this, &RowSelectionModel::HoldRecordsBeforeSort);
    connect(rows_, &QAbstractItemModel::layoutChanged, this, &RowSelectionModel::FindRecordsAfterSort);
}

std::vector<int> RowSelectionModel::SelectedRows() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(selectedCount_));
    for (std::size_t row = 0; row < selected_.size() && rows.size() < static_cast<std::size_t>(selectedCount_); ++row)
        if (selected_[row]) rows.push_back(static_cast<int>(row));
    return rows;
}

void RowSelectionModel::SelectOnly(const std::vector<int>& rows) {
    provisional_.clear();
    ClearRows();
    for (const int row : rows) SetRow(row, true, false);
    Changed();
}

void RowSelectionModel::select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) {
    select(index.isValid() ? QItemSelection(index, index) : QItemSelection(), command);
}

void RowSelectionModel::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) {
    if (command == NoUpdate) return;
    const bool provisional = command.testFlag(Current);
    if (provisional) {
        RevertProvisional();
    } else {
        provisional_.clear();
    }
    // Clear takes the rows for good, as Qt's own does, also under Current.
    if (command.testFlag(Clear)) {
        provisional_.clear();
        ClearRows();
    }
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (command.testFlag(Toggle)) {
                SetRow(row, !IsRowSelected(row), provisional);
            } else if (command.testFlag(Select) || command.testFlag(Deselect)) {
                SetRow(row, command.testFlag(Select), provisional);
            }
        }
    }
    Changed();
}

void RowSelectionModel::clear() {
    provisional_.clear();
    ClearRows();
    QItemSelectionModel::clear();
    Changed();
}

// The rows are new: nothing of them is selected.
void RowSelectionModel::reset() {
    provisional_.clear();
    selected_.assign(static_cast<std::size_t>(rows_->rowCount()), 0);
    selectedCount_ = 0;
    QItemSelectionModel::reset();
    Changed();
}

void RowSelectionModel::SetRow(int row, bool on, bool provisional) {
    if (row < 0 || row >= rows_->rowCount()) return;
    if (selected_.size() != static_cast<std::size_t>(rows_->rowCount()))
        selected_.resize(static_cast<std::size_t>(rows_->rowCount()), 0);
    unsigned char& flag = selected_[static_cast<std::size_t>(row)];
    if (static_cast<bool>(flag) == on) return;
    if (provisional) provisional_.emplace_back(row, static_cast<bool>(flag));
    flag = on;
    selectedCount_ += on ? 1 : -1;
}

void RowSelectionModel::ClearRows() {
    if (selectedCount_ == 0) return;
    std::fill(selected_.begin(), selected_.end(), 0);
    selectedCount_ = 0;
}

void RowSelectionModel::RevertProvisional() {
    // Last first: a row changed twice gets its first earlier flag back.
    for (auto change = provisional_.rbegin(); change != provisional_.rend(); ++change)
        SetRow(change->first, change->second, false);
    provisional_.clear();
}

void RowSelectionModel::HoldRecordsBeforeSort() {
    provisional_.clear();
    heldDuringSort_.clear();
    for (const int row : SelectedRows()) heldDuringSort_.insert(rows_->Record(row));
}

void RowSelectionModel::FindRecordsAfterSort() {
    ClearRows();
    if (!heldDuringSort_.empty()) {
        for (int row = 0; row < rows_->rowCount(); ++row)
            if (heldDuringSort_.contains(rows_->Record(row))) SetRow(row, true, false);
    }
    heldDuringSort_.clear();
}

// Qt's views look for the changed ranges in the signal; the list redraws what it shows.
void RowSelectionModel::Changed() {
    emit selectionChanged(QItemSelection(), QItemSelection());
}

}  // namespace mirelo
