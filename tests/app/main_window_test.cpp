#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <random>

#include "row_order.h"
#include "support/app_harness.h"

namespace mirelo {

using namespace testing;

namespace {

// Selected: every step-th row from first to last; currentAfter is a row before the deletion, -1 for none.
struct Deletion { int first, last, step, current, currentAfter; };
struct Comparison { int column; std::array<std::string, 3> a, b; int sign; };  // a and b: email, name, mailbox

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Sorting, finding and saving need records, not rows; deleting needs a selected row.
    // A highlighted item shows its prompt, a closed menu "Ready".
    void menuItemsFollowWhatTheListHoldsAndShowTheirPrompts() {
        AppHarness app;
        // The item on the bar has no menu whose opening would refresh it: read before any menu opens.
        for (QAction* item : app.Frame().menuBar()->actions())
            QVERIFY(item->text() != QStringLiteral("Select &header types") || item->isEnabled());
        const QStringList items = {"Email address", "Name", "Mailbox", "Find...", "Save...", "Save As...",
                                   "Delete selection"};
        for (const QString& item : items) QVERIFY2(!app.Enabled(item), qPrintable(item));
        QVERIFY(app.Enabled("Extract email addresses (Outlook)") && !app.Checked("Mailbox"));
        app.ShowNumberedRecords(4);
        app.DeleteRows({0, 1, 2, 3});
        for (const QString& item : items) QVERIFY2(app.Enabled(item) == (item != "Delete selection"), qPrintable(item));
        QVERIFY(app.Enabled("Select &header types") && app.Checked("Mailbox"));

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

    // Open loads nothing; it names the document and keeps the four newest files; a missing
    // file is a message and changes nothing. Only Delete deletes, and only with a selection;
    // the other editing keys do nothing. New then asks: Cancel keeps everything, No the list.
    void openNamesTheDocumentOnlyDeleteDeletesNewAsksFirst() {
        AppHarness app;
        app.ShowNumberedRecords(3);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("Untitled - Mirelo"));
        for (const std::string name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "3.txt", "missing.txt"}) {
            app.platform.openAnswers.push_back(name == "missing.txt" ? app.Path(name) : app.files.Write(name, "x"));
            QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        }
        QCOMPARE(app.platform.messages.size(), 1u);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("3.txt - Mirelo"));
        QCOMPARE(app.View().RowCount(), 3);

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
    }

    // Header clicks and the sort commands move rows only, ascending every time; the check
    // mark and the selection follow. Texts show as Windows-1252, mailboxes as file names.
    void sortingMovesRowsOnlyAndTheMarkAndSelectionFollow() {
        AppHarness app;
        app.ShowRecords({{"b\xe9@x", "\x80uro \x93Q\x94", "Z/Caf\xc3\xa9.mbx"}, {"A@x", "Alice", "Y.mbx"},
                         {"c@x", "bob", "Y.mbx"}});
        app.View().setCurrentIndex(app.View().model()->index(0, 0));
        QHeaderView* header = app.View().horizontalHeader();
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
            QCOMPARE(app.ColumnTexts(1), (QStringList{"Alice", "bob", u"€uro “Q”"_qs}));
        }
        QVERIFY(app.Checked("Name") && !app.Checked("Mailbox"));
        QCOMPARE(app.SelectedRows(), QList<int>{2});
        QCOMPARE(app.View().currentIndex().row(), 2);
        app.Choose("Email address");
        QCOMPARE(app.ColumnTexts(0), (QStringList{"A@x", u"bé@x"_qs, "c@x"}));
        QVERIFY(app.Checked("Email address") && !app.Checked("Name"));
        QCOMPARE(app.Doc().List().Email(*app.Doc().List().At(0)), std::string_view("b\xe9@x"));
        app.Choose("Mailbox");
        QCOMPARE(app.ColumnTexts(2), (QStringList{"Y.mbx", "Y.mbx", QFile::decodeName("Z/Caf\xc3\xa9.mbx")}));
        QCOMPARE(app.Doc().SortColumn(), 2);
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
        CMireloView& view = app.View();
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
        QVERIFY(!view.selectionModel()->hasSelection());
        QCOMPARE(app.ColumnTexts(0), kept);
    }

    void compareRowsOrdersByTheColumnIgnoringAsciiCase_data() {
        QTest::addColumn<Comparison>("c");
        QTest::newRow("case-blind names") << Comparison{1, {"a@x", "Smith", "M"}, {"z@x", "SMITH", "N"}, 0};
        QTest::newRow("same mailbox") << Comparison{2, {"Bob@x", "", "In.mbx"}, {"carol@x", "", "IN.MBX"}, -1};
        QTest::newRow("mailbox first") << Comparison{2, {"a@x", "", "Out.mbx"}, {"b@x", "", "In.mbx"}, 1};
        QTest::newRow("email") << Comparison{0, {"B@x", "", ""}, {"a@x", "", ""}, 1};
        QTest::newRow("unknown column: email") << Comparison{7, {"a@x", "Z", ""}, {"b@x", "A", ""}, -1};
        QTest::newRow("empty text first") << Comparison{1, {"", "", ""}, {"", "a", ""}, -1};
        QTest::newRow("underscore before letters") << Comparison{0, {"_x", "", ""}, {"a", "", ""}, -1};
        QTest::newRow("bytes from 0x80 after ASCII") << Comparison{1, {"", "\xc3\xa9", ""}, {"", "z", ""}, 1};
    }
    void compareRowsOrdersByTheColumnIgnoringAsciiCase() {
        QFETCH(Comparison, c);
        AddressList list;
        for (const auto& [email, name, mailbox] : {c.a, c.b}) list.Append(email, name, mailbox, kFromKind);
        const auto signOf = [](int result) { return (result > 0) - (result < 0); };
        QCOMPARE(signOf(CompareRows(list, list.At(0), list.At(1), c.column)), c.sign);
        QCOMPARE(signOf(CompareRows(list, list.At(1), list.At(0), c.column)), -c.sign);
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
        std::vector<std::string> texts(3 * 3000);
        std::generate(texts.begin(), texts.end(), text);
        AddressList list;
        for (std::size_t i = 0; i < texts.size(); i += 3) list.Append(texts[i], texts[i + 1], texts[i + 2], kFromKind);
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
