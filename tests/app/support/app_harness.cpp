#include "support/app_harness.h"

#include <QMenu>
#include <QMenuBar>


namespace mirelo::testing {

// No menu opens: each item must show its current state as it is.
QAction* AppHarness::Item(const QString& text) {
    QAction* found = nullptr;
    for (QAction* top : Frame().menuBar()->actions()) {
        if (top->text() == text) found = top;
        if (!top->menu()) continue;
        for (QAction* item : top->menu()->actions()) found = item->text() == text ? item : found;
    }
    if (!found) qFatal("no menu item %s", qPrintable(text));
    return found;
}

}  // namespace mirelo::testing
