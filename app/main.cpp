#include <QApplication>
#include <QCommandLineParser>

#include "debug_screenshot.h"
#include "mirelo_app.h"
#include "qt_platform_services.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("document"), QStringLiteral("A document to open."),
                                 QStringLiteral("[document]"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window to FILE and exit."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption extractEudora(QStringLiteral("extract-eudora"),
                                           QStringLiteral("With --screenshot: extract FOLDER first."),
                                           QStringLiteral("FOLDER"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("With --extract-eudora: the CSV file to write."),
                                    QStringLiteral("CSV"));
    const QCommandLineOption details(QStringLiteral("details"),
                                     QStringLiteral("With --screenshot: show the details columns."));
    parser.addOptions({screenshot, extractEudora, output, details});
    parser.process(application);

    if (parser.isSet(screenshot)) {
        return mirelo::TakeScreenshot({parser.value(screenshot), parser.value(extractEudora), parser.value(output),
                                       parser.isSet(details)});
    }

    mirelo::QtPlatformServices platform;
    mirelo::CMireloApp app(platform);
    if (!app.InitInstance(parser.positionalArguments())) return 1;
    return application.exec();
}
