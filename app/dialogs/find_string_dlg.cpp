#include "dialogs/find_string_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/dialog_units.h"

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

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    okButton->setGeometry(units.ToPixels(QRect(36, 34, 50, 14)));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setGeometry(units.ToPixels(QRect(99, 34, 50, 14)));
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void CFindStringDlg::accept() {
    m_strFind = findEdit_->text();
    QDialog::accept();
}
