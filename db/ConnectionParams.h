#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Isolation of a transaction, as "Interbase TransIsolation" names it.
enum class TransIsolation {
    ReadCommitted, // "ReadCommited"
    Snapshot,      // "SnapShot"
    RepeatableRead // "RepeatableRead"
};

// The parameters of one named connection of "dbxconnections.ini".
struct ConnectionParams
{
    QString database;  // a local path (embedded engine) or host:path / host/port:path
    QString userName;
    QString password;
    QString roleName;
    QString charSet;   // connection character set; empty means UTF8
    int sqlDialect = 3;
    TransIsolation isolation = TransIsolation::ReadCommitted;
    bool waitOnLocks = true;
    bool commitRetain = false;
    bool trimChar = false;
    // Every key = value line of the section, as read.
    QList<QPair<QString, QString>> all;

    // Loads section `name` of the connection file at iniPath. Throws DbError naming
    // the file when it is missing, the section when it is absent, and the key
    // Database when it is empty.
    static ConnectionParams load(const QString &iniPath, const QString &name);
    // A database file opened by the embedded engine as SYSDBA (tools, tests, benchmarks).
    static ConnectionParams embedded(const QString &databasePath);
    // Interprets a list of key = value pairs (keys compared without case).
    static ConnectionParams fromValues(const QList<QPair<QString, QString>> &values);
};

// The folder of the running executable, with its trailing separator. Every file the
// tool reads beside its executable ("dbxconnections.ini", "Vantor.dat", the shared
// "Search.ini") is taken from here.
QString executableFolder();
// Makes executableFolder() return folder instead (tests); empty restores it.
void overrideExecutableFolder(const QString &folder);
// The connection file beside the executable: executableFolder() + "dbxconnections.ini".
QString defaultConnectionFile();
