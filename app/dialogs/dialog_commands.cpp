#include "dialogs/dialog_commands.h"

#include <optional>
#include <string>

#include "dialogs/about_dlg.h"
#include "dialogs/find_string_dlg.h"
#include "dialogs/header_types_dlg.h"
#include "dialogs/row_search.h"
#include "windows1252.h"

namespace {

// The bytes that the rows show as text, or none when a character of the text is not
// in the code page, so that no record can contain it.
std::optional<std::string> RecordBytesOf(const QString& text) {
    static const QString everyByteDecoded = [] {
        std::string bytes(256, '\0');
        for (std::size_t byte = 0; byte < bytes.size(); ++byte) {
            bytes[byte] = static_cast<char>(byte);
        }
        return DecodeWindows1252(bytes);
    }();
    std::string bytes;
    for (const QChar character : text) {
        const qsizetype byte = everyByteDecoded.indexOf(character);
        if (byte < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

}  // namespace

void RunHeaderTypesCommand(QWidget* parent) {
    CHeaderTypesDlg dialog(parent);
    dialog.exec();
}

void RunFindCommand(QWidget* parent, RowAccess& rows) {
    CFindStringDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    SelectMatchingRows(rows, RecordBytesOf(dialog.m_strFind));
}

void RunAboutCommand(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}
