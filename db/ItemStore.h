#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

class SqlQuery;

// The stored rows of a promotion item: every PSALE_SUB row of one product in one bill
// (the single-item row, one row per selling unit, one per buy-N pack).

// One PSALE_SUB row to insert: the parameters of itemInsertLines() by name, in the
// statement's order. Values are QString (text), qint64 (integer) or double (number).
struct ItemRow
{
    std::vector<std::pair<QString, QVariant>> params;

    // The value of a parameter (an invalid QVariant when the row has none of that name).
    QVariant value(const QString &name) const;
    void set(const QString &name, const QVariant &value);
};

// "INSERT INTO PSALE_SUB(...) VALUES (:MASTERBILLID, ...)", thirteen lines, 36
// parameters.
QStringList itemInsertLines();
// The 36 parameter names of itemInsertLines(), in order.
QStringList itemInsertParamNames();
// "DELETE FROM PSALE_SUB" of every row of the item; both values quoted.
QStringList itemDeleteLines(const QString &billId, const QString &productNumber);
// "UPDATE PSALE_SUB SET STOP_SALE = 'Y'" of every row of the item; both values quoted.
QStringList stopItemLines(const QString &billId, const QString &productNumber);
// "UPDATE PSALE_SUB SET STOP_SALE = 'N'" with the parameters MASTERBILLID and PROD_ID.
QStringList resumeItemLines();

// Replaces the item's stored rows by rows, all or nothing: the delete (billId as
// given, productNumber as given: callers pass it trimmed) and every insert run in one
// transaction on the statements' connection (both statements share it), committed at
// the end. Any error rolls the whole save back and is passed on, so the stored item
// is exactly as before.
//
// Saves, stops and resumes of items of the same bill from any workstation are
// serialised: each first locks the bill's PSALE_MASTER row in its transaction (waiting
// as the connection's WaitOnLocks says) and a lock or update conflict rolls the attempt
// back and tries again, so that the stored item is always exactly one complete save.
//
// afterRow, when given, runs after each insert with the row's index (tests use it to
// stop a save between two inserts).
void writeItem(SqlQuery &deleteQuery, SqlQuery &insertQuery, const QString &billId,
               const QString &productNumber, const std::vector<ItemRow> &rows,
               const std::function<void(int row)> &afterRow = {});

// Sets STOP_SALE of every row of the item to "Y" (stopItemLines) or "N"
// (resumeItemLines), serialised with saves as writeItem is. Returns the rows changed.
int stopItem(SqlQuery &query, const QString &billId, const QString &productNumber);
int resumeItem(SqlQuery &query, const QString &billId, const QString &productNumber);
