// Creates a demo or benchmark database for the tool: a new embedded database with the
// schema and a generated catalogue, plus "dbxconnections.ini" and "Vantor.dat" for the
// folder the tool runs in.

#include "DemoData.h"

#include "DbError.h"
#include "SqlConnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

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
    parser.addOptions({dbOpt, productsOpt, seedOpt, siteOpt, wordOpt, forceOpt});
    parser.process(app);

    if (!parser.isSet(dbOpt)) {
        std::fprintf(stderr, "tarn-demodata: --database is required\n");
        return 2;
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
        DemoData::fillCatalogue(c, options);
        c.close();
        if (parser.isSet(siteOpt)) {
            const QString dir = QDir(parser.value(siteOpt)).absolutePath() + QLatin1Char('/');
            QDir().mkpath(dir);
            DemoData::writeConnectionFile(dir + QStringLiteral("dbxconnections.ini"), db);
            DemoData::writeSiteConfig(dir + QStringLiteral("Vantor.dat"), parser.value(wordOpt));
        }
        std::printf("created %s with %d products in %.1f s\n", qPrintable(db), products,
                    t.elapsed() / 1000.0);
    } catch (const DbError &e) {
        std::fprintf(stderr, "tarn-demodata: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
