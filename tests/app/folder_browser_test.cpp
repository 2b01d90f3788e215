#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "folder_browser_dialog.h"
#include "support/temp_dir.h"

namespace mirelo {

namespace {

QString Native(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

}  // namespace

class FolderBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void theRememberedFolderIsInViewTypingGoesToThePathAndHomeIsOffered() {
        testing::TempDir files;
        for (int i = 100; i < 400; ++i) files.Write("Many/d" + std::to_string(i) + "/x", "");
        files.Write("Many/d350/Sub/In.mbx", "");
        FolderBrowserDialog dialog("prompt", Native(files.path() / "Many" / "d350"), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* tree = dialog.findChild<QTreeView*>();
        QTRY_COMPARE(tree->model()->rowCount(tree->currentIndex().parent()), 300);
        QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
        QTest::keyClicks(QApplication::focusWidget(), "Sub");
        QCOMPARE(dialog.ChosenFolder(), Native(files.path() / "Many" / "d350" / "Sub"));
        for (const QString& folder : {QDir::homePath(), QDir::rootPath()}) {
            auto* place = dialog.findChild<QPushButton*>(folder);
            QVERIFY2(place, qPrintable(folder));
            place->click();
            QCOMPARE(dialog.ChosenFolder(), QDir::toNativeSeparators(folder));
        }
    }

    void aTypedFolderWinsWhenItExists_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");  // below the temporary folder
        QTest::newRow("nothing typed: the initial folder") << "" << "Mail";
        QTest::newRow("relative to the selection") << "Sub" << "Mail/Sub";
        QTest::newRow("absolute") << "@/Other" << "Other";
        QTest::newRow("missing: the selection") << "Nowhere" << "Mail";
        QTest::newRow("a file: the selection") << "Sub/In.mbx" << "Mail";
    }

    void aTypedFolderWinsWhenItExists() {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        testing::TempDir files;
        files.Write("Mail/Sub/In.mbx", "");
        files.Write("Other/x.txt", "");
        FolderBrowserDialog dialog("prompt", Native(files.path() / "Mail"), nullptr);
        typed.replace("@", QString::fromStdString(files.path().string()));
        dialog.findChild<QLineEdit*>()->setText(typed);
        QCOMPARE(dialog.ChosenFolder(), Native(files.path() / chosen.toStdString()));
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::FolderBrowserTest)
#include "folder_browser_test.moc"
