#include <QTest>

#include <algorithm>
#include <random>

#include "row_order.h"

namespace mirelo {

class RowOrderTest : public QObject {
    Q_OBJECT
private slots:
    void compareRowsOrdersByTheColumnIgnoringAsciiCase_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("a");  // email, name, mailbox
        QTest::addColumn<QStringList>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("names differing in case are equal, whatever the emails")
            << 1 << QStringList{"a@x", "Smith", "M"} << QStringList{"z@x", "SMITH", "N"} << 0;
        QTest::newRow("same mailbox: Bob before carol")
            << 2 << QStringList{"Bob@x", "", "In.mbx"} << QStringList{"carol@x", "", "IN.MBX"} << -1;
        QTest::newRow("mailbox decides before email")
            << 2 << QStringList{"a@x", "", "Out.mbx"} << QStringList{"b@x", "", "In.mbx"} << 1;
        QTest::newRow("email column") << 0 << QStringList{"B@x", "", ""} << QStringList{"a@x", "", ""} << 1;
        QTest::newRow("unknown column sorts by email")
            << 7 << QStringList{"a@x", "Z", ""} << QStringList{"b@x", "A", ""} << -1;
        QTest::newRow("empty text first") << 1 << QStringList{"", "", ""} << QStringList{"", "a", ""} << -1;
        QTest::newRow("underscore before letters")
            << 0 << QStringList{"_x", "", ""} << QStringList{"a", "", ""} << -1;
        QTest::newRow("bytes from 0x80 after ASCII")
            << 1 << QStringList{"", "\xc3\xa9", ""} << QStringList{"", "z", ""} << 1;
    }

    void compareRowsOrdersByTheColumnIgnoringAsciiCase() {
        QFETCH(int, column);
        QFETCH(QStringList, a);
        QFETCH(QStringList, b);
        QFETCH(int, sign);
        AddressList list;
        for (const QStringList& texts : {a, b})
            list.Append(texts[0].toStdString(), texts[1].toStdString(), texts[2].toStdString(), kFromKind);
        const int result = CompareRows(list, list.At(0), list.At(1), column);
        QCOMPARE((result > 0) - (result < 0), sign);
        const int reverse = CompareRows(list, list.At(1), list.At(0), column);
        QCOMPARE((reverse > 0) - (reverse < 0), -sign);
    }

    // The sort keys must never disagree with CompareRows: texts that share long
    // prefixes, differ only in case, end early, hold NUL or high bytes.
    void sortingByAnyColumnAgreesWithCompareRows_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("email") << 0;
        QTest::newRow("name") << 1;
        QTest::newRow("mailbox") << 2;
    }

    void sortingByAnyColumnAgreesWithCompareRows() {
        QFETCH(int, column);
        std::mt19937 random(7);
        const std::string pieces[] = {"", "a", "A", "b", "_", "-", ".", "@", std::string(1, '\0'), "\xe9", "Z",
                                      "longprefix-shared-by-many-", "LONGPREFIX-SHARED-BY-MANY-"};
        std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
        const auto text = [&] {
            std::string result;
            for (int i = std::uniform_int_distribution<int>(0, 5)(random); i > 0; --i) result += pieces[piece(random)];
            return result;
        };
        AddressList list;
        std::vector<AddressRecord*> rows;
        for (int i = 0; i < 3000; ++i) {
            const std::string email = text(), name = text(), mailbox = text();
            list.Append(email, name, mailbox, kFromKind);
            rows.push_back(list.At(i));
        }

        SortRowsByColumn(list, rows, column);

        for (std::size_t i = 1; i < rows.size(); ++i) {
            QVERIFY2(CompareRows(list, rows[i - 1], rows[i], column) <= 0, qPrintable(QString::number(i)));
        }
        std::sort(rows.begin(), rows.end());
        QVERIFY(std::adjacent_find(rows.begin(), rows.end()) == rows.end());
        QCOMPARE(rows.size(), std::size_t{3000});
    }
};

}  // namespace mirelo

QTEST_MAIN(mirelo::RowOrderTest)
#include "row_order_test.moc"
