// Product entry, the item pane and pack grids, the save of an item, the period open
// and the bill's product list, measured through the promotion window on the
// 1,000,000-product database. The bench makes a bill of 200 items, each product with
// two regular packs and one buy-N pack and each item stored as a save writes it (the
// single-item row, two selling-unit rows, one buy-N row), and removes it at the end.
//
// Each figure is the median of many runs; its reference, measured in the same run
// (a window run and a reference run in turn), does the same work through the database
// layer without the window:
// - product search by barcode and by second code (Enter in the product box of a new
//   row: the search, the bill check and the pack grids), next to the same statements;
// - the item pane and both pack grids of one product of the bill, next to the same
//   statements;
// - the save of one item (F8 answered Yes, through to the list back on the saved
//   product with its pane and grids), next to the same write, the list's statement
//   and one pane and grids load;
// - the period open of the bill, next to its 200 product rows fetched by key;
// - one step of the bill's product list (pane and grids reloaded), next to the
//   statements of one pane and grids load.
// The list's open-and-scroll handler (pane and grids) is timed inside the window's
// runs as well: how often the period open and the save run it, and what it costs.

#include "BenchBill.h"
#include "BenchReport.h"

#include "DemoData.h"
#include "FrmTarnPromotion.h"
#include "ItemEntry.h"
#include "ItemSave.h"
#include "MaskEdit.h"
#include "Prompter.h"

#include "ConnectionParams.h"
#include "DbError.h"
#include "Field.h"
#include "ItemStore.h"
#include "PeriodBill.h"
#include "RecordSet.h"
#include "SqlConnection.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString kBill = QStringLiteral("PMBENCHITEMS0001");
const QString kStart = QStringLiteral("2031/09/01");
const QString kEnd = QStringLiteral("2031/09/30");
constexpr int kItems = 200;

// Answers every question Yes; anything else the window says is an error of the run.
class YesPrompter : public Prompter
{
public:
    YesPrompter() { Prompter::setCurrent(this); }
    ~YesPrompter() override { Prompter::setCurrent(nullptr); }
    YesPrompter(const YesPrompter &) = delete;
    YesPrompter &operator=(const YesPrompter &) = delete;

    QStringList unexpected;

    void message(const QString &text) override { unexpected << text; }
    void warning(const QString &text) override { unexpected << text; }
    void error(const QString &text) override { unexpected << text; }
    bool confirm(const QString &) override { return true; }
    MsgButton ask(const QString &, MsgButtons, int) override { return mbYes; }
};

// A product with two regular packs and one buy-N pack, and the item a save of its
// pane and grids writes (promotion prices a tenth below the product's).
struct BenchProduct
{
    QString id, barcode, secondCode;
    ItemPaneTexts pane;
    std::vector<PackRowTexts> units, buyN;
};

QString number(double value)
{
    return QString::number(value, 'g', 15);
}

BenchProduct readProduct(SqlConnection &c, const QString &id)
{
    BenchProduct p;
    SqlQuery q(&c);
    q.setText(QStringLiteral("SELECT * FROM PRODUCT WHERE PROD_ID = ") + sqlQuote(id));
    q.open();
    if (q.eof())
        throw DbError(QStringLiteral("product %1 not found").arg(id));
    auto text = [&](const char *name) { return q.asString(QLatin1String(name)); };
    p.id = id;
    p.barcode = text("PROD_BARCODE");
    p.secondCode = text("PROD_ID2");
    const double price = q.asNumber(QStringLiteral("PSALE_PRICE"));
    p.pane = { kBill, kStart, kEnd, id, p.barcode, text("PROD_NAME"), number(price),
        number(std::round(price * 0.9)), number(std::round(price * 0.85)), QStringLiteral("N"),
        text("STD_COST"), QStringLiteral("0"), kStart, kEnd, QString(), text("PROVIDER_ID"),
        text("PROVIDER_NAME") };
    q.close();
    q.setText(QStringLiteral("SELECT * FROM PROD_SALE WHERE PROD_ID = ") + sqlQuote(id)
        + QStringLiteral(" ORDER BY SAL_BARCODE"));
    for (q.open(); !q.eof(); q.next()) {
        const double packPrice = q.asNumber(QStringLiteral("SAL_PRICE"));
        const double packVip = q.asNumber(QStringLiteral("VIP_PRICE"));
        const PackRowTexts row { number(std::round(packPrice * 0.9)), number(packPrice),
            number(std::round(packVip * 0.9)), text("STD_COST"), text("PACK_QTY"),
            text("SAL_NAME") };
        (text("SAL_BARCODE").startsWith(QLatin1Char('M')) ? p.buyN : p.units).push_back(row);
    }
    q.close();
    if (p.units.size() != 2 || p.buyN.size() != 1)
        throw DbError(QStringLiteral("product %1 has not 2 regular and 1 buy-N pack").arg(id));
    return p;
}

// count products spread over the catalogue, each with exactly two regular packs and one
// buy-N pack.
QStringList productsWithThreePacks(SqlConnection &c, int count)
{
    SqlQuery q(&c);
    q.setText(QStringLiteral(
        "SELECT S.PROD_ID FROM PROD_SALE S WHERE S.SAL_BARCODE STARTING WITH 'M' AND "
        "(SELECT COUNT(*) FROM PROD_SALE R WHERE R.PROD_ID = S.PROD_ID) = 3 "
        "ORDER BY S.PROD_ID"));
    QStringList all;
    for (q.open(); !q.eof(); q.next())
        all << q.asString(0);
    q.close();
    all.removeDuplicates();
    if (all.size() < count)
        throw DbError(QStringLiteral("only %1 products with three packs").arg(all.size()));
    QStringList picked;
    for (int i = 0; i < count; ++i)
        picked << all[int(qint64(i) * all.size() / count)];
    return picked;
}

void setLines(SqlQuery &q, const QStringList &lines)
{
    q.clear();
    for (const QString &line : lines)
        q.addLine(line);
}

// The reference: what the window's statements do, run back to back on a connection
// of its own, each row's columns read as text.
class Reference
{
public:
    explicit Reference(SqlConnection &c)
        : m_connection(c)
        , m_query(&c)
        , m_values(&c)
        , m_delete(&c)
        , m_insert(&c)
    { }

    // Enter in the product box: the product by number, barcode or second code, whether
    // the bill has it, then the pack grids.
    void search(const QString &text, const QString &product)
    {
        setLines(m_query, productSearchLines(text));
        fetchAll(m_query);
        setLines(m_query, billItemLines(kBill, product));
        fetchAll(m_query);
        packs(product);
    }
    // LoadItemPane: the stored item.
    void pane(const QString &product)
    {
        setLines(m_query, storedItemLines(kBill, product));
        fetchAll(m_query);
    }
    // LoadPackGrids: the regular packs and their stored values, the buy-N packs, the
    // bill's buy-N rows and their stored values.
    void packs(const QString &product)
    {
        for (const bool buyN : { false, true }) {
            m_query.clear();
            m_query.setText(packRowsCommandText(kBill, product, buyN));
            std::vector<double> quantities;
            for (m_query.open(); !m_query.eof(); m_query.next()) {
                for (int i = 0; i < m_query.fieldCount(); ++i)
                    m_query.asString(i);
                quantities.push_back(m_query.asNumber(QStringLiteral("PACK_QTY")));
            }
            m_query.close();
            if (buyN) {
                setLines(m_query, storedBuyNRowsLines(kBill, product));
                fetchAll(m_query);
            }
            setLines(m_values, storedPackValuesLines(kBill, product));
            for (const double n : quantities) {
                m_values.setParamNumber(QStringLiteral("PACK_QTY"), n);
                fetchAll(m_values);
            }
        }
    }
    // The save: the item written all or nothing, the bill's product list read again,
    // the saved product's pane and grids.
    void save(const BenchProduct &p, const std::vector<ItemRow> &rows)
    {
        writeItem(m_delete, m_insert, kBill, p.id, rows);
        m_query.clear();
        m_query.setText(billProductsCommandText(kBill));
        fetchAll(m_query);
        pane(p.id);
        packs(p.id);
    }
    // The bill's products, each fetched by its key, in one transaction.
    int byKey(const QStringList &products)
    {
        if (m_query.text() != m_byKey) {
            m_query.clear();
            m_query.setText(m_byKey);
        }
        int rows = 0;
        m_connection.startTransaction();
        for (const QString &id : products) {
            m_query.setParamText(QStringLiteral("PROD_ID"), id);
            rows += fetchAll(m_query);
        }
        m_connection.commit();
        return rows;
    }

private:
    SqlConnection &m_connection;
    SqlQuery m_query, m_values, m_delete, m_insert;
    const QString m_byKey = QStringLiteral("SELECT * FROM PRODUCT WHERE PROD_ID = :PROD_ID");
};

// Times of a list of runs, in milliseconds.
class Samples
{
public:
    void add(double ms) { m_ms.push_back(ms); }
    double median() const
    {
        if (m_ms.empty())
            return 0;
        std::vector<double> v = m_ms;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

private:
    std::vector<double> m_ms;
};

double elapsedMs(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Runs of the list's open-and-scroll handler (pane and grids) and their time.
struct HandlerRuns
{
    int runs = 0;
    double ms = 0;
};

// Runs the list's after-open and after-scroll handlers through the window's own,
// counting them and adding up their time.
void countListHandler(TFormTarnPromotion &w, HandlerRuns &runs)
{
    for (auto *event : { &w.CDS_PRODLIST->AfterOpen, &w.CDS_PRODLIST->AfterScroll }) {
        std::function<void(RecordSet &)> original = *event;
        *event = [original, &runs](RecordSet &rs) {
            QElapsedTimer t;
            t.start();
            original(rs);
            runs.ms += elapsedMs(t);
            ++runs.runs;
        };
    }
}

// The item's stored rows and how many of them hold the promotion price, as "rows n".
QString storedItem(SqlConnection &c, const QString &product, const QString &price)
{
    SqlQuery q(&c);
    q.setText(QStringLiteral("SELECT COUNT(*), SUM(CASE WHEN PSALE_PRICE = ") + price
        + QStringLiteral(" THEN 1 ELSE 0 END) FROM PSALE_SUB WHERE MASTERBILLID = ")
        + sqlQuote(kBill) + QStringLiteral(" AND PROD_ID = ") + sqlQuote(product));
    q.open();
    return q.asString(0) + QLatin1Char(' ') + q.asString(1);
}

QString listProduct(const TFormTarnPromotion &w)
{
    return w.CDS_PRODLIST->fieldByName(QStringLiteral("PROD_ID"))->asString();
}

// Enter pressed and released in a box, as the keyboard delivers it.
void pressEnter(QWidget *box)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(box, &release);
}

// Delivers what the window has pending (redraws, deferred calls) outside any timing.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

int g_errors = 0;

void check(bool ok, const char *what, const QString &detail = {})
{
    if (ok)
        return;
    if (++g_errors <= 10)
        std::printf("error: %s %s\n", what, qPrintable(detail));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString db
        = qEnvironmentVariable("TARN_BENCH_DATA") + QStringLiteral("/products-1000000.fdb");
    if (!QFileInfo::exists(db)) {
        std::printf("skipped: %s not found (scripts/bench makes it)\n", qPrintable(db));
        return 0;
    }
    QTemporaryDir site;
    SqlConnection c;
    c.setParams(ConnectionParams::embedded(db));
    YesPrompter prompter;
    try {
        c.open();
        // The bill's items, and twice as many products that are not in it: each search,
        // in the window and in the reference, is of a product not read before.
        std::vector<BenchProduct> items, others;
        const QStringList ids = productsWithThreePacks(c, 3 * kItems);
        for (int i = 0; i < ids.size(); ++i)
            (i % 3 ? others : items).push_back(readProduct(c, ids[i]));

        BenchBill bill(c, kBill, kStart, kEnd);
        {
            SqlQuery del(&c), ins(&c);
            for (const BenchProduct &p : items)
                writeItem(del, ins, kBill, p.id, itemSaveRows(p.pane, p.units, p.buyN));
        }

        if (!site.isValid())
            throw DbError(QStringLiteral("cannot create a temporary folder"));
        DemoData::writeConnectionFile(site.filePath(QStringLiteral("dbxconnections.ini")), db);
        DemoData::writeSiteConfig(
            site.filePath(QStringLiteral("Vantor.dat")), QStringLiteral("PM"));
        overrideExecutableFolder(site.path());

        auto window = std::make_unique<TFormTarnPromotion>();
        TFormTarnPromotion &w = *window;
        w.show();
        QApplication::setActiveWindow(&w);
        w.activateWindow();
        settle();
        HandlerRuns handler;
        countListHandler(w, handler);
        Reference ref(c);
        QElapsedTimer t;
        t.start();

        // The period open.
        Samples open, openRef;
        HandlerRuns openHandler;
        QStringList billProducts;
        for (const BenchProduct &p : items)
            billProducts << p.id;
        const int opens = 40;
        for (int r = 0; r <= opens; ++r) { // run 0 warms up
            w.MaskEdit1->setText(kStart);
            w.MaskEdit2->setText(kEnd);
            settle();
            const HandlerRuns before = handler;
            t.restart();
            w.SpeedButton1->click();
            const double ms = elapsedMs(t);
            check(w.CDS_PRODLIST->recordCount() == kItems, "period open: list of",
                QString::number(w.CDS_PRODLIST->recordCount()));
            t.restart();
            const int rows = ref.byKey(billProducts);
            const double refMs = elapsedMs(t);
            check(rows == kItems, "by key:", QString::number(rows));
            if (r) {
                open.add(ms);
                openRef.add(refMs);
                openHandler.runs += handler.runs - before.runs;
                openHandler.ms += handler.ms - before.ms;
            }
        }

        // One step of the bill's product list.
        Samples step, stepRef;
        const int steps = 200;
        w.CDS_PRODLIST->first();
        for (int r = 0; r <= steps; ++r) {
            if (w.CDS_PRODLIST->recNo() == w.CDS_PRODLIST->recordCount() - 1)
                w.CDS_PRODLIST->first();
            settle();
            t.restart();
            w.CDS_PRODLIST->next();
            const double ms = elapsedMs(t);
            const QString product = listProduct(w);
            check(w.CDS_DataSub2->recordCount() == 2 && w.CDS_DataMQTY->recordCount() == 1,
                "step: packs of", product);
            // The reference loads the item half the list away, which the window reaches
            // as many steps later (or earlier).
            const QString other = items[size_t((r + kItems / 2) % kItems)].id;
            t.restart();
            ref.pane(other);
            ref.packs(other);
            const double refMs = elapsedMs(t);
            if (r) {
                step.add(ms);
                stepRef.add(refMs);
            }
        }

        // The item pane and pack grids of one product.
        Samples load, loadRef;
        const int loads = 200;
        for (int r = 0; r <= loads; ++r) {
            if (w.CDS_PRODLIST->recNo() == w.CDS_PRODLIST->recordCount() - 1)
                w.CDS_PRODLIST->first();
            else
                w.CDS_PRODLIST->next();
            const QString product = listProduct(w);
            settle();
            t.restart();
            w.LoadItemPane();
            w.LoadPackGrids();
            const double ms = elapsedMs(t);
            check(w.Ed_PROD_ID->text() == product && w.CDS_DataSub2->recordCount() == 2
                    && w.CDS_DataMQTY->recordCount() == 1,
                "load: pane and packs of", product);
            t.restart();
            ref.pane(product);
            ref.packs(product);
            const double refMs = elapsedMs(t);
            if (r) {
                load.add(ms);
                loadRef.add(refMs);
            }
        }

        // The save of one item: F7, a new promotion price, F8 answered Yes.
        Samples save, saveRef;
        HandlerRuns saveHandler;
        const int saves = 60;
        for (int r = 0; r <= saves; ++r) {
            const BenchProduct &p = items[size_t(r * 7 % kItems)];
            check(w.CDS_PRODLIST->locate(QStringLiteral("PROD_ID"), p.id), "save: no", p.id);
            w.ActionF7->trigger();
            const QString price = QString::number(100 + r);
            w.Ed_PRICE->setText(price);
            settle();
            const HandlerRuns before = handler;
            t.restart();
            w.ActionF8->trigger();
            const double ms = elapsedMs(t);
            check(listProduct(w) == p.id && storedItem(c, p.id, price) == "4 1"
                    && w.CDS_PRODLIST->state() == DataSetState::Browse
                    && w.CDS_DataSub2->recordCount() == 2 && w.CDS_DataMQTY->recordCount() == 1,
                "save: back on", p.id);
            // The reference saves another item in the same way.
            BenchProduct typed = items[size_t((r * 7 + kItems / 2) % kItems)];
            typed.pane.price = price;
            const std::vector<ItemRow> rows = itemSaveRows(typed.pane, typed.units, typed.buyN);
            t.restart();
            ref.save(typed, rows);
            const double refMs = elapsedMs(t);
            if (r) {
                save.add(ms);
                saveRef.add(refMs);
                saveHandler.runs += handler.runs - before.runs;
                saveHandler.ms += handler.ms - before.ms;
            }
        }

        // Product search by barcode and by second code in a new row (F5).
        Samples byBarcode, byBarcodeRef, bySecond, bySecondRef;
        w.CDS_PRODLIST->first();
        w.ActionF5->trigger();
        const int searches = 100;
        for (int r = 0; r <= 2 * searches + 1; ++r) {
            const BenchProduct &p = others[size_t(2 * r % others.size())];
            const BenchProduct &q = others[size_t((2 * r + 1) % others.size())];
            const bool barcode = r % 2 == 0;
            const QString typed = barcode ? p.barcode : p.secondCode;
            w.Ed_PROD_ID->setFocus(Qt::OtherFocusReason);
            w.Ed_PROD_ID->setText(typed);
            settle();
            check(w.Ed_PROD_ID->hasFocus(), "search: the product box has no focus");
            t.restart();
            pressEnter(w.Ed_PROD_ID);
            const double ms = elapsedMs(t);
            check(w.Ed_PROD_ID->text() == p.id && w.CDS_DataSub2->recordCount() == 2
                    && w.CDS_DataMQTY->recordCount() == 1,
                "search: found", typed + QStringLiteral(" as ") + w.Ed_PROD_ID->text());
            t.restart();
            ref.search(barcode ? q.barcode : q.secondCode, q.id);
            const double refMs = elapsedMs(t);
            if (r > 1) {
                (barcode ? byBarcode : bySecond).add(ms);
                (barcode ? byBarcodeRef : bySecondRef).add(refMs);
            }
        }
        w.ActionF9->trigger();
        settle();

        benchReport("product search by barcode (1M)", byBarcode.median(), "ms",
            byBarcodeRef.median(), "statements");
        benchReport("product search by second code (1M)", bySecond.median(), "ms",
            bySecondRef.median(), "statements");
        benchReport("item pane + pack grids, bill of 200 (1M)", load.median(), "ms",
            loadRef.median(), "statements");
        benchReport("item save F8 to list back on it (1M)", save.median(), "ms", saveRef.median(),
            "statements");
        benchReport("  its list handler (pane + grids) runs per save",
            saveHandler.runs / double(saves), "runs", 1.0, "one load");
        benchReport("  its list handler time per save", saveHandler.ms / saves, "ms",
            loadRef.median(), "statements");
        benchReport("period open, bill of 200 items (1M)", open.median(), "ms", openRef.median(),
            "200 rows by key");
        benchReport("  its list handler (pane + grids) runs per open",
            openHandler.runs / double(opens), "runs", 1.0, "one load");
        benchReport("  its list handler time per open", openHandler.ms / opens, "ms",
            loadRef.median(), "statements");
        benchReport("product list step (next), bill of 200 (1M)", step.median(), "ms",
            stepRef.median(), "statements");
        if (!prompter.unexpected.isEmpty())
            check(false, "the window said:", prompter.unexpected.join(QStringLiteral(" / ")));
        window.reset();
    } catch (const DbError &e) {
        std::printf("error: %s\n", qPrintable(e.message()));
        return 1;
    }
    return g_errors ? 1 : 0;
}
