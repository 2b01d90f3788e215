#include "support/app_harness.h"

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

QList<int> AppHarness::SelectedRows() {
    QList<int> rows;
    for (const QModelIndex& index : View().selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace mirelo::testing
