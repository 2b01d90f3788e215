#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

#include "profile.h"
#include "wait_cursor.h"

namespace mirelo {

class MainWindow;
class MireloDocument;
class PlatformServices;

// The application: start-up, the standard document commands New and Open, and the
// recent-file list that is written back when the program ends.
class MireloApplication : public QObject {
    Q_OBJECT
public:
    explicit MireloApplication(PlatformServices& platform);
    ~MireloApplication() override;

    // Makes the document and the main window and shows the window. A document named on
    // the command line is opened as Open would; false when it cannot be.
    bool Start(const QStringList& documents = {});

    MainWindow& Window() const { return *window_; }
    MireloDocument& Document() const { return *document_; }
    const QStringList& RecentFiles() const { return recentFiles_; }

private:
    void NewDocument();
    void OpenDocument();
    bool OpenDocumentFile(const QString& path);
    void AddToRecentFileList(const QString& path);

    PlatformServices& platform_;
    Profile profile_;
    WaitCursor waitCursor_;
    QStringList recentFiles_;
    std::unique_ptr<MireloDocument> document_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace mirelo
