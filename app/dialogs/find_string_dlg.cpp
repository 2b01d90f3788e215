#include "dialogs/find_string_dlg.h"

#include <QLabel>
#include <QLineEdit>

#include "dialogs/dialog_buttons.h"
#include "dialogs/dialog_units.h"

namespace mirelo {

CFindStringDlg::CFindStringDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find string"));
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(QSize(187, 57)));

    auto* label = new QLabel(QStringLiteral("Search for:"), this);
    label->setGeometry(units.ToPixels(QRect(22, 9, 38, 12)));

    // The first tab stop, so it has the focus when the dialog opens.
    findEdit_ = new QLineEdit(m_strFind, this);
    findEdit_->setObjectName(QStringLiteral("1001"));
    findEdit_->setGeometry(units.ToPixels(QRect(63, 7, 94, 14)));

    AddOkButton(this, units.ToPixels(QRect(36, 34, 50, 14)));
    AddCancelButton(this, units.ToPixels(QRect(99, 34, 50, 14)));
}

void CFindStringDlg::accept() {
    m_strFind = findEdit_->text();
    QDialog::accept();
}

}  // namespace mirelo
