#pragma once

#include <QAction>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "command_table.h"
#include "main_frame.h"
#include "mirelo_app.h"
#include "mirelo_doc.h"
#include "mirelo_view.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace mirelo::testing {

struct RecordTexts {
    std::string email;
    std::string name;
    std::string mailbox;
};

// The whole program on a profile of its own in a temporary folder, its dialogs answered
// by a FakePlatform, its window shown on the offscreen platform.
class AppHarness {
public:
    AppHarness();
    ~AppHarness();

    // Ends the program as closing would, then starts it again on the same profile.
    void Restart();

    CMireloApp& App() { return *app_; }
    CMainFrame& Frame() { return app_->MainFrame(); }
    CMireloDoc& Doc() { return app_->Document(); }
    CMireloView& View() { return app_->View(); }
    CommandTable& Commands() { return app_->Commands(); }

    // A menu title or an item anywhere, by its text, in its current state.
    QAction* Item(const QString& text);
    bool Enabled(const QString& itemText) { return Item(itemText)->isEnabled(); }
    bool Checked(const QString& itemText) { return Item(itemText)->isChecked(); }
    // Chooses the item as a user would, after its menu has opened.
    void Choose(const QString& itemText) { Item(itemText)->trigger(); }

    // Runs an Eudora extraction of the folder, answering the save dialog with savePath
    // (nothing: cancel).
    void ExtractEudora(const std::string& folder, std::optional<std::string> savePath);

    // Appends the records and shows them as an extraction's export does.
    void ShowRecords(const std::vector<RecordTexts>& records);
    void SelectRows(const std::vector<int>& rows);

    // A path below the temporary files.
    std::string Path(const std::string& relative) const { return (files.path() / relative).string(); }

    FakePlatform platform;
    TempDir files;

private:
    void Start();

    QTemporaryDir profileFolder_;
    std::unique_ptr<CMireloApp> app_;
};

}  // namespace mirelo::testing
