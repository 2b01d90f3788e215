#include "dialogs/dialog_commands.h"

#include "dialogs/about_dialog.h"
#include "dialogs/find_dialog.h"
#include "dialogs/header_types_dialog.h"
#include "row_search.h"

namespace mirelo {

bool RunHeaderTypesCommand(QWidget* parent, ReadingChoices& choices) {
    HeaderTypesDialog dialog(choices, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<int> RunFindCommand(QWidget* parent, RowAccess& rows) {
    FindDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return SelectMatchingRows(rows, dialog.SearchText());
}

void RunAboutCommand(QWidget* parent) {
    AboutDialog dialog(parent);
    dialog.exec();
}

}  // namespace mirelo
