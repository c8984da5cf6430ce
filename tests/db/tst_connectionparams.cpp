#include "ConnectionParams.h"
#include "DbError.h"
#include "IniFile.h"

#include <QTemporaryDir>
#include <QTest>

class TestConnectionParams : public QObject
{
    Q_OBJECT

private:
    QString writeFile(const QTemporaryDir &dir, const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("dbxconnections.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }

private slots:
    void readsTheNamedSectionAsWindowsDoes()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir,
            "[Other]\r\nDatabase=elsewhere.fdb\r\n"
            "[quillon]\r\n"
            "DriverName=Interbase\r\n"
            "database = C:\\data\\shop.fdb\r\n"
            "User_Name=SYSDBA\r\nPassword=a;b,c\r\n"
            "Interbase TransIsolation=SnapShot\r\n"
            "WaitOnLocks=False\r\nTrim Char=True\r\nSQLDialect=3\r\nServerCharSet=\r\n");
        const ConnectionParams p = ConnectionParams::load(path, QStringLiteral("Quillon"));
        // Backslashes, commas and semicolons are kept as they stand.
        QCOMPARE(p.database, QStringLiteral("C:\\data\\shop.fdb"));
        QCOMPARE(p.password, QStringLiteral("a;b,c"));
        QCOMPARE(p.userName, QStringLiteral("SYSDBA"));
        QCOMPARE(p.isolation, TransIsolation::Snapshot);
        QCOMPARE(p.waitOnLocks, false);
        QCOMPARE(p.trimChar, true);
        QCOMPARE(p.charSet, QString());
        QCOMPARE(p.all.size(), 9);
    }

    void refusesWhatCannotConnect_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QString>("named");       // what the message must name
        QTest::newRow("missing file") << QByteArray() << QStringLiteral("dbxconnections.ini");
        QTest::newRow("missing section") << QByteArray("[Other]\nDatabase=x.fdb\n")
                                         << QStringLiteral("[Quillon]");
        QTest::newRow("empty database") << QByteArray("[Quillon]\nDatabase=\nUser_Name=SYSDBA\n")
                                        << QStringLiteral("Database");
    }
    void refusesWhatCannotConnect()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const QString path = contents.isEmpty()
                                 ? dir.filePath(QStringLiteral("dbxconnections.ini"))
                                 : writeFile(dir, contents);
        try {
            ConnectionParams::load(path, QStringLiteral("Quillon"));
            QFAIL("no error");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(named), qPrintable(e.message()));
        }
    }

    void iniWritesAndReadsBackValuesVerbatim()
    {
        QTemporaryDir dir;
        IniFile ini(dir.filePath(QStringLiteral("Search.ini")));
        ini.writeInteger(QStringLiteral("PRODUCT"), QStringLiteral("Combo"), 5);
        ini.writeString(QStringLiteral("PRODUCT"), QStringLiteral("Edit"), QStringLiteral("a,b;c\\d 中文"));
        QVERIFY(ini.save());
        IniFile back(ini.path());
        QVERIFY(back.load());
        QCOMPARE(back.readInteger(QStringLiteral("product"), QStringLiteral("COMBO"), 0), 5);
        QCOMPARE(back.readString(QStringLiteral("Product"), QStringLiteral("edit")),
                 QStringLiteral("a,b;c\\d 中文"));
        QCOMPARE(back.readInteger(QStringLiteral("PRODUCT"), QStringLiteral("Radio"), 7), 7);
    }

    void iniGarbageGivesDefaults()
    {
        IniFile ini;
        ini.parse(QString::fromLatin1("\x01\x02garbage\n[PRODUCT\nCombo=abc\n=\n[x]]]\nRadio"));
        QCOMPARE(ini.readInteger(QStringLiteral("PRODUCT"), QStringLiteral("Combo"), 0), 0);
        QCOMPARE(ini.readInteger(QStringLiteral("PRODUCT"), QStringLiteral("Radio"), 0), 0);
        IniFile missing(QStringLiteral("/nonexistent/dir/Search.ini"));
        QString error;
        QVERIFY(!missing.load(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(missing.readString(QStringLiteral("PRODUCT"), QStringLiteral("Edit")), QString());
    }
};

QTEST_GUILESS_MAIN(TestConnectionParams)
#include "tst_connectionparams.moc"
