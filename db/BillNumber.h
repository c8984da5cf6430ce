#pragma once

#include <QString>

#include <functional>

class SqlQuery;

// Promotion bill numbers: the site prefix, the date on which the number was taken
// (YYYYMMDD in mode 0, YYMMDD in modes 1 and 2) and the day's sequence number with at
// least four digits. A counter table holds one row per date whose LAST_ID is the
// sequence number that the next bill of that date receives.

// The date part of a bill number taken from a date text "YYYY/MM/DD".
QString billNumberDatePart(const QString &dateText, int mode);
// prefix + date part + sequence formatted with "%.4d".
QString formatBillNumber(const QString &prefix, const QString &dateText, int mode,
                         qint64 sequence);

// Reads and advances the counter of dateText in one transaction on counter's
// connection, and returns the bill number. Concurrent callers on any workstation
// never receive the same number and the counter never moves backwards: the increment
// happens in the UPDATE itself, and a lock or update conflict rolls the attempt back
// and tries again (a bounded number of times). The day's row is created on the first
// call of a date (LAST_ID 2 after it hands out 1).
//
// inside, when given, runs in the same transaction once the number is reserved; when
// it returns false the reservation is rolled back and an empty text is returned.
// It runs again on every retry. Any error rolls the transaction back and is passed on.
QString takeBillNumber(SqlQuery &counter, const QString &table, const QString &dateText,
                       const QString &prefix, int mode,
                       const std::function<bool(const QString &number)> &inside = {});

// How many times a conflicting counter update is tried before giving up.
constexpr int kBillNumberAttempts = 200;
