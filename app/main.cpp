#include <QApplication>
#include <QCommandLineParser>

#include "mirelo_application.h"
#include "qt_platform_services.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("document"), QStringLiteral("A document to open."),
                                 QStringLiteral("[document]"));
    parser.process(application);

    mirelo::QtPlatformServices platform;
    mirelo::MireloApplication app(platform);
    if (!app.Start(parser.positionalArguments())) return 1;
    return application.exec();
}
