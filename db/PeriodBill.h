#pragma once

#include <QString>
#include <QStringList>

class SqlQuery;

// Statements of a promotion period (a bill of kind "B" found by its two dates) and the
// opening of a new one.

// "SELECT * FROM PSALE_MASTER " ... with the parameters INI_DATE and END_DATE.
QStringList periodBillQueryLines();
// "Insert into PSALE_MASTER(...)" with the parameters of a new bill.
QStringList newBillInsertLines();
// Sets the parameters of newBillInsertLines() for a new bill of the period start..end
// created on the date text today.
void setNewBillParams(SqlQuery &query, const QString &billNumber, const QString &start,
                      const QString &end, const QString &today);
// The bill-list reload text: every column of the products that have PSALE_SUB rows in
// the bill, each once, in the order of PROD_ID; the bill number quoted. It reads the
// bill's rows by IX_PSALE_SUB_ITEM and each product by PK_PRODUCT (Firebird 3 plan
// "SORT (JOIN (SORT (S PSALE_SUB INDEX (IX_PSALE_SUB_ITEM)), P INDEX (PK_PRODUCT)))").
QString billProductsCommandText(const QString &billNumber);

struct PeriodBill
{
    QString number;
    bool created = false; // false: another workstation had just opened the same period
};

// Inside the counter's transaction (work runs on the counter's connection): looks for
// the period's bill once more and, when there is none, inserts it numbered candidate.
// Returns false (and the bill found in *result) when another workstation had just
// opened the period, so that the caller gives the number back.
bool insertPeriodBillUnlessExists(SqlQuery &work, const QString &candidate,
                                  const QString &start, const QString &end,
                                  const QString &today, PeriodBill *result);

// Opens a new bill for the period start..end, numbered from counter (a statement on
// the counter's own connection) with the date text today. The check for an existing
// bill of the period and the insert run in the counter's transaction, after the day's
// counter row is locked by the increment: two workstations opening the same period at
// the same moment end with one bill, the second receiving the first's number.
// A failure rolls everything back (no number is used up, no bill is written).
PeriodBill createPeriodBill(SqlQuery &counter, const QString &start, const QString &end,
                            const QString &today, const QString &prefix, int mode);
