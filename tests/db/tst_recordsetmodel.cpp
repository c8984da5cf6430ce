#include "TestDatabase.h"

#include "DataSetProvider.h"
#include "DataSource.h"
#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "RecordSetModel.h"
#include "SilentAbort.h"
#include "SqlQuery.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<RecordSet> products()
{
    auto rs = std::make_unique<RecordSet>("ClientDataSet1");
    rs->addField("PROD_ID", FieldType::String, 20, QStringLiteral("商品編號"), true);
    rs->addField("PROD_NAME", FieldType::String, 50, QStringLiteral("商品名稱"));
    rs->addField("PACK_QTY", FieldType::Integer);
    rs->addField("PSALE_PRICE", FieldType::Number, 0, QStringLiteral("門市價"));
    rs->open();
    const QList<QVariantList> rows = {{"1001", "統一鮮乳", 1, 65.0},
                                      {"1002", "黑松沙士", 6, 25.5},
                                      {"1003", QVariant(), 12, QVariant()}};
    for (const QVariantList &r : rows) {
        rs->append();
        for (int f = 0; f < 4; ++f)
            rs->field(f)->setValue(r[f]);
        rs->post();
    }
    rs->first();
    return rs;
}

QModelIndex cell(const RecordSetModel &m, int row, int column)
{
    return m.index(row, column);
}

} // namespace

class TestRecordSetModel : public QObject
{
    Q_OBJECT

private slots:
    void columnsTitlesAndData()
    {
        auto rs = products();
        DataSource ds;
        ds.setDataSet(rs.get());
        RecordSetModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.setDataSource(&ds);
        QCOMPARE(m.columnCount(), 4);
        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("商品編號"));
        QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("PACK_QTY"));
        m.setColumnTitle(2, QStringLiteral("數量"));
        m.setColumnTitle(9, QStringLiteral("ignored"));
        QCOMPARE(m.columnTitle(2), QStringLiteral("數量"));

        rs->last(); // reading cells never moves the cursor
        QCOMPARE(m.data(cell(m, 0, 1)).toString(), QStringLiteral("統一鮮乳"));
        QCOMPARE(m.data(cell(m, 1, 3)).toString(), QStringLiteral("25.5"));
        QCOMPARE(m.data(cell(m, 2, 1)).toString(), QString());
        QCOMPARE(m.data(cell(m, 2, 3)).toString(), QString());
        QCOMPARE(m.data(cell(m, 1, 2)).toString(), QStringLiteral("6"));
        QCOMPARE(m.data(cell(m, 1, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
        QCOMPARE(rs->recNo(), 2);

        // Reopening the same fields keeps the titles set by position.
        rs->loadFromBytes(rs->saveToBytes());
        QCOMPARE(m.columnTitle(2), QStringLiteral("數量"));

        // Named columns, one of them missing from the record set.
        m.setColumns({"PSALE_PRICE", "NOPE", "PROD_ID"});
        QCOMPARE(m.columnCount(), 3);
        QCOMPARE(m.fieldIndexOfColumn(0), 3);
        QCOMPARE(m.fieldIndexOfColumn(1), -1);
        QCOMPARE(m.data(cell(m, 0, 1)), QVariant());
        QCOMPARE(m.data(cell(m, 0, 2)).toString(), QStringLiteral("1001"));
        QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("門市價"));
    }

    // The current row follows the record set, and setCurrentRow moves it.
    void currentRow()
    {
        auto rs = products();
        DataSource ds;
        ds.setDataSet(rs.get());
        RecordSetModel m;
        m.setDataSource(&ds);
        QSignalSpy spy(&m, &RecordSetModel::currentRowChanged);
        rs->next();
        rs->next();
        rs->next(); // at the end: no change, no signal
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.last().at(0).toInt(), 2);
        int scrolls = 0;
        rs->AfterScroll = [&](RecordSet &) { ++scrolls; };
        m.setCurrentRow(0);
        QCOMPARE(rs->recNo(), 0);
        QCOMPARE(m.currentRow(), 0);
        QCOMPARE(scrolls, 1);
        m.setCurrentRow(0); // the same row: no move
        QCOMPARE(scrolls, 1);
    }

    // Rows added and removed are told as such; reorders reset.
    void rowChanges()
    {
        auto rs = products();
        DataSource ds;
        ds.setDataSet(rs.get());
        RecordSetModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.setDataSource(&ds);
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        QSignalSpy editing(&m, qOverload<bool>(&RecordSetModel::editingChanged));

        rs->append();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.last().at(1).toInt(), 3);
        QCOMPARE(m.rowCount(), 4);
        QCOMPARE(m.currentRow(), 3);
        QCOMPARE(editing.last().at(0).toBool(), true);
        rs->fieldByName("PROD_ID")->setAsString("1004");
        QCOMPARE(changed.size(), 1);
        QCOMPARE(m.data(cell(m, 3, 0)).toString(), QStringLiteral("1004")); // the buffer
        rs->cancel();
        QCOMPARE(removed.size(), 1);
        QCOMPARE(m.rowCount(), 3);
        QCOMPARE(editing.last().at(0).toBool(), false);

        rs->last();
        rs->insert(); // at the current row
        QCOMPARE(inserted.last().at(1).toInt(), 2);
        QCOMPARE(m.data(cell(m, 3, 0)).toString(), QStringLiteral("1003"));
        rs->cancel();
        rs->deleteRecord();
        QCOMPARE(removed.size(), 3);
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(reset.size(), 0);

        rs->setIndexFieldName("PSALE_PRICE");
        QCOMPARE(reset.size(), 1);
        QCOMPARE(m.data(cell(m, 0, 0)).toString(), QStringLiteral("1002"));

        RecordSet other;
        other.addField("X", FieldType::Integer);
        other.open();
        ds.setDataSet(&other); // re-pointed: new columns
        QCOMPARE(m.columnCount(), 1);
        QCOMPARE(m.rowCount(), 0);
        ds.setDataSet(rs.get());
        rs.reset(); // destroyed under the model
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.columnCount(), 0);
    }

    // Editing through the model: flags per column, a row put into edit, refusals.
    void setData()
    {
        auto rs = products();
        DataSource ds;
        ds.setDataSet(rs.get());
        RecordSetModel m;
        m.setDataSource(&ds);
        QSignalSpy failed(&m, &RecordSetModel::editFailed);
        QVERIFY(m.flags(cell(m, 0, 1)) & Qt::ItemIsEditable);
        m.setColumnReadOnly(0, true);
        rs->fieldByName("PACK_QTY")->setReadOnly(true);
        QVERIFY(!(m.flags(cell(m, 0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!(m.flags(cell(m, 0, 2)) & Qt::ItemIsEditable));
        QVERIFY(!m.setData(cell(m, 0, 0), "x"));
        QCOMPARE(rs->state(), DataSetState::Browse);

        QVERIFY(m.setData(cell(m, 1, 1), QStringLiteral("黑松汽水")));
        QCOMPARE(rs->recNo(), 1);
        QCOMPARE(rs->state(), DataSetState::Edit);
        QCOMPARE(m.data(cell(m, 1, 1)).toString(), QStringLiteral("黑松汽水"));
        QVERIFY(m.setData(cell(m, 1, 3), QStringLiteral("")));
        QVERIFY(rs->fieldByName("PSALE_PRICE")->isNull());

        // A non-number: refused with the record set's message.
        QVERIFY(!m.setData(cell(m, 1, 3), QStringLiteral("abc")));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(m.lastError(),
                 QStringLiteral("'abc' is not a valid number for field 'PSALE_PRICE'"));

        // A validate that aborts silently: refused, no message.
        rs->fieldByName("PSALE_PRICE")->onValidate = [](Field &) { throw SilentAbort(); };
        QVERIFY(!m.setData(cell(m, 1, 3), 5));
        QCOMPARE(failed.size(), 1);
        rs->fieldByName("PSALE_PRICE")->onValidate = nullptr;

        // Another row: the changed one is posted first; a refused post stops the edit.
        QVERIFY(m.setData(cell(m, 0, 1), QStringLiteral("新名稱")));
        QCOMPARE(rs->valueAt(1, 1).toString(), QStringLiteral("黑松汽水"));
        QCOMPARE(rs->recNo(), 0);
        rs->post();
        rs->append();
        rs->fieldByName("PROD_NAME")->setAsString("無編號"); // PROD_ID is required
        QVERIFY(!m.setData(cell(m, 0, 1), QStringLiteral("x")));
        QCOMPARE(m.lastError(), QStringLiteral("Field '商品編號' must have a value"));
        QCOMPARE(rs->state(), DataSetState::Insert);
        rs->cancel();

        m.setReadOnly(true);
        QVERIFY(!(m.flags(cell(m, 0, 1)) & Qt::ItemIsEditable));
        m.setReadOnly(false);
        rs->setReadOnly(true);
        QVERIFY(!(m.flags(cell(m, 0, 1)) & Qt::ItemIsEditable));
    }

    // Packets through the model: the view's fetchMore brings the next rows.
    void fetchMore()
    {
        TestDatabase db(2500);
        QVERIFY2(db.isValid(), qPrintable(db.error()));
        SqlQuery q(&db.connection());
        DataSetProvider p(&q);
        RecordSet rs("CDS_Query");
        rs.setProvider(&p);
        rs.setPacketRecords(1000);
        rs.setCommandText("select PROD_ID, PROD_NAME from PRODUCT order by PROD_ID");
        DataSource ds;
        ds.setDataSet(&rs);
        RecordSetModel m; // (no model tester here: it calls fetchMore itself)
        m.setDataSource(&ds);
        rs.open();
        QCOMPARE(m.rowCount(), 1000);
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        QVERIFY(m.canFetchMore({}));
        m.fetchMore({});
        QCOMPARE(m.rowCount(), 2000);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.last().at(1).toInt(), 1000);
        m.fetchMore({});
        QCOMPARE(m.rowCount(), 2500);
        QVERIFY(!m.canFetchMore({}));

        // A fetch that fails is reported, not thrown into the view, and not taken for
        // the end of the rows.
        rs.close();
        rs.open();
        q.close(); // the statement goes away under the record set
        QSignalSpy failed(&m, &RecordSetModel::editFailed);
        m.fetchMore({});
        QCOMPARE(failed.size(), 1);
        QVERIFY(m.lastError().contains("the remaining rows cannot be fetched"));
        QCOMPARE(m.rowCount(), 1000);
        QVERIFY(!m.canFetchMore({}));
    }
};

QTEST_GUILESS_MAIN(TestRecordSetModel)
#include "tst_recordsetmodel.moc"
