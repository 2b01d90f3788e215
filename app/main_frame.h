#pragma once

#include <QMainWindow>

class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;

namespace mirelo {

class CMireloDoc;
class CommandTable;

// The main window: menus, accelerator keys, the hidden toolbar and the status bar whose
// first pane carries the menu prompts and the commands' progress texts.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CommandTable& commands, CMireloDoc& document);

    // Builds the menu bar, the accelerators, the toolbar and the status bar.
    void OnCreate();
    void RegisterCommands(CommandTable& commands);

    void SetStatusText(const QString& text);
    QString MessageText() const;
    // Lets the window repaint and take input, then refreshes the command states.
    void OnUpdateFrameTitle();

    QToolBar* ToolBar() const { return toolBar_; }
    // Shown while an extraction runs.
    QProgressBar* ProgressBar() const { return progressBar_; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // No context menu offers the toolbar.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    void BuildMenus();
    QMenu* AddMenu(const QString& title);
    void AddItem(QMenu* menu, int commandId, const QString& text);
    void BuildAccelerators();
    void BuildToolBar();
    void BuildStatusBar();
    void ShowExtracting(bool extracting);
    void ShowPrompt(const QAction* action);
    void ShowIdleMessageOnceMenusClose();
    void RefreshLockIndicators();

    CommandTable& commands_;
    CMireloDoc& document_;
    QToolBar* toolBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    bool showingPrompt_ = false;
};

}  // namespace mirelo
