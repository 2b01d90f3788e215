#include "dialogs/header_types_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>

#include "dialogs/dialog_buttons.h"

namespace mirelo {

namespace {

struct KindBoxTemplate {
    const char* text;
    HeaderKind kind;
    int row;  // on screen
};

// In tab order, which is not the screen order; the rows put the boxes on screen as From:,
// To:, Sender:, X-Sender:, Return-Path:, Reply-To:.
constexpr std::array<KindBoxTemplate, kOriginalKindCount> kKindBoxes{{
    {"From:", kFromKind, 0},
    {"Sender:", kSenderKind, 2},
    {"X-Sender:", kXSenderKind, 3},
    {"To:", kToKind, 1},
    {"Return-Path:", kReturnPathKind, 4},
    {"Reply-To:", kReplyToKind, 5},
}};

}  // namespace

HeaderTypesDialog::HeaderTypesDialog(HeaderKindSet& kinds, QWidget* parent) : QDialog(parent), kinds_(kinds) {
    setWindowTitle(QStringLiteral("Specify which headers types to be used"));
    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QHBoxLayout* buttons = AddOkCancelButtons(this);

    for (std::size_t i = 0; i < kKindBoxes.size(); ++i) {
        const KindBoxTemplate& entry = kKindBoxes[i];
        auto* box = new QCheckBox(QString::fromLatin1(entry.text), this);
        layout->addWidget(box, entry.row, 0);
        box->setChecked(kinds_.Has(entry.kind));
        kindBoxes_[i] = {entry.kind, box};
    }
    buttons->addStretch();
    layout->addLayout(buttons, kOriginalKindCount, 0);
}

void HeaderTypesDialog::accept() {
    for (const KindBox& kindBox : kindBoxes_) {
        kinds_.Set(kindBox.kind, kindBox.box->checkState() != Qt::Unchecked);
    }
    QDialog::accept();
}

}  // namespace mirelo
