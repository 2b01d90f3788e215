#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app_strings.h"
#include "background_extraction.h"
#include "command_ids.h"
#include "command_table.h"
#include "lock_keys.h"
#include "mirelo_doc.h"
#include "resources/application_icon.h"

namespace mirelo {

CMainFrame::CMainFrame(CommandTable& commands, CMireloDoc& document)
    : commands_(commands), document_(document) {
    connect(&document_, &CMireloDoc::titleChanged, this, &CMainFrame::OnUpdateFrameTitle);
    connect(&document_, &CMireloDoc::statusChanged, this, &CMainFrame::SetStatusText);
    connect(&document_, &CMireloDoc::closeDue, this, &CMainFrame::close);
    connect(&document_, &CMireloDoc::extractingChanged, this, &CMainFrame::ShowExtracting);
    setWindowIcon(ApplicationIcon());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        resize(screen->availableSize() * 2 / 3);
    }
}

void CMainFrame::OnCreate() {
    BuildMenus();
    BuildAccelerators();
    BuildToolBar();
    BuildStatusBar();
    OnUpdateFrameTitle();
}

QMenu* CMainFrame::AddMenu(const QString& title) {
    QMenu* menu = menuBar()->addMenu(title);
    connect(menu, &QMenu::aboutToShow, &commands_, &CommandTable::UpdateStates);
    connect(menu, &QMenu::hovered, this, &CMainFrame::ShowPrompt);
    connect(menu, &QMenu::aboutToHide, this, &CMainFrame::ShowIdleMessageOnceMenusClose);
    return menu;
}

void CMainFrame::AddItem(QMenu* menu, int commandId, const QString& text) {
    QAction* action = commands_.Action(commandId);
    action->setText(text);
    menu->addAction(action);
}

void CMainFrame::BuildMenus() {
    QMenu* file = AddMenu(QStringLiteral("&File"));
    AddItem(file, ID_EXTRACT_EUDORA, QStringLiteral("Extract email addresses (Eudora)"));
    AddItem(file, ID_EXTRACT_OUTLOOK, QStringLiteral("Extract email addresses (Outlook)"));
    AddItem(file, ID_EXTRACT_ALL_MAIL, QStringLiteral("Extract email addresses (all mail under a folder)\u2026"));
    AddItem(file, ID_FILE_SAVE, QStringLiteral("Save..."));
    AddItem(file, ID_FILE_SAVE_AS, QStringLiteral("Save As..."));
    file->addSeparator();
    AddItem(file, ID_APP_EXIT, QStringLiteral("E&xit"));

    QMenu* edit = AddMenu(QStringLiteral("Edit"));
    AddItem(edit, ID_DELETE_SELECTION, QStringLiteral("Delete selection"));
    AddItem(edit, ID_EDIT_FIND, QStringLiteral("Find..."));
    AddItem(edit, ID_DELETE_AUTOMATED_AND_OWN, QStringLiteral("Delete automated and own addresses"));
    AddItem(edit, ID_EDIT_OWN_ADDRESSES, QStringLiteral("My addresses..."));

    QMenu* view = AddMenu(QStringLiteral("&View"));
    AddItem(view, ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"));
    AddItem(view, ID_VIEW_DETAILS, QStringLiteral("Details"));

    QAction* headers = commands_.Action(ID_SELECT_HEADERS);
    headers->setText(QStringLiteral("Select &header types"));
    menuBar()->addAction(headers);

    QMenu* sort = AddMenu(QStringLiteral("&Sort by"));
    AddItem(sort, ID_SORT_EMAIL, QStringLiteral("Email address"));
    AddItem(sort, ID_SORT_NAME, QStringLiteral("Name"));
    AddItem(sort, ID_SORT_MAILBOX, QStringLiteral("Mailbox"));

    QMenu* help = AddMenu(QStringLiteral("&Help"));
    AddItem(help, ID_APP_ABOUT, QStringLiteral("&About Mirelo..."));

    connect(menuBar(), &QMenuBar::hovered, this, &CMainFrame::ShowPrompt);
    menuBar()->installEventFilter(this);
}

void CMainFrame::BuildAccelerators() {
    const struct {
        QKeySequence keys;
        int commandId;
    } accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
    };
    for (const auto& accelerator : accelerators) {
        commands_.AddAccelerator(this, accelerator.keys, accelerator.commandId);
    }

    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(stop, &QShortcut::activated, this, [this] { document_.RequestStop(); });
}

void CMainFrame::BuildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    const auto button = [this](int commandId, const QString& text) {
        QAction* action = commands_.Action(commandId);
        if (action->text().isEmpty()) action->setText(text);
        toolBar_->addAction(action);
    };
    button(ID_FILE_NEW, QStringLiteral("New"));
    button(ID_FILE_OPEN, QStringLiteral("Open"));
    button(ID_FILE_SAVE, QStringLiteral("Save"));
    toolBar_->addSeparator();
    button(ID_EDIT_CUT, QStringLiteral("Cut"));
    button(ID_EDIT_COPY, QStringLiteral("Copy"));
    button(ID_EDIT_PASTE, QStringLiteral("Paste"));
    toolBar_->addSeparator();
    button(ID_FILE_PRINT, QStringLiteral("Print"));
    toolBar_->addSeparator();
    button(ID_APP_ABOUT, QStringLiteral("About"));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->hide();
}

void CMainFrame::BuildStatusBar() {
    const auto indicator = [this](const char* text) {
        auto* pane = new QLabel(this);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QLatin1String(text)) + 8);
        statusBar()->addPermanentWidget(pane);
        return pane;
    };
    messagePane_ = new QLabel(QString::fromLatin1(kIdleMessage), this);
    statusBar()->addWidget(messagePane_, 1);
    progressBar_ = new QProgressBar(this);
    progressBar_->setRange(0, kProgressSteps);
    progressBar_->setTextVisible(false);
    statusBar()->addPermanentWidget(progressBar_);
    progressBar_->hide();
    connect(&document_, &CMireloDoc::progressChanged, progressBar_, &QProgressBar::setValue);
    capsPane_ = indicator("CAP");
    numPane_ = indicator("NUM");
    scrollPane_ = indicator("SCRL");
    statusBar()->show();

    if (ReadLockKeys()) {
        // The lock keys toggle outside the window too, so look again now and then.
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &CMainFrame::RefreshLockIndicators);
        poll->start(250);
        RefreshLockIndicators();
    }
}

void CMainFrame::RegisterCommands(CommandTable& commands) {
    commands.SetHandler(
        ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        [this](CmdUI& ui) { ui.SetCheck(statusBar()->isVisible()); });
}

void CMainFrame::SetStatusText(const QString& text) {
    showingPrompt_ = false;
    messagePane_->setText(text);
}

QString CMainFrame::MessageText() const {
    return messagePane_->text();
}

void CMainFrame::ShowExtracting(bool extracting) {
    progressBar_->setValue(0);
    progressBar_->setVisible(extracting);
}

void CMainFrame::OnUpdateFrameTitle() {
    setWindowTitle(QStringLiteral("%1 - %2").arg(document_.Title(), QLatin1String(kAppTitle)));
}

void CMainFrame::ShowPrompt(const QAction* action) {
    // A drop-down menu's own title carries no command and so no prompt.
    const QVariant commandId = action->data();
    messagePane_->setText(commandId.isValid() ? StatusPrompt(commandId.toInt()) : QString());
    showingPrompt_ = true;
}

void CMainFrame::ShowIdleMessageOnceMenusClose() {
    // Moving from one menu to the next closes one and opens the other: wait for that.
    QTimer::singleShot(0, this, [this] {
        if (showingPrompt_ && !QApplication::activePopupWidget()) {
            messagePane_->setText(QString::fromLatin1(kIdleMessage));
            showingPrompt_ = false;
        }
    });
}

bool CMainFrame::event(QEvent* event) {
    // The message pane shows the prompts itself; the bar's own tip display would hide it.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar() && event->type() == QEvent::Leave) ShowIdleMessageOnceMenusClose();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (document_.CanCloseFrame()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::RefreshLockIndicators() {
    const std::optional<LockKeys> keys = ReadLockKeys();
    if (!keys) return;
    capsPane_->setText(keys->caps ? QStringLiteral("CAP") : QString());
    numPane_->setText(keys->num ? QStringLiteral("NUM") : QString());
    scrollPane_->setText(keys->scroll ? QStringLiteral("SCRL") : QString());
}

}  // namespace mirelo
