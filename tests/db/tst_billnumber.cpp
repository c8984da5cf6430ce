#include "TestDatabase.h"

#include "BillNumber.h"
#include "DbError.h"
#include "PeriodBill.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QTest>

#include <algorithm>

class TestBillNumber : public QObject
{
    Q_OBJECT

private slots:
    void formats_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("sequence");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mode 0") << "PM" << 0 << qint64(1) << "PM203107040001";
        QTest::newRow("empty prefix") << "" << 0 << qint64(12) << "203107040012";
        QTest::newRow("five digits") << "PM" << 0 << qint64(10000) << "PM2031070410000";
        QTest::newRow("mode 1") << "PM" << 1 << qint64(7) << "PM3107040007";
        QTest::newRow("mode 2") << "X" << 2 << qint64(7) << "X3107040007";
        QTest::newRow("prefix blanks kept") << " P " << 0 << qint64(3) << " P 203107040003";
    }
    void formats()
    {
        QFETCH(QString, prefix);
        QFETCH(int, mode);
        QFETCH(qint64, sequence);
        QFETCH(QString, expected);
        QCOMPARE(formatBillNumber(prefix, QStringLiteral("2031/07/04"), mode, sequence), expected);
    }

    void countsPerDateInTheDatabase()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlConnection counterConnection;
        counterConnection.setParams(db.params());
        SqlQuery SQL_ID(&counterConnection);
        const QString table = QStringLiteral("TEMP_PSALEID");
        // The worked example: first and second call of a day, then the next day.
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/04", "PM", 0), "PM203107040001");
        QCOMPARE(db.scalar("SELECT LAST_ID FROM TEMP_PSALEID WHERE BILL_DATE = '2031/07/04'"),
                 "2");
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/04", "PM", 0), "PM203107040002");
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/05", "PM", 0), "PM203107050001");
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM TEMP_PSALEID"), "2");
        QCOMPARE(db.scalar("SELECT LAST_ID FROM TEMP_PSALEID WHERE BILL_DATE = '2031/07/04'"),
                 "3");
        QVERIFY(!counterConnection.inTransaction());

        // After 9999 numbers the sequence grows by a digit.
        db.exec("UPDATE TEMP_PSALEID SET LAST_ID = 9999 WHERE BILL_DATE = '2031/07/05'");
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/05", "", 0), "203107059999");
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/05", "", 0), "2031070510000");
    }

    void refusedOrFailedWorkGivesTheNumberBack()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlConnection c2;
        c2.setParams(db.params());
        SqlQuery SQL_ID(&c2);
        const QString table = QStringLiteral("TEMP_PSALEID");
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/04", "PM", 0), "PM203107040001");
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/04", "PM", 0,
                                [](const QString &) { return false; }),
                 QString());
        QVERIFY_THROWS_EXCEPTION(DbError, takeBillNumber(SQL_ID, table, "2031/07/04", "PM", 0,
                                                         [](const QString &) -> bool {
                                                             throw DbError("insert refused");
                                                         }));
        QVERIFY(!c2.inTransaction());
        QCOMPARE(db.scalar("SELECT LAST_ID FROM TEMP_PSALEID"), "2");
        // A transaction left open on the counter's connection does not stop the counter.
        c2.startTransaction();
        QCOMPARE(takeBillNumber(SQL_ID, table, "2031/07/04", "PM", 0), "PM203107040002");
        QCOMPARE(db.scalar("SELECT LAST_ID FROM TEMP_PSALEID"), "3");
    }

    void counterErrorsReachTheCaller()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlConnection c2;
        c2.setParams(db.params());
        SqlQuery SQL_ID(&c2);
        try {
            takeBillNumber(SQL_ID, QStringLiteral("NO_COUNTER"), "2031/07/04", "PM", 0);
            QFAIL("no error");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains("NO_COUNTER"), qPrintable(e.message()));
        }
        QVERIFY(!c2.inTransaction());
    }

    void periodBillIsCreatedOnceWithItsValues()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlConnection c2;
        c2.setParams(db.params());
        SqlQuery SQL_ID(&c2);
        const PeriodBill first =
            createPeriodBill(SQL_ID, "2031/08/01", "2031/08/31", "2031/07/04", "PM", 0);
        QVERIFY(first.created);
        QCOMPARE(first.number, "PM203107040001");
        QCOMPARE(db.scalar("SELECT BILL_DATE || '|' || INI_DATE || '|' || END_DATE || '|' || "
                           "REASON || '|' || CHG_DATE || '|' || OVER_AMT || '|' || PINI_DATE || "
                           "'|' || PEND_DATE || '|' || BILL_TYPE || '|' || BILL_KIND FROM "
                           "PSALE_MASTER"),
                 "2031/07/04|2031/08/01|2031/08/31|群組促銷|2031/07/04|0|2031/08/01|2031/08/31|0|B");
        // The same period again: its bill is found, no number is used up.
        const PeriodBill again =
            createPeriodBill(SQL_ID, "2031/08/01", "2031/08/31", "2031/07/04", "PM", 0);
        QVERIFY(!again.created);
        QCOMPARE(again.number, first.number);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM PSALE_MASTER"), "1");
        QCOMPARE(db.scalar("SELECT LAST_ID FROM TEMP_PSALEID"), "2");
        // A bill of another kind with the same dates does not count.
        db.exec("INSERT INTO PSALE_MASTER (MASTERBILLID, INI_DATE, END_DATE, BILL_KIND) "
                "VALUES ('OTHER1', '2031/09/01', '2031/09/30', 'A')");
        const PeriodBill third =
            createPeriodBill(SQL_ID, "2031/09/01", "2031/09/30", "2031/07/04", "PM", 0);
        QVERIFY(third.created);
        QCOMPARE(third.number, "PM203107040002");
    }

    void reloadTextQuotesTheBillNumber()
    {
        QCOMPARE(billProductsCommandText("PM203107040001"),
                 "SELECT P.* FROM (SELECT DISTINCT PROD_ID FROM PSALE_SUB WHERE "
                 "MASTERBILLID = 'PM203107040001') S JOIN PRODUCT P ON P.PROD_ID = S.PROD_ID "
                 "ORDER BY P.PROD_ID");
        QVERIFY(billProductsCommandText("A'B").contains("MASTERBILLID = 'A''B')"));
    }

    // The reload returns the rows of the former "PROD_ID IN (SELECT ...)" text: every
    // PRODUCT column, each product of the bill once, none of other bills, none for
    // item rows without a product; ordered by PROD_ID.
    void reloadReturnsTheRowsOfTheInQuery()
    {
        TestDatabase db(300);
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        const QString bill = QStringLiteral("PM'2031");
        QStringList products;
        SqlQuery q(&db.connection());
        q.setText("SELECT PROD_ID FROM PRODUCT ORDER BY PROD_ID DESC");
        q.open();
        for (int i = 0; i < 40 && !q.eof(); ++i, q.next())
            products << q.asString(0);
        q.close();
        auto addRow = [&](const QString &b, const QString &p, int pack) {
            SqlQuery ins(&db.connection());
            ins.setText("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PACK_QTY) "
                        "VALUES (:B, :P, :Q)");
            ins.setParamText("B", b);
            ins.setParamText("P", p);
            ins.setParamInteger("Q", pack);
            ins.execute();
        };
        for (int i = 0; i < products.size(); i += 2) {
            addRow(bill, products[i], 1);
            addRow(bill, products[i], 6); // several rows of one item
            addRow("OTHER", products[i + 1], 1);
        }
        addRow(bill, "NO SUCH PRODUCT", 1);
        addRow(bill, QString(), 1);
        auto rows = [&](const QString &text) {
            SqlQuery r(&db.connection());
            r.setText(text);
            r.open();
            QStringList names;
            for (const ColumnInfo &c : r.columns())
                names << c.name;
            QList<QStringList> out;
            out << names;
            while (!r.eof()) {
                QStringList values;
                for (int i = 0; i < r.fieldCount(); ++i)
                    values << r.asString(i);
                out << values;
                r.next();
            }
            return out;
        };
        const QList<QStringList> now = rows(billProductsCommandText(bill));
        QList<QStringList> before =
            rows("SELECT * FROM PRODUCT  WHERE PROD_ID IN (SELECT PROD_ID FROM PSALE_SUB "
                 "WHERE MASTERBILLID = 'PM''2031')");
        QCOMPARE(now.size(), 21);
        QCOMPARE(now.first().size(), 114);
        QCOMPARE(now.first(), before.first()); // the same columns, in PRODUCT's order
        std::sort(before.begin() + 1, before.end());
        QCOMPARE(now, before);
        QCOMPARE(rows(billProductsCommandText("NONE")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBillNumber)
#include "tst_billnumber.moc"
