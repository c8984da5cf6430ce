#include "ItemSave.h"

#include "Conversions.h"
#include "ItemEntry.h"

#include <cmath>

double saveNumber(const QString &text)
{
    return textToNumber(text, 0.0);
}

double saveQuantity(const QString &text)
{
    return textToNumber(text, 1.0);
}

QString changeDateText(const QDateTime &at)
{
    return at.date().toString(QStringLiteral("yyyy/MM/dd"));
}

QString keyInTimeText(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyMMdd-HHmmss "))
        + QStringLiteral("%1").arg(at.time().msec(), 2, 10, QLatin1Char('0'));
}

namespace {

enum class RowKind { Item, Unit, BuyN };

ItemRow makeRow(const ItemPaneTexts &p, RowKind kind, const PackRowTexts *pack, const QDateTime &at)
{
    const QString empty;
    const bool item = kind == RowKind::Item;
    const double quantity = item ? 1.0 : saveQuantity(pack->packQty);
    const double packCost = item ? 0.0 : saveNumber(pack->pnewCost);
    double unitCost = saveNumber(p.newCost);
    if (kind == RowKind::Unit)
        unitCost = quantity != 0.0 ? packCost / quantity : packCost;
    else if (kind == RowKind::BuyN)
        unitCost = packCost;
    if (!std::isfinite(unitCost))
        unitCost = 0.0;

    ItemRow r;
    r.set(QStringLiteral("MASTERBILLID"), p.billId);
    r.set(QStringLiteral("PROD_ID"), p.prodId);
    r.set(QStringLiteral("PROD_NAME"), p.prodName);
    r.set(QStringLiteral("PROD_BARCODE"), p.prodBarcode);
    r.set(QStringLiteral("PD_ITEMID"), empty);
    r.set(QStringLiteral("PSALE_FLAG"),
        kind == RowKind::BuyN ? QStringLiteral("2,買N優惠") : QStringLiteral("0,單品促銷"));
    r.set(QStringLiteral("PSALE_PRICE"), item ? saveNumber(p.price) : saveNumber(pack->psalePrice));
    r.set(
        QStringLiteral("OLD_PRICE"), item ? saveNumber(p.storePrice) : saveNumber(pack->salPrice));
    r.set(QStringLiteral("N_QTY"), qint64(0));
    r.set(QStringLiteral("G_PROD_ID"), empty);
    r.set(QStringLiteral("G_PROD_NAME"), empty);
    r.set(QStringLiteral("G_QTY"), qint64(0));
    r.set(QStringLiteral("TEMPPRODID"),
        kind == RowKind::BuyN ? buyNCode(p.prodId, qint64(quantity)) : p.prodBarcode);
    r.set(QStringLiteral("STORE_ID"), empty);
    r.set(QStringLiteral("CHG_DATE"), changeDateText(at));
    r.set(QStringLiteral("CHG_USER"), QStringLiteral("SA"));
    r.set(QStringLiteral("VIP_PRICE"), item ? saveNumber(p.vipPrice) : saveNumber(pack->pvipPrice));
    r.set(QStringLiteral("INI_DATE"), p.periodStart);
    r.set(QStringLiteral("END_DATE"), p.periodEnd);
    r.set(QStringLiteral("TIME_SALE"), QStringLiteral("N"));
    r.set(QStringLiteral("INI_TIME"), QStringLiteral("00:00:00"));
    r.set(QStringLiteral("END_TIME"), QStringLiteral("24:00:00"));
    r.set(QStringLiteral("NEW_COST"), unitCost);
    r.set(QStringLiteral("KEYINTIME"), keyInTimeText(at));
    r.set(QStringLiteral("SEC_DIS"), p.secDis);
    r.set(QStringLiteral("PINI_DATE"), p.itemStart);
    r.set(QStringLiteral("PEND_DATE"), p.itemEnd);
    r.set(QStringLiteral("VNEW_COST"), item ? saveNumber(p.newCost) : packCost);
    r.set(QStringLiteral("PACK_QTY"), item ? qint64(1) : QVariant(quantity));
    r.set(QStringLiteral("V_NAME"), kind == RowKind::Unit ? pack->salName : p.prodName);
    r.set(QStringLiteral("PLIMIT_QTY"),
        item ? QVariant(saveNumber(p.limitQty)) : QVariant(qint64(0)));
    r.set(QStringLiteral("NOTE"), p.note);
    r.set(QStringLiteral("STOP_SALE"), QStringLiteral("N"));
    r.set(QStringLiteral("BILL_KIND"), QStringLiteral("B"));
    r.set(QStringLiteral("PROVIDER_ID"), p.providerId);
    r.set(QStringLiteral("PROVIDER_NAME"), p.providerName);
    return r;
}

} // namespace

std::vector<ItemRow> itemSaveRows(const ItemPaneTexts &pane, const std::vector<PackRowTexts> &units,
    const std::vector<PackRowTexts> &buyN, const std::function<QDateTime()> &clock)
{
    std::vector<ItemRow> rows;
    rows.reserve(1 + units.size() + buyN.size());
    rows.push_back(makeRow(pane, RowKind::Item, nullptr, clock()));
    for (const PackRowTexts &unit : units)
        rows.push_back(makeRow(pane, RowKind::Unit, &unit, clock()));
    for (const PackRowTexts &pack : buyN) {
        if (saveNumber(pack.packQty) > 0)
            rows.push_back(makeRow(pane, RowKind::BuyN, &pack, clock()));
    }
    return rows;
}
