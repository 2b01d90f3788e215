#include "dialogs/dialog_commands.h"

#include <QByteArray>

#include "dialogs/about_dlg.h"
#include "dialogs/find_string_dlg.h"
#include "dialogs/header_types_dlg.h"
#include "dialogs/row_search.h"

void RunHeaderTypesCommand(QWidget* parent) {
    CHeaderTypesDlg dialog(parent);
    dialog.exec();
}

void RunFindCommand(QWidget* parent, RowAccess& rows) {
    CFindStringDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // Records hold bytes in the local 8-bit encoding; search for the same bytes.
    const QByteArray pattern = dialog.m_strFind.toLocal8Bit();
    SelectMatchingRows(rows, std::string_view(pattern.constData(), pattern.size()));
}

void RunAboutCommand(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}
