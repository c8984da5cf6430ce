#include "ItemStore.h"

#include "DbConflict.h"
#include "DbError.h"
#include "SqlConnection.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <QSet>

#include <atomic>
#include <cmath>

namespace {

std::atomic<qint64> g_conflictRetries { 0 };

// Rolls back what the connection has open without letting a failing rollback hide the
// error that made it necessary (the engine drops the transaction either way).
void rollbackQuietly(SqlConnection *connection)
{
    if (!connection->inTransaction())
        return;
    try {
        connection->rollback();
    } catch (const DbError &) { }
}

// Takes the bill's PSALE_MASTER row lock in the connection's open transaction: the row
// is locked as it is fetched, so every row found is fetched.
bool lockBill(SqlQuery &query, const QString &billId)
{
    query.clear();
    for (const QString &line : itemLockLines(billId))
        query.addLine(line);
    query.open();
    bool found = false;
    while (!query.eof()) {
        found = true;
        query.next();
    }
    query.close();
    return found;
}

// Runs work in one transaction on query's connection after locking the bill, and
// commits. A conflict with another workstation rolls back and runs everything again
// (bounded); any other error rolls back and is passed on.
template<typename Work> int runLocked(SqlQuery &query, const QString &billId, Work work)
{
    SqlConnection *connection = query.connection();
    if (!connection)
        throw DbError(QStringLiteral("The promotion item statements have no connection"));
    for (int attempt = 1;; ++attempt) {
        // A transaction left open on the connection would otherwise carry this one.
        rollbackQuietly(connection);
        connection->startTransaction(1, TransIsolation::ReadCommitted);
        try {
            lockBill(query, billId);
            const int result = work();
            connection->commit();
            return result;
        } catch (const DbError &e) {
            rollbackQuietly(connection);
            if (!isLockConflict(e) || attempt >= kItemStoreAttempts)
                throw;
            g_conflictRetries.fetch_add(1, std::memory_order_relaxed);
            conflictBackOff(attempt);
        } catch (...) {
            rollbackQuietly(connection);
            throw;
        }
    }
}

enum class ValueKind { Text, Integer, Number, Unsupported };

ValueKind kindOf(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        return ValueKind::Text;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return ValueKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ValueKind::Number;
    default:
        return ValueKind::Unsupported;
    }
}

// Every row carries each insert parameter exactly once, as a text, a whole number or a
// finite number; checked before anything runs, so that a bad row never starts a save.
void checkRows(const std::vector<ItemRow> &rows)
{
    const QStringList names = itemInsertParamNames();
    const QSet<QString> known(names.begin(), names.end());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ItemRow &row = rows[i];
        QSet<QString> seen;
        for (const auto &[name, value] : row.params) {
            const QString key = name.toUpper();
            const QString where
                = QStringLiteral("Promotion item row %1, parameter %2").arg(i + 1).arg(name);
            if (!known.contains(key))
                throw DbError(where + QStringLiteral(": the insert has no such parameter"));
            if (seen.contains(key))
                throw DbError(where + QStringLiteral(": given twice"));
            seen.insert(key);
            const ValueKind kind = kindOf(value);
            if (kind == ValueKind::Unsupported)
                throw DbError(where + QStringLiteral(": not a text or a number"));
            if (kind == ValueKind::Number && !std::isfinite(value.toDouble()))
                throw DbError(where + QStringLiteral(": not a finite number"));
        }
        for (const QString &name : names) {
            if (!seen.contains(name))
                throw DbError(QStringLiteral("Promotion item row %1: no value for parameter %2")
                                  .arg(i + 1)
                                  .arg(name));
        }
    }
}

void bindRow(SqlQuery &query, const ItemRow &row)
{
    query.clearParams();
    for (const auto &[name, value] : row.params) {
        switch (kindOf(value)) {
        case ValueKind::Text:
            query.setParamText(name, value.toString());
            break;
        case ValueKind::Integer:
            query.setParamInteger(name, value.toLongLong());
            break;
        case ValueKind::Number:
            query.setParamNumber(name, value.toDouble());
            break;
        case ValueKind::Unsupported:
            break; // refused by checkRows()
        }
    }
}

} // namespace

QVariant ItemRow::value(const QString &name) const
{
    for (const auto &p : params)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0)
            return p.second;
    return {};
}

void ItemRow::set(const QString &name, const QVariant &value)
{
    for (auto &p : params) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    params.emplace_back(name, value);
}

QStringList itemInsertLines()
{
    return {
        QStringLiteral("INSERT INTO PSALE_SUB(MASTERBILLID,PROD_ID,PROD_NAME,"),
        QStringLiteral("PROD_BARCODE,PD_ITEMID,PSALE_FLAG,PSALE_PRICE,OLD_PRICE,"),
        QStringLiteral("N_QTY,G_PROD_ID,G_PROD_NAME,G_QTY,TEMPPRODID,STORE_ID,"),
        QStringLiteral("CHG_DATE,CHG_USER,VIP_PRICE,INI_DATE,END_DATE,TIME_SALE,"),
        QStringLiteral("INI_TIME,END_TIME,NEW_COST,KEYINTIME,SEC_DIS,PINI_DATE,"),
        QStringLiteral("PEND_DATE,VNEW_COST,PACK_QTY,V_NAME,PLIMIT_QTY,NOTE,"),
        QStringLiteral("STOP_SALE,BILL_KIND,PROVIDER_ID,PROVIDER_NAME) VALUES "
                       "(:MASTERBILLID,:PROD_ID,:PROD_NAME,"),
        QStringLiteral(":PROD_BARCODE,:PD_ITEMID,:PSALE_FLAG,:PSALE_PRICE,:OLD_PRICE,"),
        QStringLiteral(":N_QTY,:G_PROD_ID,:G_PROD_NAME,:G_QTY,:TEMPPRODID,:STORE_ID,"),
        QStringLiteral(":CHG_DATE,:CHG_USER,:VIP_PRICE,:INI_DATE,:END_DATE,:TIME_SALE,"),
        QStringLiteral(":INI_TIME,:END_TIME,:NEW_COST,:KEYINTIME,:SEC_DIS,:PINI_DATE,"),
        QStringLiteral(":PEND_DATE,:VNEW_COST,:PACK_QTY,:V_NAME,:PLIMIT_QTY,:NOTE,"),
        QStringLiteral(":STOP_SALE,:BILL_KIND,:PROVIDER_ID,:PROVIDER_NAME)"),
    };
}

QStringList itemInsertParamNames()
{
    static const QStringList names = [] {
        QStringList out;
        sqlPositionalParams(itemInsertLines().join(QLatin1Char('\n')), &out);
        return out;
    }();
    return names;
}

QStringList itemDeleteLines(const QString &billId, const QString &productNumber)
{
    return { QStringLiteral("DELETE FROM PSALE_SUB "),
        QStringLiteral("  WHERE MASTERBILLID = '") + sqlEscape(billId) + QLatin1Char('\''),
        QStringLiteral("  and PROD_ID = '") + sqlEscape(productNumber) + QLatin1Char('\'') };
}

QStringList stopItemLines(const QString &billId, const QString &productNumber)
{
    return { QStringLiteral("UPDATE PSALE_SUB SET STOP_SALE = 'Y' "),
        QStringLiteral(" WHERE MASTERBILLID = '") + sqlEscape(billId) + QLatin1Char('\''),
        QStringLiteral(" AND PROD_ID = '") + sqlEscape(productNumber) + QLatin1Char('\'') };
}

QStringList resumeItemLines()
{
    return { QStringLiteral("UPDATE PSALE_SUB "), QStringLiteral(" SET STOP_SALE = 'N' "),
        QStringLiteral(" WHERE MASTERBILLID = :MASTERBILLID "),
        QStringLiteral(" AND PROD_ID = :PROD_ID ") };
}

QStringList itemLockLines(const QString &billId)
{
    return { QStringLiteral("SELECT MASTERBILLID FROM PSALE_MASTER "),
        QStringLiteral(" WHERE MASTERBILLID = ") + sqlQuote(billId), QStringLiteral(" WITH LOCK") };
}

void writeItem(SqlQuery &deleteQuery, SqlQuery &insertQuery, const QString &billId,
    const QString &productNumber, const std::vector<ItemRow> &rows,
    const std::function<void(int row)> &afterRow)
{
    if (!deleteQuery.connection() || insertQuery.connection() != deleteQuery.connection())
        throw DbError(QStringLiteral("The delete and the insert of a promotion item must run "
                                     "on one connection"));
    checkRows(rows);
    const QStringList insertLines = itemInsertLines();
    runLocked(deleteQuery, billId, [&] {
        deleteQuery.clear();
        for (const QString &line : itemDeleteLines(billId, productNumber))
            deleteQuery.addLine(line);
        deleteQuery.execute();
        // The same text keeps the insert prepared: one prepare for every row and save.
        if (insertQuery.lines() != insertLines) {
            insertQuery.clear();
            for (const QString &line : insertLines)
                insertQuery.addLine(line);
        }
        for (size_t i = 0; i < rows.size(); ++i) {
            bindRow(insertQuery, rows[i]);
            insertQuery.execute();
            if (afterRow)
                afterRow(int(i));
        }
        return int(rows.size());
    });
}

int stopItem(SqlQuery &query, const QString &billId, const QString &productNumber)
{
    return runLocked(query, billId, [&] {
        query.clear();
        for (const QString &line : stopItemLines(billId, productNumber))
            query.addLine(line);
        return query.execute();
    });
}

int resumeItem(SqlQuery &query, const QString &billId, const QString &productNumber)
{
    const QString bill = billId.trimmed();
    return runLocked(query, bill, [&] {
        // The engine refuses a parameter longer than its column ("string right
        // truncation", or "Malformed string" when the cut falls inside a character),
        // although such a value only matches no row. Whether the item has rows is asked
        // with the values quoted in the text, which any length passes; without rows
        // the resume has nothing to change.
        query.clear();
        query.addLine(QStringLiteral("SELECT COUNT(*) FROM PSALE_SUB "));
        query.addLine(QStringLiteral(" WHERE MASTERBILLID = ") + sqlQuote(bill));
        query.addLine(QStringLiteral(" AND PROD_ID = ") + sqlQuote(productNumber));
        query.open();
        const qint64 rows = query.asInteger(0);
        query.close();
        if (rows == 0)
            return 0;
        query.clear();
        for (const QString &line : resumeItemLines())
            query.addLine(line);
        query.setParamText(QStringLiteral("MASTERBILLID"), bill);
        query.setParamText(QStringLiteral("PROD_ID"), productNumber);
        return query.execute();
    });
}

qint64 itemStoreConflictRetries()
{
    return g_conflictRetries.load(std::memory_order_relaxed);
}
