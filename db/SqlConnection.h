#pragma once

#include "ConnectionParams.h"

#include <QString>

#include <memory>

class SqlConnectionPrivate;

// One connection to a Firebird database through the client's own API. Its
// parameters come from a named section of the connection file, loaded once per
// connection object on first open. A local path as Database uses the embedded
// engine; "host:path" or "host/port:path" a server.
//
// Statements outside an explicit transaction run in a transaction of their own that
// commits when the statement has run (or, for a cursor, when it is closed): read-only
// for a plain SELECT (a SELECT of a procedure that writes must run in an explicit
// transaction), read-write for anything else.
class SqlConnection
{
public:
    explicit SqlConnection(QString connectionName = QStringLiteral("Quillon"));
    ~SqlConnection();
    SqlConnection(const SqlConnection &) = delete;
    SqlConnection &operator=(const SqlConnection &) = delete;

    const QString &connectionName() const;
    // The connection file to read; default: "dbxconnections.ini" beside the executable.
    void setConnectionFile(const QString &path);
    QString connectionFile() const;
    // Parameters given directly; the connection file is then not read.
    void setParams(const ConnectionParams &params);
    // The parameters, loading them from the connection file on first use.
    const ConnectionParams &params();
    bool paramsLoaded() const;

    void open();
    void close();
    bool connected() const;

    // Explicit transaction, used by every statement of this connection while open.
    bool inTransaction() const;
    void startTransaction(int transactionId = 1,
                          TransIsolation isolation = TransIsolation::ReadCommitted);
    void commit();
    void rollback();

    // Runs one statement without parameters or result (DDL, scripts).
    void executeImmediate(const QString &sql);

    // Creates a new, empty database (embedded or on a server) and closes it again.
    static void createDatabase(const ConnectionParams &params, int pageSize = 8192);

    // Writes every statement's text and parameters to the debug log while set.
    static void setTrace(bool on);
    static bool trace();

    SqlConnectionPrivate *d() const { return m_d.get(); }

private:
    std::unique_ptr<SqlConnectionPrivate> m_d;
};
