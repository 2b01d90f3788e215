#pragma once

#include <QDialog>
#include <array>

#include "reading_choices.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace mirelo {

// "Specify which headers types to be used": for the original commands and for the
// all-mail command, one check box per header kind and the reading. Opens with the
// choices made; OK writes them all, Cancel none.
class HeaderTypesDialog : public QDialog {
    Q_OBJECT

public:
    explicit HeaderTypesDialog(ReadingChoices& choices, QWidget* parent = nullptr);

    void accept() override;

private:
    // The boxes of one command's reading.
    struct ReadingBoxes {
        std::array<QCheckBox*, kHeaderKindCount> kinds{};  // by kind
        QRadioButton* originalRules = nullptr;
        QRadioButton* rfc5322Rules = nullptr;
    };

    QGroupBox* AddReadingBoxes(const QString& title, const Reading& reading, ReadingBoxes& boxes);
    static Reading ReadingOf(const ReadingBoxes& boxes);

    ReadingChoices& choices_;
    ReadingBoxes originalBoxes_;
    ReadingBoxes allMailBoxes_;
};

}  // namespace mirelo
