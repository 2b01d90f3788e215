#pragma once

#include <QDialog>

namespace mirelo {

// "About Mirelo": icon, name and version, copyright, and the four steps of using it.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace mirelo
