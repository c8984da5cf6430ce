// The item commands in the window: insert, edit, cancel and save (F5, F7, F9, F8), the
// all-or-nothing save and the rows it writes, stop (F6) and resume, driven through the
// real window over a small catalogue.

#include "FrmTarnPromotion.h"

#include "DemoData.h"
#include "PromotionCatalogue.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"
#include "WindowFixture.h"

#include "DBGrid.h"
#include "DBSBtn.h"
#include "DBSearch.h"
#include "ErrorReport.h"
#include "MaskEdit.h"

#include "ConnectionParams.h"
#include "Field.h"
#include "RecordSet.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

static const QString kBill = QStringLiteral("PM202612010001");
static const QString kEmptyDate = QStringLiteral("    /  /  ");

// The columns of a stored row, in the insert's order.
static const QStringList kColumns = { "MASTERBILLID", "PROD_ID", "PROD_NAME", "PROD_BARCODE",
    "PD_ITEMID", "PSALE_FLAG", "PSALE_PRICE", "OLD_PRICE", "N_QTY", "G_PROD_ID", "G_PROD_NAME",
    "G_QTY", "TEMPPRODID", "STORE_ID", "CHG_DATE", "CHG_USER", "VIP_PRICE", "INI_DATE", "END_DATE",
    "TIME_SALE", "INI_TIME", "END_TIME", "NEW_COST", "KEYINTIME", "SEC_DIS", "PINI_DATE",
    "PEND_DATE", "VNEW_COST", "PACK_QTY", "V_NAME", "PLIMIT_QTY", "NOTE", "STOP_SALE", "BILL_KIND",
    "PROVIDER_ID", "PROVIDER_NAME" };

class TestItemModes : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<WindowFixture> m_site;
    std::unique_ptr<TFormTarnPromotion> w;

    QString scalar(const QString &sql) { return m_db->scalar(sql); }
    bool openPeriod(const QString &start, const QString &end)
    {
        return WindowFixture::openPeriod(*w, start, end);
    }
    bool openBill() { return openPeriod("2026/12/01", "2026/12/14"); }
    // A key to the control that has the focus.
    void press(int key)
    {
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : w.get(), Qt::Key(key));
    }
    void type(QWidget *box, const QString &text) { QTest::keyClicks(box, text); }
    // The stored rows of an item, each as "COLUMN=value" texts, by kind and quantity.
    QList<QStringList> storedRows(const QString &bill, const QString &product)
    {
        SqlQuery q(&m_db->connection());
        q.addLine("SELECT " + kColumns.join(',') + " FROM PSALE_SUB WHERE MASTERBILLID = '" + bill
            + "' AND PROD_ID = '" + product + "' ORDER BY PSALE_FLAG, PACK_QTY, PLIMIT_QTY DESC");
        q.open();
        QList<QStringList> rows;
        for (; !q.eof(); q.next()) {
            QStringList row;
            for (const QString &c : kColumns)
                row << c + "=" + (q.isNull(c) ? QStringLiteral("<null>") : q.asString(c));
            rows << row;
        }
        q.close();
        return rows;
    }
    QString itemFlags(const QString &bill, const QString &product)
    {
        return scalar("SELECT LIST(STOP_SALE, '') FROM PSALE_SUB WHERE MASTERBILLID = '" + bill
            + "' AND PROD_ID = '" + product + "'");
    }
    void verifyBrowsing()
    {
        QVERIFY(w->SBtnInsert->isEnabled());
        QVERIFY(w->SBtnDelete->isEnabled());
        QVERIFY(w->SBtnEdit->isEnabled());
        QVERIFY(!w->SBtnPost->isEnabled());
        QVERIFY(!w->SBtnCancel->isEnabled());
    }
    void verifyEditing()
    {
        QVERIFY(!w->SBtnInsert->isEnabled());
        QVERIFY(!w->SBtnDelete->isEnabled());
        QVERIFY(!w->SBtnEdit->isEnabled());
        QVERIFY(w->SBtnPost->isEnabled());
        QVERIFY(w->SBtnCancel->isEnabled());
    }
    QStringList pane() const
    {
        QStringList texts;
        for (QLineEdit *box :
            { w->Ed_PROD_ID, w->Ed_PROD_NAME, w->Ed_PRICE, w->Ed_VIPPRICE, w->Ed_NEW_COST,
                w->Ed_LIMIT_QTY, w->Ed_SEC_DIS, w->Ed_Note, w->Ed_STOP_SALE, w->Ed_Providerid })
            texts << box->text();
        texts << w->MaskEdit3->text() << w->MaskEdit4->text();
        return texts;
    }
    // Saves the pane as it stands through F8 answered Yes.
    void save(ScriptedPrompter &prompts)
    {
        prompts.answerConfirm(true);
        QTest::keyClick(w.get(), Qt::Key_F8);
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
        loadPromotionCatalogue(*m_db);
        m_site = std::make_unique<WindowFixture>(*m_db);
    }
    void init() { w = WindowFixture::openWindow(); }
    void cleanup() { WindowFixture::closeWindow(w); }

    // The whole road of a change, by keys: a new period, a new item with its prices and
    // a buy-3 pack, saved; then stopped, resumed, edited and cancelled.
    void aChangeFromStartToEndByKeys()
    {
        ScriptedPrompter prompts;
        w->MaskEdit1->setFocus();
        type(w->MaskEdit1, "20350301");
        press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w->MaskEdit2);
        type(w->MaskEdit2, "20350331");
        prompts.answerConfirm(true);
        press(Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList { "促銷檔期未存在,是否開檔..!" });
        const QString bill = w->Ed_MASTERBILLID->text();
        QVERIFY(bill.startsWith("PM"));
        QCOMPARE(w->CDS_PRODLIST->recordCount(), 0);

        QTest::keyClick(w.get(), Qt::Key_F5);
        QCOMPARE(QApplication::focusWidget(), w->Ed_PROD_ID);
        type(w->Ed_PROD_ID, "4710003");
        press(Qt::Key_Return);
        QCOMPARE(w->Ed_PROD_ID->text(), "3001");
        QCOMPARE(QApplication::focusWidget(), w->Ed_PRICE);
        // Promotion price 25 (copied to the member promotion price on leaving), member
        // promotion price 24, cost 6.5, limit 2, member discount Y, a note.
        w->Ed_PRICE->selectAll();
        type(w->Ed_PRICE, "25");
        press(Qt::Key_Return);
        QCOMPARE(w->Ed_VIPPRICE->text(), "25");
        QCOMPARE(QApplication::focusWidget(), w->Ed_VIPPRICE);
        w->Ed_VIPPRICE->selectAll();
        type(w->Ed_VIPPRICE, "24");
        press(Qt::Key_Tab);
        w->Ed_NEW_COST->selectAll();
        type(w->Ed_NEW_COST, "6.5");
        press(Qt::Key_Tab);
        w->Ed_LIMIT_QTY->selectAll();
        type(w->Ed_LIMIT_QTY, "2");
        press(Qt::Key_Tab);
        w->Ed_SEC_DIS->selectAll();
        type(w->Ed_SEC_DIS, "Y");
        press(Qt::Key_Tab); // item start date
        press(Qt::Key_Tab); // item end date
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->Ed_Note);
        w->Ed_Note->insert("試賣"); // through the input method
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->Ed_Providerid);
        type(w->Ed_Providerid, "P01");
        press(Qt::Key_Tab);
        QCOMPARE(w->Ed_ProviderName->text(), "甲供應商");
        QCOMPARE(QApplication::focusWidget(), w->DBGrid2);
        // The buy-3 pack: Ctrl+Tab into the lower grid, Insert, the quantity, Enter past
        // the row's last cell.
        QTest::keyClick(w->DBGrid2, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), w->DBGrid3);
        press(Qt::Key_Insert);
        press(Qt::Key_Right);
        type(QApplication::focusWidget(), "3");
        for (int cell = 1; cell < 7; ++cell)
            press(Qt::Key_Return);
        QCOMPARE(w->CDS_DataMQTY->recordCount(), 2); // the buy-3 row and a new empty one
        QCOMPARE(prompts.count(), 1);

        // F8 answered No first: nothing is written, and F8 can still save.
        QTest::keyClick(w.get(), Qt::Key_F8);
        QCOMPARE(prompts.texts().last(), "確定存檔..!");
        QVERIFY(storedRows(bill, "3001").isEmpty());
        prompts.answerConfirm(true);
        QTest::keyClick(w.get(), Qt::Key_F8);
        QCOMPARE(prompts.count(), 3);

        const QString today = QDate::currentDate().toString("yyyy/MM/dd");
        const QString common = "MASTERBILLID=" + bill
            + "|PROD_ID=3001|PROD_NAME=紅茶|PROD_BARCODE=4710003|PD_ITEMID=";
        const QString dates = "|INI_DATE=2035/03/01|END_DATE=2035/03/31|TIME_SALE=N"
                              "|INI_TIME=00:00:00|END_TIME=24:00:00";
        const QString tail = "|NOTE=試賣|STOP_SALE=N|BILL_KIND=B|PROVIDER_ID=P01"
                             "|PROVIDER_NAME=甲供應商";
        auto expect = [&](const QString &flag, const QString &price, const QString &old,
                          const QString &code, const QString &vip, const QString &cost,
                          const QString &packCost, const QString &qty, const QString &name,
                          const QString &limit) {
            return QString(common + "|PSALE_FLAG=" + flag + "|PSALE_PRICE=" + price
                + "|OLD_PRICE=" + old + "|N_QTY=0|G_PROD_ID=|G_PROD_NAME=|G_QTY=0"
                + "|TEMPPRODID=" + code + "|STORE_ID=|CHG_DATE=" + today
                + "|CHG_USER=SA|VIP_PRICE=" + vip + dates + "|NEW_COST=" + cost
                + "|KEYINTIME=*|SEC_DIS=Y|PINI_DATE=2035/03/01|PEND_DATE=2035/03/31"
                + "|VNEW_COST=" + packCost + "|PACK_QTY=" + qty + "|V_NAME=" + name
                + "|PLIMIT_QTY=" + limit + tail);
        };
        const QStringList expected = {
            expect("0,單品促銷", "25", "28", "4710003", "24", "6.5", "6.5", "1", "紅茶", "2"),
            // The pack rows were loaded with the standard cost 7 (x quantity).
            expect("0,單品促銷", "28", "28", "4710003", "27", "7", "7", "1", "單瓶", "0"),
            expect("0,單品促銷", "300", "300", "4710003", "290", "7", "84", "12", "箱", "0"),
            expect("2,買N優惠", "75", "84", "M30010003", "81", "19.5", "19.5", "3", "紅茶", "0"),
        };
        const QList<QStringList> stored = storedRows(bill, "3001");
        QCOMPARE(stored.size(), expected.size());
        const QRegularExpression stamp("^KEYINTIME=\\d{6}-\\d{6} \\d{2,3}$");
        for (int i = 0; i < stored.size(); ++i) {
            QStringList row = stored[i];
            const int k = kColumns.indexOf("KEYINTIME");
            QVERIFY2(stamp.match(row[k]).hasMatch(), qPrintable(row[k]));
            row[k] = "KEYINTIME=*";
            QCOMPARE(row.join('|'), expected[i]);
        }
        // Back in browsing on the saved product, the pane and grids as stored.
        verifyBrowsing();
        QCOMPARE(w->CDS_PRODLIST->fieldByName("PROD_ID")->asString(), "3001");
        QCOMPARE(w->Ed_PRICE->text(), "25");
        QCOMPARE(w->CDS_DataMQTY->recordCount(), 1);
        QVERIFY(!w->Ed_PROD_ID->isEnabled());

        // F6, Yes: every row stopped; the box shows the old flag until the next load.
        prompts.answerConfirm(true);
        QTest::keyClick(w.get(), Qt::Key_F6);
        QCOMPARE(prompts.texts().last(), "促銷檔期未結束,是否停止..!");
        QCOMPARE(itemFlags(bill, "3001"), "YYYY");
        QCOMPARE(w->Ed_STOP_SALE->text(), "N");
        verifyBrowsing();
        // The resume button, Yes: every row running again.
        prompts.answerConfirm(true);
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        QCOMPARE(prompts.texts().last(), "確定回復銷售狀況. now?");
        QCOMPARE(itemFlags(bill, "3001"), "NNNN");
        QCOMPARE(w->Ed_STOP_SALE->text(), "N");
        // F7, a change, F9: the stored values come back.
        const QStringList before = pane();
        QTest::keyClick(w.get(), Qt::Key_F7);
        verifyEditing();
        QCOMPARE(QApplication::focusWidget(), w->Ed_PRICE);
        QCOMPARE(pane(), before);
        w->Ed_PRICE->selectAll();
        type(w->Ed_PRICE, "1");
        w->Ed_Note->setText("changed");
        QTest::keyClick(w.get(), Qt::Key_F9);
        QCOMPARE(pane(), before);
        verifyBrowsing();
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Browse);
    }

    void withoutAPeriodTheCommandsDoNothing()
    {
        ScriptedPrompter prompts;
        w->Ed_PRICE->setText("5");
        const QStringList before = pane();
        for (int key : { Qt::Key_F5, Qt::Key_F7, Qt::Key_F9, Qt::Key_F6, Qt::Key_F8 }) {
            QTest::keyClick(w.get(), Qt::Key(key));
            QCOMPARE(pane(), before);
            verifyBrowsing();
        }
        QVERIFY(!w->CDS_PRODLIST->active());
        QCOMPARE(prompts.count(), 0);
        // The resume button asks even now; its statement matches nothing.
        prompts.answerConfirm(true);
        w->Ed_STOP_SALE->setText("Y");
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        QCOMPARE(prompts.texts(), QStringList { "確定回復銷售狀況. now?" });
        QCOMPARE(w->Ed_STOP_SALE->text(), "N");
    }

    void insertEditAndCancelStates()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        const QStringList stored = pane();
        // F9 while browsing does nothing: no reload, no focus move.
        w->Ed_Note->setFocus();
        w->Ed_Note->setText("typed");
        QTest::keyClick(w.get(), Qt::Key_F9);
        QCOMPARE(w->Ed_Note->text(), "typed");
        QCOMPARE(QApplication::focusWidget(), w->Ed_Note);
        // F5 clears the pane and the grids; F5 again starts over with one blank row.
        for (int round = 0; round < 2; ++round) {
            QTest::keyClick(w.get(), Qt::Key_F5);
            verifyEditing();
            QCOMPARE(QApplication::focusWidget(), w->Ed_PROD_ID);
            QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Insert);
            QCOMPARE(w->CDS_PRODLIST->recordCount(), 2); // 1004 and the blank row
            QVERIFY(w->Ed_PROD_ID->text().isEmpty());
            QVERIFY(w->Ed_PRICE->text().isEmpty());
            QCOMPARE(w->MaskEdit3->text(), kEmptyDate);
            QCOMPARE(w->CDS_DataSub2->recordCount(), 0);
            QCOMPARE(w->CDS_DataMQTY->recordCount(), 0);
            w->Ed_PROD_ID->setText("1001");
        }
        // The navigation buttons wait while the blank row is pending.
        QVERIFY(!w->dbSBtnFirst->isEnabled());
        QVERIFY(!w->dbSBtnNext->isEnabled());
        // F9 drops the blank row and shows the stored item again.
        QTest::keyClick(w.get(), Qt::Key_F9);
        verifyBrowsing();
        QCOMPARE(w->CDS_PRODLIST->recordCount(), 1);
        QCOMPARE(pane(), stored);
        QVERIFY(!w->Ed_PROD_ID->isEnabled());
        QVERIFY(QApplication::focusWidget() == w.get() || !QApplication::focusWidget()
            || QApplication::focusWidget() == w->SearchEdit1);
        // F7 keeps the pane, disables the product box and edits the row.
        QTest::keyClick(w.get(), Qt::Key_F7);
        verifyEditing();
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Edit);
        QVERIFY(!w->Ed_PROD_ID->isEnabled());
        QCOMPARE(pane(), stored);
        QCOMPARE(prompts.count(), 0);
    }

    void editOnAnEmptyListStartsABlankRow()
    {
        ScriptedPrompter prompts;
        QVERIFY(openPeriod("2026/12/15", "2026/12/31"));
        QCOMPARE(w->CDS_PRODLIST->recordCount(), 0);
        w->Ed_PRICE->setText("5");
        QTest::keyClick(w.get(), Qt::Key_F7);
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Insert);
        QVERIFY(w->Ed_PRICE->text().isEmpty());
        // The emptied price box was left by the command, not by the user: no check.
        QCOMPARE(QApplication::focusWidget(), w->SearchEdit1);
        QCOMPARE(prompts.count(), 0);
        verifyEditing();
    }

    void noAnswersChangeNothing()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        const QString rows = scalar("SELECT COUNT(*) FROM PSALE_SUB");
        QTest::keyClick(w.get(), Qt::Key_F7);
        w->Ed_PRICE->setText("1");
        QTest::keyClick(w.get(), Qt::Key_F8); // No
        QCOMPARE(itemFlags(kBill, "1004"), "YYY");
        QCOMPARE(w->Ed_PRICE->text(), "1");
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Edit);
        verifyBrowsing(); // the buttons only
        QTest::keyClick(w.get(), Qt::Key_F6); // No
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton); // No
        QCOMPARE(prompts.texts(),
            QStringList({ "確定存檔..!", "促銷檔期未結束,是否停止..!", "確定回復銷售狀況. now?" }));
        QCOMPARE(scalar("SELECT COUNT(*) FROM PSALE_SUB"), rows);
        QCOMPARE(itemFlags(kBill, "1004"), "YYY");
        QCOMPARE(w->Ed_STOP_SALE->text(), "Y");
    }

    void savingAStoppedItemRunsItAgainAndDropsEmptyBuyNRows()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        QCOMPARE(w->Ed_STOP_SALE->text(), "Y");
        QTest::keyClick(w.get(), Qt::Key_F7);
        // Buy-N rows with no, zero and negative quantities are not written.
        RecordSet *m = w->CDS_DataMQTY;
        for (const QVariant &quantity : { QVariant(), QVariant(0), QVariant(-2) }) {
            QVERIFY(ErrorReport::guard([m, quantity] {
                m->append();
                m->fieldByName("PACK_QTY")->setValue(quantity);
                m->fieldByName("PSALE_PRICE")->setAsFloat(1);
                m->post();
            }));
        }
        QCOMPARE(m->recordCount(), 4);
        save(prompts);
        QCOMPARE(itemFlags(kBill, "1004"), "NNN");
        QCOMPARE(scalar("SELECT LIST(TEMPPRODID, ',') FROM (SELECT TEMPPRODID FROM PSALE_SUB "
                        "WHERE PROD_ID = '1004' ORDER BY PSALE_FLAG, TEMPPRODID)"),
            "4710005,4710005,M10040005");
        QCOMPARE(w->Ed_STOP_SALE->text(), "N");
        verifyBrowsing();
    }

    void saveWhileBrowsingRewritesTheShownItem()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        w->Ed_LIMIT_QTY->setText("9");
        save(prompts);
        QCOMPARE(prompts.texts(), QStringList { "確定存檔..!" });
        QCOMPARE(scalar("SELECT PLIMIT_QTY FROM PSALE_SUB WHERE PROD_ID = '1004' AND "
                        "PLIMIT_QTY > 0"),
            "9");
        QCOMPARE(scalar("SELECT COUNT(*) FROM PSALE_SUB WHERE PROD_ID = '1004'"), "3");
        QCOMPARE(w->Ed_LIMIT_QTY->text(), "9");
        verifyBrowsing();
    }

    void productWithoutPacksIsOneRowAndEmptyDatesAreStoredAsShown()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        QTest::keyClick(w.get(), Qt::Key_F5);
        w->Ed_PROD_ID->setText("1003");
        QTest::keyClick(w->Ed_PROD_ID, Qt::Key_Return);
        w->MaskEdit3->setText("");
        w->MaskEdit4->setText("");
        QCOMPARE(w->MaskEdit3->text(), kEmptyDate);
        save(prompts);
        const QList<QStringList> rows = storedRows(kBill, "1003");
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows[0].contains("PINI_DATE=" + kEmptyDate));
        QVERIFY(rows[0].contains("PEND_DATE=" + kEmptyDate));
        QCOMPARE(w->CDS_PRODLIST->fieldByName("PROD_ID")->asString(), "1003");
        QCOMPARE(w->CDS_PRODLIST->recordCount(), 2);
        m_db->exec("DELETE FROM PSALE_SUB WHERE PROD_ID = '1003'");
    }

    void productNumberWithBlanksIsKeptInTheRows()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        QTest::keyClick(w.get(), Qt::Key_F5);
        w->Ed_PROD_ID->setText("1003");
        QTest::keyClick(w->Ed_PROD_ID, Qt::Key_Return);
        QVERIFY(ErrorReport::guard([this] {
            w->CDS_DataMQTY->append();
            w->CDS_DataMQTY->fieldByName("PACK_QTY")->setAsInteger(5);
            w->CDS_DataMQTY->post();
        }));
        w->Ed_PROD_ID->setText("1003 ");
        save(prompts);
        QCOMPARE(scalar("SELECT LIST(PROD_ID || '|' || TEMPPRODID, ',') FROM (SELECT PROD_ID, "
                        "TEMPPRODID FROM PSALE_SUB WHERE PROD_ID STARTING WITH '1003' ORDER BY "
                        "TEMPPRODID)"),
            "1003 |4710004,1003 |M1003 0005");
        // The delete and the return to the product use the trimmed number.
        QCOMPARE(w->CDS_PRODLIST->fieldByName("PROD_ID")->asString(), "1003");
        save(prompts);
        QCOMPARE(scalar("SELECT COUNT(*) FROM PSALE_SUB WHERE PROD_ID STARTING WITH '1003'"), "2");
        m_db->exec("DELETE FROM PSALE_SUB WHERE PROD_ID STARTING WITH '1003'");
    }

    void refusedRowLeavesTheItemAndTheWindowAsTheyWere()
    {
        m_db->exec("CREATE EXCEPTION E_NO_BUY_7 'buy-7 packs are not sold here'");
        m_db->exec("CREATE TRIGGER T_NO_BUY_7 FOR PSALE_SUB BEFORE INSERT AS BEGIN IF "
                   "(NEW.TEMPPRODID = 'M10040007') THEN EXCEPTION E_NO_BUY_7; END");
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        const QList<QStringList> before = storedRows(kBill, "1004");
        QTest::keyClick(w.get(), Qt::Key_F7);
        w->Ed_PRICE->setText("11");
        w->Ed_Note->setText("new note");
        QVERIFY(ErrorReport::guard([this] {
            w->CDS_DataMQTY->append();
            w->CDS_DataMQTY->fieldByName("PACK_QTY")->setAsInteger(7);
            w->CDS_DataMQTY->post();
        }));
        prompts.answerConfirm(true);
        QTest::keyClick(w.get(), Qt::Key_F8);
        QCOMPARE(prompts.prompts().last().kind, ScriptedPrompter::Prompt::Error);
        QVERIFY2(prompts.lastText().contains("buy-7 packs are not sold here"),
            qPrintable(prompts.lastText()));
        QCOMPARE(storedRows(kBill, "1004"), before);
        // Still editing, everything typed kept: F8 can be pressed again.
        verifyEditing();
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Edit);
        QCOMPARE(w->Ed_PRICE->text(), "11");
        QCOMPARE(w->Ed_Note->text(), "new note");
        QCOMPARE(w->CDS_DataMQTY->recordCount(), 2);
        QVERIFY(!w->SQLConnection1->inTransaction());
        m_db->exec("DROP TRIGGER T_NO_BUY_7");
        m_db->exec("DROP EXCEPTION E_NO_BUY_7");
        save(prompts);
        QCOMPARE(scalar("SELECT COUNT(*) FROM PSALE_SUB WHERE PROD_ID = '1004'"), "4");
        QCOMPARE(scalar("SELECT PSALE_PRICE FROM PSALE_SUB WHERE PROD_ID = '1004' AND "
                        "PLIMIT_QTY > 0"),
            "11");
    }

    void stopOnAnUnsavedItemChangesNoRow()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        QTest::keyClick(w.get(), Qt::Key_F5);
        w->Ed_PROD_ID->setText("1001");
        QTest::keyClick(w->Ed_PROD_ID, Qt::Key_Return);
        const QString rows = scalar("SELECT LIST(STOP_SALE, '') FROM PSALE_SUB");
        prompts.answerConfirm(true);
        QTest::keyClick(w.get(), Qt::Key_F6);
        QCOMPARE(scalar("SELECT LIST(STOP_SALE, '') FROM PSALE_SUB"), rows);
        verifyEditing(); // still inserting
        QVERIFY(!w->Ed_PROD_ID->isEnabled());
    }
};

QTEST_MAIN(TestItemModes)
#include "tst_itemmodes.moc"
