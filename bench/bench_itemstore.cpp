// Saving a promotion item and reloading its bill's product list on the 1,000,000-product
// database, through the database layer:
// - one all-or-nothing save of a 4-row item in a 200-item bill, next to the same
//   delete and inserts run as separate self-committing statements;
// - the bill's product list (200 products), next to the same 200 product rows fetched
//   by primary key, and the former "PROD_ID IN (SELECT ...)" text.
// The bench's bill and its items are removed again at the end.

#include "BenchBill.h"
#include "BenchReport.h"

#include "ConnectionParams.h"
#include "DbError.h"
#include "ItemStore.h"
#include "PeriodBill.h"
#include "SqlConnection.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace {

const QString kBill = QStringLiteral("PMBENCHITEM0001");

ItemRow benchRow(const QString &product, int packQty, bool buyN, int variant)
{
    ItemRow r;
    const QStringList names = itemInsertParamNames();
    for (const QString &name : names)
        r.set(name, QString());
    r.set(QStringLiteral("MASTERBILLID"), kBill);
    r.set(QStringLiteral("PROD_ID"), product);
    r.set(QStringLiteral("PROD_NAME"), QStringLiteral("測試商品"));
    r.set(QStringLiteral("PSALE_FLAG"),
        buyN ? QStringLiteral("2,買N優惠") : QStringLiteral("0,單品促銷"));
    for (const char *n : { "PSALE_PRICE", "OLD_PRICE", "VIP_PRICE", "NEW_COST", "VNEW_COST" })
        r.set(QLatin1String(n), 10.5 * packQty + variant);
    for (const char *n : { "N_QTY", "G_QTY", "PLIMIT_QTY" })
        r.set(QLatin1String(n), qint64(0));
    r.set(QStringLiteral("PACK_QTY"), qint64(packQty));
    r.set(QStringLiteral("TEMPPRODID"),
        buyN ? QStringLiteral("M%1%2").arg(product).arg(packQty, 4, 10, QLatin1Char('0'))
             : QStringLiteral("4710000000000"));
    r.set(QStringLiteral("KEYINTIME"), QStringLiteral("310704-120000 %1").arg(variant % 1000));
    r.set(QStringLiteral("STOP_SALE"), QStringLiteral("N"));
    r.set(QStringLiteral("BILL_KIND"), QStringLiteral("B"));
    return r;
}

std::vector<ItemRow> benchItem(const QString &product, int variant)
{
    return { benchRow(product, 1, false, variant), benchRow(product, 6, false, variant),
        benchRow(product, 12, false, variant), benchRow(product, 3, true, variant) };
}

// The same statements as a save, each committing on its own (no transaction, no lock).
void plainSave(
    SqlQuery &del, SqlQuery &ins, const QString &product, const std::vector<ItemRow> &rows)
{
    del.clear();
    for (const QString &line : itemDeleteLines(kBill, product))
        del.addLine(line);
    del.execute();
    if (ins.lines() != itemInsertLines()) {
        ins.clear();
        for (const QString &line : itemInsertLines())
            ins.addLine(line);
    }
    for (const ItemRow &r : rows) {
        ins.clearParams();
        for (const auto &[name, value] : r.params) {
            if (value.typeId() == QMetaType::QString)
                ins.setParamText(name, value.toString());
            else if (value.typeId() == QMetaType::Double)
                ins.setParamNumber(name, value.toDouble());
            else
                ins.setParamInteger(name, value.toLongLong());
        }
        ins.execute();
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString db
        = qEnvironmentVariable("TARN_BENCH_DATA") + QStringLiteral("/products-1000000.fdb");
    if (!QFileInfo::exists(db)) {
        std::printf("skipped: %s not found (scripts/bench makes it)\n", qPrintable(db));
        return 0;
    }
    SqlConnection c;
    c.setParams(ConnectionParams::embedded(db));
    try {
        c.open();
        SqlQuery q(&c), del(&c), ins(&c);
        BenchBill bill(c, kBill, QStringLiteral("2031/08/01"), QStringLiteral("2031/08/31"));
        // 200 products spread over the catalogue.
        QStringList products;
        q.setText(QStringLiteral("SELECT PROD_ID FROM PRODUCT ORDER BY PROD_ID"));
        int n = 0;
        for (q.open(); !q.eof(); q.next(), ++n)
            if (n % 5000 == 17)
                products << q.asString(0);
        q.close();
        products = products.mid(0, 200);
        for (int i = 0; i < products.size(); ++i)
            writeItem(del, ins, kBill, products[i], benchItem(products[i], i));

        const int saves = 400;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < saves; ++i) {
            const QString &p = products[i % products.size()];
            writeItem(del, ins, kBill, p, benchItem(p, i + 1));
        }
        const double save = t.nsecsElapsed() / 1e6 / saves;
        t.restart();
        for (int i = 0; i < saves; ++i) {
            const QString &p = products[i % products.size()];
            plainSave(del, ins, p, benchItem(p, i + 2));
        }
        const double plain = t.nsecsElapsed() / 1e6 / saves;
        benchReport(
            "item save, 4 rows, bill of 200 items (1M)", save, "ms", plain, "separate statements");

        double reload = 0, byKey = 0;
        int reloadRows = 0, keyRows = 0;
        const int rounds = 20;
        for (int r = 0; r <= rounds; ++r) { // round 0 warms the cache
            q.clear();
            q.setText(billProductsCommandText(kBill));
            t.restart();
            reloadRows = fetchAll(q);
            if (r)
                reload += t.nsecsElapsed() / 1e6 / rounds;
            q.clear();
            q.setText(QStringLiteral("SELECT * FROM PRODUCT WHERE PROD_ID = :PROD_ID"));
            t.restart();
            c.startTransaction();
            keyRows = 0;
            for (const QString &p : products) {
                q.setParamText(QStringLiteral("PROD_ID"), p);
                keyRows += fetchAll(q);
            }
            c.commit();
            if (r)
                byKey += t.nsecsElapsed() / 1e6 / rounds;
        }
        if (reloadRows != 200 || keyRows != 200)
            std::printf("error: %d and %d rows instead of 200\n", reloadRows, keyRows);
        benchReport("bill product list, 200 items (1M)", reload, "ms", byKey, "200 rows by key");
        q.clear();
        q.setText(QStringLiteral("SELECT * FROM PRODUCT  WHERE PROD_ID IN (SELECT PROD_ID FROM "
                                 "PSALE_SUB WHERE MASTERBILLID = ")
            + sqlQuote(kBill) + QStringLiteral(")"));
        t.restart();
        fetchAll(q);
        benchReport("former IN text, 200 items (1M)", t.nsecsElapsed() / 1e6, "ms", byKey,
            "200 rows by key");
    } catch (const DbError &e) {
        std::printf("error: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
