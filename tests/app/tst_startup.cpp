#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "StartUp.h"

#include "ConnectionParams.h"
#include "DemoData.h"
#include "FrmTarnPromotion.h"
#include "Getdata.h"
#include "RecordSet.h"
#include "SqlConnection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
