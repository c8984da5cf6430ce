#pragma once

#include "ItemStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class SqlConnection;

// Promotion item rows for tests of the item store: complete rows with all 36
// parameters, and the stored rows read back in one comparable form.
namespace ItemFixture {

enum class Kind { Single, SellingUnit, BuyN };

// One row of the item (bill, product) of the given kind and pack quantity; variant
// makes every price, text and time stamp of the row differ from other variants.
ItemRow row(const QString &bill, const QString &product, Kind kind, int packQty, int variant);

// A complete item of one variant: the single-item row, two selling-unit rows (packs
// of 6 and 12) and one buy-N row (3 units).
std::vector<ItemRow> set(const QString &bill, const QString &product, int variant);

// Each row as its 36 values in the insert's order ("T:text", "N:number", "NULL"),
// sorted, so that two sets compare equal when they hold the same rows.
QList<QStringList> expected(const std::vector<ItemRow> &rows);
// The stored rows of the item (the values spliced quoted), in the same form.
QList<QStringList> stored(SqlConnection &c, const QString &bill, const QString &product);
// Every PSALE_SUB row of the database, in the same form.
QList<QStringList> all(SqlConnection &c);

} // namespace ItemFixture
