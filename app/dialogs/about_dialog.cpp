#include "dialogs/about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/dialog_buttons.h"
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

QLabel* StaticText(QWidget* dialog, const QString& text) {
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Mirelo"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));

    auto* texts = new QVBoxLayout;
    texts->addWidget(StaticText(this, QStringLiteral("Mirelo Version " MIRELO_VERSION)));
    texts->addWidget(StaticText(this, QStringLiteral("Copyright (C) 2025 Mirelo\n"
                                                     "https://mirelo.example.org")));
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts);
    top->addStretch();
    QHBoxLayout* ok = AddOkButton(this);
    top->addLayout(ok);
    top->setAlignment(ok, Qt::AlignTop);

    // The steps sit under the icon, as far in from either edge of the dialog.
    auto* steps = new QHBoxLayout;
    steps->addSpacing(icon->sizeHint().width() / 2);
    steps->addWidget(StaticText(this, ShownText(QString::fromLatin1(kInstructions))));
    steps->addSpacing(icon->sizeHint().width() / 2);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(top);
    layout->addSpacing(fontMetrics().height());
    layout->addLayout(steps);
}

}  // namespace mirelo
