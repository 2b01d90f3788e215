#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "support/app_harness.h"

namespace mirelo {

using testing::AppHarness;

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void rightAfterStartOnlyTheCommandsThatNeedNoListAreEnabled() {
        AppHarness harness;
        // The item on the bar has no menu whose opening would refresh it.
        const auto bar = harness.Frame().menuBar()->actions();
        QVERIFY(std::any_of(bar.begin(), bar.end(), [](QAction* item) {
            return item->text() == QStringLiteral("Select &header types") && item->isEnabled();
        }));
        for (const char* text : {"Extract email addresses (Eudora)", "Extract email addresses (Outlook)", "E&xit",
                                 "&Status Bar", "Select &header types", "&About Mirelo..."}) {
            QVERIFY2(harness.Enabled(text), text);
        }
        for (const char* text :
             {"Save...", "Save As...", "Delete selection", "Find...", "Email address", "Name", "Mailbox"}) {
            QVERIFY2(!harness.Enabled(text), text);
        }
        QVERIFY(!harness.Checked("Mailbox"));
        QCOMPARE(harness.Frame().windowTitle(), QStringLiteral("Untitled - Mirelo"));
        QVERIFY(!harness.Frame().ToolBar()->isVisible());
    }

    void statusBarCommandTogglesTheBarAndItsCheckMark() {
        AppHarness harness;
        for (const bool shown : {false, true}) {
            harness.Choose("&Status Bar");
            QCOMPARE(harness.Frame().statusBar()->isVisible(), shown);
            QCOMPARE(harness.Checked("&Status Bar"), shown);
            if (!shown) harness.Frame().SetStatusText("written while hidden");
        }
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("written while hidden"));
    }

    void highlightedItemsShowTheirPromptAndClosingShowsReady() {
        AppHarness harness;
        harness.Frame().SetStatusText("3 original email addresses, 2 unique");
        QMenu* file = harness.Item("&File")->menu();
        QMenuBar* bar = harness.Frame().menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        QTRY_VERIFY(file->isVisible());

        QTest::mouseMove(file, file->actionGeometry(harness.Item("E&xit")).center());
        QTRY_COMPARE(harness.Frame().MessageText(), QStringLiteral("Quit the application; prompts to save documents"));
        QTest::mouseMove(file, file->actionGeometry(harness.Item("Extract email addresses (Eudora)")).center());
        QTRY_COMPARE(harness.Frame().MessageText(), QString());

        file->close();
        QTRY_COMPARE(harness.Frame().MessageText(), QStringLiteral("Ready"));
    }

    void theHeaderTypesItemOnTheBarShowsItsPrompt() {
        AppHarness harness;
        QMenuBar* bar = harness.Frame().menuBar();
        bar->setActiveAction(harness.Item("Select &header types"));
        QTRY_COMPARE(harness.Frame().MessageText(),
                     QStringLiteral("Select which parts of the message headers to be scanned"));
    }

    void newAsksFirstThenKeepsTheListAndClearsTheModifiedFlag() {
        AppHarness harness;
        harness.ShowRecords({{"a@x.org", "A", "In.mbx"}, {"b@x.org", "B", "In.mbx"}});
        harness.SelectRows({0});
        harness.Choose("Delete selection");
        QVERIFY(harness.Enabled("Save..."));

        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::Cancel);
        QTest::keyClick(&harness.Frame(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(harness.Doc().IsModified());

        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::No);
        QTest::keyClick(&harness.Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(harness.platform.saveChangesTitles.size(), 2u);
        QVERIFY(!harness.Doc().IsModified());
        QVERIFY(!harness.Enabled("Save..."));
        QCOMPARE(harness.View().RowCount(), 1);
        QCOMPARE(harness.Doc().List().Count(), 2);
        QCOMPARE(harness.Doc().SortColumn(), 2);
    }

    void openLoadsNothingAndNamesTheDocument() {
        AppHarness harness;
        harness.ShowRecords({{"a@x.org", "A", "In.mbx"}});
        const std::string path = harness.files.Write("notes.txt", "anything");
        harness.platform.openAnswers.push_back(path);
        QTest::keyClick(&harness.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(harness.Frame().windowTitle(), QStringLiteral("notes.txt - Mirelo"));
        QCOMPARE(harness.View().RowCount(), 1);
        QCOMPARE(harness.App().RecentFiles(), QStringList{QString::fromStdString(path)});

        harness.platform.openAnswers.push_back(harness.files.path().string() + "/missing.txt");
        QTest::keyClick(&harness.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(harness.platform.messages.size(), 1u);
        QCOMPARE(harness.Frame().windowTitle(), QStringLiteral("notes.txt - Mirelo"));
    }

    void recentFileListKeepsTheFourNewest() {
        AppHarness harness;
        QStringList opened;
        for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "3.txt"}) {
            const std::string path = harness.files.Write(name, "x");
            QVERIFY(harness.App().OpenDocumentFile(QString::fromStdString(path)));
        }
        const auto inFiles = [&](const char* name) {
            return QString::fromStdString((harness.files.path() / name).string());
        };
        const QStringList expected = {inFiles("3.txt"), inFiles("5.txt"), inFiles("4.txt"), inFiles("2.txt")};
        QCOMPARE(harness.App().RecentFiles(), expected);
        harness.Restart();
        QCOMPARE(harness.App().RecentFiles(), expected);
    }

    void closingAModifiedDocumentAsksAndCancelKeepsTheWindow() {
        AppHarness harness;
        harness.ShowRecords({{"a@x.org", "A", "In.mbx"}});
        harness.SelectRows({0});
        harness.Choose("Delete selection");

        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::Cancel);
        harness.Choose("E&xit");
        QVERIFY(harness.Frame().isVisible());

        // Yes writes the list as Save does; the file holds the header line only.
        const std::string csv = (harness.files.path() / "kept.csv").string();
        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::Yes);
        harness.platform.saveAnswers.push_back(csv);
        harness.Frame().close();
        QVERIFY(!harness.Frame().isVisible());
        QCOMPARE(testing::ReadFileBytes(csv), std::string("email,name,notes\r\n"));
    }

    void keysWithoutAHandlerAreTakenAndDoNothing() {
        AppHarness harness;
        harness.ShowRecords({{"a@x.org", "A", "In.mbx"}, {"b@x.org", "B", "In.mbx"}});
        harness.SelectRows({1});
        harness.View().setFocus();
        QApplication::clipboard()->setText("untouched");
        const QKeyCombination keys[] = {
            Qt::CTRL | Qt::Key_Z,      Qt::CTRL | Qt::Key_X,      Qt::CTRL | Qt::Key_C,
            Qt::CTRL | Qt::Key_V,      Qt::ALT | Qt::Key_Backspace, Qt::CTRL | Qt::Key_Insert,
            Qt::SHIFT | Qt::Key_Insert, Qt::Key_F6,               Qt::SHIFT | Qt::Key_F6,
            Qt::SHIFT | Qt::Key_Delete, Qt::CTRL | Qt::Key_P,
        };
        for (const QKeyCombination key : keys) {
            QTest::keyClick(&harness.View(), key.key(), key.keyboardModifiers());
        }
        QCOMPARE(harness.View().RowCount(), 2);
        QVERIFY(harness.View().selectionModel()->isRowSelected(1));
        QVERIFY(!harness.Doc().IsModified());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));
    }

    // A long mailbox path keeps its end, the store's own name, in view.
    void mailboxesAreElidedInTheMiddle() {
        AppHarness harness;
        CMireloView& view = harness.View();
        harness.ShowRecords({{"a@x.org", "A", std::string(200, 'f') + "/Zebra.mbx"}});
        const QRect cell = view.visualRect(view.model()->index(0, 2));
        view.setTextElideMode(Qt::ElideMiddle);
        const QImage elidedInTheMiddle = view.viewport()->grab(cell).toImage();
        view.setTextElideMode(Qt::ElideRight);
        QCOMPARE(view.viewport()->grab(cell).toImage(), elidedInTheMiddle);
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::ShellTest)
#include "shell_test.moc"
