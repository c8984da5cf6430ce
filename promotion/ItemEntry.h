#pragma once

#include <QString>
#include <QStringList>

// Statements and arithmetic of the item pane and its pack grids: the product search,
// the stored item, the supplier name, the pack rows and their stored promotion values,
// the buy-N code and the prices a new buy-N pack derives from the pane. Every typed
// value that stands between single quotes goes through sqlQuote, so that no text can
// break or change a statement: a product number with a quote in it is simply a number
// that no product has.

// The product whose number, barcode or second code is text: "SELECT * FROM PRODUCT"
// matching any of the three, the product numbered text first, then a barcode match,
// then a second-code match (ties by product number).
QStringList productSearchLines(const QString &text);
// "SELECT PROD_ID FROM PSALE_SUB" of the product in the bill (is it an item already?).
QStringList billItemLines(const QString &billId, const QString &productNumber);
// "SELECT * FROM PSALE_SUB" of the product in the bill: the stored item.
QStringList storedItemLines(const QString &billId, const QString &productNumber);
// "SELECT PROVIDER_ID,PROVIDER_NAME FROM PROVIDER" of one supplier number.
QStringList providerNameLines(const QString &providerId);

// The product's pack rows (PROD_SALE) with the three promotion columns of the bill:
// regular packs (selling codes not beginning with "M") or buy-N packs, by selling code.
QString packRowsCommandText(const QString &billId, const QString &productNumber, bool buyNPacks);
// The stored promotion values of one pack quantity (parameter PACK_QTY).
QStringList storedPackValuesLines(const QString &billId, const QString &productNumber);
// The bill's buy-N rows of the product.
QStringList storedBuyNRowsLines(const QString &billId, const QString &productNumber);
// "SELECT * FROM PROD_SALE" of a product and a pack quantity (parameter PACK_QTY): is N
// already a regular pack of the product? The number is quoted rather than a parameter,
// so that a text longer than the column simply matches nothing.
QStringList packQuantityLines(const QString &productNumber);

// "M", the product number, and the quantity written with at least four digits, a
// minus sign kept before them: ("1001", 3) gives "M10010003", ("1001", 12345)
// "M100112345", ("1001", -3) "M1001-0003".
QString buyNCode(const QString &productNumber, qint64 quantity);

// The prices of a buy-N pack of n units, derived from the pane's texts (a text that is
// not a number counts as 0).
struct BuyNPrices
{
    double cost = 0; // promotion cost x n
    double packPrice = 0; // store price x n
    double memberPrice = 0; // member price x n
    double promotionPrice = 0; // promotion price x n
    double memberPromotion = 0; // member price x n (not the member promotion price)
};
BuyNPrices buyNPrices(const QString &promotionCost, const QString &storePrice,
    const QString &memberPrice, const QString &promotionPrice, double n);
