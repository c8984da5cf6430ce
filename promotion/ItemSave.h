#pragma once

#include "ItemStore.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// The rows that saving a promotion item writes, built from the item pane and the two
// pack grids without a window.

// What a save reads from the period bar and the item pane: every text as shown.
struct ItemPaneTexts
{
    QString billId; // Ed_MASTERBILLID
    QString periodStart; // MaskEdit1
    QString periodEnd; // MaskEdit2
    QString prodId; // Ed_PROD_ID, not trimmed
    QString prodBarcode; // Ed_PROD_BARCODE
    QString prodName; // Ed_PROD_NAME
    QString storePrice; // Ed_PSALE_PRICE
    QString price; // Ed_PRICE
    QString vipPrice; // Ed_VIPPRICE
    QString secDis; // Ed_SEC_DIS
    QString newCost; // Ed_NEW_COST
    QString limitQty; // Ed_LIMIT_QTY
    QString itemStart; // MaskEdit3
    QString itemEnd; // MaskEdit4
    QString note; // Ed_Note
    QString providerId; // Ed_Providerid
    QString providerName; // Ed_ProviderName
};

// One row of a pack grid, each field read as text (a null field reads as "").
struct PackRowTexts
{
    QString psalePrice; // PSALE_PRICE
    QString salPrice; // SAL_PRICE
    QString pvipPrice; // PVIP_PRICE
    QString pnewCost; // PNEW_COST
    QString packQty; // PACK_QTY
    QString salName; // SAL_NAME
};

// A box's text as a number: a text that is not a number gives 0 (saveNumber) or 1
// (saveQuantity, the pack quantity of a row).
double saveNumber(const QString &text);
double saveQuantity(const QString &text);

// The stamps of a row: "YYYY/MM/DD" and "yymmdd-hhnnss zz" (milliseconds with at least
// two digits).
QString changeDateText(const QDateTime &at);
QString keyInTimeText(const QDateTime &at);

// The rows of a save, in the order written: the single-item row, one selling-unit row
// per row of units, one buy-N row per row of buyN whose quantity is above 0. The clock
// is read afresh for every row.
//
// A selling unit whose quantity reads as 0 keeps its pack cost as its unit cost
// (NEW_COST = PNEW_COST) instead of dividing by zero.
std::vector<ItemRow> itemSaveRows(const ItemPaneTexts &pane, const std::vector<PackRowTexts> &units,
    const std::vector<PackRowTexts> &buyN,
    const std::function<QDateTime()> &clock = &QDateTime::currentDateTime);
