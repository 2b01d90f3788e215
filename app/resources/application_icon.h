#pragma once

#include <QIcon>

// The program's icon (an envelope with a tick), for the main window and the About box.
QIcon ApplicationIcon();
