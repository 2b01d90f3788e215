#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "address_columns.h"
#include "address_list_view.h"
#include "app_strings.h"
#include "background_extraction.h"
#include "dialogs/dialog_commands.h"
#include "lock_keys.h"
#include "mirelo_document.h"
#include "resources/application_icon.h"

namespace mirelo {

MainWindow::MainWindow(MireloDocument& document) : document_(document), view_(new AddressListView(document, this)) {
    setCentralWidget(view_);
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        resize(screen->availableSize() * 2 / 3);
    }
    BuildMenus();
    BuildKeys();
    BuildStatusBar();
    FollowDocument();
    ShowTitle();
    UpdateCommandStates();
}

QMenu* MainWindow::AddMenu(const QString& title) {
    QMenu* menu = menuBar()->addMenu(title);
    connect(menu, &QMenu::hovered, this, &MainWindow::ShowPrompt);
    connect(menu, &QMenu::aboutToHide, this, &MainWindow::ShowIdleMessageOnceMenusClose);
    return menu;
}

QAction* MainWindow::AddItem(QMenu* menu, const QString& text, const QString& prompt) {
    QAction* action = menu->addAction(text);
    action->setStatusTip(prompt);
    return action;
}

void MainWindow::BuildMenus() {
    QMenu* file = AddMenu(QStringLiteral("&File"));
    extractEudora_ = AddItem(file, QStringLiteral("Extract email addresses (Eudora)"));
    connect(extractEudora_, &QAction::triggered, &document_, [this] { document_.Extract(MailSource::Eudora); });
    extractOutlook_ = AddItem(file, QStringLiteral("Extract email addresses (Outlook)"));
    connect(extractOutlook_, &QAction::triggered, &document_, [this] { document_.Extract(MailSource::Outlook); });
    extractAllMail_ = AddItem(file, QStringLiteral("Extract email addresses (all mail under a folder)\u2026"));
    connect(extractAllMail_, &QAction::triggered, &document_, [this] { document_.Extract(MailSource::AllMail); });
    save_ = AddItem(file, QStringLiteral("Save..."), QStringLiteral("Save the active document"));
    connect(save_, &QAction::triggered, &document_, &MireloDocument::Save);
    saveAs_ = AddItem(file, QStringLiteral("Save As..."), QStringLiteral("Save the active document with a new name"));
    connect(saveAs_, &QAction::triggered, &document_, &MireloDocument::SaveAs);
    file->addSeparator();
    fileMenu_ = file;
    recentFoldersEnd_ = file->addSeparator();
    ShowRecentFolders();
    QAction* exit = AddItem(file, QStringLiteral("E&xit"), QStringLiteral("Quit the application; prompts to save documents"));
    connect(exit, &QAction::triggered, this, &MainWindow::close);

    QMenu* edit = AddMenu(QStringLiteral("&Edit"));
    undo_ = AddItem(edit, QStringLiteral("Undo"), QStringLiteral("Bring back the rows of the last deletion"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undo_, &QAction::triggered, view_, &AddressListView::UndoDeletion);
    edit->addSeparator();
    deleteSelection_ = AddItem(edit, QStringLiteral("Delete selection"));
    connect(deleteSelection_, &QAction::triggered, view_, &AddressListView::DeleteSelection);
    find_ = AddItem(edit, QStringLiteral("Find..."), QStringLiteral("Find the specified text"));
    connect(find_, &QAction::triggered, this, &MainWindow::Find);
    deleteAutomatedAndOwn_ = AddItem(edit, QStringLiteral("Delete automated and own addresses"),
                                     QStringLiteral("Delete the rows of automated senders and of your own addresses"));
    connect(deleteAutomatedAndOwn_, &QAction::triggered, view_, &AddressListView::DeleteAutomatedAndOwn);
    ownAddresses_ = AddItem(edit, QStringLiteral("My addresses..."), QStringLiteral("Edit the list of your own addresses"));
    connect(ownAddresses_, &QAction::triggered, this, &MainWindow::EditOwnAddresses);

    QMenu* view = AddMenu(QStringLiteral("&View"));
    QAction* statusBarShown = AddItem(view, QStringLiteral("&Status Bar"), QStringLiteral("Show or hide the status bar"));
    statusBarShown->setCheckable(true);
    statusBarShown->setChecked(true);
    connect(statusBarShown, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
    details_ = AddItem(view, QStringLiteral("Details"),
                       QStringLiteral("Show or hide the count, category and last day seen of each address"));
    details_->setCheckable(true);
    connect(details_, &QAction::triggered, &document_, &MireloDocument::SetDetails);

    selectHeaderTypes_ = menuBar()->addAction(QStringLiteral("Select header &types"));
    selectHeaderTypes_->setStatusTip(QStringLiteral("Select which parts of the message headers to be scanned"));
    connect(selectHeaderTypes_, &QAction::triggered, this, &MainWindow::ChooseHeaderTypes);

    QMenu* sort = AddMenu(QStringLiteral("&Sort by"));
    const auto sortItem = [&](const QString& text, int column) {
        QAction* item = AddItem(sort, text);
        item->setCheckable(true);
        connect(item, &QAction::triggered, view_, [this, column] { view_->SortRows(column); });
        return item;
    };
    sortByEmail_ = sortItem(QStringLiteral("Email address"), kEmailColumn);
    sortByName_ = sortItem(QStringLiteral("Name"), kNameColumn);
    sortByMailbox_ = sortItem(QStringLiteral("Mailbox"), kMailboxColumn);

    QMenu* help = AddMenu(QStringLiteral("&Help"));
    QAction* about = AddItem(help, QStringLiteral("&About Mirelo..."),
                             QStringLiteral("Display program information, version number and copyright"));
    connect(about, &QAction::triggered, this, [this] { RunAboutCommand(this); });

    connect(menuBar(), &QMenuBar::hovered, this, &MainWindow::ShowPrompt);
    menuBar()->installEventFilter(this);
}

// The keys are taken here before the list sees them, whether or not their command can
// run; those without a command do nothing.
void MainWindow::BuildKeys() {
    newDocument_ = new QAction(this);
    connect(newDocument_, &QAction::triggered, this, &MainWindow::newRequested);
    openDocument_ = new QAction(this);
    connect(openDocument_, &QAction::triggered, this, &MainWindow::openRequested);
    const struct {
        QKeyCombination keys;
        QAction* command;
    } keys[] = {
        {Qt::CTRL | Qt::Key_N, newDocument_},
        {Qt::CTRL | Qt::Key_O, openDocument_},
        {Qt::CTRL | Qt::Key_S, save_},
        {Qt::CTRL | Qt::Key_F, find_},
        {Qt::CTRL | Qt::Key_P, nullptr},
        {Qt::CTRL | Qt::Key_X, nullptr},
        {Qt::CTRL | Qt::Key_C, nullptr},
        {Qt::CTRL | Qt::Key_V, nullptr},
        {Qt::ALT | Qt::Key_Backspace, nullptr},
        {Qt::SHIFT | Qt::Key_Delete, nullptr},
        {Qt::CTRL | Qt::Key_Insert, nullptr},
        {Qt::SHIFT | Qt::Key_Insert, nullptr},
        {QKeyCombination(Qt::Key_F6), nullptr},
        {Qt::SHIFT | Qt::Key_F6, nullptr},
    };
    for (const auto& key : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key.keys), this);
        // A disabled action ignores the trigger.
        if (key.command) connect(shortcut, &QShortcut::activated, key.command, &QAction::trigger);
    }

    // F10 goes to the menu bar, as it does in Windows.
    auto* menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menus, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(menuBar()->actions().constFirst()); });

    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(stop, &QShortcut::activated, &document_, &MireloDocument::RequestStop);
}

void MainWindow::BuildStatusBar() {
    const auto indicator = [this](const char* text) {
        auto* pane = new QLabel(this);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QLatin1String(text)) + 8);
        statusBar()->addPermanentWidget(pane);
        return pane;
    };
    messagePane_ = new QLabel(this);
    // It takes the room the other panes leave, however long its text.
    messagePane_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    messagePane_->installEventFilter(this);
    statusBar()->addWidget(messagePane_, 1);
    ShowMessageText(QString::fromLatin1(kIdleMessage));
    problemsButton_ = new QPushButton(this);
    problemsButton_->setFlat(true);
    statusBar()->addPermanentWidget(problemsButton_);
    problemsButton_->hide();
    connect(problemsButton_, &QPushButton::clicked, this, &MainWindow::ShowProblems);
    progressBar_ = new QProgressBar(this);
    progressBar_->setRange(0, kProgressSteps);
    progressBar_->setTextVisible(false);
    statusBar()->addPermanentWidget(progressBar_);
    progressBar_->hide();
    capsPane_ = indicator("CAP");
    numPane_ = indicator("NUM");
    scrollPane_ = indicator("SCRL");
    statusBar()->show();

    if (ReadLockKeys()) {
        // The lock keys toggle outside the window too, so look again now and then.
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &MainWindow::RefreshLockIndicators);
        poll->start(250);
        RefreshLockIndicators();
    }
}

void MainWindow::FollowDocument() {
    connect(&document_, &MireloDocument::titleChanged, this, &MainWindow::ShowTitle);
    connect(&document_, &MireloDocument::statusChanged, this, &MainWindow::SetStatusText);
    connect(&document_, &MireloDocument::closeDue, this, &MainWindow::close);
    connect(&document_, &MireloDocument::extractingChanged, this, &MainWindow::ShowExtracting);
    connect(&document_, &MireloDocument::progressChanged, progressBar_, &QProgressBar::setValue);
    connect(&document_, &MireloDocument::problemsChanged, this, &MainWindow::ShowProblemCount);
    connect(&document_, &MireloDocument::recentFoldersChanged, this, &MainWindow::ShowRecentFolders);

    connect(&document_, &MireloDocument::rowsCleared, this, &MainWindow::UpdateCommandStates);
    connect(&document_, &MireloDocument::rowsRefilled, this, &MainWindow::UpdateCommandStates);
    connect(&document_, &MireloDocument::modifiedChanged, this, &MainWindow::UpdateCommandStates);
    connect(&document_, &MireloDocument::sortColumnChanged, this, &MainWindow::UpdateCommandStates);
    connect(&document_, &MireloDocument::detailsChanged, this, &MainWindow::UpdateCommandStates);
    // A reset of the rows clears the selection without a word.
    connect(view_->model(), &QAbstractItemModel::modelReset, this, &MainWindow::UpdateCommandStates);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::UpdateCommandStates);
}

void MainWindow::UpdateCommandStates() {
    const bool idle = !document_.IsExtracting();
    for (QAction* command : {extractEudora_, extractOutlook_, extractAllMail_, ownAddresses_, details_,
                             selectHeaderTypes_, newDocument_, openDocument_})
        command->setEnabled(idle);
    for (QAction* command : recentFolders_) command->setEnabled(idle);
    const bool rows = view_->CanChangeRows();
    for (QAction* command : {saveAs_, find_, deleteAutomatedAndOwn_, sortByEmail_, sortByName_, sortByMailbox_})
        command->setEnabled(rows);
    save_->setEnabled(rows && document_.IsModified());
    deleteSelection_->setEnabled(rows && view_->HasSelectedRow());
    undo_->setEnabled(rows && view_->CanUndoDeletion());

    details_->setChecked(document_.DetailsShown());
    sortByEmail_->setChecked(document_.SortColumn() == kEmailColumn);
    sortByName_->setChecked(document_.SortColumn() == kNameColumn);
    sortByMailbox_->setChecked(document_.SortColumn() == kMailboxColumn);
}

void MainWindow::ChooseHeaderTypes() {
    ReadingChoices choices = document_.Readings();
    if (RunHeaderTypesCommand(this, choices)) document_.SetReadings(choices);
}

void MainWindow::Find() {
    const std::optional<int> selected = RunFindCommand(this, *view_);
    if (!selected) return;
    SetStatusText(*selected == 0   ? QStringLiteral("No row contains the text")
                  : *selected == 1 ? QStringLiteral("1 row found and selected")
                                   : QStringLiteral("%1 rows found and selected").arg(*selected));
}

void MainWindow::EditOwnAddresses() {
    if (!document_.EditOwnAddresses() || !document_.HasRecords()) return;
    const AddressClassifier classifier = document_.Classifier();
    int own = 0;
    for (int row = 0; row < view_->RowCount(); ++row)
        own += classifier.Classify(view_->RowTexts().Email(*view_->RowRecord(row))) == AddressCategory::Own;
    SetStatusText(own == 1 ? QStringLiteral("1 row is now \"own\"") : QStringLiteral("%1 rows are now \"own\"").arg(own));
}

// Numbered, each with the command that read it, between Save As and Exit.
void MainWindow::ShowRecentFolders() {
    qDeleteAll(recentFolders_);
    recentFolders_.clear();
    const std::vector<MireloDocument::RecentFolder> folders = document_.RecentFolders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const auto [source, folder] = folders[i];
        const QString command = source == MailSource::Eudora    ? QStringLiteral("Eudora")
                                : source == MailSource::Outlook ? QStringLiteral("Outlook")
                                                                : QStringLiteral("all mail");
        QString shown = QString::fromStdString(folder);
        shown.replace(u'&', QStringLiteral("&&"));
        auto* item = new QAction(QStringLiteral("&%1 %2 (%3)").arg(i + 1).arg(shown, command), fileMenu_);
        item->setStatusTip(QStringLiteral("Extract the addresses under this folder again"));
        connect(item, &QAction::triggered, &document_, [this, source, folder] { document_.ExtractFolder(source, folder); });
        fileMenu_->insertAction(recentFoldersEnd_, item);
        recentFolders_.append(item);
    }
    recentFoldersEnd_->setVisible(!folders.empty());
    for (QAction* command : recentFolders_) command->setEnabled(!document_.IsExtracting());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!document_.IsExtracting() && urls.size() == 1 && urls.front().isLocalFile() &&
        QFileInfo(urls.front().toLocalFile()).isDir())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(event->mimeData()->urls().front().toLocalFile()));
    event->acceptProposedAction();
    // Once the drop is over: the extraction may ask about the list on hand first.
    QTimer::singleShot(0, &document_, [this, folder] { document_.ExtractFolder(MailSource::AllMail, folder.toStdString()); });
}

void MainWindow::ShowProblemCount() {
    const std::size_t count = document_.Problems().size();
    problemsButton_->setText(count == 1 ? QStringLiteral("1 store skipped\u2026")
                                        : QStringLiteral("%1 stores skipped\u2026").arg(count));
    problemsButton_->setVisible(count > 0);
}

void MainWindow::ShowProblems() {
    QStringList lines;
    for (const StoreProblem& problem : document_.Problems())
        lines << QString::fromStdString(problem.path + ": " + problem.reason);
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(kAppTitle),
                    QStringLiteral("These could not be read, and were skipped:"), QMessageBox::Ok, this);
    box.setInformativeText(lines.join(u'\n'));
    box.exec();
}

void MainWindow::SetStatusText(const QString& text) {
    showingPrompt_ = false;
    ShowMessageText(text);
}

QString MainWindow::MessageText() const {
    return messageText_;
}

// A text too long for the pane ends in "…" and shows whole as the pane's tooltip.
void MainWindow::ShowMessageText(const QString& text) {
    messageText_ = text;
    const QString shown = messagePane_->fontMetrics().elidedText(text, Qt::ElideRight, messagePane_->contentsRect().width());
    messagePane_->setText(shown);
    messagePane_->setToolTip(shown == text ? QString() : text);
}

void MainWindow::ShowExtracting(bool extracting) {
    progressBar_->setValue(0);
    progressBar_->setVisible(extracting);
    UpdateCommandStates();
}

void MainWindow::ShowTitle() {
    setWindowTitle(QStringLiteral("%1 - %2").arg(document_.Title(), QLatin1String(kAppTitle)));
}

void MainWindow::ShowPrompt(const QAction* action) {
    // A drop-down menu's own title carries no prompt.
    ShowMessageText(action->statusTip());
    showingPrompt_ = true;
}

void MainWindow::ShowIdleMessageOnceMenusClose() {
    // Moving from one menu to the next closes one and opens the other: wait for that.
    QTimer::singleShot(0, this, [this] {
        if (showingPrompt_ && !QApplication::activePopupWidget()) {
            ShowMessageText(QString::fromLatin1(kIdleMessage));
            showingPrompt_ = false;
        }
    });
}

bool MainWindow::event(QEvent* event) {
    // The message pane shows the prompts itself; the bar's own tip display would hide it.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar() && event->type() == QEvent::Leave) ShowIdleMessageOnceMenusClose();
    if (watched == messagePane_ && event->type() == QEvent::Resize) ShowMessageText(messageText_);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (document_.CanCloseFrame()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::RefreshLockIndicators() {
    const std::optional<LockKeys> keys = ReadLockKeys();
    if (!keys) return;
    capsPane_->setText(keys->caps ? QStringLiteral("CAP") : QString());
    numPane_->setText(keys->num ? QStringLiteral("NUM") : QString());
    scrollPane_->setText(keys->scroll ? QStringLiteral("SCRL") : QString());
}

}  // namespace mirelo
