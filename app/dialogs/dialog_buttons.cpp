#include "dialogs/dialog_buttons.h"

#include <QDialog>
#include <QPushButton>

namespace mirelo {

void AddOkButton(QDialog* dialog, const QRect& geometry) {
    auto* button = new QPushButton(QStringLiteral("OK"), dialog);
    button->setDefault(true);
    button->setGeometry(geometry);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
}

void AddCancelButton(QDialog* dialog, const QRect& geometry) {
    auto* button = new QPushButton(QStringLiteral("Cancel"), dialog);
    button->setGeometry(geometry);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
}

}  // namespace mirelo
