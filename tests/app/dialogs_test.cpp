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

#include "dialogs/about_dlg.h"
#include "dialogs/dialog_commands.h"
#include "dialogs/find_string_dlg.h"
#include "dialogs/header_types_dlg.h"
#include "dialogs/row_search.h"
#include "scan/address_list.h"
#include "scan/header_kinds.h"
#include "scan/mailbox_scanner.h"
#include "support/app_harness.h"
#include "support/temp_dir.h"

namespace mirelo {

using testing::AppHarness;

namespace {

// Runs action on the modal dialog once its loop is running, then closes it if the action
// did not, so that a failed check cannot leave the test waiting.
void OnModalDialog(std::function<void(QDialog&)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QFAIL("no modal dialog open");
        }
        QApplication::setActiveWindow(dialog);
        const bool active = QTest::qWaitForWindowActive(dialog);
        if (active) {
            action(*dialog);
        }
        if (dialog->isVisible()) {
            dialog->reject();
        }
        QVERIFY2(active, "the dialog takes the focus");
    });
}

template <typename Widget>
Widget* ChildWithText(QWidget& parent, const QString& text) {
    for (Widget* child : parent.findChildren<Widget*>()) {
        if (child->text() == text) {
            return child;
        }
    }
    return nullptr;
}

// Clicks near the left end, where a check box has its box.
void Click(QWidget& dialog, const QString& text) {
    QAbstractButton* button = ChildWithText<QAbstractButton>(dialog, text);
    QVERIFY2(button, qPrintable(text));
    const int middle = button->height() / 2;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(middle, middle));
}

// Saves a picture of the dialog when MIRELO_SCREENSHOT_DIR names a folder.
void SaveScreenshot(QWidget& dialog, const QString& name) {
    const QString folder = qEnvironmentVariable("MIRELO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QVERIFY(dialog.grab().save(folder + u'/' + name + QStringLiteral(".png")));
    }
}

const QStringList kBoxesTopToBottom = {QStringLiteral("From:"),    QStringLiteral("To:"),
                                       QStringLiteral("Sender:"),  QStringLiteral("X-Sender:"),
                                       QStringLiteral("Return-Path:"), QStringLiteral("Reply-To:")};
const HeaderKind kKindsTopToBottom[] = {0, 1, 3, 4, 2, 5};

// The check boxes of the header-types dialog, from top to bottom on screen.
std::vector<QCheckBox*> BoxesOnScreen(QWidget& dialog) {
    auto boxes = dialog.findChildren<QCheckBox*>();
    std::vector<QCheckBox*> sorted(boxes.begin(), boxes.end());
    std::sort(sorted.begin(), sorted.end(),
              [](QCheckBox* a, QCheckBox* b) { return a->y() < b->y(); });
    return sorted;
}

// Two messages with every kind of header line but Sender:.
const char* const kMailbox =
    "From ???@??? Mon Jan 01 10:00:00 2001\n"
    "Return-Path: <help@mailhost>\n"
    "From: Help Desk <help@mailhost>\n"
    "To: sales@mailhost\n"
    "Reply-To: replies@mailhost\n"
    "\n"
    "From ???@??? Mon Jan 01 11:00:00 2001\n"
    "From: Book Club <club@mailhost>\n"
    "To: Members <members@club>\n"
    "X-Sender: relay@club\n";

std::vector<HeaderKind> ScannedKinds() {
    const testing::TempDir folder;
    const std::string path = folder.Write("In.mbx", kMailbox);
    AddressList list;
    ScanMailbox(path, list, path);
    std::vector<HeaderKind> kinds;
    for (int i = 0; i < list.Count(); ++i) {
        kinds.push_back(list.At(i)->headerKind);
    }
    return kinds;
}

QList<int> SelectedRows(CMireloView& view) {
    QList<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool IsFullyVisible(CMireloView& view, int row) {
    return view.viewport()->rect().contains(view.visualRect(view.model()->index(row, 0)));
}

QString TextOf(QWidget& control) {
    if (auto* label = qobject_cast<QLabel*>(&control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        return button->text();
    }
    return {};
}

bool TextFits(QWidget& control) {
    if (auto* label = qobject_cast<QLabel*>(&control); label && label->wordWrap()) {
        return label->heightForWidth(label->width()) <= label->height();
    }
    const QSize needed = qobject_cast<QLabel*>(&control) ? control.sizeHint()
                                                          : control.fontMetrics().size(0, TextOf(control));
    return needed.width() <= control.width() && needed.height() <= control.height();
}

std::vector<AddressRecord> SampleRecords() {
    return {
        {"alice@example.org", "Alice Liddell", "Inbox.mbx"},
        {"bob@example.org", "Bob", "Archive/Old.mbx"},
        {"carol@mail.test", "Carol", "Inbox.mbx"},
        {"rene@example.net", "Ren\xE9 \x80", "Inbox.mbx"},
        // A mailbox path is a file name, shown as such, not as Windows-1252.
        {"dora@example.net", "Dora", "Post/\xCE\xA9mega caf\xC3\xA9.mbx"},
    };
}

// Types each character as a key press, whatever its script.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

// Opens Find over rows, types text into the focused control and closes with button.
void RunFind(CMireloView& view, const QString& text, const QString& button) {
    OnModalDialog([&](QDialog& dialog) {
        auto* edit = qobject_cast<QLineEdit*>(dialog.focusWidget());
        QVERIFY2(edit, "the search text has the focus");
        QCOMPARE(edit->text(), QString());
        TypeText(edit, text);
        Click(dialog, button);
    });
    RunFindCommand(&view, view);
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    bool savedFlags_[kHeaderKindCount] = {};

private slots:
    void init() {
        for (int kind = 0; kind < kHeaderKindCount; ++kind) {
            savedFlags_[kind] = IsKindEnabled(kind);
        }
    }
    void cleanup() {
        for (int kind = 0; kind < kHeaderKindCount; ++kind) {
            SetKindEnabled(kind, savedFlags_[kind]);
        }
    }

    // Runs first, in a fresh process: every kind starts enabled.
    void headerTypesOpenAllCheckedInScreenOrder() {
        OnModalDialog([](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Specify which headers types to be used"));
            const std::vector<QCheckBox*> boxes = BoxesOnScreen(dialog);
            QCOMPARE(boxes.size(), std::size_t{6});
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                QCOMPARE(boxes[i]->text(), kBoxesTopToBottom[static_cast<qsizetype>(i)]);
                QVERIFY(boxes[i]->isChecked());
            }
            SaveScreenshot(dialog, QStringLiteral("header-types-dialog"));
            Click(dialog, QStringLiteral("Cancel"));
        });
        RunHeaderTypesCommand(nullptr);
    }

    // The ids follow neither kinds nor screen order, so each box is checked against its kind.
    void headerTypesShowEachKindsFlag_data() {
        QTest::addColumn<int>("screenRow");
        for (int row = 0; row < kHeaderKindCount; ++row) {
            QTest::newRow(qPrintable(kBoxesTopToBottom[row])) << row;
        }
    }
    void headerTypesShowEachKindsFlag() {
        QFETCH(int, screenRow);
        SetKindEnabled(kKindsTopToBottom[screenRow], false);
        CHeaderTypesDlg dialog;
        const std::vector<QCheckBox*> boxes = BoxesOnScreen(dialog);
        for (int row = 0; row < kHeaderKindCount; ++row) {
            QCOMPARE(boxes[static_cast<std::size_t>(row)]->isChecked(), row != screenRow);
        }
    }

    void uncheckingToAndOkDropsToRecords() {
        QVERIFY(ScannedKinds() == (std::vector<HeaderKind>{0, 1, 2, 5, 0, 1, 4}));
        OnModalDialog([](QDialog& dialog) {
            Click(dialog, QStringLiteral("To:"));
            Click(dialog, QStringLiteral("OK"));
        });
        RunHeaderTypesCommand(nullptr);
        for (int kind = 0; kind < kHeaderKindCount; ++kind) {
            QCOMPARE(IsKindEnabled(kind), kind != kToKind);
        }
        QVERIFY(ScannedKinds() == (std::vector<HeaderKind>{0, 2, 5, 0, 4}));
    }

    void cancelChangesNoFlag() {
        SetKindEnabled(kSenderKind, false);
        OnModalDialog([](QDialog& dialog) {
            for (const QString& text : kBoxesTopToBottom) {
                Click(dialog, text);
            }
            Click(dialog, QStringLiteral("Cancel"));
        });
        RunHeaderTypesCommand(nullptr);
        for (int kind = 0; kind < kHeaderKindCount; ++kind) {
            QCOMPARE(IsKindEnabled(kind), kind != kSenderKind);
        }
    }

    void allUncheckedGivesNoRecords() {
        OnModalDialog([](QDialog& dialog) {
            for (const QString& text : kBoxesTopToBottom) {
                Click(dialog, text);
            }
            Click(dialog, QStringLiteral("OK"));
        });
        RunHeaderTypesCommand(nullptr);
        QVERIFY(ScannedKinds().empty());
    }

    void findSelectsExactlyTheMatchingRows_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("empty text") << QString() << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("capitals") << QStringLiteral("ALICE") << QList<int>{0};
        QTest::newRow("in two emails") << QStringLiteral("Example.ORG") << QList<int>{0, 1};
        QTest::newRow("mailbox only") << QStringLiteral("old.MBX") << QList<int>{1};
        QTest::newRow("longer than every field") << QString(40, u'a') << QList<int>{};
        // The rows show record bytes as Windows-1252; only A to Z fold.
        QTest::newRow("accented letter") << QStringLiteral("REN\u00E9") << QList<int>{3};
        QTest::newRow("accented capital") << QStringLiteral("REN\u00C9") << QList<int>{};
        QTest::newRow("euro sign") << QStringLiteral("\u20AC") << QList<int>{3};
        QTest::newRow("outside the code page") << QStringLiteral("\u03A9MEGA") << QList<int>{4};
        QTest::newRow("shown mailbox name") << QStringLiteral("CAF\u00E9.mbx") << QList<int>{4};
        QTest::newRow("mailbox bytes as Windows-1252") << QStringLiteral("caf\u00C3") << QList<int>{};
    }
    void findSelectsExactlyTheMatchingRows() {
        QFETCH(QString, text);
        QFETCH(QList<int>, selected);
        AppHarness app;
        app.ShowRecords(SampleRecords());
        app.SelectRows({2});
        QSignalSpy selectionChanges(app.View().selectionModel(), &QItemSelectionModel::selectionChanged);
        RunFind(app.View(), text, QStringLiteral("OK"));
        QCOMPARE(SelectedRows(app.View()), selected);
        // The old selection is cleared and the matches selected at once, not row by row.
        QVERIFY(selectionChanges.count() <= 2);
    }

    void findCancelKeepsTheSelection() {
        AppHarness app;
        app.ShowRecords(SampleRecords());
        app.SelectRows({1});
        RunFind(app.View(), QStringLiteral("alice"), QStringLiteral("Cancel"));
        QCOMPARE(SelectedRows(app.View()), QList<int>{1});
    }

    void findWithoutMatchScrollsNowhere() {
        std::vector<AddressRecord> records(1000, {"someone@example.org", "Someone", "Inbox.mbx"});
        AppHarness app;
        app.ShowRecords(records);
        QApplication::processEvents();  // lets the view lay out its new rows
        app.View().EnsureRowFullyVisible(300);
        const int scrolled = app.View().verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        RunFind(app.View(), QStringLiteral("nobody"), QStringLiteral("OK"));
        QCOMPARE(app.View().verticalScrollBar()->value(), scrolled);
        QVERIFY(SelectedRows(app.View()).isEmpty());
    }

    void findScrollsTheFirstMatchFullyIntoView() {
        std::vector<AddressRecord> records(1000, {"someone@example.org", "Someone", "Inbox.mbx"});
        records[499].name = "Needle";
        records[800].email = "needle@example.org";
        AppHarness app;
        app.ShowRecords(records);
        app.SelectRows({0, 1});
        QVERIFY(!IsFullyVisible(app.View(), 499));
        OnModalDialog([](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Find string"));
            TypeText(dialog.focusWidget(), QStringLiteral("NEEDLE"));
            SaveScreenshot(dialog, QStringLiteral("find-dialog"));
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        });
        RunFindCommand(&app.View(), app.View());
        QCOMPARE(SelectedRows(app.View()), (QList<int>{499, 800}));
        QVERIFY(IsFullyVisible(app.View(), 499));
    }

    void containsNoCase_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<int>("position");
        QTest::newRow("capitals in pattern") << QByteArray("abc") << QByteArray("BC") << 1;
        QTest::newRow("empty pattern") << QByteArray("abc") << QByteArray() << 0;
        QTest::newRow("first of several") << QByteArray("xAbAB") << QByteArray("ab") << 1;
        QTest::newRow("at the very end") << QByteArray("mailbox") << QByteArray("BOX") << 4;
        // Only A to Z fold: brackets and accented letters 0x20 apart stay different.
        QTest::newRow("brackets vs braces") << QByteArray("[x]") << QByteArray("{X}") << -1;
        QTest::newRow("accented capital") << QByteArray("\xC9t\xE9") << QByteArray("\xE9") << 2;
    }
    void containsNoCase() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, pattern);
        QFETCH(int, position);
        const auto found = ContainsNoCase(std::string_view(text.constData(), text.size()),
                                          std::string_view(pattern.constData(), pattern.size()));
        QCOMPARE(found ? static_cast<int>(*found) : -1, position);
    }

    void aboutShowsVersionAndInstructions() {
        OnModalDialog([](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("About Mirelo"));
            QVERIFY(ChildWithText<QLabel>(dialog, QStringLiteral("Mirelo Version 1.0")));
            QVERIFY(ChildWithText<QLabel>(
                dialog, QStringLiteral("[1] Click on 'Extract Email Addresses'\n\n"
                                       "[2] Save address list\n\n"
                                       "[3] Using Notepad, examine the file & delete unwanted "
                                       "addresses\n\n"
                                       "[4] Import the file into Velloran's Authorized Senders "
                                       "folder ")));
            const auto labels = dialog.findChildren<QLabel*>();
            QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
                return !label->pixmap().isNull();
            }));
            SaveScreenshot(dialog, QStringLiteral("about-dialog"));
            Click(dialog, QStringLiteral("OK"));
        });
        RunAboutCommand(nullptr);
    }

    // The templates scale with the font, so on any font the controls must stay inside the
    // dialog, apart from each other, and wide and tall enough for their texts.
    void everyControlFitsItsText() {
        CHeaderTypesDlg headerTypes;
        CFindStringDlg find;
        CAboutDlg about;
        for (QDialog* dialog : std::initializer_list<QDialog*>{&headerTypes, &find, &about}) {
            const auto controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* control : controls) {
                const QString where = dialog->windowTitle() + u' ' + TextOf(*control);
                QVERIFY2(dialog->rect().contains(control->geometry()), qPrintable(where));
                for (QWidget* other : controls) {
                    QVERIFY2(other == control || !other->geometry().intersects(control->geometry()),
                             qPrintable(where));
                }
                QVERIFY2(TextFits(*control), qPrintable(where));
            }
        }
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::DialogsTest)
#include "dialogs_test.moc"
