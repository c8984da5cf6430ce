#include "ConnectionParams.h"

#include "DbError.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

static bool isTrue(const QString &v)
{
    const QString t = v.trimmed();
    return t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0
           || t.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1");
}

ConnectionParams ConnectionParams::fromValues(const QList<QPair<QString, QString>> &values)
{
    ConnectionParams p;
    p.all = values;
    for (const auto &kv : values) {
        const QString key = kv.first.trimmed().toLower();
        const QString &v = kv.second;
        if (key == QLatin1String("database"))
            p.database = v.trimmed();
        else if (key == QLatin1String("user_name"))
            p.userName = v;
        else if (key == QLatin1String("password"))
            p.password = v;
        else if (key == QLatin1String("rolename"))
            p.roleName = v.trimmed();
        else if (key == QLatin1String("servercharset"))
            p.charSet = v.trimmed();
        else if (key == QLatin1String("sqldialect")) {
            bool ok = false;
            const int d = v.trimmed().toInt(&ok);
            p.sqlDialect = ok && d >= 1 && d <= 3 ? d : 3;
        } else if (key == QLatin1String("interbase transisolation")) {
            const QString t = v.trimmed().toLower();
            if (t == QLatin1String("snapshot"))
                p.isolation = TransIsolation::Snapshot;
            else if (t == QLatin1String("repeatableread"))
                p.isolation = TransIsolation::RepeatableRead;
            else
                p.isolation = TransIsolation::ReadCommitted;
        } else if (key == QLatin1String("waitonlocks"))
            p.waitOnLocks = isTrue(v);
        else if (key == QLatin1String("commitretain"))
            p.commitRetain = isTrue(v);
        else if (key == QLatin1String("trim char"))
            p.trimChar = isTrue(v);
        // DriverName, BlobSize, ErrorResourceFile, LocaleCode and the rest: accepted.
    }
    return p;
}

ConnectionParams ConnectionParams::embedded(const QString &databasePath)
{
    ConnectionParams p;
    p.database = databasePath;
    p.userName = QStringLiteral("SYSDBA");
    return p;
}

ConnectionParams ConnectionParams::load(const QString &iniPath, const QString &name)
{
    if (name.trimmed().isEmpty())
        throw DbError(QStringLiteral("Connection name missing"));
    if (!QFileInfo(iniPath).isFile())
        throw DbError(QStringLiteral("Connection file not found: %1").arg(iniPath));
    IniFile ini(iniPath);
    QString error;
    if (!ini.load(&error))
        throw DbError(QStringLiteral("Cannot read connection file %1: %2").arg(iniPath, error));
    if (!ini.hasSection(name))
        throw DbError(QStringLiteral("Connection section [%1] not found in %2").arg(name, iniPath));
    ConnectionParams p = fromValues(ini.sectionValues(name));
    if (p.database.isEmpty())
        throw DbError(QStringLiteral("Database parameter is empty in section [%1] of %2")
                          .arg(name, iniPath));
    return p;
}

static QString g_folderOverride;

void overrideExecutableFolder(const QString &folder)
{
    g_folderOverride = folder;
    if (!g_folderOverride.isEmpty() && !g_folderOverride.endsWith(QDir::separator())
        && !g_folderOverride.endsWith(QLatin1Char('/')))
        g_folderOverride += QDir::separator();
}

QString executableFolder()
{
    if (!g_folderOverride.isEmpty())
        return g_folderOverride;
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return QDir::toNativeSeparators(dir) + QDir::separator();
}

QString defaultConnectionFile()
{
    return executableFolder() + QStringLiteral("dbxconnections.ini");
}
