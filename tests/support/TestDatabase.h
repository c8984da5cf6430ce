#pragma once

#include "ConnectionParams.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class SqlConnection;

// A new embedded database with the tool's schema in a temporary folder of its own,
// removed again when the object goes. connection() is open on it.
class TestDatabase
{
public:
    // products > 0 also fills a demo catalogue of that size.
    explicit TestDatabase(int products = 0);
    ~TestDatabase();

    bool isValid() const; // false: the database could not be created (see error())
    QString error() const;
    QString dir() const;      // the temporary folder, with a trailing separator
    QString path() const;     // the database file
    ConnectionParams params() const;
    SqlConnection &connection();
    // Runs one statement on connection() (committed).
    void exec(const QString &sql);
    // Value of the first column of the first row of a query, as text ("" for none).
    QString scalar(const QString &sql);
    // Writes "dbxconnections.ini" for this database into folder (default: dir()).
    QString writeConnectionFile(const QString &folder = {}) const;

private:
    QTemporaryDir m_dir;
    QString m_error;
    std::unique_ptr<SqlConnection> m_connection;
};
