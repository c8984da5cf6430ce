#pragma once

// Internal state of a connection, shared with the statements on it.

#include "ConnectionParams.h"
#include "FirebirdApi.h"

#include <QSet>
#include <QString>

class SqlQueryPrivate;

class SqlConnectionPrivate
{
public:
    QString name;
    QString connectionFile;
    ConnectionParams params;
    bool paramsLoaded = false;
    Firebird::IAttachment *attachment = nullptr;
    Firebird::ITransaction *transaction = nullptr; // explicit transaction
    QSet<SqlQueryPrivate *> queries;

    void ensureOpen();
    // A new transaction with the connection's isolation and lock resolution.
    Firebird::ITransaction *startTransaction(TransIsolation isolation, bool readOnly = false);
    // Commits (or rolls back) a transaction that a statement started for itself.
    static void endTransaction(Firebird::ITransaction *&tra, bool commit);
};
