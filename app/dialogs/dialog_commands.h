#pragma once

#include <optional>

#include "reading_choices.h"

class QWidget;

namespace mirelo {

class RowAccess;

// Each command builds its dialog, runs it modally over the parent and destroys it.
// True when the header types dialog was closed with OK, the choices then changed.
bool RunHeaderTypesCommand(QWidget* parent, ReadingChoices& choices);
// How many rows Find selected; nothing when it was cancelled.
std::optional<int> RunFindCommand(QWidget* parent, RowAccess& rows);
void RunAboutCommand(QWidget* parent);

}  // namespace mirelo
