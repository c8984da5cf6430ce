#include "TestDatabase.h"

#include "Conversions.h"
#include "DbError.h"
#include "RowSink.h"
#include "SqlConnection.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <QTest>

namespace {
struct CountingSink : RowSink
{
    int rows = 0;
    QStringList firstColumn;
    void putNull(int) override {}
    void putText(int c, const char *s, int n) override
    {
        if (c == 0)
            firstColumn << QString::fromUtf8(s, n);
    }
    void putInteger(int, qint64) override {}
    void putNumber(int, double) override {}
    void endRow() override { ++rows; }
};
} // namespace

class TestSqlQuery : public QObject
{
    Q_OBJECT

private slots:
    void textParamsAndFirstRow()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlQuery q(&db.connection());
        q.addLine(QStringLiteral("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, BUSINESS_NUM)"));
        q.addLine(QStringLiteral(" VALUES (:ID, :NAME, :NUM)"));
        q.setParamText(QStringLiteral("ID"), QStringLiteral("F01"));
        q.setParamText(QStringLiteral("name"), QStringLiteral("台灣食品's"));
        q.setParamInteger(QStringLiteral("NUM"), 12345678);
        QCOMPARE(q.execute(), 1);
        QCOMPARE(q.text(), QStringLiteral("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, "
                                          "BUSINESS_NUM)\n VALUES (:ID, :NAME, :NUM)"));

        q.clear();
        q.addLine(QStringLiteral("SELECT PROVIDER_ID, PROVIDER_NAME, BUSINESS_NUM FROM PROVIDER"));
        q.addLine(QStringLiteral(" WHERE PROVIDER_NAME = ") + sqlQuote(QStringLiteral("台灣食品's")));
        q.open();
        QVERIFY(!q.eof());
        QCOMPARE(q.asString(QStringLiteral("provider_id")), QStringLiteral("F01"));
        QCOMPARE(q.asString(1), QStringLiteral("台灣食品's"));
        QCOMPARE(q.asString(QStringLiteral("BUSINESS_NUM")), QStringLiteral("12345678"));
        QCOMPARE(q.columns().at(1).size, 50);
        q.next();
        QVERIFY(q.eof());
        // Without a row every field reads as null.
        QVERIFY(q.isNull(0));
        QCOMPARE(q.asString(0), QString());
        QVERIFY(!q.value(QStringLiteral("PROVIDER_ID")).isValid());
        QVERIFY_THROWS_EXCEPTION(DbError, q.asString(QStringLiteral("NO_SUCH_FIELD")));
    }

    void numbersNullsAndCharParams()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlQuery q(&db.connection());
        q.setText(QStringLiteral("INSERT INTO PSALE_SUB (MASTERBILLID, PSALE_PRICE, STOP_SALE, NOTE) "
                                 "VALUES (:B, :P, :S, :N)"));
        q.setParamText(QStringLiteral("B"), QStringLiteral("X1"));
        q.setParamNumber(QStringLiteral("P"), 12.5);
        q.setParamChar(QStringLiteral("S"), QLatin1Char('Y'));
        q.setParamNull(QStringLiteral("N"));
        q.execute();
        q.clear();
        q.setText(QStringLiteral("SELECT PSALE_PRICE, STOP_SALE, NOTE, 0.1 + 0.2 AS S FROM PSALE_SUB"));
        q.open();
        QCOMPARE(q.asNumber(0), 12.5);
        QCOMPARE(q.asString(0), QStringLiteral("12.5"));
        QCOMPARE(q.asString(1), QStringLiteral("Y"));
        QVERIFY(q.isNull(2));
        QCOMPARE(formatNumber(q.asNumber(3)), QStringLiteral("0.3"));
    }

    void engineErrorKeepsItsText()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlQuery q(&db.connection());
        q.setText(QStringLiteral("SELECT * FROM NO_SUCH_TABLE"));
        try {
            q.open();
            QFAIL("no error");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("NO_SUCH_TABLE")), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("Table unknown")));
            QCOMPARE(e.statement(), QStringLiteral("SELECT * FROM NO_SUCH_TABLE"));
        }
        // The connection is still usable afterwards, with no transaction left open.
        QVERIFY(!db.connection().inTransaction());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUCT")), QStringLiteral("0"));
    }

    void spliceWithQuoteCannotBreakTheStatement()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        db.exec(QStringLiteral("INSERT INTO PROVIDER (PROVIDER_ID) VALUES ('A')"));
        SqlQuery q(&db.connection());
        q.setText(QStringLiteral("SELECT COUNT(*) FROM PROVIDER WHERE PROVIDER_ID = ")
                  + sqlQuote(QStringLiteral("x' OR '1'='1")));
        q.open();
        QCOMPARE(q.asInteger(0), 0);
        QCOMPARE(sqlEscape(QStringLiteral("O'Neil''s")), QStringLiteral("O''Neil''''s"));
    }

    void explicitTransactionCommitAndRollback()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlConnection &c = db.connection();
        c.startTransaction(1, TransIsolation::ReadCommitted);
        QVERIFY(c.inTransaction());
        c.executeImmediate(QStringLiteral("INSERT INTO TEMP_PSALEID VALUES ('2031/07/04', 1)"));
        c.rollback();
        QVERIFY(!c.inTransaction());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM TEMP_PSALEID")), QStringLiteral("0"));
        c.startTransaction();
        c.executeImmediate(QStringLiteral("INSERT INTO TEMP_PSALEID VALUES ('2031/07/04', 1)"));
        c.commit();
        QCOMPARE(db.scalar(QStringLiteral("SELECT LAST_ID FROM TEMP_PSALEID")), QStringLiteral("1"));
        // A unique-key failure inside the explicit transaction leaves it open for rollback.
        c.startTransaction();
        QVERIFY_THROWS_EXCEPTION(DbError, c.executeImmediate(
            QStringLiteral("INSERT INTO TEMP_PSALEID VALUES ('2031/07/04', 9)")));
        QVERIFY(c.inTransaction());
        c.rollback();
    }

    void ownTransactionReadOnlyForPlainSelectOnly()
    {
        TestDatabase db;
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlConnection &c = db.connection();
        SqlQuery q(&c);
        q.setText(QStringLiteral("SELECT MON$READ_ONLY FROM MON$TRANSACTIONS "
                                 "WHERE MON$TRANSACTION_ID = CURRENT_TRANSACTION"));
        // New text and prepared text alike.
        for (int run = 0; run < 2; ++run) {
            q.open();
            QCOMPARE(q.asString(0), QStringLiteral("1"));
            q.close();
        }
        c.startTransaction();
        q.open();
        QCOMPARE(q.asString(0), QStringLiteral("0"));
        q.close();
        c.commit();

        // Statements that write, or lock, run read-write and commit.
        SqlQuery w(&c);
        w.setText(QStringLiteral("INSERT INTO TEMP_PSALEID VALUES ('2031/07/04', 1)"));
        w.execute();
        w.setText(QStringLiteral("UPDATE TEMP_PSALEID SET LAST_ID = LAST_ID + 1"));
        QCOMPARE(w.execute(), 1);
        QCOMPARE(w.execute(), 1);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT LAST_ID FROM TEMP_PSALEID")), QStringLiteral("3"));
        w.setText(QStringLiteral("SELECT LAST_ID FROM TEMP_PSALEID WITH LOCK"));
        for (int run = 0; run < 2; ++run) {
            w.open();
            QCOMPARE(w.asString(0), QStringLiteral("3"));
            w.close();
        }
    }

    void fetchIntoDeliversRowsInPackets()
    {
        TestDatabase db(250);
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlQuery q(&db.connection());
        q.setText(QStringLiteral("SELECT PROD_ID FROM PRODUCT ORDER BY PROD_ID"));
        q.open();
        CountingSink sink;
        QCOMPARE(q.fetchInto(sink, 100), 100);
        QCOMPARE(q.fetchInto(sink, 100), 100);
        QCOMPARE(q.fetchInto(sink, 100), 50);
        QCOMPARE(q.fetchInto(sink, 100), 0);
        QCOMPARE(sink.rows, 250);
        QCOMPARE(sink.firstColumn.first(), QStringLiteral("1000"));
        QCOMPARE(sink.firstColumn.last(), QStringLiteral("1249"));
        QCOMPARE(sink.firstColumn.size(), int(QSet<QString>(sink.firstColumn.begin(),
                                                            sink.firstColumn.end()).size()));
    }

    void namedParamsOutsideQuotesOnly()
    {
        QStringList names;
        const QString t = sqlPositionalParams(
            QStringLiteral("SELECT ':X', \":Y\" FROM T WHERE A = :A AND B = :a -- :C\n AND D=:D"),
            &names);
        QCOMPARE(t, QStringLiteral("SELECT ':X', \":Y\" FROM T WHERE A = ? AND B = ? -- :C\n AND D=?"));
        QCOMPARE(names, (QStringList{QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("D")}));
    }
};

QTEST_GUILESS_MAIN(TestSqlQuery)
#include "tst_sqlquery.moc"
