#include "FrmTarnPromotion.h"
#include "Panel.h"
#include "Splitter.h"

#include "DemoData.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "DBGrid.h"
#include "DBSBtn.h"
#include "DBSearch.h"
#include "MaskEdit.h"

#include "ConnectionParams.h"
#include "DataSource.h"
#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "SilentAbort.h"
#include "SqlQuery.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

// The promotion window as built: members, starting commands, site configuration,
// commands and keys, the query menu, focus movement, closing and resizing.
class TestFormTarnPromotion : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_site; // the executable's folder for the window

    QString sitePath(const char *file) const { return m_site.filePath(QLatin1String(file)); }

    std::unique_ptr<TFormTarnPromotion> openWindow()
    {
        auto w = std::make_unique<TFormTarnPromotion>();
        w->show();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("the window did not become active");
        QCoreApplication::processEvents();
        return w;
    }

    static QWidget *focused() { return QApplication::focusWidget(); }

    static int clientWidth(const QWidget *parent)
    {
        const TPanel *panel = qobject_cast<const TPanel *>(parent);
        return panel ? panel->clientRect().width() : parent->width();
    }

    static int scaled(int value, int m, int d)
    {
        return int((qint64(value) * m * 2 + d) / (qint64(d) * 2));
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>(300);
        QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
        m_db->writeConnectionFile(m_site.path());
        overrideExecutableFolder(m_site.path());
    }

    void init()
    {
        DemoData::writeSiteConfig(sitePath("Vantor.dat"), QStringLiteral("PM"));
        BillPrefix.clear();
        BillNumberMode = -1;
        LastFormWidth = 0;
    }

    void cleanupTestCase() { overrideExecutableFolder(QString()); }

    // ---- creation -------------------------------------------------------------------

    void creationReadsTheSiteConfiguration_data()
    {
        QTest::addColumn<QString>("file"); // "missing", "corrupt", "no field", "no rows",
                                           // or the PROMO_WORD to write
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("mode"); // -1: never set
        QTest::addColumn<int>("width");
        QTest::newRow("prefix kept with its blanks") << " PM "
                                                     << " PM " << false << 0 << 812;
        QTest::newRow("missing file") << "missing"
                                      << "" << true << -1 << 0;
        QTest::newRow("corrupt file") << "corrupt"
                                      << "" << true << -1 << 0;
        QTest::newRow("no PROMO_WORD field") << "no field"
                                             << "" << true << 0 << 0;
        QTest::newRow("no records") << "no rows"
                                    << "" << false << 0 << 812;
    }
    void creationReadsTheSiteConfiguration()
    {
        QFETCH(QString, file);
        QFETCH(QString, prefix);
        QFETCH(bool, error);
        QFETCH(int, mode);
        QFETCH(int, width);
        const QString path = sitePath("Vantor.dat");
        QFile::remove(path);
        if (file == QLatin1String("corrupt")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a record-set file at all");
        } else if (file == QLatin1String("no field") || file == QLatin1String("no rows")) {
            RecordSet rs;
            rs.addField(file == QLatin1String("no field") ? QStringLiteral("OTHER")
                                                          : QStringLiteral("PROMO_WORD"),
                FieldType::String, 20);
            rs.open();
            if (file == QLatin1String("no field")) {
                rs.append();
                rs.field(0)->setAsString(QStringLiteral("PM"));
                rs.post();
            }
            rs.saveToFile(path);
        } else if (file != QLatin1String("missing")) {
            DemoData::writeSiteConfig(path, file);
        }

        ScriptedPrompter prompter;
        TFormTarnPromotion w;
        QCOMPARE(BillPrefix, prefix);
        QCOMPARE(BillNumberMode, mode);
        QCOMPARE(int(LastFormWidth), width);
        QCOMPARE(prompter.count(), error ? 1 : 0);
        if (error)
            QCOMPARE(prompter.prompts().first().kind, ScriptedPrompter::Prompt::Error);
        // The window opens either way, with its product browser full.
        QVERIFY(w.ClientDataSet1->active());
    }

    void aConnectionFailureLeavesTheConstructor()
    {
        QTemporaryDir empty; // no "dbxconnections.ini" there
        overrideExecutableFolder(empty.path());
        QVERIFY_THROWS_EXCEPTION(DbError, TFormTarnPromotion());
        overrideExecutableFolder(m_site.path());
    }

    void windowAndFont()
    {
        TFormTarnPromotion w;
        QCOMPARE(w.windowTitle(), QStringLiteral("FormTarnPromotion"));
        QCOMPARE(w.size(), QSize(812, 595));
        QCOMPARE(w.font().pixelSize(), 13);
        // "細明體" is drawn in the installed Ming face.
        QVERIFY2(QFontInfo(w.font()).family().contains(QLatin1String("UMing")),
            qPrintable(QFontInfo(w.font()).family()));
        QVERIFY(QFontInfo(w.Ed_PROD_NAME->font()).family().contains(QLatin1String("UMing")));
    }

    void recordSetsOpenWithTheirStartingCommands_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("fields"); // -1: taken from the result
        QTest::newRow("CDS_PRODLIST") << "CDS_PRODLIST" << 114;
        QTest::newRow("CDS_DataSub") << "CDS_DataSub" << -1;
        QTest::newRow("CDS_DataMQTY") << "CDS_DataMQTY" << 14;
        QTest::newRow("CDS_PRODUCT") << "CDS_PRODUCT" << 81;
        QTest::newRow("CDS_Fac") << "CDS_Fac" << 12;
        QTest::newRow("CDS_PSaleMaster") << "CDS_PSaleMaster" << 9;
        QTest::newRow("CDS_PSaleSub") << "CDS_PSaleSub" << 13;
        QTest::newRow("ClientDataSet1") << "ClientDataSet1" << 7;
    }
    void recordSetsOpenWithTheirStartingCommands()
    {
        QFETCH(QString, name);
        QFETCH(int, fields);
        TFormTarnPromotion w;
        const QHash<QString, RecordSet *> sets = {
            { "CDS_PRODLIST", w.CDS_PRODLIST },
            { "CDS_DataSub", w.CDS_DataSub },
            { "CDS_DataMQTY", w.CDS_DataMQTY },
            { "CDS_PRODUCT", w.CDS_PRODUCT },
            { "CDS_Fac", w.CDS_Fac },
            { "CDS_PSaleMaster", w.CDS_PSaleMaster },
            { "CDS_PSaleSub", w.CDS_PSaleSub },
            { "ClientDataSet1", w.ClientDataSet1 },
        };
        RecordSet *rs = sets.value(name);
        QCOMPARE(rs->name(), name);
        // Every declared field must be a column of the starting command's result.
        rs->close();
        rs->open();
        QVERIFY(rs->active());
        QVERIFY(!rs->isEmpty());
        if (fields >= 0)
            QCOMPARE(rs->fieldCount(), fields);
        else
            for (const char *computed : { "SAL_BARCODE", "PSALE_PRICE", "PVIP_PRICE", "PNEW_COST" })
                QVERIFY2(rs->findField(QLatin1String(computed)), computed);
    }

    void declaredFieldsCarryTheirCaptions()
    {
        TFormTarnPromotion w;
        struct Caption
        {
            RecordSet *rs;
            const char *field;
            const char *label; // empty: none, the name is shown
        };
        const Caption captions[] = {
            { w.CDS_PRODLIST, "PROD_SCALE", "規格" },
            { w.CDS_PRODLIST, "PACK2", "外包" },
            { w.CDS_PRODLIST, "PROVIDER_ID", "" }, // only the first thirteen are captioned
            { w.CDS_PRODUCT, "PROD_SCALE", "商品規格" },
            { w.CDS_PRODUCT, "FLAG", "" },
            { w.CDS_PRODUCT, "P_VALUE", "點數" },
            { w.CDS_Fac, "PROVIDER_IDAC", "帳款歸屬" },
            { w.CDS_PSaleMaster, "BILL_KIND", "單別" },
            { w.CDS_PSaleSub, "PLIMIT_QTY", "限購" },
            { w.ClientDataSet1, "PSALE_PRICE", "門市價" },
        };
        for (const Caption &c : captions) {
            const Field *f = c.rs->fieldByName(QLatin1String(c.field));
            QCOMPARE(
                f->displayLabel(), *c.label ? QString::fromUtf8(c.label) : QLatin1String(c.field));
        }
        QCOMPARE(w.CDS_PRODLIST->fieldByName("PD_CLASSID")->size(), 10);
        QCOMPARE(w.CDS_PRODUCT->fieldByName("PD_CLASSID")->size(), 5);
        QCOMPARE(w.CDS_PRODUCT->fieldByName("AVG_COST")->displayDecimals(), 2);
        for (const char *required : { "PROD_ID", "PSALE_PRICE", "VIP_PRICE" })
            QVERIFY(w.CDS_PRODUCT->fieldByName(QLatin1String(required))->required());
        QVERIFY(!w.CDS_PRODLIST->fieldByName("PSALE_PRICE")->required());
        QCOMPARE(w.ClientDataSet1->fieldByName("PROD_NAME")->displayWidth(), 31);
        QCOMPARE(w.CDS_PRODUCT->packetRecords(), 1000);
        QCOMPARE(w.DS_Search->dataSet(), nullptr);
    }

    void sellingUnitCopiesTakeNoNewRows()
    {
        TFormTarnPromotion w;
        w.CDS_DataSub->open();
        w.CDS_DataSub2->copyFrom(*w.CDS_DataSub);
        for (RecordSet *rs : { w.CDS_DataSub, w.CDS_DataSub2 }) {
            const int rows = rs->recordCount();
            QVERIFY(rows > 0);
            for (auto add : { &RecordSet::append, &RecordSet::insert }) {
                try {
                    (rs->*add)();
                } catch (const SilentAbort &) { }
                QCOMPARE(rs->state(), DataSetState::Browse);
                QCOMPARE(rs->recordCount(), rows);
            }
        }
        // The buy-N rows do take new rows.
        w.CDS_DataMQTY->open();
        w.CDS_DataMQTY->append();
        QCOMPARE(w.CDS_DataMQTY->state(), DataSetState::Insert);
    }

    void productBrowserIsFullAtCreation()
    {
        TFormTarnPromotion w;
        RecordSet *rs = w.ClientDataSet1;
        QVERIFY(rs->active());
        QCOMPARE(rs->recordCount(), 300);
        QCOMPARE(w.DBGrid4->model()->rowCount(), 300);
        QString previous;
        for (int row = 0; row < rs->recordCount(); ++row) {
            const QString barcode = rs->displayTextAt(row, 1);
            QVERIFY2(previous <= barcode, qPrintable(previous + " > " + barcode));
            previous = barcode;
        }
        QCOMPARE(w.DBGrid4->columnColor(1), QColor(255, 255, 0));
        QVERIFY(!w.DBGrid4->columnColor(0).isValid());
        QCOMPARE(w.SearchEdit1->dataField(), QStringLiteral("PROD_BARCODE"));
        QVERIFY(w.SearchEdit1->upperCase());
        QCOMPARE(w.DBGrid4->columnTitle(6), QStringLiteral("門市價"));
    }

    void titleClickSortsAndSearchesByThatColumn()
    {
        auto w = openWindow();
        const int providerName = 4;
        w->DBGrid4->horizontalHeader()->sectionClicked(providerName);
        QCOMPARE(w->SearchEdit1->dataField(), QStringLiteral("PROVIDER_NAME"));
        QCOMPARE(w->ClientDataSet1->indexFieldName(), QStringLiteral("PROVIDER_NAME"));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(w->DBGrid4->columnColor(c).isValid(), c == providerName);
        QCOMPARE(focused(), w->SearchEdit1);
    }

    // ---- showing --------------------------------------------------------------------

    void showingSetsBrowsingStateTitlesAndFocus()
    {
        auto w = openWindow();
        for (QToolButton *b : { w->SBtnInsert, w->SBtnDelete, w->SBtnEdit })
            QVERIFY(b->isEnabled());
        QVERIFY(!w->SBtnPost->isEnabled());
        QVERIFY(!w->SBtnCancel->isEnabled());
        QCOMPARE(w->SBtnPost->text(), QStringLiteral("儲存F8"));
        QCOMPARE(w->SBtnCancel->text(), QStringLiteral("還原F9"));
        QStringList upper, lower;
        for (int c = 0; c < 9; ++c)
            upper << w->DBGrid2->columnTitle(c);
        for (int c = 0; c < 7; ++c)
            lower << w->DBGrid3->columnTitle(c);
        QCOMPARE(upper.join(','),
            QStringLiteral("銷售條碼,包裝名稱,包裝,包裝數,包裝價,會員價,"
                           "促銷價,會員促銷,促銷進價"));
        QCOMPARE(lower.join(','),
            QStringLiteral("銷售條碼,包裝數,包裝價,會員價,促銷價,會員促銷,"
                           "參考成本"));
        QCOMPARE(focused(), w->MaskEdit1);
        QCOMPARE(w->MaskEdit1->text(), QStringLiteral("    /  /  "));
        // The navigation buttons have nothing to move while no bill is open.
        for (TDBSpeedButton *b : { w->dbSBtnFirst, w->dbSBtnPrior, w->dbSBtnNext, w->dbSBtnLast }) {
            QVERIFY(!b->isEnabled());
            QCOMPARE(b->dataSource(), w->DS_ProdList);
        }
        QCOMPARE(w->dbSBtnNext->toolTip(), QStringLiteral("次筆記錄"));
        QCOMPARE(w->dbSBtnNext->text(), QStringLiteral("次筆"));
    }

    void boxesShowWhatTheyAreFor()
    {
        TFormTarnPromotion w;
        const QColor yellow(255, 255, 128), red(255, 128, 128), blue(151, 199, 251);
        for (QLineEdit *input : { static_cast<QLineEdit *>(w.MaskEdit1), w.Ed_PROD_ID, w.Ed_PRICE,
                 w.Ed_Note, w.Ed_Providerid, static_cast<QLineEdit *>(w.MaskEdit4) }) {
            QCOMPARE(input->palette().color(QPalette::Base), yellow);
            QVERIFY(!input->isReadOnly());
            QVERIFY(input->focusPolicy() & Qt::TabFocus);
        }
        for (QLineEdit *display :
            { w.Ed_PROD_BARCODE, w.Ed_SALE_PRICE, w.Ed_STOP_SALE, w.Ed_ProviderName }) {
            QCOMPARE(display->palette().color(QPalette::Base), red);
            QVERIFY(display->isReadOnly());
            QVERIFY(!(display->focusPolicy() & Qt::TabFocus));
        }
        QCOMPARE(w.Ed_MASTERBILLID->palette().color(QPalette::Base), blue);
        QVERIFY(w.Ed_MASTERBILLID->isReadOnly());
        QCOMPARE(w.Splitter1->color(), blue);
        QCOMPARE(w.Panel6->color(), QColor(Qt::white));
        QCOMPARE(w.Ed_LIMIT_QTY->maxLength(), 2);
        QCOMPARE(w.Ed_SEC_DIS->text(), QStringLiteral("N"));
        QCOMPARE(w.Ed_Note->text(), QStringLiteral("0"));
        QCOMPARE(w.MaskEdit3->text(), QStringLiteral("    /  /  "));
        QCOMPARE(w.Panel8->caption(), QStringLiteral("(F3)商品速查"));
        QCOMPARE(w.DBGrid2->columnColor(0), QColor(192, 192, 192));
        QVERIFY(!w.DBGrid2->columnColor(6).isValid());
        QCOMPARE(w.DBGrid3->columnColor(1), QColor(Qt::white));
        // The bold "~" between the item's dates, at the window's size.
        const QList<QLabel *> labels = w.Panel6->findChildren<QLabel *>();
        const auto tilde = std::find_if(
            labels.begin(), labels.end(), [](QLabel *l) { return l->text() == "~"; });
        QVERIFY(tilde != labels.end());
        QVERIFY((*tilde)->font().bold());
        QCOMPARE((*tilde)->font().pixelSize(), 13);
        QVERIFY(!w.Label1->font().bold());
    }

    // ---- commands -------------------------------------------------------------------

    void printCommandIsDisabledAtTheFirstIdle()
    {
        auto w = std::make_unique<TFormTarnPromotion>();
        QVERIFY(w->ActionF2->isEnabled()); // until the window is idle
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCoreApplication::processEvents();
        QVERIFY(!w->ActionF2->isEnabled());
        QVERIFY(!w->SpeedButton5->isEnabled());
        QCOMPARE(w->SpeedButton5->text(), QStringLiteral("列印F2"));
        QSignalSpy print(w->ActionF2, &QAction::triggered);
        QTest::mouseClick(w->SpeedButton5, Qt::LeftButton);
        QTest::keyClick(w->MaskEdit1, Qt::Key_F2);
        QCOMPARE(print.count(), 0);
        // Every other command has a handler and stays enabled.
        for (QAction *a : { w->ActionF1, w->Action1, w->ActionF5, w->ActionF6, w->ActionF7,
                 w->ActionF8, w->ActionF9 })
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
    }

    void shortcutsWorkAnywhereInTheWindow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("command");
        QTest::newRow("F1") << int(Qt::Key_F1) << "查詢F1";
        QTest::newRow("F3") << int(Qt::Key_F3) << "F3&QuickSearch";
        QTest::newRow("F5") << int(Qt::Key_F5) << "新增F5";
        QTest::newRow("F6") << int(Qt::Key_F6) << "刪除F6";
        QTest::newRow("F7") << int(Qt::Key_F7) << "修改F7";
        QTest::newRow("F8") << int(Qt::Key_F8) << "儲存F8";
        QTest::newRow("F9") << int(Qt::Key_F9) << "還原F9";
    }
    void shortcutsWorkAnywhereInTheWindow()
    {
        QFETCH(int, key);
        QFETCH(QString, command);
        auto w = openWindow();
        QAction *action = nullptr;
        for (QAction *a : w->actions())
            if (a->text() == command)
                action = a;
        QVERIFY(action);
        QSignalSpy spy(action, &QAction::triggered);
        for (QWidget *from :
            std::initializer_list<QWidget *> { w->MaskEdit1, w->Ed_Note, w->DBGrid4 }) {
            from->setFocus();
            QTest::keyClick(focused(), Qt::Key(key));
        }
        QCOMPARE(spy.count(), 3);
    }

    void quickSearchKeyGoesToTheSearchBox()
    {
        auto w = openWindow();
        w->Ed_Note->setFocus();
        QTest::keyClick(w->Ed_Note, Qt::Key_F3);
        QCOMPARE(focused(), w->SearchEdit1);
    }

    void buttonsRunTheirCommandsAndTakeNoFocus()
    {
        auto w = openWindow();
        QSignalSpy insert(w->ActionF5, &QAction::triggered);
        QSignalSpy save(w->ActionF8, &QAction::triggered);
        QTest::mouseClick(w->SBtnInsert, Qt::LeftButton);
        QTest::mouseClick(w->SBtnPost, Qt::LeftButton); // disabled at show
        QCOMPARE(insert.count(), 1);
        QCOMPARE(save.count(), 0);
        QCOMPARE(focused(), w->MaskEdit1);
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    }

    void queryMenuOpensAtThePointer()
    {
        auto w = openWindow();
        QCOMPARE(w->N1->text(), QStringLiteral("檔期查詢"));
        QCOMPARE(w->N2->text(), QStringLiteral("商品查詢"));
        QCOMPARE(w->SpeedButton4->text(), QStringLiteral("查詢F1"));
        const QPoint at(12, 9);
        QTest::mouseMove(w->SpeedButton4, at);
        QTRY_VERIFY(w->PopupMenu1->isVisible());
        QCOMPARE(w->PopupMenu1->pos(), w->SpeedButton4->mapToGlobal(at));
        w->PopupMenu1->hide();

        // The usual secondary click opens it too.
        QVERIFY(!w->PopupMenu1->isVisible());
        QContextMenuEvent context(
            QContextMenuEvent::Mouse, QPoint(20, 20), w->SpeedButton4->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(w->SpeedButton4, &context);
        QTRY_VERIFY(w->PopupMenu1->isVisible());
        w->PopupMenu1->hide();
    }

    void closingAsksNothing()
    {
        ScriptedPrompter prompter;
        auto w = openWindow();
        w->Ed_Note->setFocus();
        QTest::keyClicks(w->Ed_Note, QStringLiteral("typed"));
        QTest::mouseClick(w->SpeedButtonN, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(prompter.count(), 0);
        w->show();
        QVERIFY(w->close()); // the close box
        QCOMPARE(prompter.count(), 0);
    }

    // ---- focus ----------------------------------------------------------------------

    void tabOrderGoesRoundTheWindow()
    {
        auto w = openWindow();
        // The product number box takes the focus only while an item is being entered:
        // in browsing it refuses it, and Tab goes on past it.
        const QList<QWidget *> order = { w->MaskEdit1, w->MaskEdit2, w->Ed_PRICE, w->Ed_VIPPRICE,
            w->Ed_NEW_COST, w->Ed_LIMIT_QTY, w->Ed_SEC_DIS, w->MaskEdit3, w->MaskEdit4, w->Ed_Note,
            w->Ed_Providerid, w->DBGrid2, w->DBGrid3, w->DBGrid4, w->SearchEdit1, w->MaskEdit1 };
        QCOMPARE(focused(), w->MaskEdit1);
        for (int i = 0; i + 1 < order.size(); ++i) {
            // Inside a grid Tab moves between cells; Ctrl+Tab leaves it.
            const bool grid = qobject_cast<TDBGrid *>(order[i]);
            QTest::keyClick(order[i], Qt::Key_Tab, grid ? Qt::ControlModifier : Qt::NoModifier);
            QVERIFY2(focused() == order[i + 1],
                qPrintable(QStringLiteral("after %1 came %2")
                               .arg(order[i]->objectName(),
                                   focused() ? focused()->objectName() : "nothing")));
        }
        QVERIFY(!w->Ed_PROD_ID->isEnabled());
    }

    void enterMovesOnAsTabWouldExceptInGrids_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("start date to end date") << "MaskEdit1"
                                                << "MaskEdit2";
        QTest::newRow("display boxes are skipped") << "Ed_PRICE"
                                                   << "Ed_VIPPRICE";
        QTest::newRow("supplier to the upper pack grid") << "Ed_Providerid"
                                                         << "DBGrid2";
        QTest::newRow("search box round to the start") << "SearchEdit1"
                                                       << "MaskEdit1";
        QTest::newRow("product browser keeps it") << "DBGrid4"
                                                  << "DBGrid4";
        QTest::newRow("pack grid keeps it") << "DBGrid3"
                                            << "DBGrid3";
    }
    void enterMovesOnAsTabWouldExceptInGrids()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        auto w = openWindow();
        QWidget *start = w->findChild<QWidget *>(from);
        start->setFocus();
        QCOMPARE(focused(), start);
        QTest::keyClick(start, Qt::Key_Return);
        QCOMPARE(focused()->objectName(), to);
    }

    void enterInADateBoxWithoutItsYearStays()
    {
        ScriptedPrompter prompter;
        auto w = openWindow();
        QTest::keyClicks(w->MaskEdit1, QStringLiteral("20"));
        QTest::keyClick(w->MaskEdit1, Qt::Key_Return);
        QCOMPARE(focused(), w->MaskEdit1);
        QCOMPARE(prompter.lastText(),
            QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
    }

    // ---- resizing -------------------------------------------------------------------

    void resizingScalesEveryControlAndTheFont()
    {
        auto w = openWindow();
        QCOMPARE(int(LastFormWidth), 812);
        const std::vector<QWidget *> &controls = w->layoutControls();
        QVERIFY(controls.size() >= 80); // 61 named controls and the item pane's labels
        int fontPixels = 13;
        int column0 = w->DBGrid2->columnWidth(0);
        for (int width : { 1218, 812 }) {
            const int m = width;
            const int d = LastFormWidth;
            std::vector<QRect> before;
            for (QWidget *c : controls)
                before.push_back(c->geometry());
            w->resize(width, w->height());
            QTRY_COMPARE(w->width(), width);
            QCOMPARE(int(LastFormWidth), width);
            for (size_t i = 0; i < controls.size(); ++i) {
                const QRect b = before[i];
                const QRect a = controls[i]->geometry();
                const QString what
                    = controls[i]->objectName() + QLatin1Char(' ') + QString::number(width);
                switch (alignOf(controls[i])) {
                case TAlign::None:
                    QCOMPARE(a.left(), scaled(b.left(), m, d));
                    QCOMPARE(a.top(), scaled(b.top(), m, d));
                    QVERIFY2(
                        a.x() + a.width() == scaled(b.x() + b.width(), m, d), qPrintable(what));
                    QVERIFY2(
                        a.y() + a.height() == scaled(b.y() + b.height(), m, d), qPrintable(what));
                    break;
                case TAlign::Top:
                case TAlign::Bottom:
                    QVERIFY2(a.height() == scaled(b.bottom() + 1, m, d) - scaled(b.top(), m, d),
                        qPrintable(what));
                    QVERIFY2(
                        a.width() == clientWidth(controls[i]->parentWidget()), qPrintable(what));
                    break;
                case TAlign::Left:
                case TAlign::Right:
                    QVERIFY2(a.width() == scaled(b.right() + 1, m, d) - scaled(b.left(), m, d),
                        qPrintable(what));
                    break;
                case TAlign::Client:
                    break;
                }
            }
            fontPixels = width == 1218 ? 20 : 13; // 10 points scaled to 15 and back
            QCOMPARE(w->font().pixelSize(), fontPixels);
            QCOMPARE(w->Ed_PROD_NAME->font().pixelSize(), fontPixels);
            column0 = scaled(column0, m, d);
            QCOMPARE(w->DBGrid2->columnWidth(0), column0);
        }
        // The panes fill the window again: the work area reaches the bottom edge.
        QCOMPARE(w->Panel2->geometry().bottom(), w->height() - 1);
        QCOMPARE(w->Panel1->height(), 33);
        QCOMPARE(w->DBGrid2->columnWidth(0), 107);
    }

    void withoutARecordedWidthResizingOnlyRecordsIt()
    {
        auto w = openWindow();
        LastFormWidth = 0;
        const QRect label = w->Label1->geometry();
        w->resize(1000, w->height());
        QTRY_COMPARE(w->width(), 1000);
        QCOMPARE(w->Label1->geometry(), label);
        QCOMPARE(w->font().pixelSize(), 13);
        QCOMPARE(int(LastFormWidth), 1000);
        w->resize(1500, w->height());
        QTRY_COMPARE(w->width(), 1500);
        QCOMPARE(w->Label1->geometry().topLeft(), QPoint(14, 15)); // 9, 10 times 3/2
    }

    void splittersResizeTheirPanes()
    {
        auto w = openWindow();
        const int bill = w->Panel4->width();
        const int upper = w->DBGrid2->height();
        QCOMPARE(w->Splitter1->resizedControl(), w->Panel4);
        QCOMPARE(w->Splitter2->resizedControl(), w->DBGrid2);

        auto drag = [](QWidget *bar, QPoint by) {
            const QPoint start(2, 2);
            QTest::mousePress(bar, Qt::LeftButton, {}, start);
            QMouseEvent move(QEvent::MouseMove, QPointF(start + by),
                QPointF(bar->mapToGlobal(start + by)), Qt::NoButton, Qt::LeftButton,
                Qt::NoModifier);
            QApplication::sendEvent(bar, &move);
            QTest::mouseRelease(bar, Qt::LeftButton, {}, start + by);
        };
        drag(w->Splitter1, QPoint(40, 0));
        QCOMPARE(w->Panel4->width(), bill + 40);
        QCOMPARE(w->Splitter1->x(), w->Panel4->x() + w->Panel4->width());
        QCOMPARE(w->Panel5->x(), w->Splitter1->x() + w->Splitter1->width());
        drag(w->Splitter2, QPoint(0, 25));
        QCOMPARE(w->DBGrid2->height(), upper + 25);
        QCOMPARE(w->Panel11->y(), w->DBGrid2->y() + w->DBGrid2->height() + 5);
        drag(w->Splitter1, QPoint(-1000, 0)); // never below its least size
        QCOMPARE(w->Panel4->width(), w->Splitter1->minSize());
    }
};

QTEST_MAIN(TestFormTarnPromotion)
#include "tst_formtarnpromotion.moc"
