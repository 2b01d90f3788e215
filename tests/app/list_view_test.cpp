#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "command_ids.h"
#include "support/app_harness.h"

namespace mirelo {

using testing::AppHarness;

namespace {

std::vector<testing::RecordTexts> NumberedRecords(int count) {
    std::vector<testing::RecordTexts> records;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        records.push_back({"user" + n + "@x.org", "User " + n, "In.mbx"});
    }
    return records;
}

QStringList ColumnTexts(const CMireloView& view, int column) {
    QStringList texts;
    for (int row = 0; row < view.model()->rowCount(); ++row) {
        texts << view.model()->index(row, column).data().toString();
    }
    return texts;
}

}  // namespace

class ListViewTest : public QObject {
    Q_OBJECT
private slots:
    // Header clicks and the sort commands move rows only, ascending every time, and the
    // check mark follows.
    void sortingMovesRowsOnlyAscendingAndTheCheckMarkFollows() {
        AppHarness harness;
        harness.ShowRecords({{"b@x", "carol", "Z.mbx"}, {"A@x", "Alice", "Y.mbx"}, {"c@x", "bob", "Y.mbx"}});
        QVERIFY(harness.Checked("Mailbox"));
        QHeaderView* header = harness.View().horizontalHeader();
        const QPoint nameHeader(header->sectionViewportPosition(1) + 5, header->height() / 2);
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
            QCOMPARE(ColumnTexts(harness.View(), 1), (QStringList{"Alice", "bob", "carol"}));
        }
        QVERIFY(harness.Checked("Name"));
        QVERIFY(!harness.Checked("Mailbox"));
        harness.Choose("Email address");
        QCOMPARE(ColumnTexts(harness.View(), 0), (QStringList{"A@x", "b@x", "c@x"}));
        QVERIFY(harness.Checked("Email address"));
        QVERIFY(!harness.Checked("Name"));
        QCOMPARE(harness.Doc().List().Email(*harness.Doc().List().At(0)), std::string_view("b@x"));
        harness.Choose("Mailbox");
        QCOMPARE(ColumnTexts(harness.View(), 2), (QStringList{"Y.mbx", "Y.mbx", "Z.mbx"}));
        QCOMPARE(harness.Doc().SortColumn(), 2);
    }

    void sortingKeepsTheSelectionOnItsRecords() {
        AppHarness harness;
        harness.ShowRecords({{"c@x", "", ""}, {"a@x", "", ""}, {"b@x", "", ""}});
        harness.SelectRows({0});
        harness.View().setCurrentIndex(harness.View().model()->index(0, 0));
        harness.View().SortRows(0);
        const QModelIndexList selected = harness.View().selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("c@x"));
        QCOMPARE(harness.View().currentIndex().data().toString(), QStringLiteral("c@x"));
    }

    void deletingRows2_5And7RemovesExactlyThose() {
        AppHarness harness;
        harness.ShowRecords(NumberedRecords(10));
        harness.SelectRows({2, 5, 7});
        QVERIFY(harness.Enabled("Delete selection"));
        QAbstractItemModel* model = harness.View().model();
        QSignalSpy removals(model, &QAbstractItemModel::rowsAboutToBeRemoved);
        QSignalSpy resets(model, &QAbstractItemModel::modelAboutToBeReset);
        harness.Choose("Delete selection");
        // One pass over the rows, however scattered the selection.
        QCOMPARE(removals.count() + resets.count(), 1);

        QCOMPARE(ColumnTexts(harness.View(), 0),
                 (QStringList{"user0@x.org", "user1@x.org", "user3@x.org", "user4@x.org", "user6@x.org",
                              "user8@x.org", "user9@x.org"}));
        std::vector<int> deleted;
        for (int i = 0; i < harness.Doc().List().Count(); ++i) {
            if (harness.Doc().List().At(i)->deleted) deleted.push_back(i);
        }
        QCOMPARE(deleted, (std::vector<int>{2, 5, 7}));
        QVERIFY(harness.Enabled("Save..."));
    }

    // A deleted current row hands the focus to the row above its run of selected rows (below
    // for a run at the top) and scrolls there before the rows go; the view keeps its scroll.
    void deletingKeepsTheCurrentRowAndTheScroll_data() {
        QTest::addColumn<int>("firstSelected");  // then every step-th row
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("currentAfter");  // as a row before the deletion
        QTest::newRow("current kept") << 3 << 7 << 501 << 501;
        QTest::newRow("current deleted, out of view") << 3 << 7 << 507 << 506;
        QTest::newRow("current deleted, first row") << 0 << 7 << 0 << 1;
        QTest::newRow("current deleted inside a run") << 500 << 1 << 700 << 499;
    }
    void deletingKeepsTheCurrentRowAndTheScroll() {
        QFETCH(int, firstSelected);
        QFETCH(int, step);
        QFETCH(int, current);
        QFETCH(int, currentAfter);
        AppHarness harness;
        harness.ShowRecords(NumberedRecords(1000));
        CMireloView& view = harness.View();
        std::vector<int> selected;
        for (int row = firstSelected; row < 1000; row += step) selected.push_back(row);
        harness.SelectRows(selected);
        view.selectionModel()->setCurrentIndex(view.model()->index(current, 1), QItemSelectionModel::NoUpdate);
        view.scrollTo(view.model()->index(currentAfter, 0));
        const int scroll = view.verticalScrollBar()->value();
        const QString currentText = view.model()->index(currentAfter, 1).data().toString();

        view.DeleteSelection();
        QCOMPARE(view.currentIndex().data().toString(), currentText);
        QCOMPARE(view.verticalScrollBar()->value(), scroll);
        QVERIFY(!view.selectionModel()->hasSelection());
    }

    void deleteKeyDeletesTheSelectionAndShiftDeleteDoesNot() {
        AppHarness harness;
        harness.ShowRecords(NumberedRecords(3));
        harness.View().setFocus();
        harness.View().clearSelection();
        QVERIFY(!harness.Enabled("Delete selection"));
        QVERIFY(!harness.Commands().Execute(ID_DELETE_SELECTION));
        QTest::keyClick(&harness.View(), Qt::Key_Delete);
        harness.SelectRows({1});
        for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Space}) {
            QTest::keyClick(&harness.View(), key);
        }
        QTest::keyClick(&harness.View(), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(harness.View().RowCount(), 3);
        QVERIFY(!harness.Doc().IsModified());
        QVERIFY(!harness.Enabled("Save..."));

        harness.SelectRows({1});
        QTest::keyClick(&harness.View(), Qt::Key_Delete);
        QCOMPARE(ColumnTexts(harness.View(), 0), (QStringList{"user0@x.org", "user2@x.org"}));
        QVERIFY(harness.Doc().IsModified());
    }

    void afterDeletingEveryRowTheListStillHasRecords() {
        AppHarness harness;
        harness.ShowRecords(NumberedRecords(4));
        harness.View().selectAll();
        harness.Choose("Delete selection");
        QCOMPARE(harness.View().RowCount(), 0);
        for (const char* text : {"Email address", "Name", "Mailbox", "Find...", "Save...", "Save As..."}) {
            QVERIFY2(harness.Enabled(text), text);
        }
        QVERIFY(!harness.Enabled("Delete selection"));
    }

    void textsAreShownAsWindows1252AndMailboxesAsFileNames() {
        AppHarness harness;
        harness.ShowRecords({{"caf\xe9@x.org", "\x80uro \x93Q\x94", "Caf\xc3\xa9/In.mbx"}});
        QCOMPARE(ColumnTexts(harness.View(), 0), QStringList{QStringLiteral(u"café@x.org")});
        QCOMPARE(ColumnTexts(harness.View(), 1), QStringList{QStringLiteral(u"€uro “Q”")});
        QCOMPARE(ColumnTexts(harness.View(), 2), QStringList{QFile::decodeName("Caf\xc3\xa9/In.mbx")});
    }

    void rowAccessSelectsWithoutMovingTheCurrentRow() {
        AppHarness harness;
        harness.ShowRecords(NumberedRecords(600));
        CMireloView& view = harness.View();
        view.setCurrentIndex(view.model()->index(3, 0));
        RowAccess& rows = view;
        QCOMPARE(rows.RowCount(), 600);
        QCOMPARE(rows.RowTexts().Email(*rows.RowRecord(499)), std::string_view("user499@x.org"));
        harness.SelectRows({3, 7});
        rows.SelectOnly({499, 500, 502});
        QCOMPARE(view.selectionModel()->selectedRows().size(), 3);
        QCOMPARE(view.currentIndex().row(), 3);
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::ListViewTest)
#include "list_view_test.moc"
