// Product entry, the item pane and the two pack grids, in the window over a small
// catalogue: the product search, the stored item, the pack rows and the buy-N rules,
// the number check, the supplier name and the lookups.

#include "FrmTarnPromotion.h"

#include "DemoData.h"
#include "PromotionCatalogue.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"
#include "WindowFixture.h"

#include "DBGrid.h"
#include "DBSearch.h"
#include "ErrorReport.h"
#include "Getdata.h"
#include "MaskEdit.h"

#include "ConnectionParams.h"
#include "Field.h"
#include "RecordSet.h"
#include "RecordSetModel.h"

#include <QApplication>
#include <QComboBox>
#include <QToolButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

static const QString kBill = QStringLiteral("PM202612010001");
static const QString kEmptyBill = QStringLiteral("PM202612150001");

class TestItemEntry : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<WindowFixture> m_site;
    std::unique_ptr<TFormTarnPromotion> w;

    bool openPeriod(const QString &start, const QString &end)
    {
        return WindowFixture::openPeriod(*w, start, end);
    }
    bool openBill() { return openPeriod("2026/12/01", "2026/12/14"); }
    // F5 on the open bill, then text typed into the product box and Enter.
    void enterProduct(const QString &text)
    {
        QTest::keyClick(w.get(), Qt::Key_F5);
        QCOMPARE(QApplication::focusWidget(), w->Ed_PROD_ID);
        w->Ed_PROD_ID->setText(text);
        QTest::keyClick(w->Ed_PROD_ID, Qt::Key_Return);
    }
    static QString cell(RecordSet *rs, const char *field)
    {
        return rs->fieldByName(QLatin1String(field))->asString();
    }
    // Every row of a pack grid's record set, the named fields joined by "|".
    static QStringList rows(RecordSet *rs, const QStringList &fields)
    {
        QStringList out;
        for (int r = 0; r < rs->recordCount(); ++r) {
            QStringList values;
            for (const QString &f : fields)
                values << rs->displayTextAt(r, rs->fieldByName(f)->index());
            out << values.join(QLatin1Char('|'));
        }
        return out;
    }
    void whenLookupShows(const std::function<void(TFrmgetdata *)> &answer)
    {
        WindowFixture::whenLookupShows(this, answer);
    }
    // The user leaves the focused box by clicking another.
    static void leaveFor(QWidget *other) { QTest::mouseClick(other, Qt::LeftButton); }
    // A new row in the buy-N grid with quantity typed; returns whether it was taken.
    bool newBuyNRow(const QVariant &quantity)
    {
        RecordSet *m = w->CDS_DataMQTY;
        if (!ErrorReport::guard([m] { m->append(); }))
            return false;
        return ErrorReport::guard(
            [m, quantity] { m->fieldByName("PACK_QTY")->setValue(quantity); });
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

    void searchFindsByNumberBarcodeOrSecondCode_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("product");
        // 1001 is one product's number, another's barcode and a third's second code;
        // 4710003 is one product's barcode and another's second code.
        QTest::newRow("number before barcode and second code") << "1001"
                                                               << "1001";
        QTest::newRow("barcode") << "4710001"
                                 << "1001";
        QTest::newRow("second code") << "S1001"
                                     << "1001";
        QTest::newRow("barcode before second code") << "4710003"
                                                    << "3001";
        QTest::newRow("no packs") << "4710004"
                                  << "1003";
    }
    void searchFindsByNumberBarcodeOrSecondCode()
    {
        QFETCH(QString, typed);
        QFETCH(QString, product);
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct(typed);
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(w->Ed_PROD_ID->text(), product);
        QCOMPARE(QApplication::focusWidget(), w->Ed_PRICE);
        QVERIFY(w->SBtnPost->isEnabled());
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Insert);
    }

    void newItemStartsFromTheProductsPrices()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        w->Ed_Note->setText("kept");
        enterProduct("4710001");
        const QStringList shown
            = { w->Ed_PROD_ID->text(), w->Ed_PROD_BARCODE->text(), w->Ed_PROD_ID2->text(),
                  w->Ed_PROD_NAME->text(), w->Ed_PROD_SCALE->text(), w->Ed_SALE_PRICE->text(),
                  w->Ed_PSALE_PRICE->text(), w->Ed_VIP_PRICE->text(), w->Ed_PRICE->text(),
                  w->Ed_VIPPRICE->text(), w->Ed_LIMIT_QTY->text(), w->Ed_STD_COST->text(),
                  w->Ed_NEW_COST->text(), w->Ed_SEC_DIS->text(), w->MaskEdit3->text(),
                  w->MaskEdit4->text(), w->Ed_STOP_SALE->text(), w->Ed_Note->text() };
        const QStringList expected = { "1001", "4710001", "S1001", "烏龍茶", "600ml", "12", "10",
            "9", "10", "9", "0", "2.5", "2.5", "N", "2026/12/01", "2026/12/14", "N", "" };
        QCOMPARE(shown, expected);
        // The pack grids are loaded for the product: its two regular packs, with no
        // values stored in the bill (pack price, member price, cost x quantity), and its
        // buy-3 pack.
        QCOMPARE(rows(w->CDS_DataSub2,
                     { "SAL_BARCODE", "PACK_QTY", "PSALE_PRICE", "PVIP_PRICE", "PNEW_COST" }),
            QStringList({ "4710001|1|10|9|2.5", "4710001-6|6|58|54|15" }));
        QCOMPARE(rows(w->CDS_DataMQTY,
                     { "SAL_BARCODE", "PACK_QTY", "SAL_PRICE", "VIP_PRICE", "PSALE_PRICE",
                         "PVIP_PRICE", "PNEW_COST" }),
            QStringList({ "M10010003|3|29|0|29|0|7.5" }));
        QCOMPARE(w->CDS_DataMQTY2->recordCount(), 1);
    }

    void unknownOrAwkwardTextIsNoProduct_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("quote") << "10'01";
        QTest::newRow("doubled quote") << "''";
        QTest::newRow("percent") << "%";
        QTest::newRow("underscore") << "100_";
        QTest::newRow("backslash") << "\\1001";
        QTest::newRow("200 characters") << QString(200, QLatin1Char('7'));
        QTest::newRow("Chinese") << "烏龍茶";
        QTest::newRow("blank around") << " 1001 ";
    }
    void unknownOrAwkwardTextIsNoProduct()
    {
        QFETCH(QString, typed);
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct(typed);
        QCOMPARE(prompts.texts(), QStringList { "品號輸入錯誤..!" });
        QCOMPARE(prompts.prompts().first().kind, ScriptedPrompter::Prompt::Warning);
        QCOMPARE(w->Ed_PROD_ID->text(), typed);
        QCOMPARE(QApplication::focusWidget(), w->Ed_PROD_ID);
        QCOMPARE(w->CDS_DataSub2->recordCount(), 0);
        QCOMPARE(w->CDS_DataMQTY->recordCount(), 0);
    }

    void productAlreadyInTheBillShowsItsStoredItem()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        const int products = w->CDS_PRODLIST->recordCount();
        enterProduct("4710005");
        QCOMPARE(prompts.count(), 0);
        // The blank row is gone, the list stands on the product, browsing.
        QCOMPARE(w->CDS_PRODLIST->state(), DataSetState::Browse);
        QCOMPARE(w->CDS_PRODLIST->recordCount(), products);
        QCOMPARE(cell(w->CDS_PRODLIST, "PROD_ID"), "1004");
        QVERIFY(!w->SBtnPost->isEnabled());
        QVERIFY(w->SBtnInsert->isEnabled());
        // The stored item, numbers in their shortest text.
        const QStringList shown = { w->Ed_PROD_ID->text(), w->Ed_PRICE->text(),
            w->Ed_VIPPRICE->text(), w->Ed_NEW_COST->text(), w->Ed_LIMIT_QTY->text(),
            w->Ed_SEC_DIS->text(), w->MaskEdit3->text(), w->MaskEdit4->text(), w->Ed_Note->text(),
            w->Ed_STOP_SALE->text(), w->Ed_Providerid->text(), w->Ed_ProviderName->text(),
            w->Ed_PSALE_PRICE->text(), w->Ed_PROD_ID2->text() };
        QCOMPARE(shown,
            QStringList({ "1004", "19.5", "18", "7.25", "3", "Y", "2026/12/02", "2026/12/10",
                "週末", "Y", "P02", "乙供應商", "22", "" }));
        // The pack with stored values shows them; the buy-5 pack that only the bill has
        // is restored with unit "M", its stored promotion prices as pack and member
        // price, and the pane's cost x 5 whatever cost the bill stored.
        QCOMPARE(rows(w->CDS_DataSub2, { "SAL_BARCODE", "PSALE_PRICE", "PVIP_PRICE", "PNEW_COST" }),
            QStringList({ "4710005|19.5|18|7.25" }));
        QCOMPARE(rows(w->CDS_DataMQTY,
                     { "SAL_BARCODE", "SAL_UNITNAME", "PACK_QTY", "SAL_PRICE", "VIP_PRICE",
                         "PSALE_PRICE", "PVIP_PRICE", "PNEW_COST", "SAL_NAME", "CHG_DATE" }),
            QStringList({ "M10040005|M|5|99|95|99|95|36.25|奶茶|2026/11/30" }));
    }

    void buyNCostFollowsThePaneAfterEveryLoad()
    {
        // The bill stored 77 as the cost of a buy-4 pack; the item's cost is 2.5.
        m_db->exec("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, TEMPPRODID, PSALE_PRICE, "
                   "VIP_PRICE, NEW_COST, VNEW_COST, PACK_QTY, BILL_KIND) VALUES ('"
            + kEmptyBill + "', '1001', '4710001', 10, 9, 2.5, 2.5, 1, 'B')");
        m_db->exec("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, TEMPPRODID, PSALE_PRICE, "
                   "VIP_PRICE, NEW_COST, VNEW_COST, PACK_QTY, BILL_KIND) VALUES ('"
            + kEmptyBill + "', '1001', 'M10010004', 36, 35, 77, 77, 4, 'B')");
        ScriptedPrompter prompts;
        for (int load = 0; load < 2; ++load) {
            QVERIFY(openPeriod("2026/12/15", "2026/12/31"));
            QCOMPARE(w->Ed_NEW_COST->text(), "2.5");
            QVERIFY(w->CDS_DataMQTY->locate("SAL_BARCODE", "M10010004"));
            QCOMPARE(cell(w->CDS_DataMQTY, "PNEW_COST"), "10");
            QCOMPARE(cell(w->CDS_DataMQTY, "PSALE_PRICE"), "36");
            QVERIFY(ErrorReport::guard([this] { w->ActionF9Execute(); }));
        }
        QCOMPARE(prompts.count(), 0);
        m_db->exec("DELETE FROM PSALE_SUB WHERE MASTERBILLID = '" + kEmptyBill + "'");
    }

    void productWithoutPacksShowsOnlyTheBillsBuyNRows()
    {
        m_db->exec("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, TEMPPRODID, PSALE_PRICE, "
                   "VIP_PRICE, PACK_QTY, V_NAME, BILL_KIND) VALUES ('"
            + kEmptyBill + "', '1003', 'M10030002', 20, 19, 2, '麥茶', 'B')");
        ScriptedPrompter prompts;
        QVERIFY(openPeriod("2026/12/15", "2026/12/31"));
        QCOMPARE(cell(w->CDS_PRODLIST, "PROD_ID"), "1003");
        QCOMPARE(w->CDS_DataSub2->recordCount(), 0);
        QCOMPARE(rows(w->CDS_DataMQTY, { "SAL_BARCODE", "PACK_QTY", "PSALE_PRICE" }),
            QStringList({ "M10030002|2|20" }));
        m_db->exec("DELETE FROM PSALE_SUB WHERE MASTERBILLID = '" + kEmptyBill + "'");
    }

    void storedBuyNQuantityNowARegularPackStopsTheLoadCleanly()
    {
        m_db->exec("INSERT INTO PROD_SALE (PROD_ID, SAL_BARCODE, PACK_QTY, SAL_PRICE) VALUES "
                   "('1004', '4710005-5', 5, 100)");
        ScriptedPrompter prompts;
        QVERIFY(!openBill());
        QCOMPARE(prompts.texts(), QStringList { "數量已存在於組銷商品中..!" });
        // No half-filled row is left in editing.
        QCOMPARE(w->CDS_DataMQTY->state(), DataSetState::Browse);
        QVERIFY(!w->CDS_DataMQTY->locate("SAL_BARCODE", "M10040005"));
        m_db->exec("DELETE FROM PROD_SALE WHERE SAL_BARCODE = '4710005-5'");
    }

    void buyNCodes()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("1001");
        RecordSet *m = w->CDS_DataMQTY;
        for (const int quantity : { 12345, 12, -3 }) {
            QVERIFY(newBuyNRow(quantity));
            QVERIFY(ErrorReport::guard([m] { m->post(); }));
        }
        QCOMPARE(rows(m, { "SAL_BARCODE", "PROD_ID" }),
            QStringList(
                { "M10010003|1001", "M100112345|1001", "M10010012|1001", "M1001-0003|1001" }));
        QCOMPARE(prompts.count(), 0);
        // A new row with nothing typed in it does not count as changed.
        QVERIFY(ErrorReport::guard([m] { m->append(); }));
        QCOMPARE(cell(m, "PROD_ID"), "1001");
        QVERIFY(!m->modified());
    }

    void quantityOfARegularPackIsRefused()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("1001");
        QVERIFY(newBuyNRow(2));
        QVERIFY(!ErrorReport::guard(
            [this] { w->CDS_DataMQTY->fieldByName("PACK_QTY")->setAsInteger(6); }));
        QCOMPARE(prompts.texts(), QStringList { "數量已存在於組銷商品中..!" });
        QCOMPARE(prompts.prompts().first().kind, ScriptedPrompter::Prompt::Warning);
        QCOMPARE(cell(w->CDS_DataMQTY, "PACK_QTY"), "2");
        QCOMPARE(w->CDS_DataMQTY->state(), DataSetState::Insert);
    }

    void newBuyNRowDerivesItsPricesFromThePane()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("4710004");
        w->Ed_PSALE_PRICE->setText("10");
        w->Ed_VIP_PRICE->setText("9");
        w->Ed_PRICE->setText("8");
        w->Ed_NEW_COST->setText("2.5");
        QVERIFY(newBuyNRow(3));
        QCOMPARE(rows(w->CDS_DataMQTY,
                     { "SAL_PRICE", "VIP_PRICE", "PSALE_PRICE", "PVIP_PRICE", "PNEW_COST" }),
            QStringList({ "30|27|24|27|7.5" }));
        QCOMPARE(prompts.count(), 0);
    }

    void secondNewRowWithATakenQuantityStaysUnsaved()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("4710004");
        RecordSet *m = w->CDS_DataMQTY;
        QVERIFY(newBuyNRow(4));
        QVERIFY(ErrorReport::guard([m] { m->post(); }));
        QVERIFY(newBuyNRow(4));
        QVERIFY(!ErrorReport::guard([m] { m->post(); }));
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.prompts().first().kind, ScriptedPrompter::Prompt::Message);
        QCOMPARE(m->state(), DataSetState::Insert);
        QCOMPARE(rows(m, { "PACK_QTY", "PSALE_PRICE", "PNEW_COST" }).last(), "0|0|0");
        QCOMPARE(w->CDS_DataMQTY2->recordCount(), 1);
        // An existing row whose quantity is unchanged keeps its code.
        m->cancel();
        m->first();
        QVERIFY(ErrorReport::guard([m] {
            m->edit();
            m->fieldByName("PSALE_PRICE")->setAsFloat(50);
            m->post();
        }));
        QCOMPARE(cell(m, "SAL_BARCODE"), "M10030004");
    }

    void promotionPriceCopiesToMemberPriceOnlyInTheLowerGrid()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("1001");
        RecordSet *upper = w->CDS_DataSub2;
        RecordSet *lower = w->CDS_DataMQTY;
        QVERIFY(ErrorReport::guard([=] {
            lower->edit();
            lower->fieldByName("PSALE_PRICE")->setAsString("50");
            lower->post();
            upper->edit();
            upper->fieldByName("PSALE_PRICE")->setAsString("50");
            upper->post();
        }));
        QCOMPARE(cell(lower, "PVIP_PRICE"), "50");
        QCOMPARE(cell(upper, "PVIP_PRICE"), "9");
    }

    void enterPastTheLastCellOfEachGrid()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("1001");
        for (TDBGrid *grid : { w->DBGrid2, w->DBGrid3 }) {
            RecordSet *rs = grid->dataSet();
            const int before = rs->recordCount();
            QAbstractItemModel *model = grid->model();
            grid->setFocus();
            grid->setCurrentIndex(model->index(before - 1, model->columnCount() - 1));
            QTest::keyClick(grid, Qt::Key_Return);
            if (grid == w->DBGrid3) {
                QCOMPARE(rs->recordCount(), before + 1);
                QCOMPARE(rs->state(), DataSetState::Insert);
                QCOMPARE(grid->currentIndex().row(), before);
                QCOMPARE(grid->currentIndex().column(), 0);
            } else {
                QCOMPARE(rs->recordCount(), before);
                QCOMPARE(rs->state(), DataSetState::Browse);
            }
            // Enter inside a row moves one cell on.
            grid->setCurrentIndex(model->index(0, 0));
            QTest::keyClick(grid, Qt::Key_Return);
            QCOMPARE(grid->currentIndex(), model->index(0, 1));
        }
        QCOMPARE(prompts.count(), 0);
    }

    void numberCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::newRow("plain") << "12" << true;
        QTest::newRow("blanks around") << "  12.5 " << true;
        QTest::newRow("sign") << "-3" << true;
        QTest::newRow("plus sign") << "+.5" << true;
        QTest::newRow("exponent") << "1.5e3" << true;
        QTest::newRow("signed exponent") << "2E-2" << true;
        QTest::newRow("thousands separator") << "1,000" << false;
        QTest::newRow("letter after") << "12a" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("two separators") << "1.2.3" << false;
        QTest::newRow("exponent without digits") << "1e" << false;
        QTest::newRow("full-width digits") << "１２" << false;
    }
    void numberCheck()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QCOMPARE(TFormTarnPromotion::IsNumberText(text), number);
        // Leaving each of the four boxes checks it (the limit box holds two characters).
        ScriptedPrompter prompts;
        for (QLineEdit *box : { w->Ed_PRICE, w->Ed_VIPPRICE, w->Ed_NEW_COST, w->Ed_LIMIT_QTY }) {
            if (text.size() > box->maxLength())
                continue;
            box->setFocus();
            box->setText(text);
            prompts.clear();
            leaveFor(w->Ed_Note);
            if (number) {
                QCOMPARE(prompts.count(), 0);
                QCOMPARE(QApplication::focusWidget(), w->Ed_Note);
            } else {
                QCOMPARE(prompts.texts(), QStringList { text + " 非正確數字格式..!" });
                QCOMPARE(QApplication::focusWidget(), box);
                QCOMPARE(box->text(), text);
                box->setText("0");
            }
        }
    }

    void promotionPriceCopiesOnlyDuringEntry()
    {
        ScriptedPrompter prompts;
        w->Ed_VIPPRICE->setText("9");
        w->Ed_PRICE->setText("8");
        w->Ed_PRICE->setFocus();
        leaveFor(w->Ed_Note);
        QCOMPARE(w->Ed_VIPPRICE->text(), "9"); // browsing
        QVERIFY(openBill());
        enterProduct("1001");
        // Copied even when the check has just failed.
        w->Ed_PRICE->setText("8x");
        leaveFor(w->Ed_Note);
        QCOMPARE(prompts.texts(), QStringList { "8x 非正確數字格式..!" });
        QCOMPARE(w->Ed_VIPPRICE->text(), "8x");
        QCOMPARE(QApplication::focusWidget(), w->Ed_PRICE);
    }

    void supplierNameFollowsTheNumber_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("known") << "P01"
                               << "甲供應商";
        QTest::newRow("unknown") << "P99"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("quote") << "P0'1"
                               << "";
        QTest::newRow("trailing blank") << "P01 "
                                        << "甲供應商";
        QTest::newRow("200 characters") << QString(200, QLatin1Char('P')) << "";
    }
    void supplierNameFollowsTheNumber()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        ScriptedPrompter prompts;
        w->Ed_ProviderName->setText("old");
        w->Ed_Providerid->setFocus();
        w->Ed_Providerid->setText(number);
        leaveFor(w->Ed_Note);
        QCOMPARE(w->Ed_ProviderName->text(), name);
        QCOMPARE(prompts.count(), 0);
    }

    void productBoxRefusesTheFocusOutsideEntry()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        w->Ed_PROD_ID->setEnabled(true);
        w->Ed_PRICE->setFocus();
        w->Ed_PROD_ID->setFocus();
        QCOMPARE(QApplication::focusWidget(), w->Ed_PRICE);
        QVERIFY(!w->Ed_PROD_ID->isEnabled());
        QCOMPARE(prompts.count(), 0);
    }

    void productLookupFillsOnlyTheNumber()
    {
        ScriptedPrompter prompts;
        QVERIFY(openBill());
        enterProduct("1001");
        const QString price = w->Ed_PRICE->text();
        w->Ed_PROD_ID->setFocus();
        whenLookupShows([this](TFrmgetdata *d) {
            QCOMPARE(d->ComboBox1->count(), 81);
            QVERIFY(w->CDS_PRODUCT->locate("PROD_ID", "1003"));
            d->BTCMDOK->click();
        });
        QTest::keyClick(w->Ed_PROD_ID, Qt::Key_F4);
        QCOMPARE(w->Ed_PROD_ID->text(), "1003");
        QCOMPARE(w->Ed_PROD_NAME->text(), "烏龍茶");
        QCOMPARE(w->Ed_PRICE->text(), price);
        QCOMPARE(w->CDS_DataSub2->recordCount(), 2);
        QCOMPARE(prompts.count(), 0);
    }

    void supplierLookupFillsTheNumber()
    {
        ScriptedPrompter prompts;
        w->Ed_ProviderName->setText("old");
        whenLookupShows([this](TFrmgetdata *d) {
            QVERIFY(w->CDS_Fac->locate("PROVIDER_ID", "P02"));
            d->BTCMDOK->click();
        });
        QVERIFY(ErrorReport::guard([this] { w->Ed_ProvideridDblClick(); }));
        QCOMPARE(w->Ed_Providerid->text(), "P02");
        QCOMPARE(w->Ed_ProviderName->text(), "old"); // filled when the box is left
        whenLookupShows([](TFrmgetdata *d) { d->BDCMDNOT->click(); });
        QVERIFY(ErrorReport::guard([this] { w->Ed_ProvideridDblClick(); }));
        QCOMPARE(w->Ed_Providerid->text(), "P02");
    }
};

QTEST_MAIN(TestItemEntry)
#include "tst_itementry.moc"
