#pragma once

#include <QDialog>

namespace mirelo {

// "About Mirelo": icon, name and version, copyright, and the four steps of using it.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace mirelo
