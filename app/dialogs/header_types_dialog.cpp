#include "dialogs/header_types_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/dialog_buttons.h"

namespace mirelo {

namespace {

struct KindBoxTemplate {
    const char* text;
    HeaderKind kind;
    int row;  // on screen
};

// In tab order, which is not the screen order; the rows put the boxes on screen as From:,
// To:, Sender:, X-Sender:, Return-Path:, Reply-To:, Cc:, Bcc:.
constexpr std::array<KindBoxTemplate, kHeaderKindCount> kKindBoxes{{
    {"From:", kFromKind, 0},
    {"Sender:", kSenderKind, 2},
    {"X-Sender:", kXSenderKind, 3},
    {"To:", kToKind, 1},
    {"Return-Path:", kReturnPathKind, 4},
    {"Reply-To:", kReplyToKind, 5},
    {"Cc:", kCcKind, 6},
    {"Bcc:", kBccKind, 7},
}};

}  // namespace

HeaderTypesDialog::HeaderTypesDialog(ReadingChoices& choices, QWidget* parent) : QDialog(parent), choices_(choices) {
    setWindowTitle(QStringLiteral("Specify which headers types to be used"));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QHBoxLayout* buttons = AddOkCancelButtons(this);

    auto* readings = new QHBoxLayout;
    readings->addWidget(AddReadingBoxes(QStringLiteral("Eudora and Outlook"), choices_.originalCommands, originalBoxes_));
    readings->addWidget(AddReadingBoxes(QStringLiteral("All mail under a folder"), choices_.allMail, allMailBoxes_));
    layout->addLayout(readings);
    buttons->addStretch();
    layout->addLayout(buttons);
    // A window manager cuts a title wider than the window: room for it, in a title bar's
    // larger font, and for the bar's buttons.
    const int titleWidth = fontMetrics().horizontalAdvance(windowTitle()) * 5 / 4 + 6 * fontMetrics().height();
    layout->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
}

QGroupBox* HeaderTypesDialog::AddReadingBoxes(const QString& title, const Reading& reading, ReadingBoxes& boxes) {
    auto* group = new QGroupBox(title, this);
    auto* kinds = new QGridLayout;
    for (const KindBoxTemplate& entry : kKindBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(entry.text), group);
        box->setChecked(reading.kinds.Has(entry.kind));
        kinds->addWidget(box, entry.row, 0);
        boxes.kinds[static_cast<std::size_t>(entry.kind)] = box;
    }
    boxes.originalRules = new QRadioButton(QStringLiteral("The original line rule"), group);
    boxes.rfc5322Rules = new QRadioButton(QStringLiteral("RFC 5322"), group);
    (reading.rules == ReadingRules::Original ? boxes.originalRules : boxes.rfc5322Rules)->setChecked(true);

    auto* column = new QVBoxLayout(group);
    column->addLayout(kinds);
    column->addSpacing(fontMetrics().height() / 2);
    column->addWidget(boxes.originalRules);
    column->addWidget(boxes.rfc5322Rules);
    return group;
}

Reading HeaderTypesDialog::ReadingOf(const ReadingBoxes& boxes) {
    Reading reading;
    reading.kinds = HeaderKindSet::None();
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        reading.kinds.Set(kind, boxes.kinds[static_cast<std::size_t>(kind)]->checkState() != Qt::Unchecked);
    reading.rules = boxes.rfc5322Rules->isChecked() ? ReadingRules::Rfc5322 : ReadingRules::Original;
    return reading;
}

void HeaderTypesDialog::accept() {
    choices_ = {ReadingOf(originalBoxes_), ReadingOf(allMailBoxes_)};
    QDialog::accept();
}

}  // namespace mirelo
