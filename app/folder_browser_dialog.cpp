#include "folder_browser_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <array>

namespace mirelo {

FolderBrowserDialog::FolderBrowserDialog(const QString& prompt, const QString& initialFolder,
                                         QWidget* parent)
    : QDialog(parent),
      folders_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      edit_(new QLineEdit(this)),
      selectionPath_(new QLabel(this)),
      scrollTimer_(new QTimer(this)) {
    setWindowTitle(tr("Browse for Folder"));

    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::Drives);
    folders_->setRootPath(QString());
    tree_->setModel(folders_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column) tree_->hideColumn(column);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(prompt, this));
    AddPlaceButtons(layout);
    layout->addWidget(tree_, 1);
    layout->addWidget(edit_);
    layout->addWidget(selectionPath_);
    layout->addWidget(buttons);
    resize(420, 460);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderBrowserDialog::ShowSelection);
    const QModelIndex initial = folders_->index(initialFolder);
    if (initial.isValid()) tree_->setCurrentIndex(initial);
    FollowSelection();
    edit_->setFocus();
}

void FolderBrowserDialog::FollowSelection() {
    // The tree fills in the background, and each listing or sorting moves rows; keep the
    // selected folder in view until the user takes the tree in hand.
    scrollTimer_->setSingleShot(true);
    connect(scrollTimer_, &QTimer::timeout, this,
            [this] { tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter); });
    const std::array following = {
        connect(folders_, &QAbstractItemModel::rowsInserted, this, &FolderBrowserDialog::ScrollToSelection),
        connect(folders_, &QAbstractItemModel::layoutChanged, this, &FolderBrowserDialog::ScrollToSelection),
    };
    const auto stopFollowing = [following] {
        for (const QMetaObject::Connection& connection : following) disconnect(connection);
    };
    connect(tree_, &QAbstractItemView::pressed, this, stopFollowing);
    connect(tree_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, stopFollowing);
    ScrollToSelection();
}

void FolderBrowserDialog::AddPlaceButtons(QLayout* layout) {
    auto* places = new QHBoxLayout;
    const std::pair<QString, QString> placeFolders[] = {
        {tr("Home"), QDir::homePath()},
        {QDir::toNativeSeparators(QDir::rootPath()), QDir::rootPath()},
    };
    for (const auto& [text, folder] : placeFolders) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(folder);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, folder = folder] { GoTo(folder); });
        places->addWidget(button);
    }
    places->addStretch();
    layout->addItem(places);
}

void FolderBrowserDialog::GoTo(const QString& folder) {
    const QModelIndex index = folders_->index(folder);
    tree_->setCurrentIndex(index);
    tree_->expand(index);
    ScrollToSelection();
}

void FolderBrowserDialog::ScrollToSelection() {
    // Once the events at hand are handled: a listing is sorted just after it is added.
    scrollTimer_->start(0);
}

QString FolderBrowserDialog::SelectedFolder() const {
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? folders_->filePath(current) : QString();
}

void FolderBrowserDialog::ShowSelection() {
    const QString path = QDir::toNativeSeparators(SelectedFolder());
    edit_->setText(path);
    // Typing replaces the path instead of adding to it.
    edit_->selectAll();
    selectionPath_->setText(path);
}

QString FolderBrowserDialog::ChosenFolder() const {
    const QString selected = SelectedFolder();
    const QString typed = edit_->text().trimmed();
    if (typed.isEmpty()) return QDir::toNativeSeparators(selected);
    const QFileInfo info(QDir(selected).filePath(QDir::fromNativeSeparators(typed)));
    if (!info.isDir()) return QString();
    return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
}

void FolderBrowserDialog::accept() {
    if (ChosenFolder().isEmpty()) {
        const QString typed = edit_->text().trimmed();
        QMessageBox::warning(this, windowTitle(),
                             typed.isEmpty() ? tr("Choose a folder.") : tr("%1 is not a folder.").arg(typed));
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace mirelo
