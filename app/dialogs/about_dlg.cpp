#include "dialogs/about_dlg.h"

#include <QLabel>

#include "dialogs/dialog_buttons.h"
#include "dialogs/dialog_units.h"
#include "resources/application_icon.h"

namespace mirelo {

namespace {

const char* const kInstructions =
    "[1] Click on 'Extract Email Addresses'\n\n"
    "[2] Save address list\n\n"
    "[3] Using Notepad, examine the file && delete unwanted addresses\n\n"
    "[4] Import the file into Velloran's Authorized Senders folder ";

// What a static text with mnemonic prefixes shows: "&&" is one ampersand, a lone "&"
// only marks the letter after it.
QString ShownText(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && ++i == text.size()) {
            break;
        }
        shown += text[i];
    }
    return shown;
}

void AddStaticText(QWidget* dialog, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Mirelo"));
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(QSize(235, 136)));

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setGeometry(units.ToPixels(QRect(11, 17, 20, 20)));

    AddStaticText(this, QStringLiteral("Mirelo Version 1.0"), units.ToPixels(QRect(40, 10, 119, 8)));
    AddStaticText(this,
                  QStringLiteral("Copyright (C) 2025 Mirelo\n"
                                 "https://mirelo.example.org"),
                  units.ToPixels(QRect(40, 25, 125, 20)));

    AddOkButton(this, units.ToPixels(QRect(178, 7, 50, 14)));

    AddStaticText(this, ShownText(QString::fromLatin1(kInstructions)),
                  units.ToPixels(QRect(23, 55, 190, 74)));
}

}  // namespace mirelo
