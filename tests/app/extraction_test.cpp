#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

#include "command_ids.h"
#include "support/app_harness.h"
#include "sources/path_parts.h"
#include "store_writer/dbx_writer.h"
#include "support/scoped_env.h"

namespace mirelo {

using testing::AppHarness;

namespace {

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
        const std::string folder = (harness.files.path() / "Mail").string();
        const std::string csv = (harness.files.path() / "list").string();

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

        QCOMPARE(harness.platform.folderPrompts.at(0),
                 QStringLiteral("Search for mailboxes\n(ex: \\Program Files\\Qualcomm\\Eudora)"));
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

        harness.Restart();
        harness.ExtractEudora(folder, std::nullopt);
        QCOMPARE(harness.platform.folderInitials.back(), folder);
        QCOMPARE(harness.platform.savePreloads.back(), csv);
    }

    void cancellingTheSaveDialogShowsDoneAndKeepsTheRows() {
        AppHarness harness;
        harness.files.Write("Mail/In.mbx", "From: a@x.org\r\n\r\nFrom: b@x.org\r\n");
        harness.ExtractEudora((harness.files.path() / "Mail").string(), std::nullopt);
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("Done"));
        QCOMPARE(harness.View().RowCount(), 2);
        QVERIFY(!harness.Enabled("Save..."));
        QVERIFY(harness.Enabled("Save As..."));
        QVERIFY(harness.platform.openedForEditing.empty());
    }

    void cancellingTheFolderBrowserChangesNothing() {
        AppHarness harness;
        harness.platform.folderAnswers.push_back(std::nullopt);
        harness.Choose("Extract email addresses (Eudora)");
        QVERIFY(harness.platform.savePreloads.empty());
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("Ready"));
    }

    void deletionsSurviveASecondExtractionWhoseSaveIsCancelled() {
        AppHarness harness;
        harness.files.Write("Mail/In.mbx", "From: a@x.org\r\n\r\nFrom: b@x.org\r\n");
        const std::string folder = (harness.files.path() / "Mail").string();
        const std::string csv = (harness.files.path() / "out.csv").string();
        harness.ExtractEudora(folder, csv);
        harness.SelectRows({0});
        harness.Choose("Delete selection");

        harness.ExtractEudora(folder, std::nullopt);
        QVERIFY(harness.Doc().IsModified());
        QVERIFY(harness.Enabled("Save..."));
        QCOMPARE(harness.View().RowCount(), 2);
    }

    void ctrlSDoesWhatSaveDoesOnlyWhileSaveIsEnabled() {
        AppHarness harness;
        harness.files.Write("Mail/In.mbx", "From: a@x.org\r\n\r\nFrom: b@x.org\r\n\r\nFrom: c@x.org\r\n");
        const std::string csv = (harness.files.path() / "out.csv").string();
        harness.ExtractEudora((harness.files.path() / "Mail").string(), csv);
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
        QCOMPARE(FileText(csv), QString("email,name,notes\r\na@x.org,From,In.mbx\r\nc@x.org,From,In.mbx\r\n"));
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("3 original email addresses, 2 unique"));
        QVERIFY(!harness.Enabled("Save..."));
        QCOMPARE(harness.platform.openedForEditing.size(), 1u);

        // Save As asks every time, preloaded with the remembered path.
        harness.platform.saveAnswers.push_back(std::nullopt);
        harness.Choose("Save As...");
        QCOMPARE(harness.platform.savePreloads.back(), csv);
    }

    void anExtractionWithoutRecordsStillAsksAndWritesTheHeader() {
        AppHarness harness;
        harness.platform.editorOpens = false;
        harness.files.Write("Empty/readme.txt", "From: not@scanned.org\r\n");
        const std::string csv = (harness.files.path() / "out.csv").string();
        harness.ExtractEudora((harness.files.path() / "Empty").string(), csv);
        QCOMPARE(FileText(csv), QString("email,name,notes\r\n"));
        QCOMPARE(harness.Frame().MessageText(), QString::fromStdString("0 original email addresses, 0 unique (saved to " +
                                                                       csv + "; no application opened it)"));
        QVERIFY(!harness.Enabled("Save..."));
        QVERIFY(!harness.Enabled("Save As..."));
    }

    void anOutputThatCannotBeOpenedIsReported() {
        AppHarness harness;
        harness.files.Write("Mail/In.mbx", "From: a@x.org\r\n");
        const std::string csv = (harness.files.path() / "no" / "such" / "out.csv").string();
        harness.ExtractEudora((harness.files.path() / "Mail").string(), csv);
        QCOMPARE(harness.platform.messages, std::vector<QString>{QString::fromStdString(
                                                "Unable to open output file " + csv + "\ncannot create " + csv +
                                                ".partial0: No such file or directory")});
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("Done"));
        QVERIFY(harness.platform.openedForEditing.empty());
    }

    void aFolderThatCannotBeReadIsReportedAndNothingIsSaved() {
        AppHarness harness;
        const std::string csv = harness.files.Write("out.csv", "earlier\r\n");
        const std::string gone = (harness.files.path() / "Gone").string();
        harness.ExtractEudora(gone, csv);
        QCOMPARE(harness.platform.messages, std::vector<QString>{QString::fromStdString(
                                                "Cannot read the folder " + gone + "\nNo such file or directory")});
        QCOMPARE(FileText(csv), QStringLiteral("earlier\r\n"));
    }

    void outlookWalksFromTheParentAndReportsDamagedStores() {
        AppHarness harness;
        harness.platform.localAppData = (harness.files.path() / "AppData").string();
        const testing::DbxStoreImage store =
            testing::DbxStoreBuilder().AddMessage("From: Dora <dora@example.com>\r\n\r\nHi\r\n").Build();
        harness.files.Write("AD/Identities/Main/Inbox.dbx", store.bytes);
        harness.files.Write("AD/Other/Broken.dbx", store.CutAt(store.bytes.size() / 2));
        const std::string chosen = (harness.files.path() / "AD" / "Identities").string();
        const std::string csv = (harness.files.path() / "out.csv").string();
        harness.platform.folderAnswers.push_back(chosen);
        harness.platform.saveAnswers.push_back(csv);

        QStringList statuses;
        {
            EventLoopProbe probe([&] { statuses << harness.Frame().MessageText(); });
            harness.Choose("Extract email addresses (Outlook)");
        }

        QCOMPARE(harness.platform.folderInitials.at(0),
                 harness.platform.localAppData + Sep() + "Identities" + Sep());
        QCOMPARE(harness.Doc().RootText(), chosen);
        QCOMPARE(FileText(csv), QString::fromStdString("email,name,notes\r\ndora@example.com,Dora," + Sep() +
                                                       "Main" + Sep() + "Inbox.dbx\r\n"));
        QCOMPARE(harness.Doc().ProblemCount(), 1);
        QVERIFY(std::any_of(statuses.begin(), statuses.end(),
                            [](const QString& status) { return status.startsWith("Skipped "); }));
        QCOMPARE(harness.Frame().MessageText(), QStringLiteral("1 original email addresses, 1 unique"));
    }

    void storesThatCannotBeDumpedAtAllAreSaidSoAndNothingIsOffered() {
        AppHarness harness;
        harness.files.Write("Outlook/Main/Inbox.dbx",
                            testing::DbxStoreBuilder().AddMessage("From: a@x.org\r\n").Build().bytes);
        const testing::ScopedEnv temp("TEMP", (harness.files.path() / "none").string());
        harness.platform.folderAnswers.push_back((harness.files.path() / "Outlook" / "Main").string());
        harness.Choose("Extract email addresses (Outlook)");
        QCOMPARE(harness.platform.messages.size(), 1u);
        QVERIFY(harness.platform.messages.front().startsWith("No store could be read: cannot write the temporary"));
        QVERIFY(harness.platform.savePreloads.empty());
    }

    void escapeStopsAfterTheStoreBeingReadAndTheResultIsSaved() {
        AppHarness harness;
        for (const char* name : {"A", "B", "C", "D"}) {
            harness.files.Write(std::string("Mail/") + name + ".mbx", std::string("From: ") + name + "@x.org\r\n");
        }
        const std::string csv = (harness.files.path() / "out.csv").string();
        QTimer::singleShot(0, &harness.Frame(), [&] {
            QVERIFY(!harness.Enabled("Extract email addresses (Outlook)"));
            QVERIFY(!harness.Enabled("Save As..."));
            QVERIFY(!harness.Enabled("Select &header types"));
            QVERIFY(harness.Enabled("&About Mirelo..."));
            QTest::keyClick(&harness.Frame(), Qt::Key_Escape);
        });
        harness.ExtractEudora((harness.files.path() / "Mail").string(), csv);

        QCOMPARE(harness.View().RowCount(), 1);
        QCOMPARE(harness.Frame().MessageText(),
                 QStringLiteral("Extraction stopped: 1 original email addresses, 1 unique"));
        QCOMPARE(FileText(csv).count(QLatin1Char('\n')), 2);
        QVERIFY(harness.Enabled("Extract email addresses (Outlook)"));
        QVERIFY(harness.Enabled("Select &header types"));
    }

    void closingDuringAnExtractionStopsItSkipsTheExportAndCloses() {
        AppHarness harness;
        for (const char* name : {"A", "B", "C"}) {
            harness.files.Write(std::string("Mail/") + name + ".mbx", std::string("From: ") + name + "@x.org\r\n");
        }
        QTimer::singleShot(0, &harness.Frame(), [&] { harness.Frame().close(); });
        harness.ExtractEudora((harness.files.path() / "Mail").string(), std::string("unused.csv"));
        QVERIFY(!harness.Frame().isVisible());
        QVERIFY(harness.platform.savePreloads.empty());
        QVERIFY(harness.platform.saveChangesTitles.empty());
        QCOMPARE(harness.View().RowCount(), 1);
    }

    void closingDuringAnExtractionStillAsksAboutUnsavedDeletions() {
        AppHarness harness;
        for (const char* name : {"A", "B", "C"}) {
            harness.files.Write(std::string("Mail/") + name + ".mbx",
                                std::string("From: ") + name + "@x.org\r\n\r\nFrom: " + name + "2@x.org\r\n");
        }
        const std::string folder = (harness.files.path() / "Mail").string();
        const std::string csv = (harness.files.path() / "out.csv").string();
        harness.ExtractEudora(folder, csv);
        harness.SelectRows({0});
        harness.Choose("Delete selection");

        // Cancel keeps the window, with the partial result shown in order.
        harness.platform.saveChangesAnswers.push_back(PlatformServices::SaveAnswer::Cancel);
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
