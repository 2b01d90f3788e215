#include "folder_browser_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>

FolderBrowserDialog::FolderBrowserDialog(const QString& prompt, const QString& initialFolder,
                                         QWidget* parent)
    : QDialog(parent),
      folders_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      edit_(new QLineEdit(this)),
      selectionPath_(new QLabel(this)) {
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
    layout->addWidget(tree_, 1);
    layout->addWidget(edit_);
    layout->addWidget(selectionPath_);
    layout->addWidget(buttons);
    resize(420, 460);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderBrowserDialog::ShowSelection);
    const QModelIndex initial = folders_->index(initialFolder);
    if (initial.isValid()) {
        tree_->setCurrentIndex(initial);
        // The tree fills in the background; scroll once the folder's parent is listed.
        connect(folders_, &QFileSystemModel::directoryLoaded, this,
                [this] { tree_->scrollTo(tree_->currentIndex()); });
    }
}

QString FolderBrowserDialog::SelectedFolder() const {
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? folders_->filePath(current) : QString();
}

void FolderBrowserDialog::ShowSelection() {
    const QString path = QDir::toNativeSeparators(SelectedFolder());
    edit_->setText(path);
    selectionPath_->setText(path);
}

QString FolderBrowserDialog::ChosenFolder() const {
    const QString selected = SelectedFolder();
    const QString typed = edit_->text().trimmed();
    if (!typed.isEmpty()) {
        const QFileInfo info(QDir(selected).filePath(QDir::fromNativeSeparators(typed)));
        if (info.isDir()) return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
    }
    return QDir::toNativeSeparators(selected);
}
