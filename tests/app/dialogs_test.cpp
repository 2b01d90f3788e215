#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "dialogs/dialog_commands.h"
#include "dialogs/row_search.h"
#include "scan/header_kinds.h"
#include "support/app_harness.h"

namespace mirelo {

using testing::AppHarness;

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
    const int middle = (*button)->height() / 2;
    QTest::mouseClick(*button, Qt::LeftButton, {}, QPoint(middle, middle));
}

// Saves a picture of the dialog when MIRELO_SCREENSHOT_DIR names a folder.
void SaveScreenshot(QWidget& dialog, const QString& name) {
    const QString folder = qEnvironmentVariable("MIRELO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) QVERIFY(dialog.grab().save(folder + u'/' + name + QStringLiteral(".png")));
}

const QStringList kBoxesTopToBottom = {"From:", "To:", "Sender:", "X-Sender:", "Return-Path:", "Reply-To:"};
const HeaderKind kKindsTopToBottom[] = {0, 1, 3, 4, 2, 5};

QList<int> SelectedRows(CMireloView& view) {
    QList<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool IsFullyVisible(CMireloView& view, int row) {
    return view.viewport()->rect().contains(view.visualRect(view.model()->index(row, 0)));
}

// Types each character as a key press, whatever its script.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    bool savedFlags_[kHeaderKindCount] = {};

private slots:
    void init() {
        for (int kind = 0; kind < kHeaderKindCount; ++kind) savedFlags_[kind] = IsKindEnabled(kind);
    }
    void cleanup() {
        for (int kind = 0; kind < kHeaderKindCount; ++kind) SetKindEnabled(kind, savedFlags_[kind]);
    }

    // The ids follow neither kinds nor screen order, so each box is read and written
    // against its own kind.
    void headerTypesShowAndWriteEachKindsFlag_data() {
        QTest::addColumn<QList<int>>("offBefore");
        QTest::addColumn<QStringList>("clicked");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("offAfter");
        for (int row = 0; row < kHeaderKindCount; ++row) {
            QTest::newRow(qPrintable(kBoxesTopToBottom[row]))
                << QList<int>{kKindsTopToBottom[row]} << QStringList{kBoxesTopToBottom[row]} << "OK" << QList<int>{};
        }
        QTest::newRow("Cancel writes nothing") << QList<int>{3} << kBoxesTopToBottom << "Cancel" << QList<int>{3};
        QTest::newRow("all unchecked") << QList<int>{} << kBoxesTopToBottom << "OK" << QList<int>{0, 1, 2, 3, 4, 5};
    }
    void headerTypesShowAndWriteEachKindsFlag() {
        QFETCH(QList<int>, offBefore);
        QFETCH(QStringList, clicked);
        QFETCH(QString, button);
        QFETCH(QList<int>, offAfter);
        for (const int kind : offBefore) SetKindEnabled(kind, false);
        OnModalDialog([&](QDialog& dialog) {
            auto boxes = dialog.findChildren<QCheckBox*>();
            std::sort(boxes.begin(), boxes.end(), [](QCheckBox* a, QCheckBox* b) { return a->y() < b->y(); });
            QCOMPARE(boxes.size(), kHeaderKindCount);
            for (int row = 0; row < kHeaderKindCount; ++row) {
                QCOMPARE(boxes[row]->text(), kBoxesTopToBottom[row]);
                QCOMPARE(boxes[row]->isChecked(), !offBefore.contains(kKindsTopToBottom[row]));
            }
            if (offBefore.isEmpty()) SaveScreenshot(dialog, QStringLiteral("header-types-dialog"));
            for (const QString& text : clicked) Click(dialog, text);
            Click(dialog, button);
        });
        RunHeaderTypesCommand(nullptr);
        for (int kind = 0; kind < kHeaderKindCount; ++kind) QCOMPARE(IsKindEnabled(kind), !offAfter.contains(kind));
    }

    void findSelectsExactlyTheMatchingRows_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("empty text") << QString() << "OK" << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("in two emails") << QStringLiteral("Example.ORG") << "OK" << QList<int>{0, 1};
        QTest::newRow("mailbox only") << QStringLiteral("old.MBX") << "OK" << QList<int>{1};
        QTest::newRow("longer than every field") << QString(40, u'a') << "OK" << QList<int>{};
        // The rows show record bytes as Windows-1252; only A to Z fold.
        QTest::newRow("accented letter") << QStringLiteral("REN\u00E9") << "OK" << QList<int>{3};
        QTest::newRow("accented capital") << QStringLiteral("REN\u00C9") << "OK" << QList<int>{};
        QTest::newRow("euro sign") << QStringLiteral("\u20AC") << "OK" << QList<int>{3};
        QTest::newRow("outside the code page") << QStringLiteral("\u03A9MEGA") << "OK" << QList<int>{4};
        QTest::newRow("shown mailbox name") << QStringLiteral("CAF\u00E9.mbx") << "OK" << QList<int>{4};
        QTest::newRow("mailbox bytes as Windows-1252") << QStringLiteral("caf\u00C3") << "OK" << QList<int>{};
        QTest::newRow("Cancel keeps the selection") << QStringLiteral("alice") << "Cancel" << QList<int>{2};
    }
    void findSelectsExactlyTheMatchingRows() {
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QList<int>, selected);
        AppHarness app;
        app.ShowRecords({
            {"alice@example.org", "Alice Liddell", "Inbox.mbx"},
            {"bob@example.org", "Bob", "Archive/Old.mbx"},
            {"carol@mail.test", "Carol", "Inbox.mbx"},
            {"rene@example.net", "Ren\xE9 \x80", "Inbox.mbx"},
            // A mailbox path is a file name, shown as such, not as Windows-1252.
            {"dora@example.net", "Dora", "Post/\xCE\xA9mega caf\xC3\xA9.mbx"},
        });
        app.SelectRows({2});
        QSignalSpy selectionChanges(app.View().selectionModel(), &QItemSelectionModel::selectionChanged);
        OnModalDialog([&](QDialog& dialog) {
            auto* edit = qobject_cast<QLineEdit*>(dialog.focusWidget());
            QVERIFY2(edit && edit->text().isEmpty(), "the empty search text has the focus");
            TypeText(edit, text);
            Click(dialog, button);
        });
        RunFindCommand(&app.View(), app.View());
        QCOMPARE(SelectedRows(app.View()), selected);
        // The old selection is cleared and the matches selected at once, not row by row.
        QVERIFY(selectionChanges.count() <= 2);
    }

    // The first match scrolls fully into view; no match leaves the scroll where it was.
    void findScrollsToTheFirstMatchOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("matches") << QStringLiteral("NEEDLE") << QList<int>{499, 800};
        QTest::newRow("no match") << QStringLiteral("nobody") << QList<int>{};
    }
    void findScrollsToTheFirstMatchOnly() {
        QFETCH(QString, text);
        QFETCH(QList<int>, selected);
        std::vector<testing::RecordTexts> records(1000, {"someone@example.org", "Someone", "Inbox.mbx"});
        records[499].name = "Needle";
        records[800].email = "needle@example.org";
        AppHarness app;
        app.ShowRecords(records);
        app.SelectRows({0, 1});
        QApplication::processEvents();  // lets the view lay out its new rows
        app.View().EnsureRowFullyVisible(300);
        const int scrolled = app.View().verticalScrollBar()->value();
        QVERIFY(scrolled > 0 && !IsFullyVisible(app.View(), 499));
        OnModalDialog([&](QDialog& dialog) {
            TypeText(dialog.focusWidget(), text);
            if (!selected.isEmpty()) SaveScreenshot(dialog, QStringLiteral("find-dialog"));
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        });
        RunFindCommand(&app.View(), app.View());
        QCOMPARE(SelectedRows(app.View()), selected);
        if (selected.isEmpty()) {
            QCOMPARE(app.View().verticalScrollBar()->value(), scrolled);
        } else {
            QVERIFY(IsFullyVisible(app.View(), selected.front()));
        }
    }

    // "&&" in the instructions shows as one ampersand.
    void aboutShowsTheIconAndTheInstructions() {
        OnModalDialog([](QDialog& dialog) {
            const auto labels = dialog.findChildren<QLabel*>();
            QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
                return label->text().contains(
                    QStringLiteral("[3] Using Notepad, examine the file & delete unwanted addresses\n\n[4]"));
            }));
            QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* label) { return !label->pixmap().isNull(); }));
            SaveScreenshot(dialog, QStringLiteral("about-dialog"));
            Click(dialog, QStringLiteral("OK"));
        });
        RunAboutCommand(nullptr);
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::DialogsTest)
#include "dialogs_test.moc"
