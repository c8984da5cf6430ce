// Promotion periods in the window: the period action, the creation question, the
// bill number of a new bill, and the bill and item picks through the lookup dialog.

#include "FrmTarnPromotion.h"

#include "DemoData.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"
#include "WindowFixture.h"

#include "DBSearch.h"
#include "ErrorReport.h"
#include "Getdata.h"
#include "MaskEdit.h"

#include "ConnectionParams.h"
#include "DataSource.h"
#include "RecordSet.h"
#include "SqlConnection.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

static const QString kEmptyDate = QStringLiteral("    /  /  ");

class TestPeriods : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<WindowFixture> m_site;
    std::unique_ptr<TFormTarnPromotion> w;

    static QString today() { return QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")); }
    QString scalar(const QString &sql) { return m_db->scalar(sql); }

    void setPeriod(const QString &start, const QString &end)
    {
        w->MaskEdit1->setText(start);
        w->MaskEdit2->setText(end);
    }
    bool runPeriodAction()
    {
        return ErrorReport::guard([this] { w->SpeedButton1Click(); });
    }
    void whenLookupShows(const std::function<void(TFrmgetdata *)> &answer)
    {
        WindowFixture::whenLookupShows(this, answer);
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>(120);
        QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
        m_site = std::make_unique<WindowFixture>(*m_db);
    }

    void init() { w = WindowFixture::openWindow(); }
    void cleanup() { WindowFixture::closeWindow(w); }

    void existingBillShowsItsProducts()
    {
        ScriptedPrompter prompts;
        // The first demo bill of kind "B"; a bill of kind "A" has the same dates.
        setPeriod("2026/12/01", "2026/12/14");
        QVERIFY(runPeriodAction());
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010001");
        QVERIFY(w->CDS_PRODLIST->active());
        QCOMPARE(QString::number(w->CDS_PRODLIST->recordCount()),
            scalar("SELECT COUNT(DISTINCT PROD_ID) FROM PSALE_SUB WHERE MASTERBILLID = "
                   "'PM202612010001'"));
        QVERIFY(w->CDS_PRODLIST->recordCount() > 0);
        QCOMPARE(QApplication::focusWidget(), w->SearchEdit1);
    }

    void rejectedDatesChangeNothing_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("both empty") << QString() << QString();
        QTest::newRow("end without day") << "2031/07/04"
                                         << "2031/07/";
        QTest::newRow("start without month") << "2031"
                                             << "2031/07/04";
    }
    void rejectedDatesChangeNothing()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        ScriptedPrompter prompts;
        setPeriod("2026/12/01", "2026/12/14");
        QVERIFY(runPeriodAction());
        const int rows = w->CDS_PRODLIST->recordCount();
        setPeriod(start, end);
        QVERIFY(runPeriodAction());
        QCOMPARE(prompts.texts(), QStringList { "日期格式輸入錯誤..!" });
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010001");
        QCOMPARE(w->CDS_PRODLIST->recordCount(), rows);
        QCOMPARE(QApplication::focusWidget(), w->SearchEdit1);
        QCOMPARE(scalar("SELECT COUNT(*) FROM TEMP_PSALEID"), "0");
    }

    void declinedCreationKeepsThePreviousBill()
    {
        ScriptedPrompter prompts;
        setPeriod("2026/12/01", "2026/12/14");
        QVERIFY(runPeriodAction());
        const int rows = w->CDS_PRODLIST->recordCount();
        // A blank inside a date passes the length test and is searched as typed.
        setPeriod("2031/ 7/04", "2031/07/31");
        QCOMPARE(w->MaskEdit1->text(), "2031/ 7/04");
        prompts.answerConfirm(false);
        QVERIFY(!runPeriodAction()); // the silent abort
        QCOMPARE(prompts.texts(), QStringList { "促銷檔期未存在,是否開檔..!" });
        QCOMPARE(prompts.prompts().first().kind, ScriptedPrompter::Prompt::Confirm);
        QCOMPARE(w->MaskEdit1->text(), kEmptyDate);
        QCOMPARE(w->MaskEdit2->text(), kEmptyDate);
        QCOMPARE(QApplication::focusWidget(), w->MaskEdit1);
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010001");
        QCOMPARE(w->CDS_PRODLIST->recordCount(), rows);
        QCOMPARE(scalar("SELECT COUNT(*) FROM TEMP_PSALEID"), "0");
    }

    void newBillIsNumberedByTodayAndStartsEmpty_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("start after end") << "2031/09/30"
                                         << "2031/09/01";
        QTest::newRow("month 13") << "2031/13/01"
                                  << "2031/13/31";
    }
    void newBillIsNumberedByTodayAndStartsEmpty()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        ScriptedPrompter prompts;
        prompts.answerConfirm(true);
        setPeriod(start, end);
        QVERIFY(runPeriodAction());
        const QString number = w->Ed_MASTERBILLID->text();
        const QString datePart = today().remove(QLatin1Char('/'));
        QVERIFY2(number.startsWith("PM" + datePart), qPrintable(number));
        QCOMPARE(number.size(), 2 + 8 + 4);
        QCOMPARE(scalar("SELECT BILL_DATE || INI_DATE || END_DATE || BILL_KIND FROM "
                        "PSALE_MASTER WHERE MASTERBILLID = '"
                     + number + "'"),
            today() + start + end + "B");
        QVERIFY(w->CDS_PRODLIST->active());
        QCOMPARE(w->CDS_PRODLIST->recordCount(), 0);
        QCOMPARE(QApplication::focusWidget(), w->SearchEdit1);
        // The same dates again find the new bill without a question.
        prompts.clear();
        setPeriod(start, end);
        QVERIFY(runPeriodAction());
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(w->Ed_MASTERBILLID->text(), number);
    }

    void billOfAnotherKindIsNeverFound()
    {
        m_db->exec("INSERT INTO PSALE_MASTER (MASTERBILLID, INI_DATE, END_DATE, BILL_KIND) "
                   "VALUES ('PX1', '2032/01/01', '2032/01/31', 'A')");
        ScriptedPrompter prompts;
        setPeriod("2032/01/01", "2032/01/31");
        QVERIFY(!runPeriodAction());
        QCOMPARE(prompts.texts(), QStringList { "促銷檔期未存在,是否開檔..!" });
        QVERIFY(w->Ed_MASTERBILLID->text().isEmpty());
    }

    void severalBillsWithTheSameDatesTakeTheFirst()
    {
        m_db->exec("INSERT INTO PSALE_MASTER (MASTERBILLID, INI_DATE, END_DATE, BILL_KIND) "
                   "VALUES ('PB1', '2033/01/01', '2033/01/31', 'B')");
        m_db->exec("INSERT INTO PSALE_MASTER (MASTERBILLID, INI_DATE, END_DATE, BILL_KIND) "
                   "VALUES ('PB2', '2033/01/01', '2033/01/31', 'B')");
        ScriptedPrompter prompts;
        setPeriod("2033/01/01", "2033/01/31");
        QVERIFY(runPeriodAction());
        QCOMPARE(w->Ed_MASTERBILLID->text(),
            scalar("SELECT FIRST 1 MASTERBILLID FROM PSALE_MASTER WHERE INI_DATE = "
                   "'2033/01/01' AND END_DATE = '2033/01/31' AND BILL_KIND = 'B'"));
    }

    void failedInsertLeavesNoTrace()
    {
        ScriptedPrompter prompts;
        setPeriod("2026/12/01", "2026/12/14");
        QVERIFY(runPeriodAction());
        m_db->exec("ALTER TABLE PSALE_MASTER ADD CONSTRAINT CHK_NO_NEW CHECK (INI_DATE <> "
                   "'2034/01/01')");
        const QString counterBefore = scalar("SELECT SUM(LAST_ID) FROM TEMP_PSALEID");
        prompts.answerConfirm(true);
        setPeriod("2034/01/01", "2034/01/31");
        QVERIFY(!runPeriodAction());
        QCOMPARE(prompts.count(), 2);
        QCOMPARE(prompts.prompts().last().kind, ScriptedPrompter::Prompt::Error);
        QVERIFY2(prompts.lastText().contains("CHK_NO_NEW"), qPrintable(prompts.lastText()));
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010001");
        QCOMPARE(scalar("SELECT SUM(LAST_ID) FROM TEMP_PSALEID"), counterBefore);
        QVERIFY(!w->SQLConnection2->inTransaction());
        m_db->exec("ALTER TABLE PSALE_MASTER DROP CONSTRAINT CHK_NO_NEW");
    }

    void enterInTheEndDateRunsTheAction()
    {
        ScriptedPrompter prompts;
        w->MaskEdit2->setFocus();
        setPeriod("2026/12/01", "2026/12/14");
        QTest::keyClick(w->MaskEdit2, Qt::Key_Return);
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010001");
    }

    void cancelledPickChangesNothing()
    {
        ScriptedPrompter prompts;
        setPeriod("2026/12/01", "2026/12/14");
        QVERIFY(runPeriodAction());
        whenLookupShows([](TFrmgetdata *d) { d->BDCMDNOT->click(); });
        QVERIFY(ErrorReport::guard([this] { w->N1Click(); }));
        QCOMPARE(w->MaskEdit1->text(), "2026/12/01");
        QCOMPARE(w->MaskEdit2->text(), "2026/12/14");
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010001");
        QCOMPARE(prompts.count(), 0);
    }

    void billPickOpensThePickedPeriod()
    {
        ScriptedPrompter prompts;
        whenLookupShows([this](TFrmgetdata *d) {
            // The caller's bills are shown; move to the second one and confirm.
            QVERIFY(w->CDS_PSaleMaster->recordCount() >= 2);
            w->CDS_PSaleMaster->first();
            w->CDS_PSaleMaster->next();
            d->BTCMDOK->click();
        });
        QVERIFY(ErrorReport::guard([this] { w->N1Click(); }));
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(w->Ed_MASTERBILLID->text(), "PM202612010002");
        QCOMPARE(w->MaskEdit1->text(), "2026/12/15");
    }

    void itemPickWithoutBillAsksToCreate()
    {
        // An item whose dates have no bill of their own.
        m_db->exec("INSERT INTO PSALE_SUB (MASTERBILLID, TEMPPRODID, PROD_ID, INI_DATE, "
                   "END_DATE, BILL_KIND) VALUES ('AAA0', 'X', '1000', '2035/05/01', "
                   "'2035/05/31', 'B')");
        ScriptedPrompter prompts;
        prompts.answerConfirm(false);
        whenLookupShows([this](TFrmgetdata *d) {
            RecordSet *items = w->CDS_PSaleSub;
            QVERIFY(items->locate("MASTERBILLID", "AAA0"));
            d->BTCMDOK->click();
        });
        QVERIFY(!ErrorReport::guard([this] { w->N2Click(); })); // declined: silent abort
        QCOMPARE(prompts.texts(), QStringList { "促銷檔期未存在,是否開檔..!" });
        QCOMPARE(w->MaskEdit1->text(), kEmptyDate);
    }
};

QTEST_MAIN(TestPeriods)
#include "tst_periods.moc"
