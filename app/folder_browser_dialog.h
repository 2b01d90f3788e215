#pragma once

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;

// The folder picker: the prompt above a tree of the file system, an edit box for typing
// a folder, and the path of the current selection below it.
class FolderBrowserDialog : public QDialog {
    Q_OBJECT
public:
    FolderBrowserDialog(const QString& prompt, const QString& initialFolder, QWidget* parent);

    // The typed folder when it exists (relative to the selection or absolute), else the
    // selected one; empty when neither names a folder.
    QString ChosenFolder() const;

private:
    QString SelectedFolder() const;
    void ShowSelection();

    QFileSystemModel* folders_;
    QTreeView* tree_;
    QLineEdit* edit_;
    QLabel* selectionPath_;
};
