#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>

#include <random>

#include "row_order.h"
#include "support/app_harness.h"

namespace mirelo {

using namespace testing;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Sorting, finding and saving need records, not rows.
    void commandsFollowWhatTheListHolds_data() {
        QTest::addColumn<bool>("everyRowDeleted");  // else nothing extracted yet
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QStringList>("disabled");
        const QStringList needRecords = {"Email address", "Name", "Mailbox", "Find...", "Save...", "Save As..."};
        QTest::newRow("at start") << false << QStringList{"Extract email addresses (Outlook)", "Select &header types"}
                                  << needRecords + QStringList{"Delete selection"};
        QTest::newRow("every row deleted") << true << needRecords << QStringList{"Delete selection"};
    }
    void commandsFollowWhatTheListHolds() {
        QFETCH(bool, everyRowDeleted);
        QFETCH(QStringList, enabled);
        QFETCH(QStringList, disabled);
        AppHarness app;
        if (everyRowDeleted) {
            app.ShowRecords(NumberedRecords(4));
            app.DeleteRows({0, 1, 2, 3});
        }
        // The item on the bar has no menu whose opening would refresh it.
        const auto bar = app.Frame().menuBar()->actions();
        QVERIFY(std::any_of(bar.begin(), bar.end(), [](QAction* item) {
            return item->text() == QStringLiteral("Select &header types") && item->isEnabled();
        }));
        for (const QString& item : enabled) QVERIFY2(app.Enabled(item), qPrintable(item));
        for (const QString& item : disabled) QVERIFY2(!app.Enabled(item), qPrintable(item));
        QCOMPARE(app.Checked("Mailbox"), everyRowDeleted);
    }

    void highlightedItemsShowTheirPromptAndClosingShowsReady() {
        AppHarness app;
        QMenuBar* bar = app.Frame().menuBar();
        bar->setActiveAction(app.Item("Select &header types"));
        QTRY_COMPARE(app.Frame().MessageText(), "Select which parts of the message headers to be scanned");
        QMenu* file = app.Item("&File")->menu();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        QTRY_VERIFY(file->isVisible());
        QTest::mouseMove(file, file->actionGeometry(app.Item("E&xit")).center());
        QTRY_COMPARE(app.Frame().MessageText(), "Quit the application; prompts to save documents");
        QTest::mouseMove(file, file->actionGeometry(app.Item("Extract email addresses (Eudora)")).center());
        QTRY_COMPARE(app.Frame().MessageText(), QString());
        file->close();
        QTRY_COMPARE(app.Frame().MessageText(), QStringLiteral("Ready"));
    }

    // New asks about unsaved deletions; Cancel keeps everything, No keeps the list.
    void newAsksFirstThenKeepsTheList() {
        AppHarness app;
        app.ShowRecords({{"a@x.org", "A", "In.mbx"}, {"b@x.org", "B", "In.mbx"}});
        app.DeleteRows({0});
        app.platform.saveChangesAnswers = {PlatformServices::SaveAnswer::Cancel, PlatformServices::SaveAnswer::No};
        for (int i = 0; i < 2; ++i) QTest::keyClick(&app.Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(app.platform.saveChangesAsked, 2);
        QVERIFY(!app.Doc().IsModified() && !app.Enabled("Save..."));
        QCOMPARE(app.View().RowCount(), 1);
        QCOMPARE(app.Doc().List().Count(), 2);
        QCOMPARE(app.Doc().SortColumn(), 2);
    }

    // Open loads nothing; it names the document and keeps the four newest files.
    void openNamesTheDocumentAndKeepsTheRecentFiles() {
        AppHarness app;
        app.ShowRecords({{"a@x.org", "A", "In.mbx"}});
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("Untitled - Mirelo"));
        QStringList recent;
        for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "3.txt"}) {
            app.platform.openAnswers.push_back(app.files.Write(name, "x"));
            QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
            recent.removeAll(QString::fromStdString(app.Path(name)));
            recent.prepend(QString::fromStdString(app.Path(name)));
        }
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("3.txt - Mirelo"));
        QCOMPARE(app.View().RowCount(), 1);
        app.platform.openAnswers.push_back(app.Path("missing.txt"));
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.platform.messages.size(), 1u);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("3.txt - Mirelo"));
        app.Restart();
        QCOMPARE(app.App().RecentFiles(), recent.mid(0, 4));
    }

    // Only Delete deletes, and only with a selection; the other editing keys do nothing.
    void onlyDeleteChangesTheList() {
        AppHarness app;
        app.ShowRecords(NumberedRecords(3));
        app.View().setFocus();
        QTest::keyClick(&app.View(), Qt::Key_Delete);
        app.SelectRows({1});
        QApplication::clipboard()->setText("untouched");
        const QKeyCombination keys[] = {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert, Qt::CTRL | Qt::Key_X,
                                        Qt::SHIFT | Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Space};
        for (const QKeyCombination key : keys) QTest::keyClick(&app.View(), key.key(), key.keyboardModifiers());
        QCOMPARE(app.SelectedRows(), QList<int>{1});
        QVERIFY(!app.Doc().IsModified());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("untouched"));
        QTest::keyClick(&app.View(), Qt::Key_Delete);
        QCOMPARE(app.ColumnTexts(0), (QStringList{"user0@x.org", "user2@x.org"}));
        QVERIFY(app.Doc().IsModified());
    }

    // Header clicks and the sort commands move rows only, ascending every time; the check
    // mark and the selection follow.
    void sortingMovesRowsOnlyAndTheMarkAndSelectionFollow() {
        AppHarness app;
        app.ShowRecords({{"b@x", "carol", "Z.mbx"}, {"A@x", "Alice", "Y.mbx"}, {"c@x", "bob", "Y.mbx"}});
        app.View().setCurrentIndex(app.View().model()->index(0, 0));
        QHeaderView* header = app.View().horizontalHeader();
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
            QCOMPARE(app.ColumnTexts(1), (QStringList{"Alice", "bob", "carol"}));
        }
        QVERIFY(app.Checked("Name") && !app.Checked("Mailbox"));
        QCOMPARE(app.SelectedRows(), QList<int>{2});
        QCOMPARE(app.View().currentIndex().row(), 2);
        app.Choose("Email address");
        QCOMPARE(app.ColumnTexts(0), (QStringList{"A@x", "b@x", "c@x"}));
        QVERIFY(app.Checked("Email address") && !app.Checked("Name"));
        QCOMPARE(app.Doc().List().Email(*app.Doc().List().At(0)), std::string_view("b@x"));
        app.Choose("Mailbox");
        QCOMPARE(app.ColumnTexts(2), (QStringList{"Y.mbx", "Y.mbx", "Z.mbx"}));
        QCOMPARE(app.Doc().SortColumn(), 2);
    }

    // A deleted current row hands the focus to the row above its run of selected rows (below
    // for a run at the top) and scrolls there before the rows go, all in one pass; the view
    // keeps its scroll.
    void deletingRemovesTheSelectionAndKeepsTheFocusAndScroll_data() {
        QTest::addColumn<int>("first");  // selected: every step-th row from first to last
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("currentAfter");  // as a row before the deletion; -1 for none
        QTest::newRow("current kept") << 3 << 999 << 7 << 501 << 501;
        QTest::newRow("current deleted, out of view") << 3 << 999 << 7 << 507 << 506;
        QTest::newRow("current deleted, first row") << 0 << 999 << 7 << 0 << 1;
        QTest::newRow("current deleted inside a run") << 500 << 999 << 1 << 700 << 499;
        QTest::newRow("current deleted in a run at the top") << 0 << 9 << 1 << 5 << 10;
        QTest::newRow("every row") << 0 << 999 << 1 << 5 << -1;
    }
    void deletingRemovesTheSelectionAndKeepsTheFocusAndScroll() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, step);
        QFETCH(int, current);
        QFETCH(int, currentAfter);
        AppHarness app;
        app.ShowRecords(NumberedRecords(1000));
        CMireloView& view = app.View();
        std::vector<int> selected;
        for (int row = first; row <= last; row += step) selected.push_back(row);
        app.SelectRows(selected);
        view.selectionModel()->setCurrentIndex(view.model()->index(current, 1), QItemSelectionModel::NoUpdate);
        view.scrollTo(view.model()->index(currentAfter, 0));
        const int scroll = view.verticalScrollBar()->value();
        const QString currentText = view.model()->index(currentAfter, 1).data().toString();
        app.Choose("Delete selection");
        QCOMPARE(view.currentIndex().data().toString(), currentText);
        QCOMPARE(view.verticalScrollBar()->value(), scroll);
        QVERIFY(!view.selectionModel()->hasSelection());
        QStringList kept;
        for (int row = 0; row < 1000; ++row) {
            if (std::count(selected.begin(), selected.end(), row) == 0) kept << QString("user%1@x.org").arg(row);
        }
        QCOMPARE(app.ColumnTexts(0), kept);
    }

    void textsShowAsWindows1252AndMailboxesAsFileNames() {
        AppHarness app;
        app.ShowRecords({{"caf\xe9@x.org", "\x80uro \x93Q\x94", "Caf\xc3\xa9/In.mbx"}});
        QCOMPARE(app.ColumnTexts(0) + app.ColumnTexts(1) + app.ColumnTexts(2),
                 (QStringList{u"café@x.org"_qs, u"€uro “Q”"_qs, QFile::decodeName("Caf\xc3\xa9/In.mbx")}));
    }

    void compareRowsOrdersByTheColumnIgnoringAsciiCase_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("a");  // email, name, mailbox
        QTest::addColumn<QStringList>("b");
        QTest::addColumn<int>("sign");
        using Texts = QStringList;
        QTest::newRow("case-blind names") << 1 << Texts{"a@x", "Smith", "M"} << Texts{"z@x", "SMITH", "N"} << 0;
        QTest::newRow("same mailbox") << 2 << Texts{"Bob@x", "", "In.mbx"} << Texts{"carol@x", "", "IN.MBX"} << -1;
        QTest::newRow("mailbox first") << 2 << Texts{"a@x", "", "Out.mbx"} << Texts{"b@x", "", "In.mbx"} << 1;
        QTest::newRow("email") << 0 << Texts{"B@x", "", ""} << Texts{"a@x", "", ""} << 1;
        QTest::newRow("unknown column: email") << 7 << Texts{"a@x", "Z", ""} << Texts{"b@x", "A", ""} << -1;
        QTest::newRow("empty text first") << 1 << Texts{"", "", ""} << Texts{"", "a", ""} << -1;
        QTest::newRow("underscore before letters") << 0 << Texts{"_x", "", ""} << Texts{"a", "", ""} << -1;
        QTest::newRow("bytes from 0x80 after ASCII") << 1 << Texts{"", "\xc3\xa9", ""} << Texts{"", "z", ""} << 1;
    }
    void compareRowsOrdersByTheColumnIgnoringAsciiCase() {
        QFETCH(int, column);
        QFETCH(QStringList, a);
        QFETCH(QStringList, b);
        QFETCH(int, sign);
        AddressList list;
        for (const QStringList& texts : {a, b}) {
            list.Append(texts[0].toStdString(), texts[1].toStdString(), texts[2].toStdString(), kFromKind);
        }
        const auto signOf = [](int result) { return (result > 0) - (result < 0); };
        QCOMPARE(signOf(CompareRows(list, list.At(0), list.At(1), column)), sign);
        QCOMPARE(signOf(CompareRows(list, list.At(1), list.At(0), column)), -sign);
    }

    // The sort keys must never disagree with CompareRows: texts that share long
    // prefixes, differ only in case, end early, hold NUL or high bytes.
    void sortingByAnyColumnAgreesWithCompareRows() {
        std::mt19937 random(7);
        const std::string pieces[] = {"", "a", "A", "b", "_", "-", ".", "@", std::string(1, '\0'), "\xe9", "Z",
                                      "longprefix-shared-by-many-", "LONGPREFIX-SHARED-BY-MANY-"};
        std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
        const auto text = [&] {
            std::string result;
            for (int i = std::uniform_int_distribution<int>(0, 5)(random); i > 0; --i) result += pieces[piece(random)];
            return result;
        };
        AddressList list;
        for (int i = 0; i < 3000; ++i) {
            const std::string email = text(), name = text(), mailbox = text();
            list.Append(email, name, mailbox, kFromKind);
        }
        for (int column = 0; column < 3; ++column) {
            std::vector<AddressRecord*> rows;
            for (int i = 0; i < list.Count(); ++i) rows.push_back(list.At(i));
            SortRowsByColumn(list, rows, column);
            for (std::size_t i = 1; i < rows.size(); ++i) QVERIFY(CompareRows(list, rows[i - 1], rows[i], column) <= 0);
            std::sort(rows.begin(), rows.end());
            QVERIFY(std::adjacent_find(rows.begin(), rows.end()) == rows.end() && rows.size() == 3000);
        }
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::MainWindowTest)
#include "main_window_test.moc"
