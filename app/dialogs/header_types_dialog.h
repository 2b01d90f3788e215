#pragma once

#include <QDialog>
#include <array>

#include "scan/header_kinds.h"

class QCheckBox;

namespace mirelo {

// "Specify which headers types to be used": one check box per header kind. Opens with
// the kinds chosen; OK writes all six into them, Cancel none.
class HeaderTypesDialog : public QDialog {
    Q_OBJECT

public:
    explicit HeaderTypesDialog(HeaderKindSet& kinds, QWidget* parent = nullptr);

    void accept() override;

private:
    struct KindBox {
        HeaderKind kind;
        QCheckBox* box;
    };
    HeaderKindSet& kinds_;
    std::array<KindBox, kOriginalKindCount> kindBoxes_{};
};

}  // namespace mirelo
