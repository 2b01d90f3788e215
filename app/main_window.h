#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace mirelo {

class AddressListView;
class MireloDocument;

// The main window: the menus and keys, the address list, and the status bar whose first
// pane carries the menu prompts and the commands' progress texts. It owns the commands
// and keeps each one's enabled state and check mark in step with the document.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MireloDocument& document);

    AddressListView& View() const { return *view_; }
    void SetStatusText(const QString& text);
    QString MessageText() const;
    // Shown while an extraction runs.
    QProgressBar* ProgressBar() const { return progressBar_; }
    // Shown after an extraction that skipped stores; opens the list of them and why.
    QPushButton* ProblemsButton() const { return problemsButton_; }

signals:
    // New and Open, which the application carries out: they touch its recent-file list.
    void newRequested();
    void openRequested();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A folder dropped on the window is read as all mail under it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // No context menu offers to hide the menu bar.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    void BuildMenus();
    QMenu* AddMenu(const QString& title);
    QAction* AddItem(QMenu* menu, const QString& text, const QString& prompt = {});
    void BuildKeys();
    void BuildStatusBar();
    void FollowDocument();
    void UpdateCommandStates();
    void ShowTitle();
    void ShowExtracting(bool extracting);
    void ShowPrompt(const QAction* action);
    void ShowMessageText(const QString& text);
    void ShowIdleMessageOnceMenusClose();
    void RefreshLockIndicators();
    void ChooseHeaderTypes();
    void Find();
    void EditOwnAddresses();
    void ShowProblemCount();
    void ShowProblems();
    void ShowRecentFolders();

    MireloDocument& document_;
    AddressListView* view_;

    QAction* extractEudora_ = nullptr;
    QAction* extractOutlook_ = nullptr;
    QAction* extractAllMail_ = nullptr;
    QAction* save_ = nullptr;
    QAction* saveAs_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* deleteSelection_ = nullptr;
    QAction* find_ = nullptr;
    QAction* deleteAutomatedAndOwn_ = nullptr;
    QAction* ownAddresses_ = nullptr;
    QAction* details_ = nullptr;
    QAction* selectHeaderTypes_ = nullptr;
    QAction* sortByEmail_ = nullptr;
    QAction* sortByName_ = nullptr;
    QAction* sortByMailbox_ = nullptr;
    QAction* newDocument_ = nullptr;
    QAction* openDocument_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentFoldersEnd_ = nullptr;  // the separator after them
    QList<QAction*> recentFolders_;

    QLabel* messagePane_ = nullptr;
    QString messageText_;  // whole, however the pane shows it
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* problemsButton_ = nullptr;
    bool showingPrompt_ = false;
};

}  // namespace mirelo
