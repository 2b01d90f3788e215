#include "dialogs/find_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/dialog_buttons.h"

namespace mirelo {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find string"));
    auto* label = new QLabel(QStringLiteral("Search for:"), this);
    // The first tab stop, so it has the focus when the dialog opens.
    searchEdit_ = new QLineEdit(this);
    QHBoxLayout* buttons = AddOkCancelButtons(this);

    auto* search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(searchEdit_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(search);
    buttons->insertStretch(0);
    buttons->addStretch();
    layout->addLayout(buttons);
}

QString FindDialog::SearchText() const {
    return searchEdit_->text();
}

}  // namespace mirelo
