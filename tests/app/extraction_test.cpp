#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

#include "sources/path_parts.h"
#include "store_writer/dbx_writer.h"
#include "support/app_harness.h"
#include "support/scoped_env.h"

namespace mirelo {

using testing::AppHarness;

namespace {

const QString kAllMail = QStringLiteral("Extract email addresses (all mail under a folder)\u2026");

// Calls probe at every turn of the event loop while it lives, as the extraction pumps.
struct EventLoopProbe : QTimer {
    explicit EventLoopProbe(std::function<void()> probe) {
        connect(this, &QTimer::timeout, std::move(probe));
        start(0);
    }
};

// As text, so that a failed comparison shows both files.
QString FileText(const std::string& path) {
    return QString::fromStdString(testing::ReadFileBytes(path));
}

std::string Sep() {
    return std::string(1, kPathSeparator);
}

// Mail/A.mbx, Mail/B.mbx, ... each with the addresses A@x.org, Ax@x.org, ...; returns the folder.
std::string WriteMailboxes(AppHarness& harness, std::initializer_list<const char*> names, std::size_t addresses = 1) {
    for (const std::string name : names) {
        std::string mailbox;
        for (std::size_t i = 0; i < addresses; ++i) mailbox += "From: " + name + std::string(i, 'x') + "@x.org\r\n\r\n";
        harness.files.Write("Mail/" + name + ".mbx", mailbox);
    }
    return harness.Path("Mail");
}

}  // namespace

class ExtractionTest : public QObject {
    Q_OBJECT
private slots:
    void eudoraExtractionWritesTheCsvAndShowsTheRows() {
        AppHarness harness;
        harness.files.Write("Mail/In.mbx",
                            "From: Alice <alice@example.com>\r\nTo: Bob <bob@example.org>\r\n\r\nHi\r\n"
                            "From: Bob <BOB@example.org>\r\n\r\nHello\r\n");
        harness.files.Write("Mail/Sub/Old.mbx", "From: \"Carol\" <carol@example.net>\r\n\r\n");
        harness.files.Write("Mail/Trash.mbx", "From: spam@example.com\r\n\r\n");
        const std::string folder = harness.Path("Mail");
        const std::string csv = harness.Path("list");

        QStringList statuses;
        {
            EventLoopProbe probe([&] {
                if (statuses.isEmpty() || statuses.last() != harness.Frame().MessageText()) {
                    statuses << harness.Frame().MessageText();
                }
                QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
            });
            harness.ExtractEudora(folder, csv);
        }

        QVERIFY(statuses.contains(QString::fromStdString("Sub" + Sep() + "Old.mbx")));
        QVERIFY(statuses.contains(QStringLiteral("Sorting")));
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("4 original email addresses, 3 unique"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        // The file gets the extension; the profile keeps the path as chosen.
        const std::string written = csv + ".CSV";
        QCOMPARE(FileText(written), QString::fromStdString("email,name,notes\r\n"
                                                           "alice@example.com,Alice,In.mbx\r\n"
                                                           "BOB@example.org,Bob,In.mbx\r\n"
                                                           "carol@example.net,Carol,Sub" + Sep() + "Old.mbx\r\n"));
        QCOMPARE(harness.platform.openedForEditing, std::vector<std::string>{written});
        QCOMPARE(harness.Doc().RootText(), folder + Sep());
        QCOMPARE(harness.View().RowCount(), 3);
        QVERIFY(harness.Checked("Mailbox"));
        QVERIFY(!harness.Enabled("Save..."));
        QVERIFY(harness.Enabled("Save As..."));
    }

    // Nothing remembered at first: no folder for Eudora, the Identities folder for Outlook.
    void foldersAndTheSavePathAreRememberedAcrossARestart() {
        AppHarness harness;
        const std::string eudora = WriteMailboxes(harness, {"A"});
        harness.files.Write("Identities/readme.txt", "");
        const std::string outlook = harness.Path("Identities");
        const std::string csv = harness.Path("out.csv");
        harness.platform.localAppData = "/nowhere";
        harness.ExtractEudora(eudora, csv);
        harness.platform.folderAnswers.push_back(outlook);
        harness.Choose("Extract email addresses (Outlook)");
        harness.files.Write("All/a.eml", "");
        harness.platform.folderAnswers.push_back(harness.Path("All"));
        harness.Choose(kAllMail);
        harness.Restart();
        harness.ExtractEudora(eudora, std::nullopt);
        harness.platform.folderAnswers.push_back(std::nullopt);
        harness.Choose("Extract email addresses (Outlook)");
        harness.platform.folderAnswers.push_back(std::nullopt);
        harness.Choose(kAllMail);
        QCOMPARE(harness.platform.folderInitials,
                 (std::vector<std::string>{"", "/nowhere" + Sep() + "Identities" + Sep(), "", eudora, outlook, harness.Path("All")}));
        QCOMPARE(harness.platform.savePreloads.front(), std::string());
        QCOMPARE(harness.platform.savePreloads.back(), csv);
    }

    void deletionsSurviveASecondExtractionWhoseSaveIsCancelled() {
        AppHarness harness;
        const std::string folder = WriteMailboxes(harness, {"In"}, 2);
        harness.ExtractEudora(folder, harness.Path("out.csv"));
        harness.SelectRows({0});
        harness.Choose("Delete selection");
        harness.ExtractEudora(folder, std::nullopt);
        QVERIFY(harness.Enabled("Save..."));
        QCOMPARE(harness.View().RowCount(), 2);
    }

    void ctrlSDoesWhatSaveDoesOnlyWhileSaveIsEnabled() {
        AppHarness harness;
        const std::string csv = harness.Path("out.csv");
        harness.ExtractEudora(WriteMailboxes(harness, {"In"}, 3), csv);
        const std::size_t asked = harness.platform.savePreloads.size();
        std::remove(csv.c_str());

        QTest::keyClick(&harness.Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!std::filesystem::exists(csv));

        harness.SelectRows({1});
        harness.Choose("Delete selection");
        harness.View().SortRows(1);
        QTest::keyClick(&harness.Frame(), Qt::Key_S, Qt::ControlModifier);
        // Written to the remembered path without a dialog, in list order, without the
        // deleted row; the first count includes it.
        QCOMPARE(harness.platform.savePreloads.size(), asked);
        QCOMPARE(FileText(csv), QString("email,name,notes\r\nIn@x.org,From,In.mbx\r\nInxx@x.org,From,In.mbx\r\n"));
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("3 original email addresses, 2 unique"));
        QVERIFY(!harness.Enabled("Save..."));
        QCOMPARE(harness.platform.openedForEditing.size(), 1u);

        // Save As asks every time, preloaded with the remembered path.
        harness.Choose("Save As...");
        QCOMPARE(harness.platform.savePreloads.back(), csv);
    }

    void anExtractionWithoutRecordsStillAsksAndWritesTheHeader() {
        AppHarness harness;
        harness.platform.editorOpens = false;
        harness.files.Write("Empty/readme.txt", "From: not@scanned.org\r\n");
        const std::string csv = harness.Path("out.csv");
        harness.ExtractEudora(harness.Path("Empty"), csv);
        QCOMPARE(FileText(csv), QString("email,name,notes\r\n"));
        QCOMPARE(harness.Frame().MessageText(), QString::fromStdString("0 original email addresses, 0 unique (saved to " +
                                                                       csv + "; no application opened it)"));
        QVERIFY(!harness.Enabled("Save As..."));
    }

    // The earlier file stays as it was, and nothing is opened.
    void failuresAreReportedAndNothingIsSaved_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("message");  // % stands for the folder, @ for the CSV path
        QTest::addColumn<QString>("status");
        QTest::newRow("output cannot be opened")
            << "Mail" << "no/such/out.csv"
            << "Unable to open output file @\ncannot create @.partial0: No such file or directory" << "Done";
        QTest::newRow("folder cannot be read")
            << "Gone" << "out.csv" << "Cannot read the folder %\nNo such file or directory" << "Ready";
    }
    void failuresAreReportedAndNothingIsSaved() {
        QFETCH(QString, folder);
        QFETCH(QString, csv);
        QFETCH(QString, message);
        QFETCH(QString, status);
        AppHarness harness;
        WriteMailboxes(harness, {"In"});
        const std::string csvPath = harness.Path(csv.toStdString());
        const std::string folderPath = harness.Path(folder.toStdString());
        harness.files.Write("out.csv", "earlier\r\n");
        harness.ExtractEudora(folderPath, csvPath);
        message.replace('%', QString::fromStdString(folderPath)).replace('@', QString::fromStdString(csvPath));
        QCOMPARE(harness.platform.messages, std::vector<QString>{message});
        QCOMPARE(harness.Frame().MessageText(), status);
        QCOMPARE(FileText(harness.Path("out.csv")), QStringLiteral("earlier\r\n"));
        QVERIFY(harness.platform.openedForEditing.empty());
    }

    void outlookWalksFromTheParentAndReportsDamagedStores() {
        AppHarness harness;
        const testing::DbxStoreImage store =
            testing::DbxStoreBuilder().AddMessage("From: Dora <dora@example.com>\r\n\r\nHi\r\n").Build();
        harness.files.Write("AD/Identities/Main/Inbox.dbx", store.bytes);
        harness.files.Write("AD/Other/Broken.dbx", store.CutAt(store.bytes.size() / 2));
        const std::string chosen = harness.Path("AD/Identities");
        const std::string csv = harness.Path("out.csv");
        harness.platform.folderAnswers.push_back(chosen);
        harness.platform.saveAnswers.push_back(csv);
        harness.Choose("Extract email addresses (Outlook)");

        QCOMPARE(harness.Doc().RootText(), chosen);
        QCOMPARE(FileText(csv), QString::fromStdString("email,name,notes\r\ndora@example.com,Dora," + Sep() +
                                                       "Main" + Sep() + "Inbox.dbx\r\n"));
        QCOMPARE(harness.Doc().ProblemCount(), 1);
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("1 original email addresses, 1 unique"));
    }

    void storesThatCannotBeDumpedAtAllAreSaidSoAndNothingIsOffered() {
        AppHarness harness;
        harness.files.Write("Outlook/Main/Inbox.dbx",
                            testing::DbxStoreBuilder().AddMessage("From: a@x.org\r\n").Build().bytes);
        const testing::ScopedEnv temp("TEMP", harness.Path("none"));
        harness.platform.folderAnswers.push_back(harness.Path("Outlook/Main"));
        harness.Choose("Extract email addresses (Outlook)");
        QCOMPARE(harness.platform.messages.size(), 1u);
        QVERIFY(harness.platform.messages.front().startsWith("No store could be read: cannot write the temporary"));
        QVERIFY(harness.platform.savePreloads.empty());
    }

    void escapeStopsAfterTheStoreBeingReadAndTheResultIsSaved() {
        AppHarness harness;
        const std::string csv = harness.Path("out.csv");
        QTimer::singleShot(0, &harness.Frame(), [&] {
            QVERIFY(!harness.Enabled("Extract email addresses (Outlook)"));
            QVERIFY(!harness.Enabled("Save As..."));
            QVERIFY(!harness.Enabled("Select &header types"));
            QVERIFY(harness.Enabled("&About Mirelo..."));
            QTest::keyClick(&harness.Frame(), Qt::Key_Escape);
        });
        harness.ExtractEudora(WriteMailboxes(harness, {"A", "B", "C", "D"}), csv);

        QCOMPARE(harness.View().RowCount(), 1);
        QCOMPARE(harness.Frame().MessageText(),
                 QStringLiteral("Extraction stopped: 1 original email addresses, 1 unique"));
        QCOMPARE(FileText(csv).count(QLatin1Char('\n')), 2);
        QVERIFY(harness.Enabled("Extract email addresses (Outlook)"));
        QVERIFY(harness.Enabled("Select &header types"));
    }

    void closingDuringAnExtractionStopsItSkipsTheExportAndCloses() {
        AppHarness harness;
        QTimer::singleShot(0, &harness.Frame(), [&] { harness.Frame().close(); });
        harness.ExtractEudora(WriteMailboxes(harness, {"A", "B", "C"}), std::string("unused.csv"));
        QVERIFY(!harness.Frame().isVisible());
        QVERIFY(harness.platform.savePreloads.empty());
        QVERIFY(harness.platform.saveChangesTitles.empty());
        QCOMPARE(harness.View().RowCount(), 1);
    }

    void closingDuringAnExtractionStillAsksAboutUnsavedDeletions() {
        AppHarness harness;
        const std::string folder = WriteMailboxes(harness, {"A", "B", "C"}, 2);
        const std::string csv = harness.Path("out.csv");
        harness.ExtractEudora(folder, csv);
        harness.SelectRows({0});
        harness.Choose("Delete selection");

        // Cancel keeps the window, with the partial result shown in order.
        QTimer::singleShot(0, &harness.Frame(), [&] { harness.Frame().close(); });
        harness.ExtractEudora(folder, std::nullopt);
        QCOMPARE(harness.platform.saveChangesTitles.size(), 1u);
        QVERIFY(harness.Frame().isVisible());
        QCOMPARE(harness.View().RowCount(), 2);
        QCOMPARE(harness.Doc().SortColumn(), 2);

        // Yes asks where: the file holds the list the deletions were made in.
        const QString earlier = FileText(csv);
        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::Yes);
        harness.Choose("E&xit");
        QCOMPARE(harness.platform.savePreloads.size(), 2u);
        QCOMPARE(FileText(csv), earlier);

        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::No);
        harness.Choose("E&xit");
        QVERIFY(!harness.Frame().isVisible());
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::ExtractionTest)
#include "extraction_test.moc"
