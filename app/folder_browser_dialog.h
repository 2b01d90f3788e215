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

    // The typed folder (relative to the selection or absolute), or the selected one when
    // nothing is typed; empty when that names no folder.
    QString ChosenFolder() const;

    // A typed path that is no folder is refused with a message: taking the selection
    // instead would read a folder the user did not name.
    void accept() override;

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
