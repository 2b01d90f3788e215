#pragma once

#include <QDialog>

// "About Mirelo": icon, name and version, copyright, and the four steps of using it.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
