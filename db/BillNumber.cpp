#include "BillNumber.h"

#include "DbConflict.h"
#include "DbError.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

namespace {

// Besides a lock conflict: two workstations that both create the day's row.
constexpr long kNoDup = 335544349;           // isc_no_dup
constexpr long kUniqueViolation = 335544665; // isc_unique_key_violation
// Under load the engine now and then reports the counter's UPDATE ... RETURNING, whose
// row a concurrent transaction has just changed, as having no current record rather
// than as an update conflict (seen with eight workstations taking numbers at once).
constexpr long kNoCurrentRecord = 335544348; // isc_no_cur_rec

bool isTransient(const DbError &e)
{
    return isLockConflict(e) || e.hasCode(kNoDup) || e.hasCode(kUniqueViolation)
           || e.hasCode(kNoCurrentRecord);
}

} // namespace

QString billNumberDatePart(const QString &dateText, int mode)
{
    if (mode == 0)
        return dateText.mid(0, 4) + dateText.mid(5, 2) + dateText.mid(8, 2);
    return dateText.mid(2, 2) + dateText.mid(5, 2) + dateText.mid(8, 2);
}

QString formatBillNumber(const QString &prefix, const QString &dateText, int mode,
                         qint64 sequence)
{
    return prefix + billNumberDatePart(dateText, mode)
           + QString::asprintf("%.4lld", static_cast<long long>(sequence));
}

QString takeBillNumber(SqlQuery &counter, const QString &table, const QString &dateText,
                       const QString &prefix, int mode,
                       const std::function<bool(const QString &)> &inside)
{
    SqlConnection *connection = counter.connection();
    if (!connection)
        throw DbError(QStringLiteral("The bill number counter has no connection"));
    for (int attempt = 1;; ++attempt) {
        // A transaction left open by an earlier failure would stop the counter for good.
        if (connection->inTransaction())
            connection->rollback();
        connection->startTransaction(1, TransIsolation::ReadCommitted);
        try {
            counter.close();
            counter.clear();
            counter.addLine(QStringLiteral("UPDATE ") + table
                            + QStringLiteral(" SET LAST_ID = COALESCE(LAST_ID, 1) + 1"
                                             " WHERE BILL_DATE = :BILL_DATE RETURNING LAST_ID"));
            counter.setParamText(QStringLiteral("BILL_DATE"), dateText);
            const int rows = counter.execute();
            qint64 sequence = 1;
            if (rows == 0) {
                // First number of the day: the row starts with the next number, 2.
                counter.close();
                counter.clear();
                counter.addLine(QStringLiteral("INSERT INTO  ") + table
                                + QStringLiteral("(BILL_DATE,LAST_ID) VALUES (:BILL_DATE,2)"));
                counter.setParamText(QStringLiteral("BILL_DATE"), dateText);
                counter.execute();
            } else {
                sequence = counter.asInteger(0) - 1;
            }
            counter.close();
            const QString number = formatBillNumber(prefix, dateText, mode, sequence);
            if (inside && !inside(number)) {
                connection->rollback();
                return {};
            }
            connection->commit();
            return number;
        } catch (const DbError &e) {
            if (connection->inTransaction())
                connection->rollback();
            if (!isTransient(e) || attempt >= kBillNumberAttempts)
                throw;
            // Someone else holds the day's row: wait a little, longer on each try.
            conflictBackOff(attempt);
        } catch (...) {
            if (connection->inTransaction())
                connection->rollback();
            throw;
        }
    }
}
