#include "ItemFixture.h"

#include "SqlConnection.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <algorithm>

namespace ItemFixture {

ItemRow row(const QString &bill, const QString &product, Kind kind, int packQty, int variant)
{
    const double v = variant;
    const QString tag = QString::number(variant);
    ItemRow r;
    auto text = [&](const char *name, const QString &value) { r.set(QLatin1String(name), value); };
    auto number = [&](const char *name, double value) { r.set(QLatin1String(name), value); };
    auto integer = [&](const char *name, qint64 value) { r.set(QLatin1String(name), value); };
    const bool buyN = kind == Kind::BuyN;
    const QString barcode = QStringLiteral("471%1").arg(variant, 6, 10, QLatin1Char('0'));
    text("MASTERBILLID", bill);
    text("PROD_ID", product);
    text("PROD_NAME", QStringLiteral("商品名稱 v") + tag);
    text("PROD_BARCODE", barcode);
    text("PD_ITEMID", QString());
    text("PSALE_FLAG", buyN ? QStringLiteral("2,買N優惠") : QStringLiteral("0,單品促銷"));
    number("PSALE_PRICE", 10.25 * packQty + v);
    number("OLD_PRICE", 12.5 * packQty + v / 8);
    integer("N_QTY", 0);
    text("G_PROD_ID", QString());
    text("G_PROD_NAME", QString());
    integer("G_QTY", 0);
    text("TEMPPRODID",
        buyN ? QStringLiteral("M") + product.left(10)
                + QStringLiteral("%1").arg(packQty, 4, 10, QLatin1Char('0'))
             : barcode);
    text("STORE_ID", QString());
    text("CHG_DATE", QStringLiteral("2031/07/04"));
    text("CHG_USER", QStringLiteral("SA"));
    number("VIP_PRICE", 9.75 * packQty + v);
    text("INI_DATE", QStringLiteral("2031/08/01"));
    text("END_DATE", QStringLiteral("2031/08/31"));
    text("TIME_SALE", QStringLiteral("N"));
    text("INI_TIME", QStringLiteral("00:00:00"));
    text("END_TIME", QStringLiteral("24:00:00"));
    number("NEW_COST", kind == Kind::SellingUnit ? (7.5 + v) / packQty : 7.5 + v);
    text("KEYINTIME",
        QStringLiteral("310704-1200%1 %2")
            .arg(variant % 60, 2, 10, QLatin1Char('0'))
            .arg(packQty * 10 + variant % 10, 2, 10, QLatin1Char('0')));
    text("SEC_DIS", variant % 2 ? QStringLiteral("Y") : QStringLiteral("N"));
    text("PINI_DATE", QStringLiteral("2031/07/25"));
    text("PEND_DATE", QStringLiteral("    /  /  "));
    number("VNEW_COST", 7.5 + v);
    integer("PACK_QTY", packQty);
    text("V_NAME",
        kind == Kind::SellingUnit ? QStringLiteral("%1入裝").arg(packQty)
                                  : QStringLiteral("商品名稱 v") + tag);
    integer("PLIMIT_QTY", kind == Kind::Single ? 5 + variant : 0);
    text("NOTE", QStringLiteral("備註 ' \"%_\\ ") + tag);
    text("STOP_SALE", QStringLiteral("N"));
    text("BILL_KIND", QStringLiteral("B"));
    text("PROVIDER_ID", QStringLiteral("P%1").arg(variant));
    text("PROVIDER_NAME", QStringLiteral("供應商 ") + tag);
    return r;
}

std::vector<ItemRow> set(const QString &bill, const QString &product, int variant)
{
    return { row(bill, product, Kind::Single, 1, variant),
        row(bill, product, Kind::SellingUnit, 6, variant),
        row(bill, product, Kind::SellingUnit, 12, variant),
        row(bill, product, Kind::BuyN, 3, variant) };
}

static QString canonical(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QString)
        return QStringLiteral("T:") + v.toString();
    return QStringLiteral("N:") + QString::number(v.toDouble(), 'g', 17);
}

QList<QStringList> expected(const std::vector<ItemRow> &rows)
{
    QList<QStringList> out;
    for (const ItemRow &r : rows) {
        QStringList values;
        for (const QString &name : itemInsertParamNames())
            values << canonical(r.value(name));
        out << values;
    }
    std::sort(out.begin(), out.end());
    return out;
}

static QList<QStringList> read(SqlConnection &c, const QString &where)
{
    SqlQuery q(&c);
    q.addLine(QStringLiteral("SELECT ") + itemInsertParamNames().join(QLatin1Char(',')));
    q.addLine(QStringLiteral(" FROM PSALE_SUB") + where);
    q.open();
    QList<QStringList> out;
    while (!q.eof()) {
        QStringList values;
        for (int i = 0; i < q.fieldCount(); ++i)
            values << canonical(q.value(i));
        out << values;
        q.next();
    }
    q.close();
    std::sort(out.begin(), out.end());
    return out;
}

QList<QStringList> stored(SqlConnection &c, const QString &bill, const QString &product)
{
    return read(c,
        QStringLiteral(" WHERE MASTERBILLID = ") + sqlQuote(bill)
            + QStringLiteral(" AND PROD_ID = ") + sqlQuote(product));
}

QList<QStringList> all(SqlConnection &c)
{
    return read(c, QString());
}

} // namespace ItemFixture
