#pragma once

#include "FieldType.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class RowSink;
class SqlConnection;
class SqlQueryPrivate;

// A single SQL statement on a connection: its text built line by line, named
// parameters (":NAME"), Open for a SELECT that exposes the current row, Execute for
// INSERT/UPDATE/DELETE. Statement objects of the windows (SQLQuery1, SQL_ID, ...)
// and the data sets behind record-set providers are objects of this class.
class SqlQuery
{
public:
    explicit SqlQuery(SqlConnection *connection = nullptr);
    ~SqlQuery();
    SqlQuery(const SqlQuery &) = delete;
    SqlQuery &operator=(const SqlQuery &) = delete;

    void setConnection(SqlConnection *connection);
    SqlConnection *connection() const;

    // Text
    void clear();                   // closes, empties the text and the parameters
    void addLine(const QString &line);
    void setText(const QString &text); // lines joined with line breaks
    QString text() const;           // the lines joined with "\n"
    const QStringList &lines() const;

    // Named parameters; names are compared without case. Setting a parameter that the
    // text does not name is an error when the statement runs.
    void setParamText(const QString &name, const QString &value);
    void setParamInteger(const QString &name, qint64 value);
    void setParamNumber(const QString &name, double value);
    void setParamChar(const QString &name, QChar value);
    void setParamNull(const QString &name);
    void clearParams();

    // Runs a SELECT and fetches its first row (none: eof() is true).
    void open();
    void close();
    bool active() const;
    // Runs INSERT/UPDATE/DELETE (or any statement); returns the rows affected.
    // A statement with RETURNING leaves its returned row readable as after open().
    int execute();

    // Result columns and the current row
    int fieldCount() const;
    QList<ColumnInfo> columns() const;
    int fieldIndex(const QString &name) const; // -1 when absent
    bool eof() const;                // no current row
    bool isEmpty() const { return eof(); }
    void next();                     // fetches the next row
    // Values of the current row by position or name; null (empty, 0) without a row.
    // An unknown field name throws DbError.
    bool isNull(int field) const;
    bool isNull(const QString &name) const;
    QString asString(int field) const;
    QString asString(const QString &name) const;
    qint64 asInteger(int field) const;
    qint64 asInteger(const QString &name) const;
    double asNumber(int field) const;
    double asNumber(const QString &name) const;
    QVariant value(int field) const;
    QVariant value(const QString &name) const;

    // Moves the current row and up to maxRows - 1 following rows into sink (maxRows < 0:
    // every remaining row). Returns the number of rows delivered; the cursor then
    // stands after them. Used by record-set providers.
    int fetchInto(RowSink &sink, int maxRows);

    // Internal: drops the engine handles of a statement whose connection closes.
    static void releaseHandles(SqlQueryPrivate *d);

private:
    std::unique_ptr<SqlQueryPrivate> m_d;
};
