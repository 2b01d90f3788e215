#pragma once

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QLayout;
class QLineEdit;
class QTimer;
class QTreeView;

namespace mirelo {

// The folder picker: the prompt above a tree of the file system, buttons that go to the
// home folder and the root, an edit box for typing a folder, which has the focus, and
// the path of the current selection below it.
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
    void AddPlaceButtons(QLayout* layout);
    void GoTo(const QString& folder);
    void FollowSelection();
    void ScrollToSelection();

    QFileSystemModel* folders_;
    QTreeView* tree_;
    QLineEdit* edit_;
    QLabel* selectionPath_;
    QTimer* scrollTimer_;
};

}  // namespace mirelo
