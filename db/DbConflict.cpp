#include "DbConflict.h"

#include "DbError.h"

#include <QRandomGenerator>
#include <QThread>

namespace {

// Engine codes of a conflict with a concurrent transaction.
constexpr long kDeadlock = 335544336; // isc_deadlock
constexpr long kLockConflict = 335544345; // isc_lock_conflict
constexpr long kUpdateConflict = 335544451; // isc_update_conflict

} // namespace

bool isLockConflict(const DbError &e)
{
    return e.hasCode(kDeadlock) || e.hasCode(kLockConflict) || e.hasCode(kUpdateConflict);
}

void conflictBackOff(int attempt)
{
    QThread::usleep(500 + QRandomGenerator::global()->bounded(1000 * qMin(attempt, 20)));
}
