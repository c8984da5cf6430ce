// Creates a demo or benchmark database for the tool: a new embedded database with the
// schema and a generated catalogue, plus "dbxconnections.ini" and "Vantor.dat" for the
// folder the tool runs in. With --site-only it writes just those two files, for a
// database that exists already (a file, or one on a server).

#include "DemoData.h"

#include "DbError.h"
#include "SqlConnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

#include <unistd.h>

namespace {

QString grouped(qint64 n)
{
    QString digits = QString::number(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

QString duration(double seconds)
{
    const qint64 s = qint64(seconds + 0.5);
    if (s >= 60)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 s").arg(s);
}

// The progress of the catalogue on the terminal: products written, rate, time left, on
// one line rewritten in place a few times a second. Only on a terminal: when standard
// error goes to a file or a pipe nothing is written, so scripts see what they always saw.
class ProgressLine
{
public:
    explicit ProgressLine(int total) : m_total(total), m_on(isatty(STDERR_FILENO) == 1)
    {
        m_clock.start();
    }
    void update(int written)
    {
        if (!m_on)
            return;
        const bool last = written >= m_total;
        if (!last && m_shown.isValid() && m_shown.elapsed() < 250)
            return;
        m_shown.start();
        const double seconds = m_clock.nsecsElapsed() / 1e9;
        const double rate = seconds > 0 ? written / seconds : 0;
        QString line = QStringLiteral("%1 of %2 products written (%3 %), %4/s")
                           .arg(grouped(written), grouped(m_total))
                           .arg(m_total > 0 ? 100.0 * written / m_total : 100.0, 0, 'f', 1)
                           .arg(grouped(qint64(rate)));
        if (!last && rate > 0)
            line += QStringLiteral(", %1 left").arg(duration((m_total - written) / rate));
        else if (last)
            line += QStringLiteral(", %1").arg(duration(seconds));
        // Back to the start of the line, then clear what a longer line left behind.
        std::fprintf(stderr, "\r%s\033[K%s", qPrintable(line), last ? "\n" : "");
        std::fflush(stderr);
    }

private:
    int m_total;
    bool m_on;
    QElapsedTimer m_clock;
    QElapsedTimer m_shown;
};

} // namespace

// "dbxconnections.ini" (section "Quillon", naming database) and "Vantor.dat" (bill
// prefix promoWord) in folder dir, created if need be.
static bool writeSiteFiles(const QString &dir, const QString &database, const QString &promoWord)
{
    const QString folder = QDir(dir).absolutePath() + QLatin1Char('/');
    try {
        if (!QDir().mkpath(folder))
            throw DbError(QStringLiteral("Cannot create the folder %1").arg(folder));
        DemoData::writeConnectionFile(folder + QStringLiteral("dbxconnections.ini"), database);
        DemoData::writeSiteConfig(folder + QStringLiteral("Vantor.dat"), promoWord);
    } catch (const DbError &e) {
        std::fprintf(stderr, "tarn-demodata: %s\n", qPrintable(e.message()));
        return false;
    }
    std::printf("wrote %sdbxconnections.ini and %sVantor.dat\n", qPrintable(folder),
                qPrintable(folder));
    return true;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates a TarnPromotion demo database."));
    parser.addHelpOption();
    const QCommandLineOption dbOpt(QStringLiteral("database"),
                                   QStringLiteral("Database file to create."),
                                   QStringLiteral("path"));
    const QCommandLineOption productsOpt(QStringLiteral("products"),
                                         QStringLiteral("Number of products (default 2000)."),
                                         QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Random seed."),
                                     QStringLiteral("n"), QStringLiteral("20261210"));
    const QCommandLineOption siteOpt(QStringLiteral("site-dir"),
                                     QStringLiteral("Folder for dbxconnections.ini and "
                                                    "Vantor.dat (default: none written)."),
                                     QStringLiteral("dir"));
    const QCommandLineOption wordOpt(QStringLiteral("promo-word"),
                                     QStringLiteral("Bill number prefix (default PM)."),
                                     QStringLiteral("text"), QStringLiteral("PM"));
    const QCommandLineOption forceOpt(QStringLiteral("force"),
                                      QStringLiteral("Replace an existing database file."));
    const QCommandLineOption siteOnlyOpt(
        QStringLiteral("site-only"),
        QStringLiteral("Create no database: only write dbxconnections.ini naming --database "
                       "(a file, or host:path on a server) and Vantor.dat into --site-dir."));
    parser.addOptions({dbOpt, productsOpt, seedOpt, siteOpt, wordOpt, forceOpt, siteOnlyOpt});
    parser.process(app);

    if (!parser.isSet(dbOpt)) {
        std::fprintf(stderr, "tarn-demodata: --database is required\n");
        return 2;
    }
    if (parser.isSet(siteOnlyOpt)) {
        if (!parser.isSet(siteOpt)) {
            std::fprintf(stderr, "tarn-demodata: --site-only needs --site-dir\n");
            return 2;
        }
        // A server's database ("host:path", "host/port:path") is named as given.
        QString database = parser.value(dbOpt);
        if (!database.contains(QLatin1Char(':')))
            database = QFileInfo(database).absoluteFilePath();
        return writeSiteFiles(parser.value(siteOpt), database, parser.value(wordOpt)) ? 0 : 1;
    }
    bool ok = false;
    const int products = parser.value(productsOpt).toInt(&ok);
    if (!ok || products < 0) {
        std::fprintf(stderr, "tarn-demodata: --products takes a whole number\n");
        return 2;
    }
    const QString db = QFileInfo(parser.value(dbOpt)).absoluteFilePath();
    if (QFileInfo::exists(db)) {
        if (!parser.isSet(forceOpt)) {
            std::fprintf(stderr, "tarn-demodata: %s exists (use --force to replace it)\n",
                         qPrintable(db));
            return 2;
        }
        QFile::remove(db);
    }
    try {
        QElapsedTimer t;
        t.start();
        const ConnectionParams params = ConnectionParams::embedded(db);
        DemoData::createDatabase(params);
        SqlConnection c;
        c.setParams(params);
        c.open();
        DemoData::CatalogueOptions options;
        options.products = products;
        options.seed = parser.value(seedOpt).toUInt();
        ProgressLine progress(products);
        options.progress = [&progress](int written) { progress.update(written); };
        DemoData::fillCatalogue(c, options);
        c.close();
        std::printf("created %s with %d products in %.1f s\n", qPrintable(db), products,
                    t.elapsed() / 1000.0);
    } catch (const DbError &e) {
        std::fprintf(stderr, "tarn-demodata: %s\n", qPrintable(e.message()));
        return 1;
    }
    if (parser.isSet(siteOpt) && !writeSiteFiles(parser.value(siteOpt), db, parser.value(wordOpt)))
        return 1;
    return 0;
}
