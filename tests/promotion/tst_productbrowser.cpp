// The product browser of the promotion window over an embedded database: its state at
// start, sorting and searching by a clicked column title, F3, and the double-click
// that starts a new item with the product's number.

#include "FrmTarnPromotion.h"

#include "DemoData.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "DBGrid.h"
#include "DBSearch.h"
#include "ErrorReport.h"
#include "MaskEdit.h"

#include "ConnectionParams.h"
#include "Field.h"
#include "RecordSet.h"
#include "TextCollation.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QColor Yellow(255, 255, 0);

// Products whose names and prices tell the orders apart: byte order would put the
// upper-case names first, text order would put 10 and 100 before 9.
const char *const kExtraProducts[] = {
    "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROVIDER_ID, PROVIDER_NAME, "
    "UNITNAME, PSALE_PRICE) VALUES ('T-01', '2000000000001', 'apple', 'F0001', 'zeta', "
    "'kg', 9)",
    "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROVIDER_ID, PROVIDER_NAME, "
    "UNITNAME, PSALE_PRICE) VALUES ('T-02', '2000000000002', 'BANANA', 'F0002', 'Alpha', "
    "'KG', 100)",
    "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROVIDER_ID, PROVIDER_NAME, "
    "UNITNAME, PSALE_PRICE) VALUES ('T-03', '2000000000003', 'Apple pie', 'F0003', "
    "'alpha', 'Kg', 10)",
    "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROVIDER_ID, PROVIDER_NAME, "
    "UNITNAME, PSALE_PRICE) VALUES ('T-04', NULL, 'banana split', NULL, NULL, NULL, NULL)",
};

} // namespace

class TestProductBrowser : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_site;
    std::unique_ptr<TFormTarnPromotion> w;

    static QWidget *focused() { return QApplication::focusWidget(); }

    // Clicks a column title of the browser as the user does.
    void clickTitle(int column)
    {
        QHeaderView *header = w->DBGrid4->horizontalHeader();
        w->DBGrid4->scrollTo(w->DBGrid4->model()->index(0, column));
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    // Double-clicks the browser's row (in the current order) on its name.
    void doubleClickRow(int row)
    {
        TDBGrid *grid = w->DBGrid4;
        const QModelIndex index = grid->model()->index(row, 2);
        grid->scrollTo(index);
        const QPoint at = grid->visualRect(index).center();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }

    QString fieldAt(int row, const char *field) const
    {
        RecordSet *rs = w->ClientDataSet1;
        return rs->displayTextAt(row, rs->fieldByName(QLatin1String(field))->index());
    }

    // The item pane's boxes that hold a product's data and prices.
    QList<QLineEdit *> productAndPriceBoxes() const
    {
        return { w->Ed_PROD_BARCODE, w->Ed_PROD_ID2, w->Ed_PROD_NAME, w->Ed_PROD_SCALE,
            w->Ed_SALE_PRICE, w->Ed_PSALE_PRICE, w->Ed_PRICE, w->Ed_VIP_PRICE, w->Ed_VIPPRICE,
            w->Ed_STD_COST, w->Ed_NEW_COST };
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>(150);
        QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
        for (const char *sql : kExtraProducts)
            m_db->exec(QString::fromUtf8(sql));
        m_db->writeConnectionFile(m_site.path());
        DemoData::writeSiteConfig(
            m_site.filePath(QStringLiteral("Vantor.dat")), QStringLiteral("PM"));
        overrideExecutableFolder(m_site.path());
    }
    void cleanupTestCase() { overrideExecutableFolder(QString()); }

    void init()
    {
        w = std::make_unique<TFormTarnPromotion>();
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    void cleanup() { w.reset(); }

    // ---- at start -------------------------------------------------------------------

    void startsInBarcodeOrderSearchingBarcodes()
    {
        RecordSet *rs = w->ClientDataSet1;
        QCOMPARE(rs->recordCount(), 154);
        QVERIFY(rs->indexFieldName().isEmpty()); // the statement's order
        // The statement's order: barcodes ascending, the product without one first.
        QCOMPARE(fieldAt(0, "PROD_ID"), QStringLiteral("T-04"));
        for (int row = 2; row < rs->recordCount(); ++row)
            QVERIFY2(fieldAt(row - 1, "PROD_BARCODE") < fieldAt(row, "PROD_BARCODE"),
                qPrintable(QString::number(row)));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(w->DBGrid4->columnColor(c), c == 1 ? Yellow : QColor());
        QCOMPARE(w->SearchEdit1->dataField(), QStringLiteral("PROD_BARCODE"));
        // Without the focus the box shows the current product's barcode, ready to be
        // typed over; the list is on its first row.
        QCOMPARE(rs->recNo(), 0);
        QCOMPARE(w->SearchEdit1->text(), fieldAt(0, "PROD_BARCODE"));

        // Typing searches the barcodes from the start, in upper case.
        w->SearchEdit1->setFocus();
        QTest::keyClicks(w->SearchEdit1, QStringLiteral("2000000000003"));
        QCOMPARE(fieldAt(rs->recNo(), "PROD_ID"), QStringLiteral("T-03"));
        w->SearchEdit1->clear();
        QTest::keyClicks(w->SearchEdit1, QStringLiteral("t-0"));
        QCOMPARE(w->SearchEdit1->text(), QStringLiteral("T-0"));
    }

    // ---- title clicks -----------------------------------------------------------------

    void titleClickSortsAndSearchesThatColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed"); // typed into the search box afterwards
        QTest::addColumn<QString>("firstFound"); // PROD_ID of the first match in the order
        QTest::newRow("商品編號") << 0 << "PROD_ID"
                                  << "t-0"
                                  << "T-01";
        QTest::newRow("國際條碼") << 1 << "PROD_BARCODE"
                                  << "2"
                                  << "T-01";
        QTest::newRow("商品名稱, any case") << 2 << "PROD_NAME"
                                            << "ban"
                                            << "T-02";
        QTest::newRow("廠商代號") << 3 << "PROVIDER_ID"
                                  << "f0003"
                                  << "T-03";
        QTest::newRow("廠商名稱") << 4 << "PROVIDER_NAME"
                                  << "ALPHA"
                                  << "T-02";
        // "kg", "KG" and "Kg" fold alike; then by code: "KG" < "Kg" < "kg".
        QTest::newRow("單位") << 5 << "UNITNAME"
                              << "kg"
                              << "T-02";
        QTest::newRow("門市價, as numbers") << 6 << "PSALE_PRICE"
                                            << "10"
                                            << "T-03";
    }
    void titleClickSortsAndSearchesThatColumn()
    {
        QFETCH(int, column);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, firstFound);
        w->Ed_Note->setFocus();
        clickTitle(column);

        RecordSet *rs = w->ClientDataSet1;
        QCOMPARE(rs->indexFieldName(), field);
        QCOMPARE(rs->recordCount(), 154);
        const int f = rs->fieldByName(field)->index();
        const bool number = field == QLatin1String("PSALE_PRICE");
        for (int row = 1; row < rs->recordCount(); ++row) {
            // Nulls first; numbers by value; texts without regard to case, then by code.
            const bool nullBefore = rs->isNullAt(row - 1, f), nullHere = rs->isNullAt(row, f);
            QVERIFY(nullBefore || !nullHere);
            if (nullBefore || nullHere)
                continue;
            if (number) {
                QVERIFY(rs->valueAt(row - 1, f).toDouble() <= rs->valueAt(row, f).toDouble());
            } else {
                const QByteArray a = rs->displayTextAt(row - 1, f).toUtf8();
                const QByteArray b = rs->displayTextAt(row, f).toUtf8();
                QVERIFY2(TextCollation::compareIndexOrder(a.toStdString(), b.toStdString()) <= 0,
                    qPrintable(QString::fromUtf8(a + " > " + b)));
            }
        }
        for (int c = 0; c < 7; ++c)
            QCOMPARE(w->DBGrid4->columnColor(c), c == column ? Yellow : QColor());
        QCOMPARE(w->SearchEdit1->dataField(), field);
        QCOMPARE(focused(), w->SearchEdit1);

        // The search box now searches that column, in the new order.
        w->SearchEdit1->selectAll();
        QTest::keyClicks(w->SearchEdit1, typed);
        QCOMPARE(w->SearchEdit1->text(), typed.toUpper());
        QCOMPARE(fieldAt(rs->recNo(), "PROD_ID"), firstFound);
    }

    void sortedByNameAndPriceAsTheUserExpects()
    {
        RecordSet *rs = w->ClientDataSet1;
        auto order = [&](const QStringList &ids) {
            QStringList seen;
            for (int row = 0; row < rs->recordCount(); ++row)
                if (ids.contains(fieldAt(row, "PROD_ID")))
                    seen << fieldAt(row, "PROD_ID");
            return seen;
        };
        clickTitle(2);
        // "apple" < "Apple pie" < "BANANA" < "banana split", whatever their case.
        QCOMPARE(order({ "T-01", "T-02", "T-03", "T-04" }),
            QStringList({ "T-01", "T-03", "T-02", "T-04" }));
        clickTitle(6);
        // 9 < 10 < 100, the product without a price first.
        QCOMPARE(order({ "T-01", "T-02", "T-03", "T-04" }),
            QStringList({ "T-04", "T-01", "T-03", "T-02" }));
        // Clicking the same title again keeps the order.
        const QString first = fieldAt(0, "PROD_ID");
        const QString last = fieldAt(rs->recordCount() - 1, "PROD_ID");
        clickTitle(6);
        QCOMPARE(fieldAt(0, "PROD_ID"), first);
        QCOMPARE(fieldAt(rs->recordCount() - 1, "PROD_ID"), last);
        QCOMPARE(w->DBGrid4->columnColor(6), Yellow);
    }

    // ---- F3 ---------------------------------------------------------------------------

    void quickSearchKeyFromAnywhere_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("start date") << "MaskEdit1";
        QTest::newRow("note") << "Ed_Note";
        QTest::newRow("item date") << "MaskEdit3";
        QTest::newRow("product browser") << "DBGrid4";
        QTest::newRow("upper pack grid") << "DBGrid2";
        QTest::newRow("search box itself") << "SearchEdit1";
    }
    void quickSearchKeyFromAnywhere()
    {
        QFETCH(QString, from);
        QWidget *start = w->findChild<QWidget *>(from);
        QVERIFY(start);
        start->setFocus();
        QCOMPARE(focused(), start);
        QTest::keyClick(start, Qt::Key_F3);
        QCOMPARE(focused(), w->SearchEdit1);
    }

    // ---- double-click -----------------------------------------------------------------

    // No period open: F5 has nothing to start; only the number goes into the box, and
    // nothing is looked up.
    void doubleClickWithoutPeriodOnlyPutsTheNumber()
    {
        ScriptedPrompter prompts;
        clickTitle(2); // any order: the row under the pointer counts
        const int row = 57;
        const QString id = fieldAt(row, "PROD_ID");
        QVERIFY(w->Ed_MASTERBILLID->text().isEmpty());
        const bool enabledBefore = w->Ed_PROD_ID->isEnabled();
        QStringList before;
        for (QLineEdit *box : productAndPriceBoxes())
            before << box->text();
        doubleClickRow(row);
        QCOMPARE(w->ClientDataSet1->recNo(), row);
        QCOMPARE(w->Ed_PROD_ID->text(), id);
        QCOMPARE(w->Ed_PROD_ID->isEnabled(), enabledBefore);
        QStringList after;
        for (QLineEdit *box : productAndPriceBoxes())
            after << box->text();
        QCOMPARE(after, before);
        QVERIFY(!w->CDS_PRODLIST->active());
        QVERIFY(!w->CDS_DataSub2->active() || w->CDS_DataSub2->isEmpty());
        QCOMPARE(prompts.count(), 0);

        // Another product replaces the number.
        doubleClickRow(3);
        QCOMPARE(w->Ed_PROD_ID->text(), fieldAt(3, "PROD_ID"));
        // A double-click below the last row is on no product.
        clickTitle(0);
        w->DBGrid4->scrollToBottom();
        const QPoint below(10, w->DBGrid4->viewport()->height() - 2);
        if (!w->DBGrid4->indexAt(below).isValid()) {
            QTest::mouseDClick(w->DBGrid4->viewport(), Qt::LeftButton, {}, below);
            QCOMPARE(w->Ed_PROD_ID->text(), fieldAt(3, "PROD_ID"));
        }
    }

    // A period open: the double-click starts a new item (F5) for the product, with
    // only its number filled in; the product is not looked up until Enter.
    void doubleClickWithPeriodStartsNewItem()
    {
        ScriptedPrompter prompts;
        w->MaskEdit1->setText(QStringLiteral("2026/12/01"));
        w->MaskEdit2->setText(QStringLiteral("2026/12/14"));
        QVERIFY(ErrorReport::guard([this] { w->SpeedButton1Click(); }));
        QCOMPARE(w->Ed_MASTERBILLID->text(), QStringLiteral("PM202612010001"));
        QVERIFY(w->CDS_PRODLIST->active());

        const int row = 42;
        const QString id = fieldAt(row, "PROD_ID");
        doubleClickRow(row);
        QCOMPARE(w->Ed_PROD_ID->text(), id);
        QVERIFY(w->Ed_PROD_ID->isEnabled());
        QCOMPARE(focused(), w->Ed_PROD_ID);
        for (QLineEdit *box : productAndPriceBoxes())
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY(!w->CDS_DataSub2->active() || w->CDS_DataSub2->isEmpty());
        QVERIFY(!w->CDS_DataMQTY->active() || w->CDS_DataMQTY->isEmpty());
        QCOMPARE(prompts.count(), 0);
    }
};

QTEST_MAIN(TestProductBrowser)
#include "tst_productbrowser.moc"
