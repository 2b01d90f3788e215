#include <QDir>
#include <QLineEdit>
#include <QTest>

#include "folder_browser_dialog.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

QString Native(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

}  // namespace

class FolderBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void theInitialFolderIsPreselected() {
        mirelo::testing::TempDir files;
        files.Write("Mail/Sub/In.mbx", "");
        FolderBrowserDialog dialog("Search for mailboxes\n(ex: somewhere)", Native(files.path() / "Mail"), nullptr);
        QCOMPARE(dialog.ChosenFolder(), Native(files.path() / "Mail"));
    }

    void aTypedFolderWinsWhenItExists_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");  // below the temporary folder
        QTest::newRow("relative to the selection") << "Sub" << "Mail/Sub";
        QTest::newRow("absolute") << "@/Other" << "Other";
        QTest::newRow("missing: the selection") << "Nowhere" << "Mail";
        QTest::newRow("a file: the selection") << "Sub/In.mbx" << "Mail";
    }

    void aTypedFolderWinsWhenItExists() {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        mirelo::testing::TempDir files;
        files.Write("Mail/Sub/In.mbx", "");
        files.Write("Other/x.txt", "");
        FolderBrowserDialog dialog("prompt", Native(files.path() / "Mail"), nullptr);
        typed.replace("@", QString::fromStdString(files.path().string()));
        dialog.findChild<QLineEdit*>()->setText(typed);
        QCOMPARE(dialog.ChosenFolder(), Native(files.path() / chosen.toStdString()));
    }

    void browseForFolderIsTrueOnlyForAChosenNonEmptyPath() {
        FakePlatform platform;
        platform.folderAnswers = {std::nullopt, std::string(), std::string("/mail")};
        std::string out = "untouched";
        QVERIFY(!BrowseForFolder(platform, "prompt", out, "/start"));
        QVERIFY(!BrowseForFolder(platform, "prompt", out, "/start"));
        QCOMPARE(out, std::string("untouched"));
        QVERIFY(BrowseForFolder(platform, "prompt", out, "/start"));
        QCOMPARE(out, std::string("/mail"));
        QCOMPARE(platform.folderInitials, (std::vector<std::string>{"/start", "/start", "/start"}));
    }
};

QTEST_MAIN(FolderBrowserTest)
#include "folder_browser_test.moc"
