#include "dialogs/find_string_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/dialog_buttons.h"

namespace mirelo {

CFindStringDlg::CFindStringDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find string"));
    auto* label = new QLabel(QStringLiteral("Search for:"), this);
    // The first tab stop, so it has the focus when the dialog opens.
    findEdit_ = new QLineEdit(m_strFind, this);
    findEdit_->setObjectName(QStringLiteral("1001"));
    QHBoxLayout* buttons = AddOkCancelButtons(this);

    auto* search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(findEdit_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(search);
    buttons->insertStretch(0);
    buttons->addStretch();
    layout->addLayout(buttons);
}

void CFindStringDlg::accept() {
    m_strFind = findEdit_->text();
    QDialog::accept();
}

}  // namespace mirelo
