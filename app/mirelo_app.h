#pragma once

#include <QStringList>

#include <memory>

#include "command_table.h"
#include "profile.h"
#include "wait_cursor.h"

namespace mirelo {

class CMainFrame;
class CMireloDoc;
class CMireloView;
class PlatformServices;

// The application: start-up, the standard document commands New and Open, About and
// Exit, and the recent-file list that is written back when the program ends.
class CMireloApp {
public:
    explicit CMireloApp(PlatformServices& platform);
    ~CMireloApp();
    CMireloApp(const CMireloApp&) = delete;
    CMireloApp& operator=(const CMireloApp&) = delete;

    // Makes the document, the main window and its view and shows the window. A document
    // named on the command line is opened as Open would; false when it cannot be.
    bool InitInstance(const QStringList& documents = {});

    CMainFrame& MainFrame() const { return *frame_; }
    CMireloDoc& Document() const { return *document_; }
    CMireloView& View() const { return *view_; }
    CommandTable& Commands() { return commands_; }
    const QStringList& RecentFiles() const { return recentFiles_; }

    void OnFileNew();
    void OnFileOpen();
    bool OpenDocumentFile(const QString& path);

private:
    void RegisterCommands();
    void AddToRecentFileList(const QString& path);

    PlatformServices& platform_;
    Profile profile_;
    WaitCursor waitCursor_;
    QStringList recentFiles_;
    CommandTable commands_;
    std::unique_ptr<CMireloDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    CMireloView* view_ = nullptr;
};

}  // namespace mirelo
