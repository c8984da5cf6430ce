#pragma once

#include "ConnectionParams.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private Firebird server for tests of several workstations: its own root folder,
// configuration, security database (SYSDBA / masterkey) and lock folder in a temporary
// folder, listening on a free loopback port. Stopped when the object goes.
class FirebirdServer
{
public:
    FirebirdServer();
    ~FirebirdServer();

    bool start(QString *error);
    void stop();
    int port() const { return m_port; }
    // "127.0.0.1/port:path" for a database file in the server's folder.
    QString databaseName(const QString &fileName) const;
    QString folder() const { return m_dir.path(); }
    // The parameters of a connection to database (as databaseName() gives it) with the
    // server's login.
    static ConnectionParams params(const QString &database);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
