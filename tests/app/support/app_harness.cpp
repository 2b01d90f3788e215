#include "support/app_harness.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "command_ids.h"

namespace mirelo::testing {

AppHarness::AppHarness() {
    Profile::RedirectTo(profileFolder_.path());
    Start();
}

AppHarness::~AppHarness() = default;

void AppHarness::Start() {
    app_ = std::make_unique<CMireloApp>(platform);
    app_->InitInstance();
    QApplication::setActiveWindow(&Frame());
    if (!QTest::qWaitForWindowExposed(&Frame())) qFatal("the main window was not shown");
}

void AppHarness::Restart() {
    app_.reset();
    Start();
}

// Opens and closes every menu first, so each item shows its current state.
QAction* AppHarness::Item(const QString& text) {
    QAction* found = nullptr;
    for (QAction* top : Frame().menuBar()->actions()) {
        if (top->text() == text) found = top;
        if (!top->menu()) continue;
        emit top->menu()->aboutToShow();
        emit top->menu()->aboutToHide();
        for (QAction* item : top->menu()->actions()) {
            if (item->text() == text) found = item;
        }
    }
    return found;
}

void AppHarness::ExtractEudora(const std::string& folder, std::optional<std::string> savePath) {
    platform.folderAnswers.push_back(folder);
    platform.saveAnswers.push_back(std::move(savePath));
    Choose(QStringLiteral("Extract email addresses (Eudora)"));
}

void AppHarness::ShowRecords(const std::vector<RecordTexts>& records) {
    for (const RecordTexts& record : records) Doc().List().Append(record.email, record.name, record.mailbox, kFromKind);
    Doc().RefillRows(Doc().List());
}

void AppHarness::SelectRows(const std::vector<int>& rows) {
    QItemSelectionModel* selection = View().selectionModel();
    selection->clearSelection();
    for (const int row : rows) {
        selection->select(View().model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

}  // namespace mirelo::testing
