// Several workstations save, stop and resume one promotion item on one Firebird server
// at the same moment: worker processes (this executable started with --worker). The
// stored item is always exactly one workstation's complete save.

#include "FirebirdServer.h"

#include "DbError.h"
#include "DemoData.h"
#include "ItemFixture.h"
#include "ItemStore.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QThread>

#include <cstdio>

using namespace ItemFixture;

namespace {

const QString kBill = QStringLiteral("PM203107040001");
const QString kProduct = QStringLiteral("P'01台");
constexpr int kStopSale = 32; // STOP_SALE among the 36 values of a row

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void waitForFile(const QString &file)
{
    while (!QFile::exists(file))
        QThread::usleep(500);
}

// Worker: connects, then per round waits for the round's start file, works on the item
// and says "round r". Args: mode, database, start-file prefix, variant, rounds, ops.
int runWorker(const QStringList &args)
{
    const QString mode = args.value(0);
    const QString go = args.value(2);
    const int variant = args.value(3).toInt();
    const int rounds = args.value(4).toInt();
    const int ops = args.value(5).toInt();
    SqlConnection c;
    ConnectionParams params = FirebirdServer::params(args.value(1));
    // "WaitOnLocks = False": a held bill is a conflict at once, retried by the store.
    params.waitOnLocks = !mode.endsWith(QLatin1String("-nowait"));
    c.setParams(params);
    QRandomGenerator random(quint32(variant * 7919));
    try {
        c.open();
        SqlQuery SQLQuery3(&c), SQL_UPDATE(&c), SQLQuery1(&c);
        const std::vector<ItemRow> mine = set(kBill, kProduct, variant);
        say(QStringLiteral("ready"));
        if (mode == QLatin1String("kill")) {
            waitForFile(go);
            writeItem(SQLQuery3, SQL_UPDATE, kBill, kProduct, mine, [](int row) {
                if (row == 1) {
                    say(QStringLiteral("inside"));
                    QThread::sleep(600); // killed here, between the second and third insert
                }
            });
            say(QStringLiteral("not killed"));
            return 0;
        }
        qint64 slowest = 0, mostRetries = 0;
        int saves = 0, stops = 0, resumes = 0;
        for (int r = 0; r < rounds; ++r) {
            waitForFile(go + QString::number(r));
            for (int k = 0; k < ops; ++k) {
                QElapsedTimer t;
                t.start();
                const qint64 retriesBefore = itemStoreConflictRetries();
                const quint32 pick
                    = k == 0 || mode.startsWith(QLatin1String("save")) ? 0 : random.bounded(4);
                if (pick <= 1) {
                    writeItem(SQLQuery3, SQL_UPDATE, kBill, kProduct, mine);
                    ++saves;
                } else if (pick == 2) {
                    stopItem(SQL_UPDATE, kBill, kProduct);
                    ++stops;
                } else {
                    resumeItem(SQLQuery1, kBill, kProduct);
                    ++resumes;
                }
                slowest = qMax(slowest, t.nsecsElapsed() / 1000);
                mostRetries = qMax(mostRetries, itemStoreConflictRetries() - retriesBefore);
            }
            say(QStringLiteral("round %1").arg(r));
        }
        say(QStringLiteral("done %1 %2 %3 %4 %5 %6")
                .arg(saves)
                .arg(stops)
                .arg(resumes)
                .arg(itemStoreConflictRetries())
                .arg(slowest)
                .arg(mostRetries));
    } catch (const DbError &e) {
        say(QStringLiteral("error ") + e.message().simplified()
            + QStringLiteral(" code %1").arg(e.gdsCode()));
        return 1;
    }
    return 0;
}

struct Worker
{
    QProcess *process = nullptr;
    int variant = 0;
    QStringList lines;
    QByteArray pending;

    // Reads what the worker printed; true when a line equal to `line` has arrived.
    bool has(const QString &line)
    {
        process->waitForReadyRead(5);
        pending += process->readAllStandardOutput();
        int nl;
        while ((nl = int(pending.indexOf('\n'))) >= 0) {
            lines << QString::fromUtf8(pending.left(nl));
            pending.remove(0, nl + 1);
        }
        return lines.contains(line);
    }
};

} // namespace

class TestServerItemStore : public QObject
{
    Q_OBJECT

    FirebirdServer m_server;
    QString m_database;
    std::unique_ptr<SqlConnection> m_connection;
    int m_goCount = 0;

    QList<Worker> startWorkers(
        const QString &mode, const QList<int> &variants, int rounds, int ops, const QString &go)
    {
        QList<Worker> workers;
        for (int v : variants) {
            Worker w;
            w.variant = v;
            w.process = new QProcess(this);
            w.process->start(QCoreApplication::applicationFilePath(),
                { QStringLiteral("--worker"), mode, m_database, go, QString::number(v),
                    QString::number(rounds), QString::number(ops) });
            workers << w;
        }
        for (Worker &w : workers) {
            QDeadlineTimer ready(60000);
            while (!w.has(QStringLiteral("ready")) && !ready.hasExpired()
                && w.process->state() != QProcess::NotRunning) { }
            if (!w.lines.contains(QStringLiteral("ready")))
                qWarning() << "worker not ready" << w.lines << w.process->readAllStandardError();
        }
        return workers;
    }

    static void go(const QString &file) { QFile(file).open(QIODevice::WriteOnly); }

    // The stored item, read in one snapshot from its own connection: empty, or one
    // worker's complete set (STOP_SALE, when mixed, the same on every row). Returns the
    // variant found (0 for empty), -1 for anything else.
    static int whichSet(const QList<QStringList> &rows, const QList<int> &variants, bool mixed,
        QString *stop = nullptr)
    {
        if (rows.isEmpty())
            return 0;
        QList<QStringList> normal = rows;
        QSet<QString> flags;
        for (QStringList &r : normal) {
            flags << r.at(kStopSale);
            if (mixed)
                r[kStopSale] = QStringLiteral("T:N");
        }
        if (flags.size() != 1)
            return -1;
        if (stop)
            *stop = *flags.begin();
        for (int v : variants)
            if (normal == expected(set(kBill, kProduct, v)))
                return v;
        return -1;
    }

    // Runs `rounds` rounds of the workers on a new item; while they run, snapshots of
    // the item are taken and checked. Returns the workers' "done" lines.
    void race(const QString &mode, int rounds, int ops)
    {
        const QList<int> variants = { 1, 2, 3, 4 };
        const bool mixed = mode.startsWith(QLatin1String("mixed"));
        const QString goPrefix = m_server.folder() + QStringLiteral("/go-%1-").arg(++m_goCount);
        SqlQuery SQLQuery3(m_connection.get()), SQL_UPDATE(m_connection.get());
        writeItem(SQLQuery3, SQL_UPDATE, kBill, kProduct, {}); // a new item
        QElapsedTimer clock;
        clock.start();
        QList<Worker> workers = startWorkers(mode, variants, rounds, ops, goPrefix);
        SqlConnection observer;
        observer.setParams(FirebirdServer::params(m_database));
        int snapshots = 0, bad = 0;
        QStringList winners; // the worker whose set each round ended with
        QStringList stopFlags;
        for (int r = 0; r < rounds; ++r) {
            go(goPrefix + QString::number(r));
            const QString done = QStringLiteral("round %1").arg(r);
            for (;;) {
                bool all = true;
                for (Worker &w : workers)
                    all = w.has(done) && all;
                for (Worker &w : workers) {
                    if (w.process->state() == QProcess::NotRunning && !w.lines.contains(done)) {
                        QFAIL(qPrintable(
                            QStringLiteral("worker %1 stopped: %2 %3")
                                .arg(w.variant)
                                .arg(w.lines.join(QLatin1Char('|')))
                                .arg(QString::fromUtf8(w.process->readAllStandardError()))));
                    }
                }
                if (all)
                    break;
                observer.startTransaction(1, TransIsolation::Snapshot);
                const QList<QStringList> seen = stored(observer, kBill, kProduct);
                observer.commit();
                ++snapshots;
                if (whichSet(seen, variants, mixed) < 0) {
                    ++bad;
                    qWarning() << "snapshot of a mixed item:" << seen.size() << "rows";
                }
            }
            // The round's end: exactly one worker's complete set.
            QString stop;
            const QList<QStringList> rows = stored(*m_connection, kBill, kProduct);
            const int winner = whichSet(rows, variants, mixed, &stop);
            QVERIFY2(winner > 0,
                qPrintable(
                    QStringLiteral("round %1: %2 rows, not one set").arg(r).arg(rows.size())));
            QCOMPARE(rows.size(), 4);
            winners << QString::number(winner);
            stopFlags << stop;
            writeItem(SQLQuery3, SQL_UPDATE, kBill, kProduct, {}); // new again
        }
        QCOMPARE(bad, 0);
        int saves = 0, stops = 0, resumes = 0;
        qint64 retries = 0, slowest = 0, mostRetries = 0;
        for (Worker &w : workers) {
            if (w.process->state() != QProcess::NotRunning)
                QVERIFY(w.process->waitForFinished(60000));
            w.has(QString());
            const QString err = QString::fromUtf8(w.process->readAllStandardError());
            QCOMPARE(w.process->exitCode(), 0);
            const QStringList done = w.lines.filter(QStringLiteral("done ")).value(0).split(' ');
            QCOMPARE(done.size(), 7);
            saves += done[1].toInt();
            stops += done[2].toInt();
            resumes += done[3].toInt();
            retries += done[4].toLongLong();
            slowest = qMax(slowest, done[5].toLongLong());
            mostRetries = qMax(mostRetries, done[6].toLongLong());
            for (const QString &l : w.lines)
                QVERIFY2(!l.startsWith(QLatin1String("error")), qPrintable(l + err));
            delete w.process;
        }
        std::printf("figure: %s race, 4 workers x %d rounds x %d operations: %d saves, %d stops, "
                    "%d resumes in %.1f s; conflicts retried %lld (at most %lld in one operation, "
                    "of %d allowed); slowest operation %.1f ms; "
                    "%d snapshots checked; round winners %s; stop flags at round ends %s\n",
            qPrintable(mode), rounds, ops, saves, stops, resumes, clock.nsecsElapsed() / 1e9,
            static_cast<long long>(retries), static_cast<long long>(mostRetries),
            kItemStoreAttempts - 1, slowest / 1000.0, snapshots,
            qPrintable(winners.join(QLatin1Char(','))),
            qPrintable(stopFlags.join(QLatin1Char(','))));
        std::fflush(stdout);
    }

    void killBetweenInserts(bool itemExists)
    {
        SqlQuery SQLQuery3(m_connection.get()), SQL_UPDATE(m_connection.get());
        const std::vector<ItemRow> before = set(kBill, kProduct, 9);
        writeItem(
            SQLQuery3, SQL_UPDATE, kBill, kProduct, itemExists ? before : std::vector<ItemRow> {});
        const QList<QStringList> expectedRows = stored(*m_connection, kBill, kProduct);
        QCOMPARE(expectedRows.size(), itemExists ? 4 : 0);
        const QString goFile = m_server.folder() + QStringLiteral("/go-kill-%1").arg(++m_goCount);
        QList<Worker> workers = startWorkers(QStringLiteral("kill"), { 5 }, 1, 1, goFile);
        Worker &w = workers.first();
        go(goFile);
        QDeadlineTimer deadline(60000);
        while (!w.has(QStringLiteral("inside")) && !deadline.hasExpired()
            && w.process->state() != QProcess::NotRunning) { }
        QVERIFY2(w.lines.contains(QStringLiteral("inside")), qPrintable(w.lines.join('|')));
        // Two rows inserted and not committed: nobody else sees them.
        QCOMPARE(stored(*m_connection, kBill, kProduct), expectedRows);
        w.process->kill(); // SIGKILL
        QVERIFY(w.process->waitForFinished(10000));
        QCOMPARE(w.process->exitStatus(), QProcess::CrashExit);
        delete w.process;

        SqlConnection fresh;
        fresh.setParams(FirebirdServer::params(m_database));
        QCOMPARE(stored(fresh, kBill, kProduct), expectedRows);
        // The dead workstation's lock on the bill is gone: the next save goes through.
        QElapsedTimer t;
        t.start();
        SqlQuery d(&fresh), i(&fresh);
        const std::vector<ItemRow> after = set(kBill, kProduct, 6);
        writeItem(d, i, kBill, kProduct, after);
        QCOMPARE(stored(fresh, kBill, kProduct), expected(after));
        std::printf("figure: kill with %s item: next save took %.1f ms after the kill\n",
            itemExists ? "a stored" : "a new", t.nsecsElapsed() / 1e6);
        fresh.close();
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_database = m_server.databaseName(QStringLiteral("shop.fdb"));
        try {
            DemoData::createDatabase(FirebirdServer::params(m_database));
            m_connection = std::make_unique<SqlConnection>();
            m_connection->setParams(FirebirdServer::params(m_database));
            m_connection->executeImmediate(
                QStringLiteral("INSERT INTO PSALE_MASTER (MASTERBILLID, INI_DATE, END_DATE, "
                               "BILL_KIND) VALUES ('%1', '2031/08/01', '2031/08/31', 'B')")
                    .arg(kBill));
            // Other items of the bill, which the race must leave alone.
            SqlQuery d(m_connection.get()), i(m_connection.get());
            writeItem(d, i, kBill, QStringLiteral("P02"), set(kBill, QStringLiteral("P02"), 20));
            writeItem(d, i, kBill, QStringLiteral("P'01"), set(kBill, QStringLiteral("P'01"), 21));
        } catch (const DbError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }

    void cleanup()
    {
        // Workers of a failed test do not outlive it.
        for (QProcess *p : findChildren<QProcess *>()) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
            delete p;
        }
        // The neighbours are untouched by every test.
        QCOMPARE(stored(*m_connection, kBill, QStringLiteral("P02")),
            expected(set(kBill, QStringLiteral("P02"), 20)));
        QCOMPARE(stored(*m_connection, kBill, QStringLiteral("P'01")),
            expected(set(kBill, QStringLiteral("P'01"), 21)));
    }

    void cleanupTestCase() { m_connection.reset(); }

    void fourWorkstationsSaveOneNewItem() { race(QStringLiteral("save"), 20, 25); }

    void savesRaceStopsAndResumes() { race(QStringLiteral("mixed"), 20, 25); }

    // Without waiting for locks every collision is a conflict that the store rolls back
    // and tries again; no worker sees it.
    void racesWithoutWaitingAreRetried() { race(QStringLiteral("mixed-nowait"), 20, 25); }

    void killedSaveLeavesTheStoredItem() { killBetweenInserts(true); }

    void killedSaveOfANewItemLeavesNone() { killBetweenInserts(false); }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--worker") == 0) {
        QCoreApplication app(argc, argv);
        return runWorker(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    TestServerItemStore t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_server_itemstore.moc"
