#include "wait_cursor.h"

#include <QApplication>

namespace mirelo {

void WaitCursor::Begin() {
    ++depth_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WaitCursor::End() {
    if (depth_ == 0) return;
    --depth_;
    QApplication::restoreOverrideCursor();
}

void WaitCursor::Restore() {
    if (depth_ > 0) QApplication::changeOverrideCursor(Qt::WaitCursor);
}

}  // namespace mirelo
