#include "support/app_harness.h"

#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace mirelo::testing {

void AppHarness::Restart() {
    app_.reset();
    app_ = std::make_unique<CMireloApp>(platform);
    app_->InitInstance();
    QApplication::setActiveWindow(&Frame());
    if (!QTest::qWaitForWindowExposed(&Frame())) qFatal("the main window was not shown");
}

// Opens and closes every menu first, so each item shows its current state.
QAction* AppHarness::Item(const QString& text) {
    QAction* found = nullptr;
    for (QAction* top : Frame().menuBar()->actions()) {
        if (top->text() == text) found = top;
        if (!top->menu()) continue;
        emit top->menu()->aboutToShow();
        emit top->menu()->aboutToHide();
        for (QAction* item : top->menu()->actions()) found = item->text() == text ? item : found;
    }
    if (!found) qFatal("no menu item %s", qPrintable(text));
    return found;
}

void AppHarness::Choose(const QString& itemText) {
    Item(itemText)->trigger();
    if (!QTest::qWaitFor([this] { return !Doc().IsExtracting(); }, 60000)) qFatal("the extraction did not end");
}

void AppHarness::Extract(const std::string& folder, FakePlatform::Path savePath, const QString& item) {
    platform.folderAnswers.push_back(folder);
    platform.saveAnswers.push_back(std::move(savePath));
    Choose(item);
}

std::string AppHarness::WriteMailboxes(std::initializer_list<const char*> names, std::size_t addresses) {
    for (const std::string name : names) {
        std::string mailbox;
        for (std::size_t i = 0; i < addresses; ++i) mailbox += "From: " + name + std::string(i, 'x') + "@x.org\r\n\r\n";
        files.Write("Mail/" + name + ".mbx", mailbox);
    }
    return Path("Mail");
}

void AppHarness::ShowRecords(const std::vector<RecordTexts>& records) {
    for (const RecordTexts& texts : records) Doc().List().Append(texts.email, texts.name, texts.mailbox, kFromKind);
    Doc().RefillRows(Doc().List());
}

void AppHarness::ShowNumberedRecords(int count) {
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        Doc().List().Append("user" + n + "@x.org", "User " + n, "In.mbx", kFromKind);
    }
    Doc().RefillRows(Doc().List());
}

void AppHarness::SelectRows(const std::vector<int>& rows) {
    QItemSelectionModel* selection = View().selectionModel();
    selection->clearSelection();
    for (const int row : rows) {
        selection->select(View().model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QList<int> AppHarness::SelectedRows() {
    QList<int> rows;
    for (const QModelIndex& index : View().selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QStringList AppHarness::ColumnTexts(int column) {
    QStringList texts;
    for (int row = 0; row < View().RowCount(); ++row) texts << View().model()->index(row, column).data().toString();
    return texts;
}

}  // namespace mirelo::testing
