#include "FirebirdServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

static const char kFirebirdHome[] = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
static const char kServerBinary[] = "/usr/sbin/firebird";
static const char kSecurityTemplate[] = "/var/lib/firebird/3.0/system/security3.fdb";

FirebirdServer::FirebirdServer() = default;

FirebirdServer::~FirebirdServer()
{
    stop();
}

static bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

static int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool FirebirdServer::start(QString *error)
{
    if (!QFile::exists(QLatin1String(kServerBinary))) {
        *error = QStringLiteral("%1 not found (package firebird3.0-server)").arg(kServerBinary);
        return false;
    }
    const QString root = m_dir.path();
    const QString home = QString::fromLatin1(kFirebirdHome);
    for (const char *entry : {"plugins", "intl", "lib", "firebird.msg"})
        QFile::link(home + QLatin1Char('/') + QLatin1String(entry),
                    root + QLatin1Char('/') + QLatin1String(entry));
    QFile::copy(home + QStringLiteral("/plugins.conf"), root + QStringLiteral("/plugins.conf"));
    QDir(root).mkpath(QStringLiteral("lock"));
    const QString security = root + QStringLiteral("/security3.fdb");
    if (!QFile::copy(QLatin1String(kSecurityTemplate), security)) {
        *error = QStringLiteral("cannot copy %1").arg(kSecurityTemplate);
        return false;
    }
    QFile::setPermissions(security, QFile::ReadOwner | QFile::WriteOwner);
    m_port = freePort();
    if (!m_port) {
        *error = QStringLiteral("no free loopback port");
        return false;
    }
    writeFile(root + QStringLiteral("/firebird.conf"),
              QStringLiteral("RemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\n"
                             "AuthServer = Srp\nUserManager = Srp\nServerMode = Super\n"
                             "DefaultDbCachePages = 2048\n")
                  .arg(m_port)
                  .toUtf8());
    writeFile(root + QStringLiteral("/databases.conf"),
              QStringLiteral("security.db = %1\n").arg(security).toUtf8());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), root);
    env.insert(QStringLiteral("FIREBIRD_LOCK"), root + QStringLiteral("/lock"));

    // SYSDBA's password, set through the embedded engine on the private security database.
    QProcess isql;
    isql.setProcessEnvironment(env);
    isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-user"),
                                           QStringLiteral("SYSDBA"), security});
    isql.write("create or alter user SYSDBA password 'masterkey' using plugin Srp;\ncommit;\n");
    isql.closeWriteChannel();
    if (!isql.waitForFinished(30000) || isql.exitCode() != 0) {
        *error = QStringLiteral("cannot set up the security database: ")
                 + QString::fromUtf8(isql.readAllStandardError());
        return false;
    }

    m_process.setProcessEnvironment(env);
    // The server goes with the test process, however that ends.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QLatin1String(kServerBinary), {});
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("server did not start: ") + m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (s.waitForConnected(200))
            return true;
        if (m_process.state() != QProcess::Running)
            break;
        QThread::msleep(100);
    }
    *error = QStringLiteral("server is not listening on port %1: %2")
                 .arg(m_port)
                 .arg(QString::fromUtf8(m_process.readAll()));
    return false;
}

void FirebirdServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString FirebirdServer::databaseName(const QString &fileName) const
{
    return QStringLiteral("127.0.0.1/%1:%2/%3").arg(m_port).arg(m_dir.path(), fileName);
}

ConnectionParams FirebirdServer::params(const QString &database)
{
    ConnectionParams p;
    p.database = database;
    p.userName = QStringLiteral("SYSDBA");
    p.password = QStringLiteral("masterkey");
    return p;
}
