#pragma once

#include "DbError.h"
#include "SqlConnection.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <QString>

#include <cstdio>

// A promotion bill of kind "B" that a benchmark makes in a shared benchmark database
// and removes again, so that the database is left as it was found. A bill of the same
// number left behind by an interrupted run is removed first.
class BenchBill
{
public:
    BenchBill(
        SqlConnection &connection, const QString &number, const QString &start, const QString &end)
        : m_connection(connection)
        , m_number(number)
    {
        remove();
        SqlQuery q(&m_connection);
        q.setText(QStringLiteral("INSERT INTO PSALE_MASTER (MASTERBILLID, INI_DATE, END_DATE, "
                                 "BILL_KIND) VALUES (")
            + sqlQuote(number) + QStringLiteral(", ") + sqlQuote(start) + QStringLiteral(", ")
            + sqlQuote(end) + QStringLiteral(", 'B')"));
        q.execute();
    }
    // Removes the bill and its items (an error is printed, not thrown); a transaction
    // that an error left open is rolled back first.
    ~BenchBill()
    {
        try {
            if (m_connection.inTransaction())
                m_connection.rollback();
            remove();
        } catch (const DbError &e) {
            std::printf("error: the bill %s was not removed: %s\n", qPrintable(m_number),
                qPrintable(e.message()));
        }
    }
    BenchBill(const BenchBill &) = delete;
    BenchBill &operator=(const BenchBill &) = delete;

    const QString &number() const { return m_number; }

    // Deletes every item row and the bill's own row.
    void remove()
    {
        SqlQuery q(&m_connection);
        q.setText(
            QStringLiteral("DELETE FROM PSALE_SUB WHERE MASTERBILLID = ") + sqlQuote(m_number));
        q.execute();
        q.setText(
            QStringLiteral("DELETE FROM PSALE_MASTER WHERE MASTERBILLID = ") + sqlQuote(m_number));
        q.execute();
    }

private:
    SqlConnection &m_connection;
    QString m_number;
};

// Opens q and reads every row, each column as text (as a box shows it); returns the
// rows read.
inline int fetchAll(SqlQuery &q)
{
    int rows = 0;
    qint64 chars = 0;
    for (q.open(); !q.eof(); q.next()) {
        for (int i = 0; i < q.fieldCount(); ++i)
            chars += q.asString(i).size();
        ++rows;
    }
    q.close();
    return chars < 0 ? -1 : rows;
}
