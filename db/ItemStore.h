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
// writeItem() refuses, before anything runs, a row that lacks one of the 36
// parameters, names one twice or one the insert does not have, holds a value of any
// other type, or holds an infinite or NaN number.
struct ItemRow
{
    std::vector<std::pair<QString, QVariant>> params;

    // The value of a parameter, names compared without case (an invalid QVariant when
    // the row has none of that name).
    QVariant value(const QString &name) const;
    // Replaces the value of the parameter of that name, or appends it.
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
// "SELECT MASTERBILLID FROM PSALE_MASTER WHERE MASTERBILLID = '...' WITH LOCK": locks
// the bill's row in the transaction of a save, stop or resume (the value quoted).
QStringList itemLockLines(const QString &billId);

// Replaces the item's stored rows by rows, all or nothing: the delete (billId as
// given, productNumber as given: callers pass it trimmed) and every insert run in one
// transaction on the statements' connection (both statements share it), committed at
// the end. Any error rolls the whole save back and is passed on, so the stored item
// is exactly as before.
//
// Saves, stops and resumes of items of the same bill from any workstation are
// serialised: each first locks the bill's PSALE_MASTER row in its transaction
// (itemLockLines(); waiting as the connection's WaitOnLocks says) and a lock conflict,
// update conflict or deadlock rolls the attempt back and tries again (at most
// kItemStoreAttempts times, with a growing random pause), so that the stored item is
// always exactly one complete save.
//
// A bill without a PSALE_MASTER row has nothing to lock: its saves still run all or
// nothing, but nothing serialises them. Two saves of an item new to such a bill can
// both insert their rows; two saves of a stored item collide on its rows, and the
// later one may fail with the engine's "cannot update erased record" (not retried).
//
// The rows are checked first (see ItemRow): a bad row is a DbError before anything
// runs. Every insert runs on insertQuery with the same text, prepared once; the
// bill's lock and the delete run on deleteQuery, which keeps the delete's text.
//
// afterRow, when given, runs after each insert with the row's index (tests use it to
// stop a save between two inserts); it runs again for each row of a retried attempt.
void writeItem(SqlQuery &deleteQuery, SqlQuery &insertQuery, const QString &billId,
               const QString &productNumber, const std::vector<ItemRow> &rows,
               const std::function<void(int row)> &afterRow = {});

// Sets STOP_SALE of every row of the item to "Y" (stopItemLines) or "N"
// (resumeItemLines), serialised with saves as writeItem is. Returns the rows changed.
// stopItem splices both values as given; resumeItem passes the bill number trimmed
// and the product number as given. resumeItem first counts the item's rows with the
// values quoted in the text and runs resumeItemLines() only when there are some: the
// engine refuses a parameter longer than its column, which could match no row anyway
// (query then holds the count, not the resume statement).
int stopItem(SqlQuery &query, const QString &billId, const QString &productNumber);
int resumeItem(SqlQuery &query, const QString &billId, const QString &productNumber);

// How many times a save, stop or resume is tried when it keeps meeting conflicts.
constexpr int kItemStoreAttempts = 200;
// Conflicts that writeItem, stopItem and resumeItem of this process rolled back and
// tried again (figures of the concurrency tests).
qint64 itemStoreConflictRetries();
