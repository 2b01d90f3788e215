#include "address_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <string>
#include <unordered_set>

#include "address_row_model.h"
#include "mirelo_document.h"
#include "row_order.h"
#include "row_selection_model.h"

namespace mirelo {

namespace {

// Draws a row selected by the row's flag, which costs the same however many rows are
// selected. A mailbox is elided in the middle, so that a long path keeps its own name in view.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(const RowSelectionModel& selection, QObject* parent)
        : QStyledItemDelegate(parent), selection_(selection) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state.setFlag(QStyle::State_Selected, selection_.IsRowSelected(index.row()));
        if (index.column() == kMailboxColumn) option->textElideMode = Qt::ElideMiddle;
    }

private:
    const RowSelectionModel& selection_;
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

std::string CountOf(int count, const char* one, const char* many) {
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

}  // namespace

AddressListView::AddressListView(MireloDocument& document, QWidget* parent)
    : QTableView(parent), document_(document), rows_(new AddressRowModel(this)), selection_(new RowSelectionModel(rows_, this)) {
    connect(&document_, &MireloDocument::rowsCleared, this, &AddressListView::DeleteAllRows);
    connect(&document_, &MireloDocument::rowsRefilled, this, &AddressListView::RefillRows);
    connect(&document_, &MireloDocument::detailsChanged, this, &AddressListView::ShowDetails);
    setModel(rows_);
    QItemSelectionModel* qtSelection = selectionModel();
    setSelectionModel(selection_);
    delete qtSelection;
    connect(selection_, &QItemSelectionModel::selectionChanged, viewport(), qOverload<>(&QWidget::update));
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
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(&document_, &MireloDocument::sortColumnChanged, this, &AddressListView::ShowSortIndicator);
    setItemDelegate(new RowDelegate(*selection_, this));
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { RememberColumnWidth(column, width); });
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

std::vector<int> AddressListView::ColumnWidths(int columnCount) const {
    const auto found = columnWidths_.find(columnCount);
    return found == columnWidths_.end() ? std::vector<int>() : found->second;
}

void AddressListView::SetColumnWidths(int columnCount, std::vector<int> widths) {
    widths.resize(static_cast<std::size_t>(columnCount - 1), horizontalHeader()->defaultSectionSize());
    columnWidths_[columnCount] = std::move(widths);
    if (columnCount == fittedColumns_) ApplyColumnWidths();
}

void AddressListView::ApplyColumnWidths() {
    // Copied: each width set is remembered again as it is set.
    const std::vector<int> widths = columnWidths_.at(fittedColumns_);
    for (std::size_t column = 0; column < widths.size(); ++column) setColumnWidth(static_cast<int>(column), widths[column]);
}

// The last column fills the rest, so its width is the window's, not the user's.
void AddressListView::RememberColumnWidth(int column, int width) {
    if (rows_->columnCount() != fittedColumns_ || column >= fittedColumns_ - 1) return;
    std::vector<int>& widths = columnWidths_[fittedColumns_];
    widths.resize(static_cast<std::size_t>(fittedColumns_ - 1), horizontalHeader()->defaultSectionSize());
    widths[static_cast<std::size_t>(column)] = width;
}

// Widths the user set stay with their columns: the details coming or going bring back the
// widths last set for the columns then shown.
void AddressListView::FitColumnsWhenTheyChange() {
    if (rows_->columnCount() == fittedColumns_) return;
    fittedColumns_ = rows_->columnCount();
    if (columnWidths_.contains(fittedColumns_)) {
        ApplyColumnWidths();
        return;
    }
    if (fittedColumns_ == kPlainColumnCount) {
        OnInitialUpdate();
        return;
    }
    // The details are short: each gets what its widest text needs, and the texts share the
    // rest. The last day seen fills what is left, as the mailbox does without the details.
    const auto fitting = [this](const char* text) {
        return horizontalHeader()->fontMetrics().horizontalAdvance(QLatin1String(text)) + 3 * fontMetrics().averageCharWidth();
    };
    const int count = fitting("Count");
    const int category = fitting("automated");
    const int rest = std::max(0, viewport()->width() - count - category - std::max(fitting("Last seen"), fitting("0000-00-00")));
    const int widths[] = {rest * 3 / 10, rest / 4, rest * 9 / 20, count, category};
    for (int column = 0; column < kLastSeenColumn; ++column)
        setColumnWidth(column, widths[column]);
}

void AddressListView::ShowSortIndicator(int column) {
    horizontalHeader()->setSortIndicator(column, SortsHighestFirst(column) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void AddressListView::RefillRows(const AddressList& list) {
    deletions_.clear();
    std::vector<AddressRecord*> shown;
    shown.reserve(static_cast<std::size_t>(list.Count()));
    for (int position = 0; position < list.Count(); ++position) {
        if (!list.At(position)->duplicate) shown.push_back(list.At(position));
    }
    rows_->SetRows(list, std::move(shown), document_.Facts());
    FitColumnsWhenTheyChange();
}

void AddressListView::DeleteAllRows() {
    deletions_.clear();
    rows_->ClearRows();
}

void AddressListView::SortRows(int column) {
    rows_->SortRows(column);
    document_.SetSortColumn(column);
}

void AddressListView::DeleteSelection() {
    const int count = DeleteRows(SelectedRows());
    if (count > 0) document_.ShowStatus(CountOf(count, "row", "rows") + " deleted; Undo (Ctrl+Z) brings them back");
}

void AddressListView::DeleteAutomatedAndOwn() {
    const AddressClassifier classifier = document_.Classifier();
    std::vector<int> unwanted;
    for (int row = 0; row < RowCount(); ++row) {
        const AddressCategory category = classifier.Classify(RowTexts().Email(*RowRecord(row)));
        if (category == AddressCategory::Automated || category == AddressCategory::Own) unwanted.push_back(row);
    }
    const int count = DeleteRows(unwanted);
    document_.ShowStatus(count == 0 ? std::string("No automated or own addresses among the rows")
                                    : CountOf(count, "automated or own address", "automated or own addresses") + " deleted; Undo (Ctrl+Z) brings them back");
}

int AddressListView::DeleteRows(const std::vector<int>& rows) {
    if (rows.empty()) return 0;

    document_.SetModifiedFlag(true);
    std::vector<AddressRecord*>& deleted = deletions_.emplace_back();
    deleted.reserve(rows.size());
    for (const int row : rows) {
        rows_->Record(row)->deleted = 1;
        deleted.push_back(rows_->Record(row));
    }
    RemoveRows(rows);
    return static_cast<int>(rows.size());
}

void AddressListView::UndoDeletion() {
    if (deletions_.empty()) return;
    std::vector<AddressRecord*> restored = std::move(deletions_.back());
    deletions_.pop_back();
    for (AddressRecord* record : restored) record->deleted = 0;
    // The rows brought back are not in a file written since they went.
    document_.SetModifiedFlag(true);
    rows_->AddRows(restored);
    if (document_.SortColumn() != MireloDocument::kNoSortColumn) rows_->SortRows(document_.SortColumn());

    const std::unordered_set<const AddressRecord*> wanted(restored.begin(), restored.end());
    std::vector<int> rows;
    for (int row = 0; row < RowCount(); ++row) {
        if (wanted.contains(RowRecord(row))) rows.push_back(row);
    }
    SelectOnly(rows);
    EnsureRowFullyVisible(rows.front());
    document_.ShowStatus(CountOf(static_cast<int>(rows.size()), "row", "rows") + " brought back");
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

std::vector<int> AddressListView::SelectedRows() const {
    return selection_->SelectedRows();
}

bool AddressListView::HasSelectedRow() const {
    return selection_->HasSelectedRow();
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
    selection_->SelectOnly(rows);
}

void AddressListView::EnsureRowFullyVisible(int row) {
    scrollTo(rows_->index(row, 0), QAbstractItemView::EnsureVisible);
}

QItemSelectionModel::SelectionFlags AddressListView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const {
    if (!event || selectionMode() != ExtendedSelection) return QTableView::selectionCommand(index, event);
    const Qt::KeyboardModifiers modifiers = static_cast<const QInputEvent*>(event)->modifiers();
    const bool plain = !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
    const bool selected = index.isValid() && selection_->IsRowSelected(index.row());
    const auto rows = QItemSelectionModel::Rows;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const bool left = static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
        pressedSelectedRow_ = plain && selected ? index.row() : -1;
        if (plain && selected) return QItemSelectionModel::NoUpdate;
        if (left && index.isValid() && modifiers == Qt::ControlModifier) {
            ctrlClick_ = selected ? QItemSelectionModel::Deselect : QItemSelectionModel::Select;
            return ctrlClick_ | rows;
        }
        break;
    }
    case QEvent::MouseMove:
        if (modifiers & Qt::ControlModifier) return ctrlClick_ | QItemSelectionModel::Current | rows;
        break;
    case QEvent::MouseButtonRelease:
        if (plain && index.isValid() && index.row() == pressedSelectedRow_ && state() != DragSelectingState)
            return QItemSelectionModel::ClearAndSelect | rows;
        break;
    default:
        break;
    }
    return QTableView::selectionCommand(index, event);
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
