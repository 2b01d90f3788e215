#pragma once

#include <QIcon>

namespace mirelo {

// The program's icon (an envelope with a tick), for the main window and the About box.
QIcon ApplicationIcon();

}  // namespace mirelo
