#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace mirelo {

// "Find string": asks for the text to look for in the address list.
class FindDialog : public QDialog {
    Q_OBJECT

public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString SearchText() const;

private:
    QLineEdit* searchEdit_;
};

}  // namespace mirelo
