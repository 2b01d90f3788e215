#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QProgressBar>
#include <QUrl>

#include "cli/extract_options.h"
#include "cli/run_extract.h"
#include "store_writer/dbx_writer.h"
#include "support/app_harness.h"
#include "support/scoped_env.h"

namespace mirelo {

using namespace testing;

namespace {

const QString kAllMail = QStringLiteral("Extract email addresses (all mail under a folder)\u2026");

// Mail that takes a good while to read: one mailbox with an address at each end and a
// hundred megabytes of lines between that the scan must look at; returns its folder.
std::string WriteSlowMailbox(AppHarness& app) {
    std::string lines;
    for (int i = 0; i < 1 << 19; ++i) lines += "F\n";
    std::string mailbox = "From: first@x.org\r\n\r\n";
    for (int i = 0; i < 100; ++i) mailbox += lines;
    app.files.Write("Slow/In.mbx", mailbox + "From: last@x.org\r\n");
    return app.Path("Slow");
}

// Acts once, as soon as the window shows the reading under way, and checks that nothing
// can change the list meanwhile.
struct WhileReading : QTimer {
    WhileReading(AppHarness& app, std::function<void()> act) {
        connect(this, &QTimer::timeout, [&app, act, this] {
            if (acted || !app.Doc().IsExtracting() || app.Frame().ProgressBar()->value() <= 0) return;
            acted = true;
            for (const char* item : {"Extract email addresses (Outlook)", "Save As...", "Select header &types"})
                QVERIFY2(!app.Enabled(item), item);
            QVERIFY(app.Enabled("&About Mirelo..."));
            act();
        });
        start(5);
    }
    bool acted = false;
};

// % stands for the folder, @ for the CSV path; message is the start of the one message, if any;
// skipped the status bar's button, if shown.
struct Outcome { QString item, folder, saveTo, temp, message, status, csv, skipped; };

}  // namespace

class ExtractionTest : public QObject {
    Q_OBJECT
private slots:
    // Save writes the list's own file without a dialog, in list order, without deleted rows, and
    // only while something is unsaved; a cancelled Save As leaves it unsaved. A new extraction is
    // a new document: unsaved changes are asked about first (Cancel: nothing starts; Yes: written
    // to its own file; a folder gone meanwhile is said to be gone), and neither they nor its file
    // carry over, so a list whose save was cancelled asks where; a close while reading keeps the file.
    void saveWritesTheListsOwnFileAndANewExtractionAsksFirst() {
        using enum PlatformServices::SaveAnswer;
        AppHarness app;
        const std::string csv = app.Path("out.csv");
        app.files.Write("Mail/In.mbx", "From: In@x.org\r\n\r\nFrom: Inx@x.org\r\n\r\nFrom: Inxx@x.org\r\n\r\n");
        app.Extract(app.Path("Mail"), csv);
        std::remove(csv.c_str());
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!std::filesystem::exists(csv));

        app.DeleteRows({1});
        app.Choose(QStringLiteral("Save As..."));
        app.platform.saveChangesAnswers = {Cancel};
        app.platform.folderAnswers = {app.Path("Mail")};
        app.Choose("Extract email addresses (Eudora)");
        QVERIFY(app.Doc().IsModified());
        QCOMPARE(app.View().RowCount(), 2);
        app.platform.saveChangesAnswers = {No};
        app.files.Write("Gone/In.mbx", "From: gone@x.org\r\n");
        app.platform.whileAskingToSave = [&] { std::filesystem::remove_all(app.Path("Gone")); };
        app.Extract(app.Path("Gone"), std::nullopt);
        QVERIFY(app.platform.messages.at(0).startsWith(QString::fromStdString("Cannot read the folder " + app.Path("Gone"))));
        app.Extract(app.Path("Mail"), std::nullopt);
        QVERIFY(!app.Enabled("Save..."));
        QCOMPARE(app.View().RowCount(), 3);
        app.DeleteRows({1});
        app.View().SortRows(1);
        app.platform.saveAnswers = {csv};
        QTest::keyClick(&app.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(app.platform.savePreloads, (std::vector<std::string>{"", csv, csv, csv}));
        QCOMPARE(FileText(csv), QString("email,name,notes\r\nIn@x.org,From,In.mbx\r\nInxx@x.org,From,In.mbx\r\n"));
        // The count includes the deleted row.
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("3 original email addresses, 2 unique"));
        QVERIFY(!app.Enabled("Save..."));
        QCOMPARE(app.platform.openedForEditing.size(), 1u);

        app.DeleteRows({0});
        app.platform.saveChangesAnswers = {Yes};
        WhileReading probe(app, [&] { app.Frame().close(); });
        app.Extract(WriteSlowMailbox(app), std::nullopt);
        QCOMPARE(app.platform.saveChangesAsked, 3);
        QCOMPARE(app.platform.savePreloads.size(), 4u);
        QCOMPARE(FileText(csv), QString("email,name,notes\r\nInxx@x.org,From,In.mbx\r\n"));
        QVERIFY(!app.Frame().isVisible());
    }

    // An extraction ends with the list shown, saved and opened, or with one message or status
    // and the earlier file kept; the wait cursor shows meanwhile. The status bar tells how many
    // stores were skipped, and lists each with its reason on a click.
    void extractionsEndWithTheListSavedOrAMessage_data() {
        QTest::addColumn<Outcome>("c");
        const QString eudora = "Extract email addresses (Eudora)", outlook = "Extract email addresses (Outlook)";
        const QString notOpened = " (saved to @; no application opened it)";
        QTest::newRow("Eudora") << Outcome{eudora, "Mail", "out.csv", "", "",
            "4 original email addresses, 3 unique" + notOpened, "email,name,notes\r\nalice@example.com,Alice,In.mbx\r\n"
            "BOB@example.org,Bob,In.mbx\r\ncarol@example.net,Carol,Sub/Old.mbx\r\n", ""};
        QTest::newRow("Outlook walks from the parent") << Outcome{outlook, "AD/Identities", "out.csv", "", "",
            "1 original email addresses, 1 unique" + notOpened,
            "email,name,notes\r\ndora@example.com,Dora,/Main/Inbox.dbx\r\n", u"1 store skipped\u2026"_qs};
        QTest::newRow("output cannot be opened") << Outcome{eudora, "Mail", "no/such/out.csv", "",
            "Unable to open output file @\ncannot create @.partial0: No such file", "Done", "earlier\r\n", ""};
        QTest::newRow("folder cannot be read") << Outcome{eudora, "Gone", "out.csv", "",
            "Cannot read the folder %\nNo such file or directory", "Ready", "earlier\r\n", ""};
        QTest::newRow("no mailbox, but Outlook stores") << Outcome{eudora, "AD", "out.csv", "", "",
            "No mailboxes found under %; it holds Outlook Express stores: try " + outlook, "earlier\r\n", ""};
        QTest::newRow("no store can be read") << Outcome{outlook, "AD/Identities", "out.csv", "none",
            "No store could be read: cannot write the temporary", "Done", "earlier\r\n",
            u"2 stores skipped\u2026"_qs};
    }
    void extractionsEndWithTheListSavedOrAMessage() {
        QFETCH(Outcome, c);
        AppHarness app;
        app.platform.editorOpens = false;
        app.files.Write("Mail/In.mbx", "From: Alice <alice@example.com>\r\nTo: Bob <bob@example.org>\r\n\r\nHi\r\n"
                                       "From: Bob <BOB@example.org>\r\n\r\nHello\r\n");
        app.files.Write("Mail/Sub/Old.mbx", "From: \"Carol\" <carol@example.net>\r\n\r\n");
        app.files.Write("Mail/Trash.mbx", "From: spam@example.com\r\n\r\n");
        const auto store = DbxStoreBuilder().AddMessage("From: Dora <dora@example.com>\r\n\r\nHi\r\n").Build();
        app.files.Write("AD/Identities/Main/Inbox.dbx", store.bytes);
        app.files.Write("AD/Other/Broken.dbx", store.CutAt(store.bytes.size() / 2));
        app.files.Write("out.csv", "earlier\r\n");
        const ScopedEnv temporaryFolder("TEMP", app.Path(c.temp.toStdString()));
        const QString folderPath = QString::fromStdString(app.Path(c.folder.toStdString()));
        const QString csvPath = QString::fromStdString(app.Path(c.saveTo.toStdString()));
        QStringList statuses;
        QTimer probe;  // at every turn of the event loop
        connect(&probe, &QTimer::timeout, [&] {
            statuses << app.Frame().MessageText();
            const QCursor* cursor = QApplication::overrideCursor();
            QVERIFY(!app.Doc().IsExtracting() || (cursor && cursor->shape() == Qt::WaitCursor));
        });
        probe.start(0);
        app.Extract(folderPath.toStdString(), csvPath.toStdString(), c.item);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(app.platform.messages.size(), c.message.isEmpty() ? 0u : 1u);
        c.message.replace('%', folderPath).replace('@', csvPath);
        if (!c.message.isEmpty()) QVERIFY2(app.platform.messages.front().startsWith(c.message), qPrintable(c.message));
        QCOMPARE(app.Frame().MessageText(), c.status.replace('@', csvPath).replace('%', folderPath));
        QCOMPARE(FileText(app.Path("out.csv")), QString::fromStdString(Native(c.csv.toStdString())));
        QCOMPARE(app.platform.openedForEditing.size(), c.csv.startsWith("email") ? 1u : 0u);
        if (c.message.isEmpty()) {
            QVERIFY(statuses.contains(QStringLiteral("Sorting")));
            QCOMPARE(app.View().RowCount(), c.csv.count('\n') - 1);
        }
        QPushButton* problems = app.Frame().ProblemsButton();
        QCOMPARE(problems->isVisible() ? problems->text() : QString(), c.skipped);
        if (c.skipped.startsWith(u'1')) {
            QString listed;
            OnModalDialog([&](QDialog& dialog) { listed = qobject_cast<QMessageBox*>(&dialog)->informativeText(); });
            problems->click();
            QVERIFY2(listed.contains("Broken.dbx: ") && !listed.contains(u'\n'), qPrintable(listed));
        }
        if (c.temp == "none") {  // a run that read nothing does not hold back the next one, nor shows its skips
            app.Extract(app.Path("Mail"), csvPath.toStdString());
            QCOMPARE(FileText(app.Path("out.csv")).count('\n'), 4);
            QVERIFY(!problems->isVisible());
        }
    }

    // The window takes events while a large mailbox is read; Escape ends the reading
    // within a block, says so and saves what was found. (A close skips the export and
    // closes: the save test above closes during a read.)
    void escapeStopsALongReadAndSavesWhatWasFound() {
        AppHarness app;
        WhileReading probe(app, [&] { QTest::keyClick(&app.Frame(), Qt::Key_Escape); });
        app.Extract(WriteSlowMailbox(app), app.Path("out.csv"));
        QVERIFY(!app.Frame().ProgressBar()->isVisible());
        QCOMPARE(app.View().RowCount(), 1);
        QVERIFY(app.Frame().isVisible());
        QCOMPARE(app.platform.saveChangesAsked, 0);
        // Said before the save dialog, whose title says the list is partial.
        QCOMPARE(app.platform.statusesAtSave, std::vector<QString>{QStringLiteral("Extraction stopped")});
        QCOMPARE(app.platform.partialSaves, std::vector<bool>{true});
        QCOMPARE(FileText(app.Path("out.csv")), QStringLiteral("email,name,notes\r\nfirst@x.org,From,In.mbx\r\n"));
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("Extraction stopped: 1 original email addresses, 1 unique"));
        QVERIFY(app.Enabled("Select header &types"));
    }

    // The all-mail command reads every address of every kind, Cc: too, as RFC 5322 says;
    // the original commands their six kinds by the line rule, unless Select header types
    // says otherwise, which the profile keeps and the status line names. The commands'
    // states follow the extraction the moment it ends, before any menu has opened: the
    // item on the bar is enabled again and Alt+F opens File.
    void eachCommandReadsAsItsOwnUnlessChosenOtherwise() {
        AppHarness app;
        app.files.Write("Mail/In.mbx", "From: a@x.org\r\nTo: Bob\r\n <b@x.org>\r\nCc: Carl <c@x.org>\r\n\r\nHi\r\n");
        app.Extract(app.Path("Mail"), app.Path("out.csv"));
        QCOMPARE(app.ColumnTexts(0), QStringList{"a@x.org"});
        QVERIFY(app.Enabled("Select header &types") && app.Enabled("Extract email addresses (Outlook)"));
        QTest::keyClick(&app.Frame(), Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(app.Item("&File")->menu()->isVisible());
        app.Item("&File")->menu()->close();
        app.Extract(app.Path("Mail"), app.Path("out.csv"), kAllMail);
        QCOMPARE(app.ColumnTexts(0), (QStringList{"a@x.org", "b@x.org", "c@x.org"}));
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("3 original email addresses, 3 unique"));

        OnModalDialog([](QDialog& dialog) {
            const auto groups = dialog.findChildren<QGroupBox*>();
            for (QGroupBox* group : groups) {
                if (group->title() != QStringLiteral("Eudora and Outlook")) continue;
                for (QRadioButton* rules : group->findChildren<QRadioButton*>())
                    if (rules->text() == QStringLiteral("RFC 5322")) Click(rules);
            }
            Click(dialog, QStringLiteral("OK"));
        });
        app.Choose("Select header &types");
        app.Restart();
        app.Extract(app.Path("Mail"), app.Path("out.csv"));
        QCOMPARE(app.ColumnTexts(0), (QStringList{"a@x.org", "b@x.org"}));
        QCOMPARE(app.Frame().MessageText(), QStringLiteral("2 original email addresses, 2 unique (read as RFC 5322)"));
    }

    // A folder dropped on the window is read as all mail under it; a file is not taken.
    // File then lists the folders read last, newest first, from one run to the next, and
    // each reads its folder again with its own command, without asking for it; a folder
    // read again moves to the top.
    void droppedAndRecentFoldersAreRead() {
        AppHarness app;
        app.files.Write("One/In.mbx", "From: one@x.org\r\n\r\n");
        app.files.Write("Two/In.mbx", "From: two@x.org\r\n\r\n");
        const auto drop = [&](const std::string& path) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&app.Frame(), &enter);
            if (!enter.isAccepted()) return false;
            QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&app.Frame(), &dropped);
            QTest::qWait(0);
            return QTest::qWaitFor([&] { return !app.Doc().IsExtracting(); });
        };
        QVERIFY(!drop(app.Path("One/In.mbx")));
        QVERIFY(drop(app.Path("One")));
        QCOMPARE(app.ColumnTexts(0), QStringList{"one@x.org"});
        for (int run = 0; run < 2; ++run) app.Extract(app.Path("Two"), std::nullopt);  // listed once
        QCOMPARE(app.platform.folderInitials.size(), 2u);

        app.Restart();
        const QString one = QString::fromStdString(app.Path("One")), two = QString::fromStdString(app.Path("Two"));
        QAction* first = app.Item("&1 " + two + " (Eudora)");
        QVERIFY(app.Item("&2 " + one + " (all mail)"));
        first->trigger();
        QVERIFY(QTest::qWaitFor([&] { return !app.Doc().IsExtracting(); }));
        QCOMPARE(app.ColumnTexts(0), QStringList{"two@x.org"});
        QCOMPARE(app.platform.folderInitials.size(), 2u);
    }

    // Save As in JSON and in vCard writes the bytes mirelo-extract --format writes for the
    // same folder and command: facts and decoded names included, Details on or off.
    void saveAsWritesWhatTheCommandLineWrites_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("allMail");
        QTest::addColumn<bool>("details");
        for (int row = 0; row < 8; ++row) {
            const char* format = row & 4 ? "vcard" : "json";
            QTest::addRow("%s%s%s", format, row & 2 ? ", all mail" : "", row & 1 ? ", details" : "")
                << QString::fromLatin1(format) << bool(row & 2) << bool(row & 1);
        }
    }
    void saveAsWritesWhatTheCommandLineWrites() {
        QFETCH(QString, format);
        QFETCH(bool, allMail);
        QFETCH(bool, details);
        AppHarness app;
        app.files.Write("Mail/In.mbx",
                        "Date: Fri, 5 Jan 2001 10:00:00 +0000\r\nFrom: =?utf-8?Q?Andr=C3=A9_M?= <andre@x.org>\r\n"
                        "To: \"Smith, Jo\" <jo@x.org>, noreply@x.org\r\nCc: c@x.org\r\n\r\nHi\r\n"
                        "Date: Tue, 2 Jan 2001 10:00:00 +0000\r\nFrom: andre@x.org\r\n"
                        "List-Post: <mailto:team@lists.x.org>\r\nTo: team@lists.x.org\r\n\r\nHello\r\n");
        app.files.Write("Mail/Sub/Old.mbx", "From: Jo <JO@x.org>\r\n\r\n");
        const std::string folder = app.Path("Mail"), ext = format == "json" ? ".json" : ".vcf";
        if (details) app.Choose("Details");
        app.Extract(folder, std::nullopt, allMail ? kAllMail : QStringLiteral("Extract email addresses (Eudora)"));
        app.platform.saveAsAnswers.push_back(
            SaveChoice{app.Path("window" + ext), format == "json" ? FormatKind::Json : FormatKind::Vcard});
        app.Choose("Save As...");

        std::vector<std::string> arguments = {"--quiet", "--format", format.toStdString(), "--output", app.Path("cli" + ext)};
        if (allMail) arguments.push_back("--all");
        arguments.push_back(folder);
        const Result<ExtractOptions> options = ParseExtractOptions(arguments);
        QVERIFY(options.Ok());
        QCOMPARE(RunExtract(options.Value(), stdout, stderr), 0);
        QCOMPARE(FileText(app.Path("window" + ext)), FileText(app.Path("cli" + ext)));
    }

    // The details are the facts of the list on screen, whether they showed during the
    // extraction or not. (Deleting the robots and own addresses: the window's test.)
    void detailsAreTheFactsOfTheListOnScreen_data() {
        QTest::addColumn<bool>("detailsFirst");
        QTest::newRow("details on before") << true;
        QTest::newRow("details on after") << false;
    }
    void detailsAreTheFactsOfTheListOnScreen() {
        QFETCH(bool, detailsFirst);
        AppHarness app;
        app.files.Write("Mail/In.mbx", "Date: Fri, 5 Jan 2001 10:00:00 +0000\r\nFrom: bob@x.org\r\n\r\n"
                                       "Date: Tue, 2 Jan 2001 10:00:00 +0000\r\nFrom: bob@x.org\r\n\r\n"
                                       "From: noreply@x.org\r\n\r\nFrom: Me@x.org\r\n\r\nFrom: ann@x.org\r\n\r\n");
        app.platform.ownAddressAnswers = {QStringLiteral("me@x.org\n")};
        app.Choose("My addresses...");
        if (detailsFirst) app.Choose("Details");
        const std::string csv = app.Path("out.csv");
        app.Extract(app.Path("Mail"), csv);
        if (!detailsFirst) app.Choose("Details");
        // The mailbox keeps room beside the short details.
        const int mailboxWidth = app.View().columnWidth(2);
        QVERIFY(mailboxWidth > app.View().columnWidth(3) && mailboxWidth > app.View().columnWidth(5));
        // The count and the last day seen sort highest first, the arrow pointing that way.
        for (const int column : {3, 5}) {
            app.View().SortRows(column);
            QCOMPARE(app.ColumnTexts(0), (QStringList{"bob@x.org", "ann@x.org", "Me@x.org", "noreply@x.org"}));
            QCOMPARE(app.View().horizontalHeader()->sortIndicatorSection(), column);
            QCOMPARE(app.View().horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        }
        QCOMPARE(app.ColumnTexts(3), (QStringList{"2", "1", "1", "1"}));
        QCOMPARE(app.ColumnTexts(4), (QStringList{"person", "person", "own", "automated"}));
        QCOMPARE(app.ColumnTexts(5), (QStringList{"2001-01-05", "", "", ""}));
        app.View().SortRows(4);
        QCOMPARE(app.View().horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(app.ColumnTexts(0), (QStringList{"noreply@x.org", "Me@x.org", "ann@x.org", "bob@x.org"}));

        app.Choose("Details");
        QCOMPARE(app.View().model()->columnCount(), 3);
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::ExtractionTest)
#include "extraction_test.moc"
