// Saves a picture of the main window, after extracting a Eudora folder into a CSV file
// without asking anything when one is given. Runs on a profile of its own, so the user's
// remembered folders stay as they are.
// Usage: mirelo_window_screenshot IMAGE [--extract-eudora FOLDER --output CSV] [--details]
#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

#include "main_window.h"
#include "mirelo_application.h"
#include "mirelo_document.h"
#include "profile.h"
#include "qt_platform_services.h"

namespace {

// Answers the folder browser and the save dialog from the command line; opens no editor.
class ScriptedPlatform : public mirelo::QtPlatformServices {
public:
    ScriptedPlatform(QString folder, QString csvPath) : folder_(std::move(folder)), csvPath_(std::move(csvPath)) {}

    std::optional<std::string> PickFolder(const QString&, const std::string&) override {
        return folder_.toStdString();
    }
    std::optional<std::string> AskSavePath(const std::string&, bool) override { return csvPath_.toStdString(); }
    bool OpenForEditing(const std::string&) override { return true; }

private:
    QString folder_;
    QString csvPath_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("image"), QStringLiteral("The picture to write."));
    const QCommandLineOption extractEudora(QStringLiteral("extract-eudora"),
                                           QStringLiteral("Extract FOLDER first."), QStringLiteral("FOLDER"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("The CSV file the extraction writes."),
                                    QStringLiteral("CSV"));
    const QCommandLineOption details(QStringLiteral("details"), QStringLiteral("Show the details columns."));
    parser.addOptions({extractEudora, output, details});
    parser.process(application);
    if (parser.positionalArguments().size() != 1) parser.showHelp(2);
    const QString imagePath = parser.positionalArguments().constFirst();

    QTemporaryDir profileFolder;
    mirelo::Profile::RedirectTo(profileFolder.path());
    ScriptedPlatform platform(parser.value(extractEudora), parser.value(output));
    mirelo::MireloApplication app(platform);
    if (!app.Start()) return 1;
    QCoreApplication::processEvents();
    if (parser.isSet(details)) app.Document().SetDetails(true);
    if (parser.isSet(extractEudora)) app.Document().Extract(mirelo::MailSource::Eudora);
    // The extraction reads on a thread of its own.
    while (app.Document().IsExtracting()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    if (!app.Window().grab().save(imagePath)) {
        std::fprintf(stderr, "mirelo_window_screenshot: cannot write %s\n", qPrintable(imagePath));
        return 1;
    }
    return 0;
}
