#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "dialogs/dialog_commands.h"
#include "folder_browser_dialog.h"
#include "qt_platform_services.h"
#include "reading_choices.h"
#include "support/app_harness.h"

namespace mirelo {

using namespace testing;

namespace {

// Saves a picture of the dialog when MIRELO_SCREENSHOT_DIR names a folder.
void SaveScreenshot(QWidget& dialog, const QString& name) {
    const QString folder = qEnvironmentVariable("MIRELO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) QVERIFY(dialog.grab().save(folder + u'/' + name + QStringLiteral(".png")));
}

// The header type boxes from top to bottom, and their kinds.
const QStringList kBoxes = {"From:", "To:", "Sender:", "X-Sender:", "Return-Path:", "Reply-To:", "Cc:", "Bcc:"};
const HeaderKind kKinds[] = {0, 1, 3, 4, 2, 5, 6, 7};

template <typename Widget>
QList<Widget*> OnScreenOrder(QList<Widget*> widgets) {
    std::sort(widgets.begin(), widgets.end(), [](Widget* a, Widget* b) {
        return std::pair(a->mapToGlobal(QPoint()).x(), a->mapToGlobal(QPoint()).y()) <
               std::pair(b->mapToGlobal(QPoint()).x(), b->mapToGlobal(QPoint()).y());
    });
    return widgets;
}

// The text typed into Find, the rows it selects and the button that ends the dialog.
struct Search { QString text; QList<int> selected; QString button = "OK"; };

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
    // The file dialog keeps its state in the profile; a harness's folder is gone once it
    // ends, and writing there would leave it behind.
    QTemporaryDir profileFolder_;

private slots:
    void init() { Profile::RedirectTo(profileFolder_.path()); }

    // The tab order is not the screen order, so each box is read and written against its
    // own kind and command: one kind is off in both, then every box is clicked and the
    // other reading chosen. The title is not cut.
    void headerTypesShowAndWriteEachCommandsReading_data() {
        QTest::addColumn<int>("off");  // the one kind off before
        QTest::addColumn<QString>("button");
        for (int row = 0; row < kHeaderKindCount; ++row) QTest::newRow(qPrintable(kBoxes[row])) << kKinds[row] << "OK";
        QTest::newRow("Cancel writes nothing") << kSenderKind << "Cancel";
    }
    void headerTypesShowAndWriteEachCommandsReading() {
        QFETCH(int, off);
        QFETCH(QString, button);
        ReadingChoices choices;
        choices.originalCommands.kinds.Set(off, false);
        choices.allMail.kinds.Set(off, false);
        const ReadingChoices before = choices;
        OnModalDialog([&](QDialog& dialog) {
            SaveScreenshot(dialog, QStringLiteral("header-types-dialog"));
            QVERIFY(dialog.width() > dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()));
            const auto groups = OnScreenOrder(dialog.findChildren<QGroupBox*>());
            QCOMPARE(groups.size(), 2);
            for (int command = 0; command < 2; ++command) {
                const Reading& reading = command == 0 ? before.originalCommands : before.allMail;
                QGroupBox* group = groups[command];
                const auto boxes = OnScreenOrder(group->findChildren<QCheckBox*>());
                QCOMPARE(boxes.size(), kHeaderKindCount);
                for (int row = 0; row < kHeaderKindCount; ++row) {
                    QCOMPARE(boxes[row]->text(), kBoxes[row]);
                    QCOMPARE(boxes[row]->isChecked(), reading.kinds.Has(kKinds[row]));
                    Click(boxes[row]);
                }
                const auto rules = group->findChildren<QRadioButton*>();
                QCOMPARE(rules.size(), 2);
                Click(rules[0]->isChecked() ? rules[1] : rules[0]);
            }
            Click(dialog, button);
        });
        QCOMPARE(RunHeaderTypesCommand(nullptr, choices), button == "OK");
        for (const auto& [now, was] : {std::pair(choices.originalCommands, before.originalCommands),
                                       std::pair(choices.allMail, before.allMail)}) {
            for (int kind = 0; kind < kHeaderKindCount; ++kind) QCOMPARE(now.kinds.Has(kind), was.kinds.Has(kind) != (button == "OK"));
            QCOMPARE(now.rules == was.rules, button != "OK");  // two rules: a change is the other one
        }
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

    // The save dialog asks before it replaces the file that will be written: a name typed
    // without an extension gets its type's, in the case the type line shows, first.
    void saveDialogAsksAboutTheFileThatWillBeWritten_data() {
        QTest::addColumn<int>("type");  // in the order of the type list
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain CSV") << 0 << "all-list.CSV" << "all-list.CSV";
        QTest::newRow("JSON") << 5 << "all-list.json" << "all-list.json";
        QTest::newRow("RFC 4180, new file") << 1 << "all-list.CSV" << "all-list.csv";
    }
    void saveDialogAsksAboutTheFileThatWillBeWritten() {
        QFETCH(int, type);
        QFETCH(QString, existing);
        QFETCH(QString, written);
        TempDir files;
        files.Write(existing.toStdString(), "earlier");
        const QString folder = QString::fromStdString(files.path().string());
        QStringList questions;
        OnModalDialog([&](QDialog& dialog) {
            auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            types->setCurrentIndex(type);
            emit types->activated(type);  // as a choice by the user does
            emit types->textActivated(types->currentText());
            dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(folder + QStringLiteral("/all-list"));
            // Gone with the dialog when no question comes.
            QTimer::singleShot(0, &dialog, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                questions << box->text();
                box->button(QMessageBox::Yes)->click();
            });
            dialog.accept();
        });
        const std::optional<SaveChoice> choice = QtPlatformServices().AskSaveAsPath(folder.toStdString() + "/x");
        QVERIFY(choice);
        QCOMPARE(QString::fromStdString(choice->path), QDir::toNativeSeparators(folder + u'/' + written));
        QCOMPARE(static_cast<int>(choice->format), type);
        QCOMPARE(questions.size(), existing == written ? 1 : 0);
        if (!questions.isEmpty()) QVERIFY2(questions.front().contains(written), qPrintable(questions.front()));
    }

    void saveChangesQuestionAnswersWithTheButtonClicked() {
        using enum PlatformServices::SaveAnswer;
        for (auto [button, answer] : {std::pair{"&Yes", Yes}, std::pair{"&No", No}, std::pair{"Cancel", Cancel}}) {
            OnModalDialog([button](QDialog& dialog) { Click(dialog, button); });
            QCOMPARE(QtPlatformServices().AskSaveChanges(QStringLiteral("Untitled")), answer);
        }
    }

    // "&&" in the instructions shows as one ampersand; they keep as far from the right edge
    // as from the left.
    void aboutShowsTheIconAndTheInstructions() {
        OnModalDialog([](QDialog& dialog) {
            const auto labels = dialog.findChildren<QLabel*>();
            const auto any = [&](auto has) { return std::any_of(labels.begin(), labels.end(), has); };
            const QString step3 = "[3] Using Notepad, examine the file & delete unwanted addresses\n\n[4]";
            QVERIFY(any([&](QLabel* label) {
                const int textRight = label->x() + label->fontMetrics().boundingRect(QRect(), 0, label->text()).width();
                return label->text().contains(step3) && dialog.width() - textRight >= label->x();
            }));
            QVERIFY(any([](QLabel* label) { return !label->pixmap().isNull(); }));
            SaveScreenshot(dialog, QStringLiteral("about-dialog"));
        });
        RunAboutCommand(nullptr);
    }

    // The initial folder is selected and in view, typing goes to the path, which wins when
    // it names a folder and is refused with a message when it does not; home and the root
    // are a click away.
    void folderBrowserChoosesTheTypedFolderWhenItExists_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");  // below the temporary folder
        QTest::newRow("nothing typed: the initial folder") << "" << "Mail/d180";
        QTest::newRow("relative to the selection") << "Sub" << "Mail/d180/Sub";
        QTest::newRow("absolute") << "@/Other" << "Other";
        QTest::newRow("missing: refused") << "Nowhere" << "";
        QTest::newRow("a file: refused") << "Sub/In.mbx" << "";
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
        QString message;
        if (chosen.isEmpty()) OnModalDialog([&](QDialog& box) { message = box.findChild<QLabel*>("qt_msgbox_label")->text(); });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(message, chosen.isEmpty() ? typed + " is not a folder." : QString());
        QCOMPARE(dialog.ChosenFolder(), chosen.isEmpty() ? QString() : QDir::toNativeSeparators(root + '/' + chosen));
        QVERIFY(dialog.isVisible() == chosen.isEmpty() && (dialog.result() == QDialog::Accepted) != chosen.isEmpty());
        for (const QString& folder : {QDir::homePath(), QDir::rootPath()}) {
            dialog.findChild<QPushButton*>(folder)->click();
            QCOMPARE(dialog.ChosenFolder(), QDir::toNativeSeparators(folder));
        }
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::DialogsTest)
#include "dialogs_test.moc"
