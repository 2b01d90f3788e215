#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "address_list_view.h"
#include "main_window.h"
#include "mirelo_application.h"
#include "mirelo_document.h"
#include "platform_services.h"
#include "support/temp_dir.h"

namespace mirelo::testing {

// Answers every dialog from lists filled by the test and writes down what was asked.
// An empty list answers as a cancelled dialog would.
class FakePlatform : public PlatformServices {
public:
    using Path = std::optional<std::string>;
    QList<Path> folderAnswers, saveAnswers, openAnswers;
    QList<std::optional<SaveChoice>> saveAsAnswers;  // Save As's dialog; when empty, the plain one's answers
    QList<SaveAnswer> saveChangesAnswers;
    QStringList ownAddressAnswers;
    bool editorOpens = true;

    std::vector<std::string> folderInitials, savePreloads, openedForEditing;
    std::vector<bool> partialSaves;       // of the plain save dialog
    std::vector<QString> statusesAtSave;  // the status line as the plain save dialog opened
    std::function<QString()> statusNow;
    std::function<void()> whileAskingToSave;  // acts while the save question is open
    std::vector<QString> messages;
    int saveChangesAsked = 0;

    Path PickFolder(const QString&, const std::string& initialFolder) override {
        folderInitials.push_back(initialFolder);
        return folderAnswers.isEmpty() ? Path() : folderAnswers.takeFirst();
    }
    Path AskSavePath(const std::string& preload, bool partial) override {
        savePreloads.push_back(preload);
        partialSaves.push_back(partial);
        if (statusNow) statusesAtSave.push_back(statusNow());
        return saveAnswers.isEmpty() ? Path() : saveAnswers.takeFirst();
    }
    std::optional<SaveChoice> AskSaveAsPath(const std::string& preload) override {
        if (saveAsAnswers.isEmpty()) return PlatformServices::AskSaveAsPath(preload);
        savePreloads.push_back(preload);
        return saveAsAnswers.takeFirst();
    }
    Path AskOpenPath() override { return openAnswers.isEmpty() ? Path() : openAnswers.takeFirst(); }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    SaveAnswer AskSaveChanges(const QString&) override {
        ++saveChangesAsked;
        if (whileAskingToSave) whileAskingToSave();
        return saveChangesAnswers.isEmpty() ? SaveAnswer::Cancel : saveChangesAnswers.takeFirst();
    }
    std::string LocalAppDataFolder() override { return {}; }
    std::optional<QString> AskOwnAddresses(const QString&) override {
        return ownAddressAnswers.isEmpty() ? std::nullopt : std::optional(ownAddressAnswers.takeFirst());
    }
    bool OpenForEditing(const std::string& path) override {
        openedForEditing.push_back(path);
        return editorOpens;
    }
};

struct RecordTexts { std::string email, name, mailbox; };

// The whole program on a profile of its own in a temporary folder, its dialogs answered
// by a FakePlatform, its window shown on the offscreen platform.
class AppHarness {
public:
    AppHarness() {
        Profile::RedirectTo(profileFolder_.path());
        Restart();
    }

    // Ends the program as closing would, then starts it again on the same profile.
    void Restart() {
        app_.reset();
        app_ = std::make_unique<MireloApplication>(platform);
        app_->Start();
        platform.statusNow = [this] { return Frame().MessageText(); };
        QApplication::setActiveWindow(&Frame());
        if (!QTest::qWaitForWindowExposed(&Frame())) qFatal("the main window was not shown");
    }

    MireloApplication& App() { return *app_; }
    MainWindow& Frame() { return app_->Window(); }
    MireloDocument& Doc() { return app_->Document(); }
    AddressListView& View() { return app_->Window().View(); }

    // A menu title or an item anywhere, by its text, in its current state.
    QAction* Item(const QString& text);
    bool Enabled(const QString& itemText) { return Item(itemText)->isEnabled(); }
    bool Checked(const QString& itemText) { return Item(itemText)->isChecked(); }
    // Chooses the item, and waits for an extraction it starts to end.
    void Choose(const QString& itemText) {
        Item(itemText)->trigger();
        if (!QTest::qWaitFor([this] { return !Doc().IsExtracting(); }, 60000)) qFatal("the extraction did not end");
    }

    // Runs the extraction item on the folder, answering the save dialog with savePath
    // (nothing: cancel).
    void Extract(const std::string& folder, FakePlatform::Path savePath,
                 const QString& item = QStringLiteral("Extract email addresses (Eudora)")) {
        platform.folderAnswers.push_back(folder);
        platform.saveAnswers.push_back(std::move(savePath));
        Choose(item);
    }

    // Appends the records and shows them as an extraction's export does.
    void ShowRecords(const std::vector<RecordTexts>& records) {
        for (const RecordTexts& texts : records) Doc().List().Append(texts.email, texts.name, texts.mailbox, kFromKind);
        Doc().RefillRows();
    }
    // user0@x.org "User 0", user1@x.org "User 1", ... all in In.mbx.
    void ShowNumberedRecords(int count) {
        std::vector<RecordTexts> records;
        for (int i = 0; i < count; ++i) records.push_back({"user" + std::to_string(i) + "@x.org", "User " + std::to_string(i), "In.mbx"});
        ShowRecords(records);
    }
    void SelectRows(const std::vector<int>& rows) {
        QItemSelectionModel* selection = View().selectionModel();
        selection->select(QItemSelection(), QItemSelectionModel::Clear);
        for (const int row : rows)
            selection->select(View().model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void DeleteRows(const std::vector<int>& rows) { SelectRows(rows); Choose(QStringLiteral("Delete selection")); }
    QList<int> SelectedRows() {
        const std::vector<int> rows = View().SelectedRows();
        return QList<int>(rows.begin(), rows.end());
    }
    QStringList ColumnTexts(int column) {
        QStringList texts;
        for (int row = 0; row < View().RowCount(); ++row) texts << View().model()->index(row, column).data().toString();
        return texts;
    }

    // A path below the temporary files.
    std::string Path(const std::string& relative) const { return (files.path() / relative).string(); }

    FakePlatform platform;
    TempDir files;

private:
    QTemporaryDir profileFolder_;
    std::unique_ptr<MireloApplication> app_;
};

// Runs action on the modal dialog once its loop is running, then closes it if the action
// did not, so that a failed check cannot leave the test waiting.
inline void OnModalDialog(std::function<void(QDialog&)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) QFAIL("no modal dialog open");
        QApplication::setActiveWindow(dialog);
        const bool active = QTest::qWaitForWindowActive(dialog);
        if (active) action(*dialog);
        if (dialog->isVisible()) dialog->reject();
        QVERIFY2(active, "the dialog takes the focus");
    });
}

// Clicks near the left end, where a check box has its box.
inline void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(1, 1) * (button->height() / 2));
}
inline void Click(QWidget& dialog, const QString& text) {
    const auto buttons = dialog.findChildren<QAbstractButton*>();
    const auto button = std::find_if(buttons.begin(), buttons.end(), [&](auto* b) { return b->text() == text; });
    QVERIFY2(button != buttons.end(), qPrintable(text));
    Click(*button);
}

// As text, so that a failed comparison shows both files.
inline QString FileText(const std::string& path) { return QString::fromStdString(ReadFileBytes(path)); }

}  // namespace mirelo::testing
