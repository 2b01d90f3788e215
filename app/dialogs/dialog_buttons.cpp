#include "dialogs/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace mirelo {

QHBoxLayout* AddOkButton(QDialog* dialog) {
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(ok);
    return row;
}

QHBoxLayout* AddOkCancelButtons(QDialog* dialog) {
    QHBoxLayout* row = AddOkButton(dialog);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(cancel);
    return row;
}

}  // namespace mirelo
