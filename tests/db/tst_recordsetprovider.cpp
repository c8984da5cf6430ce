#include "TestDatabase.h"

#include "DataSetProvider.h"
#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QTest>

#include <memory>

namespace {

const char *const kBrowser = "select PROD_ID,PROD_BARCODE,PROD_NAME,PROVIDER_ID,PROVIDER_NAME,"
                             "UNITNAME,PSALE_PRICE  from PRODUCT\nORDER BY PROD_BARCODE";
const char *const kById = "select PROD_ID, PROD_NAME, PSALE_PRICE from PRODUCT order by PROD_ID";

} // namespace

// Record sets filled through a provider from the embedded test database.
class TestRecordSetProvider : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    int m_products = 0;

    struct Set
    {
        SqlQuery query;
        DataSetProvider provider;
        RecordSet rs;
        Set(SqlConnection &c, const QString &name) : query(&c), provider(&query), rs(name)
        {
            rs.setProvider(&provider);
        }
    };

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>(2500);
        QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
        m_products = m_db->scalar("select count(*) from PRODUCT").toInt();
        QCOMPARE(m_products, 2500);
    }
    void cleanupTestCase() { m_db.reset(); }

    // Without declared fields, open takes one field per result column; every row and
    // value equals what the statement itself returns.
    void openTakesTheResult()
    {
        Set s(m_db->connection(), "ClientDataSet1");
        s.query.setText("select 1 from RDB$DATABASE"); // replaced by the command text
        s.rs.setCommandText(kBrowser);
        QStringList events;
        s.rs.AfterOpen = [&](RecordSet &) { events << "open"; };
        s.rs.AfterScroll = [&](RecordSet &) { events << "scroll"; };
        s.rs.open();
        QCOMPARE(events, QStringList({"open", "scroll"}));
        QCOMPARE(s.rs.recordCount(), m_products);
        QVERIFY(s.rs.allFetched());
        QVERIFY(!s.rs.hasDeclaredFields());
        QCOMPARE(s.rs.fieldCount(), 7);
        QCOMPARE(s.rs.field(0)->fieldName(), QStringLiteral("PROD_ID"));
        QCOMPARE(s.rs.field(0)->size(), 20);
        QCOMPARE(s.rs.field(6)->dataType(), FieldType::Number);
        QVERIFY(!s.query.active()); // every row read: the cursor is closed

        SqlQuery check(&m_db->connection());
        check.setText(kBrowser);
        check.open();
        for (int row = 0; !check.eof(); ++row, check.next()) {
            for (int f = 0; f < 7; ++f) {
                if (s.rs.valueAt(row, f) != check.value(f))
                    QFAIL(qPrintable(QStringLiteral("row %1 field %2").arg(row).arg(f)));
            }
        }
        QCOMPARE(s.rs.commandText(), QString::fromUtf8(kBrowser));

        // Editing stays in memory: nothing goes back through the provider.
        const QString firstId = s.rs.fieldByName("PROD_ID")->asString();
        s.rs.edit();
        s.rs.fieldByName("PROD_NAME")->setAsString("changed");
        s.rs.post();
        s.rs.deleteRecord();
        QCOMPARE(m_db->scalar("select count(*) from PRODUCT where PROD_ID = '" + firstId
                              + "' and PROD_NAME <> 'changed'"),
                 QStringLiteral("1"));

        // Reopening the same statement keeps the field objects; close drops the rows.
        Field *f0 = s.rs.field(0);
        s.rs.close();
        QCOMPARE(s.rs.recordCount(), 0);
        s.rs.open();
        QCOMPARE(s.rs.field(0), f0);
        QCOMPARE(s.rs.recordCount(), m_products);
    }

    // Declared fields take the result columns of their name, without regard to case;
    // texts are cut to the declared size.
    void declaredFields()
    {
        Set s(m_db->connection(), "CDS_PRODUCT");
        s.rs.addField("psale_price", FieldType::Number, 0, QStringLiteral("門市價"));
        s.rs.addField("Prod_Id", FieldType::String, 20, QStringLiteral("商品編號"), true);
        s.rs.addField("PROD_NAME", FieldType::String, 2);
        s.rs.setCommandText(kById);
        s.rs.open();
        QCOMPARE(s.rs.fieldCount(), 3);
        QCOMPARE(s.rs.recordCount(), m_products);
        SqlQuery check(&m_db->connection());
        check.setText(kById);
        check.open();
        QCOMPARE(s.rs.valueAt(0, 1), check.value(0));
        QCOMPARE(s.rs.valueAt(0, 0), check.value(2));
        QCOMPARE(s.rs.valueAt(0, 2).toString(), check.asString(1).left(2));

        // A declared field the result lacks is refused; the set stays closed.
        s.rs.close();
        s.rs.setCommandText("select PROD_ID, PSALE_PRICE from PRODUCT");
        try {
            s.rs.open();
            QFAIL("opened without PROD_NAME");
        } catch (const DbError &e) {
            QCOMPARE(e.message(), QStringLiteral("Field 'PROD_NAME' not found"));
        }
        QVERIFY(!s.rs.active());
    }

    // A statement the server refuses: its error, the set closed, the next open fine.
    void statementErrors()
    {
        Set s(m_db->connection(), "CDS_Query");
        s.rs.setCommandText("select * from PRODUCT where PROD_NAME like 'a'b'");
        QVERIFY_THROWS_EXCEPTION(DbError, s.rs.open());
        QVERIFY(!s.rs.active());
        s.rs.setCommandText(kById);
        s.rs.open();
        QCOMPARE(s.rs.recordCount(), m_products);

        RecordSet noProvider("CDS_NONE");
        QVERIFY_THROWS_EXCEPTION(DbError, noProvider.open());
        DataSetProvider empty;
        noProvider.setProvider(&empty);
        QVERIFY_THROWS_EXCEPTION(DbError, noProvider.open());
    }

    // Packets: the next one is fetched when the cursor moves past the last fetched row,
    // and for last(), locate and setRecNo beyond it.
    void packets()
    {
        Set s(m_db->connection(), "CDS_Query");
        s.rs.setPacketRecords(1000);
        s.rs.setCommandText(kById);
        s.rs.open();
        QCOMPARE(s.rs.recordCount(), 1000);
        QVERIFY(!s.rs.allFetched());
        QVERIFY(s.query.active()); // the cursor stays open between packets

        // Another statement on the same connection meanwhile does not disturb it.
        QCOMPARE(m_db->scalar("select count(*) from PROVIDER").isEmpty(), false);

        s.rs.setRecNo(999);
        QCOMPARE(s.rs.recordCount(), 1000);
        s.rs.next();
        QCOMPARE(s.rs.recNo(), 1000);
        QCOMPARE(s.rs.recordCount(), 2000);
        QVERIFY(!s.rs.eof());

        SqlQuery check(&m_db->connection());
        check.setText(kById);
        check.open();
        QStringList ids;
        for (; !check.eof(); check.next())
            ids << check.asString(0);
        QCOMPARE(s.rs.valueAt(1000, 0).toString(), ids[1000]);

        QVERIFY(s.rs.locate("PROD_ID", ids[2400]));
        QCOMPARE(s.rs.recNo(), 2400);
        QVERIFY(s.rs.allFetched());
        QVERIFY(!s.query.active());
        QCOMPARE(s.rs.recordCount(), m_products);
        QVERIFY(!s.rs.fetchMore());

        s.rs.close();
        s.rs.open();
        QCOMPARE(s.rs.recordCount(), 1000);
        s.rs.last();
        QCOMPARE(s.rs.recordCount(), m_products);
        QCOMPARE(s.rs.fieldByName("PROD_ID")->asString(), ids.last());
        QVERIFY(s.rs.eof());

        s.rs.close();
        s.rs.open();
        s.rs.setRecNo(1500);
        QCOMPARE(s.rs.recNo(), 1500);
        QCOMPARE(s.rs.recordCount(), 2000);
        QVERIFY(s.rs.fetchMore());
        QCOMPARE(s.rs.recordCount(), m_products);
        QVERIFY(!s.rs.fetchMore());
        QCOMPARE(s.rs.valueAt(m_products - 1, 0).toString(), ids.last());

        // A packet set with an index is sorted over everything fetched.
        s.rs.close();
        s.rs.open();
        s.rs.setIndexFieldName("PROD_NAME");
        QCOMPARE(s.rs.recordCount(), m_products);
    }

    // Progress while reading: every so many rows, with the count so far; the rows and
    // their order are those of a load without it. Packets go on counting.
    void fetchProgress()
    {
        Set plain(m_db->connection(), "plain");
        plain.rs.setCommandText(kBrowser);
        plain.rs.open();

        Set s(m_db->connection(), "ClientDataSet1");
        s.rs.setCommandText(kBrowser);
        QList<int> calls;
        s.rs.setFetchProgress([&](int rows) { calls << rows; }, 1000);
        s.rs.open();
        QCOMPARE(calls, QList<int>({ 1000, 2000, m_products }));
        QCOMPARE(s.rs.recordCount(), plain.rs.recordCount());
        for (int row = 0; row < m_products; row += 97)
            for (int f = 0; f < 7; ++f)
                QCOMPARE(s.rs.valueAt(row, f), plain.rs.valueAt(row, f));

        // Exactly a multiple of the step: no empty call at the end.
        calls.clear();
        s.rs.setFetchProgress([&](int rows) { calls << rows; }, m_products / 2);
        s.rs.refresh();
        QCOMPARE(calls, QList<int>({ m_products / 2, m_products }));

        calls.clear();
        Set packets(m_db->connection(), "CDS_Query");
        packets.rs.setPacketRecords(1000);
        packets.rs.setCommandText(kById);
        packets.rs.setFetchProgress([&](int rows) { calls << rows; }, 400);
        packets.rs.open();
        QCOMPARE(calls, QList<int>({ 400, 800, 1000 }));
        packets.rs.fetchMore();
        QCOMPARE(calls, QList<int>({ 400, 800, 1000, 1400, 1800, 2000 }));
        QCOMPARE(packets.rs.recordCount(), 2000);

        // None set: nothing is called, and a reopen reads everything as before.
        calls.clear();
        s.rs.setFetchProgress({});
        s.rs.close();
        s.rs.open();
        QVERIFY(calls.isEmpty());
        QCOMPARE(s.rs.recordCount(), m_products);
    }

    // Refresh re-reads the rows and keeps the current row where it still exists.
    void refresh()
    {
        m_db->exec("insert into PRODUCT (PROD_ID, PROD_NAME, PSALE_PRICE) "
                   "values ('ZZ-REFRESH', 'before', 10)");
        Set s(m_db->connection(), "CDS_PRODLIST");
        s.rs.setCommandText(kById);
        s.rs.open();
        QVERIFY(s.rs.locate("PROD_ID", "ZZ-REFRESH"));
        const int pos = s.rs.recNo();
        s.rs.edit();
        s.rs.fieldByName("PSALE_PRICE")->setAsFloat(99); // in memory only: refresh drops it
        m_db->exec("update PRODUCT set PROD_NAME = 'after' where PROD_ID = 'ZZ-REFRESH'");
        m_db->exec("insert into PRODUCT (PROD_ID, PROD_NAME) values ('0-FIRST', 'x')");
        int scrolls = 0;
        s.rs.AfterScroll = [&](RecordSet &) { ++scrolls; };
        s.rs.refresh();
        QCOMPARE(s.rs.fieldByName("PROD_ID")->asString(), QStringLiteral("ZZ-REFRESH"));
        QCOMPARE(s.rs.fieldByName("PROD_NAME")->asString(), QStringLiteral("after"));
        QCOMPARE(s.rs.fieldByName("PSALE_PRICE")->asFloat(), 10.0);
        QCOMPARE(s.rs.recNo(), pos + 1);
        QCOMPARE(s.rs.recordCount(), m_products + 2);
        QCOMPARE(scrolls, 1); // posting the pending row is no move; the refresh is one

        m_db->exec("delete from PRODUCT where PROD_ID = 'ZZ-REFRESH'");
        s.rs.refresh();
        QCOMPARE(s.rs.recNo(), 0); // gone: the first row
        QVERIFY(s.rs.bof());
        m_db->exec("delete from PRODUCT where PROD_ID = '0-FIRST'");
    }
};

QTEST_GUILESS_MAIN(TestRecordSetProvider)
#include "tst_recordsetprovider.moc"
