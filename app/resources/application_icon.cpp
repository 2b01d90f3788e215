#include "resources/application_icon.h"

namespace mirelo {

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        icon.addFile(QStringLiteral(":/mirelo/mirelo-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace mirelo
