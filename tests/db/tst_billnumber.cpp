#include "TestDatabase.h"

#include "BillNumber.h"
#include "DbError.h"
#include "PeriodBill.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QTest>

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
                 "SELECT * FROM PRODUCT  WHERE PROD_ID IN (SELECT PROD_ID FROM PSALE_SUB WHERE "
                 "MASTERBILLID = 'PM203107040001')");
        QVERIFY(billProductsCommandText("A'B").endsWith("MASTERBILLID = 'A''B')"));
    }
};

QTEST_GUILESS_MAIN(TestBillNumber)
#include "tst_billnumber.moc"
