#include "address_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

#include "address_row_model.h"
#include "mirelo_document.h"

namespace mirelo {

namespace {

// Elides in the middle, so that a long path keeps the mailbox's own name in view.
class MiddleElidingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

// The row that holds the focus once the removed rows are gone, counted before they go:
// the row itself when it stays, else the row above its run of removed rows, or the row
// below a run at the top; -1 for none.
int RowKeepingFocus(const std::vector<int>& removed, int row, int rowCount) {
    auto first = std::lower_bound(removed.begin(), removed.end(), row);
    if (first == removed.end() || *first != row) return row;
    auto last = first;
    while (first != removed.begin() && *std::prev(first) == *first - 1) --first;
    if (*first > 0) return *first - 1;
    while (std::next(last) != removed.end() && *std::next(last) == *last + 1) ++last;
    return *last + 1 < rowCount ? *last + 1 : -1;
}

}  // namespace

AddressListView::AddressListView(MireloDocument& document, QWidget* parent)
    : QTableView(parent), document_(document), rows_(new AddressRowModel(this)) {
    connect(&document_, &MireloDocument::rowsCleared, this, &AddressListView::DeleteAllRows);
    connect(&document_, &MireloDocument::rowsRefilled, this, &AddressListView::RefillRows);
    connect(&document_, &MireloDocument::detailsChanged, this, &AddressListView::ShowDetails);
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
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setItemDelegateForColumn(kMailboxColumn, new MiddleElidingDelegate(this));
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (!document_.IsExtracting()) SortRows(column);
    });
}

bool AddressListView::CanChangeRows() const {
    return document_.HasRecords() && !document_.IsExtracting();
}

void AddressListView::OnInitialUpdate() {
    const int w = width();
    setColumnWidth(kEmailColumn, w / 3);
    setColumnWidth(kNameColumn, w / 3);
}

void AddressListView::ShowDetails() {
    rows_->SetFacts(document_.Facts());
    FitColumnsWhenTheyChange();
}

// Widths the user set stay until the details come or go.
void AddressListView::FitColumnsWhenTheyChange() {
    if (rows_->columnCount() == fittedColumns_) return;
    fittedColumns_ = rows_->columnCount();
    if (fittedColumns_ == kPlainColumnCount) {
        OnInitialUpdate();
        return;
    }
    // The last day seen fills the rest, as the mailbox does without the details.
    const int w = width();
    const int widths[] = {w / 4, w / 5, w / 5, w / 12, w / 8};
    for (int column = 0; column < kLastSeenColumn; ++column)
        setColumnWidth(column, widths[column]);
}

void AddressListView::RefillRows(const AddressList& list) {
    std::vector<AddressRecord*> shown;
    shown.reserve(static_cast<std::size_t>(list.Count()));
    for (int position = 0; position < list.Count(); ++position) {
        if (!list.At(position)->duplicate) shown.push_back(list.At(position));
    }
    rows_->SetRows(list, std::move(shown), document_.Facts());
    FitColumnsWhenTheyChange();
}

void AddressListView::DeleteAllRows() {
    rows_->ClearRows();
}

void AddressListView::SortRows(int column) {
    rows_->SortRows(column);
    document_.SetSortColumn(column);
}

void AddressListView::DeleteSelection() {
    DeleteRows(SelectedRows());
}

void AddressListView::DeleteAutomatedAndOwn() {
    const AddressClassifier classifier = document_.Classifier();
    std::vector<int> unwanted;
    for (int row = 0; row < RowCount(); ++row) {
        const AddressCategory category = classifier.Classify(RowTexts().Email(*RowRecord(row)));
        if (category == AddressCategory::Automated || category == AddressCategory::Own) unwanted.push_back(row);
    }
    DeleteRows(unwanted);
}

void AddressListView::DeleteRows(const std::vector<int>& rows) {
    if (rows.empty()) return;

    document_.SetModifiedFlag(true);
    for (const int row : rows) rows_->Record(row)->deleted = 1;
    RemoveRows(rows);
}

// The rows go in one pass; the focus and the scroll end where removing the rows run by
// run, from the last up, would leave them.
void AddressListView::RemoveRows(const std::vector<int>& rows) {
    const QModelIndex current = currentIndex();
    const int focusRow = RowKeepingFocus(rows, current.row(), RowCount());
    if (focusRow != current.row()) scrollTo(rows_->index(focusRow, 0));
    const int scroll = verticalScrollBar()->value();
    rows_->RemoveRows(rows);
    if (focusRow >= 0) {
        const auto removedAbove = std::lower_bound(rows.begin(), rows.end(), focusRow) - rows.begin();
        selectionModel()->setCurrentIndex(rows_->index(focusRow - static_cast<int>(removedAbove), current.column()),
                                          QItemSelectionModel::NoUpdate);
    }
    verticalScrollBar()->setValue(scroll);
}

// Every row that the selection touches: the view selects whole rows only.
std::vector<int> AddressListView::SelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool AddressListView::HasSelectedRow() const {
    return selectionModel()->hasSelection();
}

int AddressListView::RowCount() const {
    return rows_->rowCount();
}

const AddressRecord* AddressListView::RowRecord(int row) const {
    return rows_->Record(row);
}

const AddressList& AddressListView::RowTexts() const {
    return rows_->Texts();
}

void AddressListView::SelectOnly(const std::vector<int>& rows) {
    QItemSelection selection;
    const int lastColumn = rows_->columnCount() - 1;
    for (auto first = rows.begin(); first != rows.end();) {
        auto last = first;
        while (std::next(last) != rows.end() && *std::next(last) == *last + 1) ++last;
        selection.select(rows_->index(*first, 0), rows_->index(*last, lastColumn));
        first = std::next(last);
    }
    // Cleared on its own: telling the old selection from the new costs the product of
    // their sizes.
    selectionModel()->clearSelection();
    selectionModel()->select(selection, QItemSelectionModel::Select);
}

void AddressListView::EnsureRowFullyVisible(int row) {
    scrollTo(rows_->index(row, 0), QAbstractItemView::EnsureVisible);
}

void AddressListView::keyPressEvent(QKeyEvent* event) {
    // Shift+Delete never gets here: the window takes it as an accelerator.
    if (event->key() == Qt::Key_Delete) {
        if (CanChangeRows()) DeleteSelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace mirelo
