#pragma once

#include "scan/header_kinds.h"

class QWidget;

namespace mirelo {

class RowAccess;

// Each command builds its dialog, runs it modally over the parent and destroys it.
void RunHeaderTypesCommand(QWidget* parent, HeaderKindSet& kinds);
void RunFindCommand(QWidget* parent, RowAccess& rows);
void RunAboutCommand(QWidget* parent);

}  // namespace mirelo
