#include "mirelo_application.h"

#include <QLayout>

#include "address_list_view.h"
#include "main_window.h"
#include "mirelo_document.h"
#include "platform_services.h"
#include "window_layout.h"

namespace mirelo {

MireloApplication::MireloApplication(PlatformServices& platform) : platform_(platform) {}

MireloApplication::~MireloApplication() {
    if (window_) SaveWindowLayout(profile_, *window_);
    profile_.SaveRecentFiles(recentFiles_);
}

bool MireloApplication::Start(const QStringList& documents) {
    recentFiles_ = profile_.LoadRecentFiles();

    document_ = std::make_unique<MireloDocument>(profile_, platform_, waitCursor_);
    window_ = std::make_unique<MainWindow>(*document_);
    connect(window_.get(), &MainWindow::newRequested, this, &MireloApplication::NewDocument);
    connect(window_.get(), &MainWindow::openRequested, this, &MireloApplication::OpenDocument);

    if (documents.isEmpty()) {
        document_->OnNewDocument();
    } else if (!OpenDocumentFile(documents.constFirst())) {
        return false;
    }
    // Lay the window out now, so the view's width is known to its initial update.
    RestoreWindowPlace(profile_, *window_);
    window_->layout()->activate();
    window_->View().OnInitialUpdate();
    RestoreColumnWidths(profile_, *window_);
    window_->show();
    return true;
}

void MireloApplication::NewDocument() {
    if (!document_->SaveModified()) return;
    document_->OnNewDocument();
    window_->View().OnInitialUpdate();
}

void MireloApplication::OpenDocument() {
    const std::optional<std::string> path = platform_.AskOpenPath();
    if (!path) return;
    if (OpenDocumentFile(QString::fromStdString(*path))) window_->View().OnInitialUpdate();
}

bool MireloApplication::OpenDocumentFile(const QString& path) {
    if (!document_->SaveModified() || !document_->OnOpenDocument(path)) return false;
    AddToRecentFileList(document_->PathName());
    return true;
}

void MireloApplication::AddToRecentFileList(const QString& path) {
    recentFiles_.removeAll(path);
    recentFiles_.prepend(path);
    while (recentFiles_.size() > Profile::kRecentFileCount) recentFiles_.removeLast();
}

}  // namespace mirelo
