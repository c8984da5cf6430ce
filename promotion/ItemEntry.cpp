#include "ItemEntry.h"

#include "Conversions.h"
#include "SqlText.h"

QStringList productSearchLines(const QString &text)
{
    const QString t = sqlQuote(text);
    return { QStringLiteral("SELECT * FROM PRODUCT "), QStringLiteral(" WHERE PROD_ID = ") + t,
        QStringLiteral(" OR PROD_BARCODE = ") + t, QStringLiteral(" OR PROD_ID2 = ") + t,
        QStringLiteral(" ORDER BY CASE WHEN PROD_ID = ") + t
            + QStringLiteral(" THEN 0 WHEN PROD_BARCODE = ") + t
            + QStringLiteral(" THEN 1 ELSE 2 END, PROD_ID") };
}

QStringList billItemLines(const QString &billId, const QString &productNumber)
{
    return { QStringLiteral("SELECT PROD_ID FROM PSALE_SUB "),
        QStringLiteral(" WHERE MASTERBILLID = ") + sqlQuote(billId),
        QStringLiteral(" and PROD_ID = ") + sqlQuote(productNumber) };
}

QStringList storedItemLines(const QString &billId, const QString &productNumber)
{
    return { QStringLiteral("SELECT * FROM PSALE_SUB "),
        QStringLiteral(" WHERE MASTERBILLID = ") + sqlQuote(billId),
        QStringLiteral(" and PROD_ID = ") + sqlQuote(productNumber) };
}

QStringList providerNameLines(const QString &providerId)
{
    return { QStringLiteral("SELECT PROVIDER_ID,PROVIDER_NAME FROM PROVIDER "),
        QStringLiteral(" WHERE PROVIDER_ID = ") + sqlQuote(providerId) };
}

QString packRowsCommandText(const QString &billId, const QString &productNumber, bool buyNPacks)
{
    // The product's few rows are read by IX_PROD_SALE_PROD and sorted, whatever the
    // index statistics say. Ordered by SAL_BARCODE alone, Firebird 3 walks the whole
    // primary key of PROD_SALE in its order (plan "ORDER PK_PROD_SALE"), some 2,500
    // index pages for a million products; the product number first, which the
    // condition fixes, gives the same order. "SAL_BARCODE LIKE 'M%'" would add the range
    // of every buy-N code of the catalogue in the primary key to the plan;
    // "LEFT(SAL_BARCODE, 1) = 'M'" selects the same rows without an index.
    const QString b = sqlQuote(billId);
    return QStringLiteral("SELECT PROD_SALE.*,(select first 1 CASE WHEN psale_price IS NULL "
                          "THEN 0 ELSE PSALE_PRICE END  from psale_sub where masterbillid = ")
        + b
        + QStringLiteral(" and tempprodid = prod_sale.sal_barcode ) as PSALE_PRICE,"
                         "(select first 1 CASE WHEN VIP_PRICE IS NULL THEN 0 ELSE "
                         "VIP_PRICE END from psale_sub where masterbillid = ")
        + b
        + QStringLiteral(" and tempprodid = prod_sale.sal_barcode ) AS PVIP_PRICE,"
                         "(select first 1 CASE WHEN vnew_cost IS NULL THEN 0 ELSE "
                         "vnew_cost END from psale_sub where masterbillid = ")
        + b
        + QStringLiteral(" and tempprodid = prod_sale.sal_barcode ) AS PNEW_COST "
                         " FROM PROD_SALE  WHERE PROD_ID = ")
        + sqlQuote(productNumber)
        + (buyNPacks ? QStringLiteral(" and LEFT(SAL_BARCODE, 1) = 'M' ")
                     : QStringLiteral(" and LEFT(SAL_BARCODE, 1) <> 'M' "))
        + QStringLiteral(" order by PROD_SALE.PROD_ID, SAL_BARCODE ");
}

QStringList storedPackValuesLines(const QString &billId, const QString &productNumber)
{
    return { QStringLiteral("SELECT MASTERBILLID,PSALE_PRICE,VIP_PRICE,VNEW_COST FROM PSALE_SUB "),
        QStringLiteral(" WHERE MASTERBILLID = ") + sqlQuote(billId),
        QStringLiteral(" AND PROD_ID = ") + sqlQuote(productNumber),
        QStringLiteral(" and PACK_QTY = :PACK_QTY ") };
}

QStringList storedBuyNRowsLines(const QString &billId, const QString &productNumber)
{
    // Read by IX_PSALE_SUB_ITEM whatever the index statistics say: with "TEMPPRODID LIKE
    // 'M%'" Firebird 3 may read the range of every bill's buy-N codes in
    // IX_PSALE_SUB_CODE instead.
    return { QStringLiteral("select * from PSALE_SUB "), QStringLiteral("WHERE BILL_KIND = 'B' "),
        QStringLiteral("AND PROD_ID = ") + sqlQuote(productNumber),
        QStringLiteral("AND MASTERBILLID = ") + sqlQuote(billId),
        QStringLiteral(" AND LEFT(TEMPPRODID, 1) = 'M' ") };
}

QStringList packQuantityLines(const QString &productNumber)
{
    return { QStringLiteral("SELECT * FROM PROD_SALE "),
        QStringLiteral(" WHERE PROD_ID = ") + sqlQuote(productNumber),
        QStringLiteral(" AND PACK_QTY = :PACK_QTY ") };
}

QString buyNCode(const QString &productNumber, qint64 quantity)
{
    return QLatin1Char('M') + productNumber + QString::asprintf("%.4lld", quantity);
}

BuyNPrices buyNPrices(const QString &promotionCost, const QString &storePrice,
    const QString &memberPrice, const QString &promotionPrice, double n)
{
    BuyNPrices p;
    p.cost = textToNumber(promotionCost) * n;
    p.packPrice = textToNumber(storePrice) * n;
    p.memberPrice = textToNumber(memberPrice) * n;
    p.promotionPrice = textToNumber(promotionPrice) * n;
    p.memberPromotion = p.memberPrice;
    return p;
}
