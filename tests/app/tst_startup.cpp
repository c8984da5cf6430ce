#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "StartUp.h"
#include "StartUpSplash.h"

#include "ConnectionParams.h"
#include "DemoData.h"
#include "FrmTarnPromotion.h"
#include "Getdata.h"
#include "RecordSet.h"
#include "SqlConnection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Records prompts, and first runs a check of the moment a prompt comes up.
class WatchingPrompter : public ScriptedPrompter
{
public:
    std::function<void()> onPrompt;
    void error(const QString &text) override
    {
        if (onPrompt)
            onPrompt();
        ScriptedPrompter::error(text);
    }
};

class TestStartUp : public QObject
{
    Q_OBJECT

    TestDatabase *m_db = nullptr;
    QTemporaryDir *m_site = nullptr;

    QString site() const { return m_site->path() + QLatin1Char('/'); }
    void writeBytes(const QString &name, const QByteArray &bytes)
    {
        QFile f(site() + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void initTestCase()
    {
        m_db = new TestDatabase(40);
        QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    }
    void cleanupTestCase() { delete m_db; }

    void init()
    {
        m_site = new QTemporaryDir;
        overrideExecutableFolder(m_site->path());
        BillPrefix.clear();
        BillNumberMode = 0; // its value at program start
        LastFormWidth = 0;
    }
    void cleanup()
    {
        delete FormTarnPromotion;
        FormTarnPromotion = nullptr;
        delete Frmgetdata;
        Frmgetdata = nullptr;
        overrideExecutableFolder(QString());
        delete m_site;
    }

    void startsWithPrefixAndFilledBrowser()
    {
        m_db->writeConnectionFile(site());
        // Blanks around the prefix are kept.
        DemoData::writeSiteConfig(site() + QStringLiteral("Vantor.dat"), QStringLiteral(" PM "));
        ScriptedPrompter prompts;
        BillNumberMode = 7; // the creation handler sets it whatever it was
        QVERIFY(createWindows());
        QCOMPARE(prompts.count(), 0);
        QVERIFY(FormTarnPromotion);
        QCOMPARE(BillPrefix, QStringLiteral(" PM "));
        QCOMPARE(BillNumberMode, 0);
        QCOMPARE(int(LastFormWidth), FormTarnPromotion->width() & 0xFFFF);
        QVERIFY(LastFormWidth > 0);
        // The window, its connection and the browser exist before the dialog.
        QVERIFY(FormTarnPromotion->SQLConnection1->connected());
        QVERIFY(!FormTarnPromotion->SQLConnection2->connected());
        QCOMPARE(FormTarnPromotion->ClientDataSet1->recordCount(), 40);
        QVERIFY(Frmgetdata);
        QVERIFY(!Frmgetdata->isVisible());
    }

    // The splash counts the products as the browser fills, shows the full count at the
    // end of the load and is gone as soon as the window shows.
    void splashCountsProductsUntilTheWindowShows()
    {
        m_db->writeConnectionFile(site());
        DemoData::writeSiteConfig(site() + QStringLiteral("Vantor.dat"), QStringLiteral("PM"));
        ScriptedPrompter prompts;
        StartUpSplash splash;
        QStringList messages;
        connect(&splash, &StartUpSplash::messageChanged, this,
                [&](const QString &m) { messages << m; });
        splash.showNow();
        QVERIFY(splash.isVisible());
        QVERIFY(createWindows(&splash));
        QCOMPARE(prompts.count(), 0);
        QVERIFY(!messages.isEmpty());
        QCOMPARE(messages.last(), QStringLiteral("已載入 40 筆商品"));
        QCOMPARE(splash.message(), messages.last());
        QVERIFY(splash.paints() >= 1);
        QVERIFY(splash.isVisible()); // the hidden lookup dialog does not close it
        FormTarnPromotion->show();
        QVERIFY(!splash.isVisible());
    }

    // At most one paint per interval while the count runs; the last count always.
    void splashPaintsAFewTimesASecond()
    {
        StartUpSplash splash(100);
        splash.showNow();
        const int before = splash.paints();
        splash.rowsLoaded(4096);
        splash.rowsLoaded(8192); // within the interval of the paint at show
        QCOMPARE(splash.paints(), before);
        QTest::qWait(120);
        splash.rowsLoaded(12288);
        QCOMPARE(splash.paints(), before + 1);
        QCOMPARE(splash.message(), QStringLiteral("已載入 12,288 筆商品"));
        splash.rowsLoaded(16384);
        splash.rowsLoaded(1234567, true); // the end of the load
        QCOMPARE(splash.paints(), before + 2);
        QCOMPARE(splash.message(), QStringLiteral("已載入 1,234,567 筆商品"));

        // Counting for a second paints about ten times, never more than the interval allows.
        QElapsedTimer t;
        t.start();
        const int start = splash.paints();
        for (int rows = 0; t.elapsed() < 1000; rows += 4096) {
            splash.rowsLoaded(rows);
            QTest::qSleep(2);
        }
        const int paints = splash.paints() - start;
        QVERIFY2(paints >= 3 && paints <= int(t.elapsed() / 100) + 1,
                 qPrintable(QString::number(paints)));
    }

    // The splash never hides a message box: any other window that shows closes it, and a
    // failed start closes it before the error.
    void splashGivesWayToOtherWindows()
    {
        {
            StartUpSplash splash;
            splash.showNow();
            QWidget box;
            box.show();
            QVERIFY(!splash.isVisible());
        }
        WatchingPrompter prompts;
        StartUpSplash splash;
        splash.showNow();
        bool splashAtError = true;
        prompts.onPrompt = [&] { splashAtError = splash.isVisible(); };
        QVERIFY(!createWindows(&splash)); // no connection file
        QCOMPARE(prompts.count(), 1);
        QVERIFY(!splashAtError);
    }

    void firstConnectionFailureEndsTheTool_data()
    {
        QTest::addColumn<QByteArray>("connectionFile"); // empty: no file
        QTest::addColumn<QString>("named");
        QTest::newRow("no connection file") << QByteArray() << QStringLiteral("dbxconnections.ini");
        QTest::newRow("no section") << QByteArray("[Other]\nDatabase=x.fdb\n")
                                    << QStringLiteral("Quillon");
        QTest::newRow("empty database") << QByteArray("[Quillon]\nDatabase=\n")
                                        << QStringLiteral("Database");
        QTest::newRow("database missing")
            << QByteArray("[Quillon]\nDatabase=/nonexistent/folder/shop.fdb\nUser_Name=SYSDBA\n")
            << QStringLiteral("/nonexistent/folder/shop.fdb");
        QTest::newRow("server unreachable")
            << QByteArray("[Quillon]\nDatabase=127.0.0.1/1:/data/shop.fdb\nUser_Name=SYSDBA\n"
                          "Password=x\n")
            << QStringLiteral("127.0.0.1");
    }
    void firstConnectionFailureEndsTheTool()
    {
        QFETCH(QByteArray, connectionFile);
        QFETCH(QString, named);
        if (!connectionFile.isEmpty())
            writeBytes(QStringLiteral("dbxconnections.ini"), connectionFile);
        DemoData::writeSiteConfig(site() + QStringLiteral("Vantor.dat"), QStringLiteral("PM"));
        ScriptedPrompter prompts;
        QVERIFY(!createWindows());
        QVERIFY(!FormTarnPromotion);
        QVERIFY(!Frmgetdata);
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.prompts().first().kind, ScriptedPrompter::Prompt::Error);
        QVERIFY2(prompts.lastText().contains(named), qPrintable(prompts.lastText()));
    }

    void siteConfigurationProblemsStillOpenTheWindow_data()
    {
        QTest::addColumn<QByteArray>("vantor"); // "-": no file
        QTest::addColumn<bool>("errorShown");
        QTest::newRow("missing") << QByteArray("-") << true;
        QTest::newRow("not a record-set file") << QByteArray("PROMO_WORD=PM\r\n") << true;
        QTest::newRow("truncated") << QByteArray("\x00\x01", 2) << true;
    }
    void siteConfigurationProblemsStillOpenTheWindow()
    {
        QFETCH(QByteArray, vantor);
        QFETCH(bool, errorShown);
        m_db->writeConnectionFile(site());
        if (vantor != "-")
            writeBytes(QStringLiteral("Vantor.dat"), vantor);
        ScriptedPrompter prompts;
        QVERIFY(createWindows());
        QVERIFY(FormTarnPromotion);
        QCOMPARE(prompts.count(), errorShown ? 1 : 0);
        QVERIFY(prompts.lastText().contains(QStringLiteral("Vantor.dat")));
        QCOMPARE(BillPrefix, QString());
        QCOMPARE(int(LastFormWidth), 0);
        QCOMPARE(BillNumberMode, 0);
        QVERIFY(Frmgetdata);
    }

    void siteConfigurationWithoutPromoWordOrRows()
    {
        m_db->writeConnectionFile(site());
        {
            RecordSet rs;
            rs.addField(QStringLiteral("OTHER"), FieldType::String, 10);
            rs.open();
            rs.append();
            rs.field(0)->setAsString(QStringLiteral("x"));
            rs.post();
            rs.saveToFile(site() + QStringLiteral("Vantor.dat"));
        }
        ScriptedPrompter prompts;
        QVERIFY(createWindows());
        QCOMPARE(prompts.count(), 1);
        QVERIFY2(prompts.lastText().contains(QStringLiteral("PROMO_WORD")),
                 qPrintable(prompts.lastText()));
        QCOMPARE(BillPrefix, QString());
        QCOMPARE(int(LastFormWidth), 0);
        cleanup();
        init();

        m_db->writeConnectionFile(site());
        {
            RecordSet rs;
            rs.addField(QStringLiteral("PROMO_WORD"), FieldType::String, 10);
            rs.open();
            rs.saveToFile(site() + QStringLiteral("Vantor.dat"));
        }
        ScriptedPrompter quiet;
        QVERIFY(createWindows());
        QCOMPARE(quiet.count(), 0);
        QCOMPARE(BillPrefix, QString());
        QCOMPARE(BillNumberMode, 0);
        QVERIFY(LastFormWidth > 0);
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
