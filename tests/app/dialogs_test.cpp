#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "dialogs/dialog_commands.h"
#include "folder_browser_dialog.h"
#include "qt_platform_services.h"
#include "scan/header_kinds.h"
#include "support/app_harness.h"

namespace mirelo {

using namespace testing;

namespace {

// Runs action on the modal dialog once its loop is running, then closes it if the action
// did not, so that a failed check cannot leave the test waiting.
void OnModalDialog(std::function<void(QDialog&)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) QFAIL("no modal dialog open");
        QApplication::setActiveWindow(dialog);
        const bool active = QTest::qWaitForWindowActive(dialog);
        if (active) action(*dialog);
        if (dialog->isVisible()) dialog->reject();
        QVERIFY2(active, "the dialog takes the focus");
    });
}

// Clicks near the left end, where a check box has its box.
void Click(QWidget& dialog, const QString& text) {
    const auto buttons = dialog.findChildren<QAbstractButton*>();
    const auto button = std::find_if(buttons.begin(), buttons.end(), [&](auto* b) { return b->text() == text; });
    QVERIFY2(button != buttons.end(), qPrintable(text));
    QTest::mouseClick(*button, Qt::LeftButton, {}, QPoint(1, 1) * ((*button)->height() / 2));
}

// Saves a picture of the dialog when MIRELO_SCREENSHOT_DIR names a folder.
void SaveScreenshot(QWidget& dialog, const QString& name) {
    const QString folder = qEnvironmentVariable("MIRELO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) QVERIFY(dialog.grab().save(folder + u'/' + name + QStringLiteral(".png")));
}

// The header type boxes from top to bottom, and their kinds.
const QStringList kBoxes = {"From:", "To:", "Sender:", "X-Sender:", "Return-Path:", "Reply-To:"};
const HeaderKind kKinds[] = {0, 1, 3, 4, 2, 5};

// The text typed into Find, the rows it selects and the button that ends the dialog.
struct Search { QString text; QList<int> selected; QString button = "OK"; };

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    // The ids follow neither kinds nor screen order, so each box is read and written
    // against its own kind: one kind is off, then every box is clicked.
    void headerTypesShowAndWriteEachKindsFlag_data() {
        QTest::addColumn<int>("off");  // the one kind off before
        QTest::addColumn<QString>("button");
        for (int row = 0; row < kOriginalKindCount; ++row) QTest::newRow(qPrintable(kBoxes[row])) << kKinds[row] << "OK";
        QTest::newRow("Cancel writes nothing") << kSenderKind << "Cancel";
    }
    void headerTypesShowAndWriteEachKindsFlag() {
        QFETCH(int, off);
        QFETCH(QString, button);
        HeaderKindSet kinds = HeaderKindSet::Original();
        kinds.Set(off, false);
        OnModalDialog([&](QDialog& dialog) {
            SaveScreenshot(dialog, QStringLiteral("header-types-dialog"));
            auto boxes = dialog.findChildren<QCheckBox*>();
            std::sort(boxes.begin(), boxes.end(), [](QCheckBox* a, QCheckBox* b) { return a->y() < b->y(); });
            QCOMPARE(boxes.size(), kOriginalKindCount);
            for (int row = 0; row < kOriginalKindCount; ++row) {
                QCOMPARE(boxes[row]->text(), kBoxes[row]);
                QCOMPARE(boxes[row]->isChecked(), kKinds[row] != off);
                Click(dialog, boxes[row]->text());
            }
            Click(dialog, button);
        });
        RunHeaderTypesCommand(nullptr, kinds);
        for (int kind = 0; kind < kOriginalKindCount; ++kind)
            QCOMPARE(kinds.Has(kind), (kind == off) == (button == "OK"));
    }

    void findSelectsExactlyTheMatchingRows_data() {
        QTest::addColumn<Search>("find");
        QTest::newRow("empty text") << Search{"", {0, 1, 2, 3, 4}};
        QTest::newRow("in two emails") << Search{"Example.ORG", {0, 1}};
        QTest::newRow("mailbox only") << Search{"old.MBX", {1}};
        QTest::newRow("longer than every field") << Search{QString(40, u'a'), {}};
        // The rows show record bytes as Windows-1252; only A to Z fold.
        QTest::newRow("accented letter") << Search{u"REN\u00E9"_qs, {3}};
        QTest::newRow("accented capital") << Search{u"REN\u00C9"_qs, {}};
        QTest::newRow("euro sign") << Search{u"\u20AC"_qs, {3}};
        QTest::newRow("outside the code page") << Search{u"\u03A9MEGA"_qs, {4}};
        QTest::newRow("shown mailbox name") << Search{u"CAF\u00E9.mbx"_qs, {4}};
        QTest::newRow("mailbox bytes as Windows-1252") << Search{u"caf\u00C3"_qs, {}};
        QTest::newRow("Cancel keeps the selection") << Search{"alice", {2}, "Cancel"};
    }
    // The current row stays where it was. The first match scrolls fully into view; else
    // the scroll stays.
    void findSelectsExactlyTheMatchingRows() {
        QFETCH(Search, find);
        AppHarness app;
        // A mailbox path is a file name, shown as such, not as Windows-1252.
        app.ShowRecords({{"alice@example.org", "Alice Liddell", "Inbox.mbx"}, {"bob@example.org", "Bob", "A/Old.mbx"},
                         {"carol@mail.test", "Carol", "Inbox.mbx"}, {"rene@example.net", "Ren\xE9 \x80", "In.mbx"},
                         {"dora@example.net", "Dora", "Post/\xCE\xA9mega caf\xC3\xA9.mbx"}});
        AddressListView& view = app.View();
        view.setCurrentIndex(view.model()->index(2, 0));
        view.setFixedHeight(view.height() - view.viewport()->height() + view.rowHeight(0) * 5 / 2);
        QApplication::processEvents();
        view.scrollToBottom();
        const int scrolled = view.verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        OnModalDialog([&](QDialog& dialog) {
            auto* edit = qobject_cast<QLineEdit*>(dialog.focusWidget());
            QVERIFY2(edit && edit->text().isEmpty(), "the empty search text has the focus");
            // Each character as a key press, whatever its script.
            for (const QChar c : find.text) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), {});
            SaveScreenshot(dialog, QStringLiteral("find-dialog"));
            Click(dialog, find.button);
        });
        RunFindCommand(&view, view);
        QCOMPARE(app.SelectedRows(), find.selected);
        QCOMPARE(view.currentIndex().row(), 2);
        if (find.button == "Cancel" || find.selected.isEmpty()) QCOMPARE(view.verticalScrollBar()->value(), scrolled);
        else QVERIFY(view.viewport()->rect().contains(view.visualRect(view.model()->index(find.selected.front(), 0))));
    }

    void saveChangesQuestionAnswersWithTheButtonClicked() {
        using enum PlatformServices::SaveAnswer;
        for (auto [button, answer] : {std::pair{"&Yes", Yes}, std::pair{"&No", No}, std::pair{"Cancel", Cancel}}) {
            OnModalDialog([button](QDialog& dialog) { Click(dialog, button); });
            QCOMPARE(QtPlatformServices().AskSaveChanges(QStringLiteral("Untitled")), answer);
        }
    }

    // "&&" in the instructions shows as one ampersand.
    void aboutShowsTheIconAndTheInstructions() {
        OnModalDialog([](QDialog& dialog) {
            const auto labels = dialog.findChildren<QLabel*>();
            const auto any = [&](auto has) { return std::any_of(labels.begin(), labels.end(), has); };
            const QString step3 = "[3] Using Notepad, examine the file & delete unwanted addresses\n\n[4]";
            QVERIFY(any([&](QLabel* label) { return label->text().contains(step3); }));
            QVERIFY(any([](QLabel* label) { return !label->pixmap().isNull(); }));
            SaveScreenshot(dialog, QStringLiteral("about-dialog"));
        });
        RunAboutCommand(nullptr);
    }

    // The initial folder is selected and in view, typing goes to the path, which wins when
    // it names a folder; home and the root are a click away.
    void folderBrowserChoosesTheTypedFolderWhenItExists_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");  // below the temporary folder
        QTest::newRow("nothing typed: the initial folder") << "" << "Mail/d180";
        QTest::newRow("relative to the selection") << "Sub" << "Mail/d180/Sub";
        QTest::newRow("absolute") << "@/Other" << "Other";
        QTest::newRow("missing: the selection") << "Nowhere" << "Mail/d180";
        QTest::newRow("a file: the selection") << "Sub/In.mbx" << "Mail/d180";
    }
    void folderBrowserChoosesTheTypedFolderWhenItExists() {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        TempDir files;
        for (int i = 100; i < 200; ++i) files.Write("Mail/d" + std::to_string(i) + "/x", "");
        files.Write("Mail/d180/Sub/In.mbx", "");
        files.Write("Other/x.txt", "");
        const QString root = QString::fromStdString(files.path().string());
        FolderBrowserDialog dialog("prompt", QDir::toNativeSeparators(root + "/Mail/d180"), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* tree = dialog.findChild<QTreeView*>();
        QTRY_COMPARE(tree->model()->rowCount(tree->currentIndex().parent()), 100);
        QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
        QTest::keyClicks(QApplication::focusWidget(), typed.replace("@", root));
        QCOMPARE(dialog.ChosenFolder(), QDir::toNativeSeparators(root + '/' + chosen));
        for (const QString& folder : {QDir::homePath(), QDir::rootPath()}) {
            dialog.findChild<QPushButton*>(folder)->click();
            QCOMPARE(dialog.ChosenFolder(), QDir::toNativeSeparators(folder));
        }
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::DialogsTest)
#include "dialogs_test.moc"
