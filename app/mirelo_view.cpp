#include "mirelo_view.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

#include "address_row_model.h"
#include "command_ids.h"
#include "command_table.h"
#include "dialogs/dialog_commands.h"
#include "mirelo_doc.h"

CMireloView::CMireloView(CMireloDoc& document, QWidget* parent)
    : QTableView(parent), document_(document), rows_(new AddressRowModel(this)) {
    setModel(rows_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Fixed row heights keep a million rows as cheap to lay out as ten.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (!document_.IsExtracting()) SortRows(column);
    });
}

void CMireloView::RegisterCommands(CommandTable& commands) {
    commands_ = &commands;
    const auto sortCommand = [this, &commands](int commandId, int column) {
        commands.SetHandler(
            commandId, [this, column] { SortRows(column); },
            [this, column](CmdUI& ui) {
                ui.Enable(CanChangeRows());
                ui.SetCheck(document_.SortColumn() == column);
            });
    };
    sortCommand(ID_SORT_EMAIL, AddressRowModel::kEmailColumn);
    sortCommand(ID_SORT_NAME, AddressRowModel::kNameColumn);
    sortCommand(ID_SORT_MAILBOX, AddressRowModel::kMailboxColumn);
    commands.SetHandler(
        ID_DELETE_SELECTION, [this] { DeleteSelection(); },
        [this](CmdUI& ui) { ui.Enable(CanChangeRows() && HasSelectedRow()); });
    commands.SetHandler(
        ID_EDIT_FIND, [this] { RunFindCommand(this, *this); },
        [this](CmdUI& ui) { ui.Enable(CanChangeRows()); });
}

bool CMireloView::CanChangeRows() const {
    return document_.HasRecords() && !document_.IsExtracting();
}

void CMireloView::OnInitialUpdate() {
    const int w = width();
    setColumnWidth(AddressRowModel::kEmailColumn, w / 3);
    setColumnWidth(AddressRowModel::kNameColumn, w / 3);
    setColumnWidth(AddressRowModel::kMailboxColumn, w - 2 * w / 3);
}

void CMireloView::RefillRows(const mirelo::AddressList& list) {
    std::vector<mirelo::AddressRecord*> shown;
    shown.reserve(static_cast<std::size_t>(list.Count()));
    for (int position = 0; position < list.Count(); ++position) {
        if (!list.At(position)->duplicate) shown.push_back(list.At(position));
    }
    rows_->SetRows(std::move(shown));
}

void CMireloView::DeleteAllRows() {
    rows_->SetRows({});
}

void CMireloView::SortRows(int column) {
    rows_->SortRows(column);
    document_.SetSortColumn(column);
}

void CMireloView::DeleteSelection() {
    std::vector<int> selected;
    for (const QModelIndex& index : selectionModel()->selectedRows()) selected.push_back(index.row());
    if (selected.empty()) return;
    std::sort(selected.begin(), selected.end());

    document_.SetModifiedFlag(true);
    for (const int row : selected) rows_->Record(row)->deleted = 1;
    rows_->RemoveRows(selected);
}

bool CMireloView::HasSelectedRow() const {
    return selectionModel()->hasSelection();
}

int CMireloView::RowCount() const {
    return rows_->rowCount();
}

const mirelo::AddressRecord* CMireloView::RowRecord(int row) const {
    return rows_->Record(row);
}

void CMireloView::SetRowSelected(int row, bool selected) {
    const QModelIndex index = rows_->index(row, 0);
    if (selectionModel()->isRowSelected(row) == selected) return;
    selectionModel()->select(index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                        QItemSelectionModel::Rows);
}

void CMireloView::EnsureRowFullyVisible(int row) {
    scrollTo(rows_->index(row, 0), QAbstractItemView::EnsureVisible);
}

void CMireloView::keyPressEvent(QKeyEvent* event) {
    // Shift+Delete never gets here: the window takes it as an accelerator.
    if (event->key() == Qt::Key_Delete) {
        if (commands_) commands_->Execute(ID_DELETE_SELECTION);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
