// Rows per second of a plain fetch of the product browser's statement through the
// database layer, next to the same fetch done by isql-fb in the same run.

#include "BenchReport.h"

#include "ConnectionParams.h"
#include "DbError.h"
#include "RowSink.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

#include <cstdio>

static const char kBrowserSql[] =
    "select PROD_ID,PROD_BARCODE,PROD_NAME,PROVIDER_ID,PROVIDER_NAME,UNITNAME,PSALE_PRICE  "
    "from PRODUCT\nORDER BY PROD_BARCODE";

namespace {
struct TouchSink : RowSink
{
    qint64 bytes = 0;
    qint64 rows = 0;
    void putNull(int) override {}
    void putText(int, const char *, int n) override { bytes += n; }
    void putInteger(int, qint64 v) override { bytes += v & 1; }
    void putNumber(int, double v) override { bytes += v > 0; }
    void endRow() override { ++rows; }
};
} // namespace

static double fetchWithSink(SqlConnection &c, qint64 *rows)
{
    SqlQuery q(&c);
    q.setText(QString::fromLatin1(kBrowserSql));
    QElapsedTimer t;
    t.start();
    q.open();
    TouchSink sink;
    q.fetchInto(sink, -1);
    *rows = sink.rows;
    return t.nsecsElapsed() / 1e9;
}

static double fetchWithValues(SqlConnection &c, qint64 *rows)
{
    SqlQuery q(&c);
    q.setText(QString::fromLatin1(kBrowserSql));
    QElapsedTimer t;
    t.start();
    q.open();
    qint64 n = 0, chars = 0;
    for (; !q.eof(); q.next()) {
        for (int i = 0; i < 7; ++i)
            chars += q.asString(i).size();
        ++n;
    }
    *rows = n;
    return t.nsecsElapsed() / 1e9 + (chars < 0 ? 1 : 0);
}

static double fetchWithIsql(const QString &db, qint64 rows)
{
    QTemporaryFile script;
    script.open();
    script.write("SET HEADING OFF;\nSET COUNT OFF;\n");
    script.write(kBrowserSql);
    script.write(";\n");
    script.flush();
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("isql-fb"), {QStringLiteral("-ch"), QStringLiteral("UTF8"),
                                        QStringLiteral("-q"), QStringLiteral("-u"),
                                        QStringLiteral("SYSDBA"), QStringLiteral("-i"),
                                        script.fileName(), db});
    p.waitForFinished(-1);
    (void)rows;
    return t.nsecsElapsed() / 1e9;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString data = qEnvironmentVariable("TARN_BENCH_DATA");
    for (const char *size : {"100000", "1000000"}) {
        const QString db = data + QStringLiteral("/products-%1.fdb").arg(QLatin1String(size));
        if (!QFileInfo::exists(db)) {
            std::printf("skipped: %s not found (scripts/bench makes it)\n", qPrintable(db));
            continue;
        }
        try {
            SqlConnection c;
            c.setParams(ConnectionParams::embedded(db));
            c.open();
            qint64 rows = 0;
            fetchWithSink(c, &rows); // warm the page cache
            const double sink = fetchWithSink(c, &rows);
            qint64 rows2 = 0;
            const double values = fetchWithValues(c, &rows2);
            c.close();
            const double isql = fetchWithIsql(db, rows);
            const std::string n = size;
            benchReport("fetch " + n + " rows, db layer into row sink", rows / sink, "rows/s",
                        rows / isql, "isql-fb");
            benchReport("fetch " + n + " rows, db layer as texts", rows2 / values, "rows/s",
                        rows / isql, "isql-fb");
        } catch (const DbError &e) {
            std::printf("error: %s\n", qPrintable(e.message()));
            return 1;
        }
    }
    return 0;
}
