#include "mirelo_app.h"

#include <QLayout>

#include "command_ids.h"
#include "dialogs/dialog_commands.h"
#include "main_frame.h"
#include "mirelo_doc.h"
#include "mirelo_view.h"
#include "platform_services.h"

namespace mirelo {

CMireloApp::CMireloApp(PlatformServices& platform) : platform_(platform) {}

CMireloApp::~CMireloApp() {
    profile_.SaveRecentFiles(recentFiles_);
}

bool CMireloApp::InitInstance(const QStringList& documents) {
    recentFiles_ = profile_.LoadRecentFiles();

    document_ = std::make_unique<CMireloDoc>(profile_, platform_, waitCursor_);
    frame_ = std::make_unique<CMainFrame>(commands_, *document_);
    view_ = new CMireloView(*document_, frame_.get());
    frame_->setCentralWidget(view_);
    frame_->OnCreate();

    view_->RegisterCommands(commands_);
    document_->RegisterCommands(commands_);
    frame_->RegisterCommands(commands_);
    RegisterCommands();

    if (documents.isEmpty()) {
        document_->OnNewDocument();
    } else if (!OpenDocumentFile(documents.constFirst())) {
        return false;
    }
    // Lay the window out now, so the view's width is known to its initial update.
    frame_->layout()->activate();
    view_->OnInitialUpdate();
    frame_->show();
    return true;
}

void CMireloApp::RegisterCommands() {
    const auto idle = [this](CmdUI& ui) { ui.Enable(!document_->IsExtracting()); };
    commands_.SetHandler(ID_FILE_NEW, [this] { OnFileNew(); }, idle);
    commands_.SetHandler(ID_FILE_OPEN, [this] { OnFileOpen(); }, idle);
    commands_.SetHandler(ID_SELECT_HEADERS, [this] { RunHeaderTypesCommand(frame_.get(), document_->HeaderKinds()); }, idle);
    commands_.SetHandler(ID_APP_ABOUT, [this] { RunAboutCommand(frame_.get()); });
    commands_.SetHandler(ID_APP_EXIT, [this] { frame_->close(); });
}

void CMireloApp::OnFileNew() {
    if (!document_->SaveModified()) return;
    document_->OnNewDocument();
    view_->OnInitialUpdate();
}

void CMireloApp::OnFileOpen() {
    const std::optional<std::string> path = platform_.AskOpenPath();
    if (!path) return;
    if (OpenDocumentFile(QString::fromStdString(*path))) view_->OnInitialUpdate();
}

bool CMireloApp::OpenDocumentFile(const QString& path) {
    if (!document_->SaveModified() || !document_->OnOpenDocument(path)) return false;
    AddToRecentFileList(document_->PathName());
    return true;
}

void CMireloApp::AddToRecentFileList(const QString& path) {
    recentFiles_.removeAll(path);
    recentFiles_.prepend(path);
    while (recentFiles_.size() > Profile::kRecentFileCount) recentFiles_.removeLast();
}

}  // namespace mirelo
