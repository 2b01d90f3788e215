#include "dialogs/header_types_dlg.h"

#include <QCheckBox>

#include "dialogs/dialog_buttons.h"
#include "dialogs/dialog_units.h"

namespace mirelo {

namespace {

struct KindBoxTemplate {
    int id;
    const char* text;
    HeaderKind kind;
    QRect rect;
};

// In tab order. The ids follow neither the kinds nor the screen order; the rectangles
// put the boxes on screen as From:, To:, Sender:, X-Sender:, Return-Path:, Reply-To:.
constexpr std::array<KindBoxTemplate, kHeaderKindCount> kKindBoxes{{
    {1000, "From:", kFromKind, QRect(16, 15, 105, 10)},
    {1001, "Sender:", kSenderKind, QRect(16, 43, 105, 10)},
    {1002, "X-Sender:", kXSenderKind, QRect(16, 57, 105, 10)},
    {1003, "To:", kToKind, QRect(16, 29, 105, 10)},
    {1004, "Return-Path:", kReturnPathKind, QRect(16, 71, 105, 10)},
    {1005, "Reply-To:", kReplyToKind, QRect(16, 85, 105, 10)},
}};

}  // namespace

CHeaderTypesDlg::CHeaderTypesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Specify which headers types to be used"));
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(QSize(164, 128)));

    // Creation order is the tab order: the buttons come first, as in the template.
    AddOkButton(this, units.ToPixels(QRect(20, 107, 37, 14)));
    AddCancelButton(this, units.ToPixels(QRect(75, 107, 37, 14)));

    for (std::size_t i = 0; i < kKindBoxes.size(); ++i) {
        const KindBoxTemplate& entry = kKindBoxes[i];
        // Qt widgets have no control ids; the object name carries it.
        auto* box = new QCheckBox(QString::fromLatin1(entry.text), this);
        box->setObjectName(QString::number(entry.id));
        box->setGeometry(units.ToPixels(entry.rect));
        box->setChecked(IsKindEnabled(entry.kind));
        kindBoxes_[i] = {entry.kind, box};
    }
}

void CHeaderTypesDlg::accept() {
    for (const KindBox& kindBox : kindBoxes_) {
        SetKindEnabled(kindBox.kind, kindBox.box->checkState() != Qt::Unchecked);
    }
    QDialog::accept();
}

}  // namespace mirelo
