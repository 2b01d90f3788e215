#include "support/app_harness.h"

#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace mirelo::testing {

// Opens and closes every menu first, so each item shows its current state.
QAction* AppHarness::Item(const QString& text) {
    QAction* found = nullptr;
    for (QAction* top : Frame().menuBar()->actions()) {
        if (top->text() == text) found = top;
        if (!top->menu()) continue;
        emit top->menu()->aboutToShow();
        emit top->menu()->aboutToHide();
        for (QAction* item : top->menu()->actions()) found = item->text() == text ? item : found;
    }
    if (!found) qFatal("no menu item %s", qPrintable(text));
    return found;
}

void AppHarness::ShowNumberedRecords(int count) {
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        Doc().List().Append("user" + n + "@x.org", "User " + n, "In.mbx", kFromKind);
    }
    Doc().RefillRows(Doc().List());
}

void AppHarness::SelectRows(const std::vector<int>& rows) {
    QItemSelectionModel* selection = View().selectionModel();
    selection->clearSelection();
    for (const int row : rows) {
        selection->select(View().model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QList<int> AppHarness::SelectedRows() {
    QList<int> rows;
    for (const QModelIndex& index : View().selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace mirelo::testing
