#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace mirelo {

// "Find string": asks for the text to look for in the address list.
class CFindStringDlg : public QDialog {
    Q_OBJECT

public:
    explicit CFindStringDlg(QWidget* parent = nullptr);

    // Takes the typed text into m_strFind, then closes with OK.
    void accept() override;

    QString m_strFind;

private:
    QLineEdit* findEdit_;
};

}  // namespace mirelo
