#pragma once

#include <QString>

namespace mirelo {

class RowAccess;

// Selects exactly the rows whose email, name or mailbox, as the column shows it, contains
// text, ignoring the case of ASCII letters, and scrolls the first of them fully into view.
// Returns how many rows it selected.
int SelectMatchingRows(RowAccess& rows, const QString& text);

}  // namespace mirelo
