#include "dialogs/dialog_commands.h"

#include "dialogs/about_dlg.h"
#include "dialogs/find_string_dlg.h"
#include "dialogs/header_types_dlg.h"
#include "dialogs/row_search.h"

namespace mirelo {

void RunHeaderTypesCommand(QWidget* parent, HeaderKindSet& kinds) {
    CHeaderTypesDlg dialog(kinds, parent);
    dialog.exec();
}

void RunFindCommand(QWidget* parent, RowAccess& rows) {
    CFindStringDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    SelectMatchingRows(rows, dialog.m_strFind);
}

void RunAboutCommand(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}

}  // namespace mirelo
