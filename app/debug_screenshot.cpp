#include "debug_screenshot.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

#include "command_ids.h"
#include "main_frame.h"
#include "mirelo_app.h"
#include "mirelo_doc.h"
#include "profile.h"
#include "qt_platform_services.h"

namespace mirelo {

namespace {

// Answers the folder browser and the save dialog from the request; opens no editor.
class ScriptedPlatform : public QtPlatformServices {
public:
    explicit ScriptedPlatform(const ScreenshotRequest& request) : request_(request) {}

    std::optional<std::string> PickFolder(const QString&, const std::string&) override {
        return request_.eudoraFolder.toStdString();
    }
    std::optional<std::string> AskSavePath(const std::string&) override {
        return request_.csvPath.toStdString();
    }
    bool OpenForEditing(const std::string&) override { return true; }

private:
    const ScreenshotRequest& request_;
};

}  // namespace

int TakeScreenshot(const ScreenshotRequest& request) {
    QTemporaryDir profileFolder;
    Profile::RedirectTo(profileFolder.path());

    ScriptedPlatform platform(request);
    CMireloApp app(platform);
    if (!app.InitInstance()) return 1;
    QCoreApplication::processEvents();
    if (request.details) app.Commands().Execute(ID_VIEW_DETAILS);
    if (!request.eudoraFolder.isEmpty()) app.Commands().Execute(ID_EXTRACT_EUDORA);
    // The extraction reads on a thread of its own.
    do {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    } while (app.Document().IsExtracting());

    if (!app.MainFrame().grab().save(request.imagePath)) {
        std::fprintf(stderr, "mirelo: cannot write %s\n", qPrintable(request.imagePath));
        return 1;
    }
    return 0;
}

}  // namespace mirelo
