#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTableView>

#include "support/app_harness.h"

namespace mirelo {

using namespace testing;

namespace {

// Selected: every step-th row from first to last; currentAfter is a row before the deletion, -1 for none.
struct Deletion { int first, last, step, current, currentAfter; };

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Sorting, finding and saving need records, not rows; deleting needs a selected row; the
    // commands are enabled as the list arrives, before any menu is opened. Each menu on the
    // bar has a mnemonic of its own; F10 opens the menus (Ctrl+F: the bulk changes' test).
    void menusAndKeysFollowTheList() {
        AppHarness app;
        const QStringList items = {"Email address", "Name", "Mailbox", "Find...", "Save...", "Save As...",
                                   "Delete selection"};
        for (const QString& item : items) QVERIFY2(!app.Enabled(item), qPrintable(item));
        QVERIFY(app.Enabled("Extract email addresses (Outlook)") && !app.Checked("Mailbox"));
        QMenuBar* bar = app.Frame().menuBar();
        QStringList mnemonics;
        for (QAction* top : bar->actions()) mnemonics << top->text().section(u'&', 1).left(1).toLower();
        QVERIFY2(!mnemonics.contains(QString()) && mnemonics.removeDuplicates() == 0, qPrintable(mnemonics.join(u',')));
        QTest::keyClick(&app.Frame(), Qt::Key_F10);  // Alt and a mnemonic open a menu as Qt makes them
        QTRY_VERIFY(app.Item("&File")->menu()->isVisible());
        app.Item("&File")->menu()->close();

        app.ShowNumberedRecords(4);
        app.DeleteRows({0, 1, 2, 3});
        for (const QString& item : items) QVERIFY2(app.Enabled(item) == (item != "Delete selection"), qPrintable(item));
        QVERIFY(app.Enabled("Select header &types") && app.Checked("Mailbox"));
    }

    // Open reads the list, names the document and keeps the four newest files; a missing
    // file is a message and changes nothing. Only Delete deletes, and only with a selection;
    // the other editing keys do nothing. New then asks: Cancel keeps everything, No the list.
    // Open makes a saved list the list on hand, whatever table holds it. Save writes a plain
    // list back where it came from; another table is not overwritten in the plain form. A
    // file without an address is a message, and the list stays.
    void openNamesTheDocumentOnlyDeleteDeletesNewAsksFirstSaveWritesBack() {
        AppHarness app;
        app.ShowNumberedRecords(3);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("Untitled - Mirelo"));
        for (const std::string name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "3.txt", "missing.txt"}) {
            const std::string list = "email,name,notes\r\nuser0@x.org,User 0,In.mbx\r\nuser1@x.org,User 1,In.mbx\r\n"
                                     "user2@x.org,User 2,In.mbx\r\n";
            app.platform.openAnswers.push_back(name == "missing.txt" ? app.Path(name) : app.files.Write(name, list));
            QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        }
        QCOMPARE(app.platform.messages.size(), 1u);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("3.txt - Mirelo"));
        QCOMPARE(app.View().RowCount(), 3);
        QVERIFY(app.Frame().MessageText().startsWith("3 addresses read from "));

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

        app.platform.saveChangesAnswers = {PlatformServices::SaveAnswer::Cancel, PlatformServices::SaveAnswer::No};
        for (int i = 0; i < 2; ++i) QTest::keyClick(&app.Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(app.platform.saveChangesAsked, 2);
        QVERIFY(!app.Doc().IsModified() && !app.Enabled("Save..."));
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("Untitled - Mirelo"));
        QCOMPARE(app.View().RowCount(), 2);
        QCOMPARE(app.Doc().List().Count(), 3);
        QCOMPARE(app.Doc().SortColumn(), 2);
        app.Restart();
        const auto path = [&](const char* name) { return QString::fromStdString(app.Path(name)); };
        QCOMPARE(app.App().RecentFiles(), (QStringList{path("3.txt"), path("5.txt"), path("4.txt"), path("2.txt")}));

        const std::string plain = app.files.Write("plain.CSV", "email,name,notes\r\na@x.org,Ann,In.mbx\r\n"
                                                               "b@x.org,Bob,\"Old, 2019.mbx\"\r\nc@x.org,,In.mbx\r\n");
        const std::string google = app.files.Write("google.csv", "Name;Notes;E-mail 1 - Value\nDee;Out.mbx; <d@x.org> \n"
                                                                 "Eve;Out.mbx;E@x.org\n");
        const std::string noAddress = app.files.Write("none.csv", "email,name\nnobody,Nobody\n");
        app.platform.openAnswers = {plain, noAddress};
        for (int i = 0; i < 2; ++i) QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.platform.messages.size(), 2u);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("plain.CSV - Mirelo"));
        QCOMPARE(app.ColumnTexts(1), (QStringList{"Ann", "", "Bob"}));
        app.DeleteRows({1});
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(app.platform.savePreloads.empty() && !app.Doc().IsModified());
        QCOMPARE(FileText(plain), QStringLiteral("email,name,notes\r\na@x.org,Ann,In.mbx\r\nb@x.org,Bob,\"Old, 2019.mbx\"\r\n"));

        app.platform.openAnswers = {google};
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.ColumnTexts(0), (QStringList{"d@x.org", "E@x.org"}));
        QCOMPARE(app.ColumnTexts(1), (QStringList{"Dee", "Eve"}));
        app.DeleteRows({0});
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(app.platform.savePreloads.size(), 1u);
        QVERIFY(FileText(google).startsWith("Name;Notes;"));
    }

    // Header clicks and the sort commands move text columns only ascending, every time; the
    // check mark, the header's arrow and the selection follow. Texts show as Windows-1252, mailboxes as file names.
    // Mailboxes sort first and without case, then the emails.
    void sortingMovesRowsOnlyAndTheMarkAndSelectionFollow() {
        AppHarness app;
        app.ShowRecords({{"b\xe9@x", "\x80uro \x93Q\x94", "Z/Caf\xc3\xa9.mbx"}, {"A@x", "Alice", "Y.mbx"},
                         {"c@x", "bob", "Y.mbx"}, {"B@x", "Bo", "y.MBX"}});
        app.View().setCurrentIndex(app.View().model()->index(0, 0));
        QHeaderView* header = app.View().horizontalHeader();
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
            QCOMPARE(app.ColumnTexts(1), (QStringList{"Alice", "Bo", "bob", u"€uro “Q”"_qs}));
        }
        QVERIFY(app.Checked("Name") && !app.Checked("Mailbox"));
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(app.SelectedRows(), QList<int>{3});
        QCOMPARE(app.View().currentIndex().row(), 3);
        app.Choose("Email address");
        QCOMPARE(app.ColumnTexts(0), (QStringList{"A@x", "B@x", u"bé@x"_qs, "c@x"}));
        QVERIFY(app.Checked("Email address") && !app.Checked("Name"));
        QCOMPARE(app.Doc().List().Email(*app.Doc().List().At(0)), std::string_view("b\xe9@x"));
        app.Choose("Mailbox");
        QCOMPARE(app.ColumnTexts(0), (QStringList{"A@x", "B@x", "c@x", u"bé@x"_qs}));
        QCOMPARE(app.ColumnTexts(2), (QStringList{"Y.mbx", "y.MBX", "Y.mbx", QFile::decodeName("Z/Caf\xc3\xa9.mbx")}));
        // A mailbox path cut in the middle shows whole in its tooltip.
        QCOMPARE(app.View().model()->index(3, 2).data(Qt::ToolTipRole).toString(), QFile::decodeName("Z/Caf\xc3\xa9.mbx"));
        QCOMPARE(app.Doc().SortColumn(), 2);
    }

    // The selection is kept as a flag per row, so that a Find of rows scattered over a million
    // draws at once: Qt's list of ranges, which each painted cell would be looked up in, stays
    // empty. Clicks and keys select as they do in a plain Qt table, and selected rows draw so.
    void theSelectionFollowsClicksAndKeysAsInAPlainTableAndIsDrawn() {
        AppHarness app;
        app.ShowNumberedRecords(12);
        AddressListView& view = app.View();
        QStandardItemModel plainRows(12, 3);
        QTableView plain;
        plain.setModel(&plainRows);
        plain.setSelectionBehavior(QAbstractItemView::SelectRows);
        plain.setSelectionMode(QAbstractItemView::ExtendedSelection);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        struct Step { int row; Qt::Key key; Qt::KeyboardModifiers modifiers; };  // a click when key is 0
        const Step steps[] = {{2, Qt::Key(0), {}}, {5, Qt::Key(0), Qt::ControlModifier}, {8, Qt::Key(0), Qt::ShiftModifier},
                              {6, Qt::Key(0), Qt::ControlModifier}, {0, Qt::Key_Down, Qt::ShiftModifier},
                              {0, Qt::Key_Up, {}}, {3, Qt::Key(0), Qt::ShiftModifier}, {0, Qt::Key_A, Qt::ControlModifier},
                              {4, Qt::Key(0), Qt::ControlModifier}, {7, Qt::Key(0), {}}, {9, Qt::Key(0), Qt::ControlModifier},
                              {0, Qt::Key_Space, Qt::ControlModifier}};
        for (const Step& step : steps) {
            for (QTableView* table : {static_cast<QTableView*>(&view), &plain}) {
                if (step.key) QTest::keyClick(table, step.key, step.modifiers);
                else QTest::mouseClick(table->viewport(), Qt::LeftButton, step.modifiers,
                                       table->visualRect(table->model()->index(step.row, 0)).center());
            }
            QList<int> plainSelected;
            for (const QModelIndex& index : plain.selectionModel()->selectedRows()) plainSelected << index.row();
            std::sort(plainSelected.begin(), plainSelected.end());
            QCOMPARE(app.SelectedRows(), plainSelected);
        }

        view.SelectOnly({1, 4, 5});
        QVERIFY(view.selectionModel()->selection().isEmpty());
        const QImage drawn = view.viewport()->grab().toImage();
        const auto background = [&](int row) {
            return drawn.pixel(view.columnWidth(0) - 3, view.visualRect(view.model()->index(row, 0)).center().y());
        };
        for (int row = 0; row < 6; ++row)
            QCOMPARE(background(row) == background(1), row == 1 || row == 4 || row == 5);
    }

    // A deleted current row hands the focus to the row above its run of selected rows (below
    // for a run at the top) and scrolls there before the rows go, all in one pass; the view
    // keeps its scroll.
    void deletingRemovesTheSelectionAndKeepsTheFocusAndScroll_data() {
        QTest::addColumn<Deletion>("d");
        QTest::newRow("current kept") << Deletion{3, 999, 7, 501, 501};
        QTest::newRow("current deleted, out of view") << Deletion{3, 999, 7, 507, 506};
        QTest::newRow("current deleted, first row") << Deletion{0, 999, 7, 0, 1};
        QTest::newRow("current deleted inside a run") << Deletion{500, 999, 1, 700, 499};
        QTest::newRow("current deleted in a run at the top") << Deletion{0, 9, 1, 5, 10};
        QTest::newRow("every row") << Deletion{0, 999, 1, 5, -1};
    }
    void deletingRemovesTheSelectionAndKeepsTheFocusAndScroll() {
        QFETCH(Deletion, d);
        AppHarness app;
        app.ShowNumberedRecords(1000);
        AddressListView& view = app.View();
        std::vector<int> selected;
        for (int row = d.first; row <= d.last; row += d.step) selected.push_back(row);
        app.SelectRows(selected);
        view.selectionModel()->setCurrentIndex(view.model()->index(d.current, 1), QItemSelectionModel::NoUpdate);
        view.scrollTo(view.model()->index(d.currentAfter, 0));
        const int scroll = view.verticalScrollBar()->value();
        const QString currentText = view.model()->index(d.currentAfter, 1).data().toString();
        QStringList kept = app.ColumnTexts(0);
        for (auto row = selected.rbegin(); row != selected.rend(); ++row) kept.removeAt(*row);
        app.Choose("Delete selection");
        QCOMPARE(view.currentIndex().data().toString(), currentText);
        QCOMPARE(view.verticalScrollBar()->value(), scroll);
        QVERIFY(!view.HasSelectedRow());
        QCOMPARE(app.ColumnTexts(0), kept);
    }

    // Each bulk change says in the status line what it did; Ctrl+Z takes deletions back one
    // at a time, the rows selected again and no longer marked deleted.
    void bulkChangesReportTheirCountsAndUndoTakesDeletionsBack() {
        AppHarness app;
        app.ShowRecords({{"a@x.org", "", "In.mbx"}, {"b@x.org", "", "In.mbx"}, {"me@x.org", "", "In.mbx"},
                         {"noreply@x.org", "", "In.mbx"}, {"z@x.org", "", "Out.mbx"}});
        const QStringList all = app.ColumnTexts(0);
        QVERIFY(!app.Enabled("Undo"));
        app.platform.ownAddressAnswers = {"me@x.org"};
        app.Choose("My addresses...");
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("1 row is now \"own\""));

        OnModalDialog([](QDialog& dialog) {
            QTest::keyClicks(dialog.focusWidget(), "B@");
            Click(dialog, "OK");
        });
        QTest::keyClick(&app.Frame(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("1 row found and selected"));
        QApplication::setActiveWindow(&app.Frame());
        app.DeleteRows({0, 4});
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("2 rows deleted; Undo (Ctrl+Z) brings them back"));
        app.Choose("Delete automated and own addresses");
        QCOMPARE(app.Frame().MessageText(),
                 QStringLiteral("2 automated or own addresses deleted; Undo (Ctrl+Z) brings them back"));
        QCOMPARE(app.ColumnTexts(0), QStringList{"b@x.org"});
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("2 rows brought back"));
        QCOMPARE(app.ColumnTexts(0), (QStringList{"b@x.org", "me@x.org", "noreply@x.org"}));
        QCOMPARE(app.SelectedRows(), (QList<int>{1, 2}));
        app.platform.saveAnswers = {app.Path("list.csv")};
        app.Choose("Save...");
        QTest::keyClick(&app.Frame(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(app.Doc().IsModified());
        QCOMPARE(app.ColumnTexts(0), all);
        QVERIFY(!app.Enabled("Undo"));
        for (int row = 0; row < app.View().RowCount(); ++row) QVERIFY(!app.View().RowRecord(row)->deleted);
    }

    // The next run comes back with the window where and as large as it was, Details as it
    // was, and the column widths last set with the details and without.
    void theWindowDetailsAndColumnWidthsAreRememberedBetweenRuns() {
        AppHarness app;
        const QRect place(40, 50, 700, 500);
        app.Frame().setGeometry(place);
        app.ShowNumberedRecords(2);
        const auto setWidths = [&](const QList<int>& widths) {
            for (int column = 0; column < widths.size(); ++column) app.View().setColumnWidth(column, widths[column]);
        };
        const auto widths = [&](int count) {
            QList<int> shown;
            for (int column = 0; column < count; ++column) shown << app.View().columnWidth(column);
            return shown;
        };
        setWidths({123, 77});
        app.Item("Details")->trigger();
        setWidths({150, 90, 200, 40, 60});
        app.Restart();
        QCOMPARE(app.Frame().geometry(), place);
        QVERIFY(app.Checked("Details"));
        QCOMPARE(widths(2), (QList<int>{123, 77}));
        app.ShowNumberedRecords(2);
        app.Doc().SetDetails(true);
        QCOMPARE(widths(5), (QList<int>{150, 90, 200, 40, 60}));
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::MainWindowTest)
#include "main_window_test.moc"
