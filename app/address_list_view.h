#pragma once

#include <QTableView>

#include <map>
#include <vector>

#include "address_row_model.h"
#include "row_access.h"
#include "scan/address_list.h"

namespace mirelo {

class MireloDocument;
class RowSelectionModel;

// The address list: one row per record shown, columns "Email", "Name" and "Mailbox".
// Sorting moves rows only; deleting a row marks its record deleted for the next save.
class AddressListView : public QTableView, public RowAccess {
    Q_OBJECT
public:
    explicit AddressListView(MireloDocument& document, QWidget* parent = nullptr);


    // Sets the first two columns to a third of the view's width each; the last column
    // fills the rest of the list and follows the window.
    void OnInitialUpdate();

    // Shows the records that are not duplicates, in list order.
    void RefillRows(const AddressList& list);
    void DeleteAllRows();
    // The details columns follow the document's facts.
    void ShowDetails();
    // The widths of the columns but the last, which fills the rest, for the plain columns or
    // those with the details; none when they were never shown or set.
    std::vector<int> ColumnWidths(int columnCount) const;
    void SetColumnWidths(int columnCount, std::vector<int> widths);

    // Texts ascending, the count and the last day seen highest first; the order of the
    // record list stays as it is.
    void SortRows(int column);
    void DeleteSelection();
    // Marks deleted, as a deleted selection is, the rows of robots and of the user's own addresses.
    void DeleteAutomatedAndOwn();
    // Brings back the rows of the last deletion not yet undone, selected, in the current order.
    void UndoDeletion();
    bool CanUndoDeletion() const { return !deletions_.empty(); }
    bool HasSelectedRow() const;
    // Ascending.
    std::vector<int> SelectedRows() const;
    // Rows can be sorted, searched and deleted: there are records, and no extraction is
    // about to reuse them.
    bool CanChangeRows() const;

    int RowCount() const override;
    const AddressRecord* RowRecord(int row) const override;
    const AddressList& RowTexts() const override;
    void SelectOnly(const std::vector<int>& rows) override;
    void EnsureRowFullyVisible(int row) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Qt decides what a click does by its own record of the selection, which the row flags
    // replace: the clicks that depend on whether their row is selected are decided here.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;

private:
    // The count of rows deleted.
    int DeleteRows(const std::vector<int>& rows);
    void RemoveRows(const std::vector<int>& rows);
    void FitColumnsWhenTheyChange();
    // The header's arrow points the way the column sorts; none before any sort.
    void ShowSortIndicator(int column);
    void ApplyColumnWidths();
    void RememberColumnWidth(int column, int width);

    MireloDocument& document_;
    AddressRowModel* rows_;
    RowSelectionModel* selection_;
    // What a Ctrl+click and the Ctrl+drag after it do, and where a plain click on a selected
    // row was pressed: such a click selects that row alone when it is released there.
    mutable QItemSelectionModel::SelectionFlag ctrlClick_ = QItemSelectionModel::Select;
    mutable int pressedSelectedRow_ = -1;
    int fittedColumns_ = kPlainColumnCount;
    std::map<int, std::vector<int>> columnWidths_;  // by the count of columns shown
    // The records of each deletion, the last one last; they belong to the rows on hand only.
    std::vector<std::vector<AddressRecord*>> deletions_;
};

}  // namespace mirelo
