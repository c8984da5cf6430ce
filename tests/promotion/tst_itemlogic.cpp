// The item pane's arithmetic without a window: buy-N codes, the prices a buy-N pack
// derives from the pane, and the rows a save writes.

#include "ItemEntry.h"
#include "ItemSave.h"

#include <QTest>

class TestItemLogic : public QObject
{
    Q_OBJECT

private slots:
    void buyNCode_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<qint64>("quantity");
        QTest::addColumn<QString>("code");
        QTest::newRow("three") << "1001" << qint64(3) << "M10010003";
        QTest::newRow("twelve") << "1001" << qint64(12) << "M10010012";
        QTest::newRow("five digits") << "1001" << qint64(12345) << "M100112345";
        QTest::newRow("negative keeps its sign") << "1001" << qint64(-3) << "M1001-0003";
        QTest::newRow("blanks kept") << " 7 " << qint64(5) << "M 7 0005";
    }
    void buyNCode()
    {
        QFETCH(QString, product);
        QFETCH(qint64, quantity);
        QFETCH(QString, code);
        QCOMPARE(::buyNCode(product, quantity), code);
    }

    void buyNPricesUseTheMemberPriceTwice()
    {
        const BuyNPrices p = buyNPrices("2.5", "10", "9", "8", 3);
        QCOMPARE(p.cost, 7.5);
        QCOMPARE(p.packPrice, 30.0);
        QCOMPARE(p.memberPrice, 27.0);
        QCOMPARE(p.promotionPrice, 24.0);
        QCOMPARE(p.memberPromotion, 27.0);
        // Texts that are not numbers count as 0.
        const BuyNPrices q = buyNPrices("", "x", "1,000", "8", 2);
        QCOMPARE(q.cost + q.packPrice + q.memberPrice, 0.0);
        QCOMPARE(q.promotionPrice, 16.0);
    }

    void keyInTime_data()
    {
        QTest::addColumn<int>("msec");
        QTest::addColumn<QString>("text");
        QTest::newRow("7 ms") << 7 << "310704-090503 07";
        QTest::newRow("123 ms") << 123 << "310704-090503 123";
        QTest::newRow("0 ms") << 0 << "310704-090503 00";
    }
    void keyInTime()
    {
        QFETCH(int, msec);
        QFETCH(QString, text);
        const QDateTime at(QDate(2031, 7, 4), QTime(9, 5, 3, msec));
        QCOMPARE(keyInTimeText(at), text);
        QCOMPARE(changeDateText(at), "2031/07/04");
    }

    void saveRowsOfEachKind()
    {
        ItemPaneTexts pane;
        pane.billId = "B1";
        pane.prodId = "1001 ";
        pane.prodBarcode = "4710001";
        pane.prodName = "烏龍茶";
        pane.price = "8";
        pane.vipPrice = "x"; // not a number: 0
        pane.newCost = "2.5";
        pane.limitQty = "";
        const std::vector<PackRowTexts> units = {
            { "58", "60", "54", "15", "6", "六入" },
            // A quantity that reads as 0 keeps its pack cost; one that is not a number
            // counts as 1.
            { "1", "1", "1", "4", "0", "零" },
            { "1", "1", "1", "4", "", "空" },
        };
        const std::vector<PackRowTexts> buyN = {
            { "24", "30", "27", "7.5", "3", "" },
            { "1", "1", "1", "1", "0", "" },
            { "1", "1", "1", "1", "-2", "" },
            { "1", "1", "1", "1", "", "" },
        };
        int ticks = 0;
        const auto clock
            = [&ticks] { return QDateTime(QDate(2031, 7, 4), QTime(9, 5, 3, ticks++)); };
        const std::vector<ItemRow> rows = itemSaveRows(pane, units, buyN, clock);
        QCOMPARE(rows.size(), size_t(5));
        QCOMPARE(ticks, 5); // the clock read per row
        auto v = [&](int row, const char *name) { return rows[size_t(row)].value(name); };
        QCOMPARE(v(0, "PSALE_FLAG").toString(), "0,單品促銷");
        QCOMPARE(v(0, "PACK_QTY").toLongLong(), 1);
        QCOMPARE(v(0, "VIP_PRICE").toDouble(), 0.0);
        QCOMPARE(v(0, "PLIMIT_QTY").toDouble(), 0.0);
        QCOMPARE(v(0, "TEMPPRODID").toString(), "4710001");
        QCOMPARE(v(0, "PROD_ID").toString(), "1001 ");
        QCOMPARE(v(1, "NEW_COST").toDouble(), 2.5);
        QCOMPARE(v(1, "VNEW_COST").toDouble(), 15.0);
        QCOMPARE(v(1, "V_NAME").toString(), "六入");
        QCOMPARE(v(2, "NEW_COST").toDouble(), 4.0);
        QCOMPARE(v(2, "PACK_QTY").toDouble(), 0.0);
        QCOMPARE(v(3, "PACK_QTY").toDouble(), 1.0);
        QCOMPARE(v(4, "PSALE_FLAG").toString(), "2,買N優惠");
        QCOMPARE(v(4, "TEMPPRODID").toString(), "M1001 0003");
        QCOMPARE(v(4, "NEW_COST").toDouble(), 7.5);
        QCOMPARE(v(4, "V_NAME").toString(), "烏龍茶");
        QCOMPARE(v(4, "KEYINTIME").toString(), "310704-090503 04");
        for (const ItemRow &row : rows)
            QCOMPARE(row.params.size(), size_t(36));
    }
};

QTEST_GUILESS_MAIN(TestItemLogic)
#include "tst_itemlogic.moc"
