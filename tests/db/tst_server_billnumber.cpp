// Several workstations against one Firebird server: worker processes (this executable
// started with --worker) take bill numbers and open periods at the same moment.

#include "FirebirdServer.h"

#include "BillNumber.h"
#include "DbError.h"
#include "DemoData.h"
#include "PeriodBill.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <QThread>

#include <cstdio>

namespace {

void waitForGo(const QString &goFile)
{
    while (!QFile::exists(goFile))
        QThread::usleep(200);
}

// Worker: connects, waits for the start signal, then does its part and prints results.
int runWorker(const QStringList &args)
{
    const QString mode = args.value(0);
    SqlConnection c2;
    c2.setParams(FirebirdServer::params(args.value(1)));
    try {
        c2.open();
        SqlQuery SQL_ID(&c2);
        std::printf("ready\n");
        std::fflush(stdout);
        waitForGo(args.value(2));
        if (mode == QLatin1String("numbers")) {
            const int count = args.value(3).toInt();
            qint64 slowest = 0;
            for (int i = 0; i < count; ++i) {
                QElapsedTimer t;
                t.start();
                const QString n = takeBillNumber(SQL_ID, QStringLiteral("TEMP_PSALEID"),
                                                 args.value(4), QStringLiteral("PM"), 0);
                slowest = qMax(slowest, t.nsecsElapsed() / 1000);
                std::printf("number %s\n", qPrintable(n));
            }
            std::printf("slowest %lld\n", static_cast<long long>(slowest));
        } else {
            const PeriodBill bill = createPeriodBill(SQL_ID, args.value(3), args.value(4),
                                                     args.value(5), QStringLiteral("PM"), 0);
            std::printf("bill %s %d\n", qPrintable(bill.number), bill.created ? 1 : 0);
        }
    } catch (const DbError &e) {
        std::printf("error %s\n", qPrintable(e.message().simplified()));
        return 1;
    }
    return 0;
}

} // namespace

class TestServerBillNumber : public QObject
{
    Q_OBJECT

    FirebirdServer m_server;
    QString m_database;

    QList<QProcess *> startWorkers(int n, const QStringList &args, const QString &goFile)
    {
        QList<QProcess *> workers;
        for (int i = 0; i < n; ++i) {
            auto *p = new QProcess(this);
            p->start(QCoreApplication::applicationFilePath(),
                     QStringList{QStringLiteral("--worker")} + args);
            workers << p;
        }
        for (QProcess *p : workers) {
            if (!p->waitForReadyRead(60000))
                qWarning() << "worker not ready" << p->readAllStandardError();
        }
        QFile go(goFile);
        go.open(QIODevice::WriteOnly);
        return workers;
    }

    QStringList collect(QList<QProcess *> &workers)
    {
        QStringList lines;
        for (QProcess *p : workers) {
            p->waitForFinished(300000);
            const QString out = QString::fromUtf8(p->readAllStandardOutput());
            lines += out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            if (p->exitCode() != 0)
                lines << QStringLiteral("exit %1").arg(p->exitCode());
            p->deleteLater();
        }
        workers.clear();
        return lines;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_database = m_server.databaseName(QStringLiteral("shop.fdb"));
        try {
            DemoData::createDatabase(FirebirdServer::params(m_database));
        } catch (const DbError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }

    void statementsRunOnTheServer()
    {
        SqlConnection c;
        c.setParams(FirebirdServer::params(m_database));
        SqlQuery q(&c);
        q.setText(QStringLiteral("SELECT CAST(7 AS INTEGER) AS I, CAST(2.5 AS DOUBLE PRECISION), "
                                 "CAST('台北' AS VARCHAR(10)), CAST(:P AS VARCHAR(5)) "
                                 "FROM RDB$DATABASE"));
        q.setParamText(QStringLiteral("P"), QStringLiteral("ab"));
        try {
            q.open();
            QCOMPARE(q.asInteger(0), 7);
            QCOMPARE(q.asNumber(1), 2.5);
            QCOMPARE(q.asString(2), QStringLiteral("台北"));
            QCOMPARE(q.asString(3), QStringLiteral("ab"));
        } catch (const DbError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }

    void eightWorkstationsNeverShareANumber()
    {
        const QString go = m_server.folder() + QStringLiteral("/go-numbers");
        QList<QProcess *> workers = startWorkers(
            8, {QStringLiteral("numbers"), m_database, go, QStringLiteral("250"),
                QStringLiteral("2031/07/04")},
            go);
        const QStringList lines = collect(workers);
        QStringList numbers, errors;
        qint64 slowest = 0;
        for (const QString &l : lines) {
            if (l.startsWith(QLatin1String("number ")))
                numbers << l.mid(7);
            else if (l.startsWith(QLatin1String("slowest ")))
                slowest = qMax(slowest, l.mid(8).toLongLong());
            else if (l != QLatin1String("ready"))
                errors << l;
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        QCOMPARE(numbers.size(), 2000);
        QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), 2000);
        QVERIFY(numbers.contains(QStringLiteral("PM203107040001")));
        QVERIFY(numbers.contains(QStringLiteral("PM203107042000")));
        SqlConnection c;
        c.setParams(FirebirdServer::params(m_database));
        SqlQuery q(&c);
        q.setText(QStringLiteral("SELECT LAST_ID FROM TEMP_PSALEID WHERE BILL_DATE = '2031/07/04'"));
        q.open();
        QCOMPARE(q.asInteger(0), 2001);
        std::printf("figure: 8 workers x 250 numbers, slowest number %.1f ms\n", slowest / 1000.0);
    }

    void fourWorkstationsOpenOnePeriod()
    {
        const QString go = m_server.folder() + QStringLiteral("/go-period");
        QList<QProcess *> workers = startWorkers(
            4, {QStringLiteral("period"), m_database, go, QStringLiteral("2031/08/01"),
                QStringLiteral("2031/08/31"), QStringLiteral("2031/07/05")},
            go);
        const QStringList lines = collect(workers);
        QSet<QString> bills;
        int created = 0;
        for (const QString &l : lines) {
            if (l == QLatin1String("ready"))
                continue;
            QVERIFY2(l.startsWith(QLatin1String("bill ")), qPrintable(l));
            const QStringList parts = l.split(QLatin1Char(' '));
            bills << parts.value(1);
            created += parts.value(2).toInt();
        }
        QCOMPARE(created, 1);
        QCOMPARE(bills.size(), 1);
        SqlConnection c;
        c.setParams(FirebirdServer::params(m_database));
        SqlQuery q(&c);
        q.setText(QStringLiteral("SELECT COUNT(*) FROM PSALE_MASTER WHERE INI_DATE = '2031/08/01' "
                                 "AND END_DATE = '2031/08/31' AND BILL_KIND = 'B'"));
        q.open();
        QCOMPARE(q.asInteger(0), 1);
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--worker") == 0) {
        QCoreApplication app(argc, argv);
        return runWorker(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    TestServerBillNumber t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_server_billnumber.moc"
