#include "qt_platform_services.h"

#include <algorithm>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

#ifdef _WIN32
#include <QProcess>
#include <windows.h>
#include <shellapi.h>
#endif

#include "app_strings.h"
#include "folder_browser_dialog.h"

namespace mirelo {

namespace {

// A dialog shows the normal pointer even while a long command holds the wait cursor.
class NormalCursorWhileOpen {
public:
    NormalCursorWhileOpen() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~NormalCursorWhileOpen() { QApplication::restoreOverrideCursor(); }
    NormalCursorWhileOpen(const NormalCursorWhileOpen&) = delete;
    NormalCursorWhileOpen& operator=(const NormalCursorWhileOpen&) = delete;
};

// Paths are UTF-8 in the core on every system, not the ANSI code page of QFile::encodeName.
std::string EncodePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

QString DecodePath(const std::string& path) {
    return QString::fromStdString(path);
}

const QString kSaveTitle = QStringLiteral("Save list of unique email addresses");
const QString kPartialSaveTitle =
    QStringLiteral("Save list of unique email addresses (partial: the extraction was stopped)");

// The extension a type line shows, "CSV" for "Comma-separated Value (*.CSV)".
QString ExtensionOf(const QString& type) {
    return type.section(QStringLiteral("(*."), 1).chopped(1);
}

}  // namespace

std::optional<std::string> QtPlatformServices::PickFolder(const QString& prompt,
                                                          const std::string& initialFolder) {
    NormalCursorWhileOpen cursor;
    FolderBrowserDialog dialog(prompt, DecodePath(initialFolder), QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return EncodePath(dialog.ChosenFolder());
}

std::optional<std::string> QtPlatformServices::AskSavePath(const std::string& preload, bool partial) {
    const std::optional<SaveChoice> choice =
        AskSaveChoice(preload, partial ? kPartialSaveTitle : kSaveTitle, {QStringLiteral("Comma-separated Value (*.CSV)")});
    if (!choice) return std::nullopt;
    return choice->path;
}

// In the order of FormatKind.
std::optional<SaveChoice> QtPlatformServices::AskSaveAsPath(const std::string& preload) {
    return AskSaveChoice(preload, kSaveTitle, {QStringLiteral("Comma-separated Value (*.CSV)"),
                                   QStringLiteral("CSV, UTF-8, RFC 4180 (*.csv)"), QStringLiteral("vCard 3.0 (*.vcf)"),
                                   QStringLiteral("Google Contacts CSV (*.csv)"),
                                   QStringLiteral("Outlook Contacts CSV (*.csv)"), QStringLiteral("JSON (*.json)")});
}

std::optional<SaveChoice> QtPlatformServices::AskSaveChoice(const std::string& preload, const QString& title,
                                                            const QStringList& types) {
    NormalCursorWhileOpen cursor;
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(types);
    // Added to a name typed without an extension before the dialog asks about replacing
    // a file, so that it asks about the file that will be written.
    dialog.setDefaultSuffix(ExtensionOf(types.constFirst()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& type) { dialog.setDefaultSuffix(ExtensionOf(type)); });
    if (!preload.empty()) dialog.selectFile(DecodePath(preload));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const auto type = static_cast<FormatKind>(std::max<qsizetype>(0, types.indexOf(dialog.selectedNameFilter())));
    return SaveChoice{EncodePath(dialog.selectedFiles().constFirst()), type};
}

std::optional<std::string> QtPlatformServices::AskOpenPath() {
    NormalCursorWhileOpen cursor;
    const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), QStringLiteral("Open"),
                                                      QString(), QStringLiteral("All Files (*)"));
    if (path.isEmpty()) return std::nullopt;
    return EncodePath(path);
}

void QtPlatformServices::ShowMessage(const QString& text) {
    NormalCursorWhileOpen cursor;
    QMessageBox::warning(QApplication::activeWindow(), QString::fromLatin1(kAppTitle), text, QMessageBox::Ok);
}

PlatformServices::SaveAnswer QtPlatformServices::AskSaveChanges(const QString& documentTitle) {
    NormalCursorWhileOpen cursor;
    const auto answer = QMessageBox::question(
        QApplication::activeWindow(), QString::fromLatin1(kAppTitle),
        QStringLiteral("Save changes to %1?").arg(documentTitle),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes) return SaveAnswer::Yes;
    if (answer == QMessageBox::No) return SaveAnswer::No;
    return SaveAnswer::Cancel;
}

std::string QtPlatformServices::LocalAppDataFolder() {
    // On Windows this is the local application-data folder itself; elsewhere the
    // per-user data folder plays its part.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return folder.isEmpty() ? std::string() : EncodePath(folder);
}

std::optional<QString> QtPlatformServices::AskOwnAddresses(const QString& current) {
    NormalCursorWhileOpen cursor;
    bool accepted = false;
    QString text = QInputDialog::getMultiLineText(QApplication::activeWindow(), QStringLiteral("My addresses"),
                                                  QStringLiteral("Your own addresses, one a line:"), current, &accepted);
    if (!accepted) return std::nullopt;
    return text;
}

bool QtPlatformServices::OpenForEditing(const std::string& path) {
#ifdef _WIN32
    // The path is UTF-8; the ANSI call would lose what the code page lacks.
    const QString file = DecodePath(path);
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"edit", reinterpret_cast<const wchar_t*>(file.utf16()), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32 || QProcess::startDetached(QStringLiteral("notepad.exe"), {file});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(DecodePath(path)));
#endif
}

}  // namespace mirelo
