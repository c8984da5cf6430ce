#pragma once

#include <functional>

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class DataSetProvider;
class DataSource;
class Field;
class QAction;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class RecordSet;
class SqlConnection;
class SqlQuery;
class TDBGrid;
class TDBSpeedButton;
class TMaskEdit;
class TPanel;
class TSearchEdit;
class TShape;
class TSplitter;

// Settings of the window's module, one copy per process.
extern QString BillPrefix;        // prefix of every promotion bill number
extern int BillNumberMode;        // date form inside a bill number; 0 = YYYYMMDD
extern quint16 LastFormWidth;     // window width at the last resize (0: none recorded)

// The promotion maintenance window: period bar, command bar, product browser, bill
// pane, item pane and pack grids. It owns both database connections and every record
// set and statement of the tool.
//
// Building the window opens SQLConnection1 and the product browser's ClientDataSet1; a
// failure there leaves the constructor with the DbError. The creation handler then
// reads the site configuration ("Vantor.dat" beside the executable); its errors are
// reported and the window still opens.
//
// browserProgress, when given, is told the number of products read so far while the
// product browser fills (every few thousand rows), for a start-up splash.
class TFormTarnPromotion : public QWidget
{
    Q_OBJECT
public:
    explicit TFormTarnPromotion(QWidget *parent = nullptr,
                                const std::function<void(int rows)> &browserProgress = {});
    ~TFormTarnPromotion() override;

    // Panes
    TPanel *Panel1, *Panel2, *Panel3, *Panel4, *Panel5, *Panel6, *Panel7, *Panel8, *Panel9,
        *Panel10, *Panel11, *Panel12, *Panel13;
    TSplitter *Splitter1, *Splitter2;
    TShape *Shape1;
    QLabel *Label1, *Label2, *Label21;

    // Period bar
    TMaskEdit *MaskEdit1, *MaskEdit2;
    QToolButton *SpeedButton1;

    // Command bar
    QToolButton *SBtnInsert, *SBtnDelete, *SBtnEdit, *SBtnPost, *SBtnCancel;
    TDBSpeedButton *dbSBtnFirst, *dbSBtnPrior, *dbSBtnNext, *dbSBtnLast;
    QToolButton *SpeedButton4, *SpeedButton5, *SpeedButtonN;

    // Product browser
    TDBGrid *DBGrid4;
    TSearchEdit *SearchEdit1;

    // Bill pane
    QLineEdit *Ed_MASTERBILLID;
    TDBGrid *DBGrid1;

    // Item pane
    QLineEdit *Ed_PROD_ID, *Ed_PROD_BARCODE, *Ed_PROD_ID2, *Ed_PROD_NAME, *Ed_PROD_SCALE,
        *Ed_SALE_PRICE, *Ed_PSALE_PRICE, *Ed_PRICE, *Ed_VIP_PRICE, *Ed_VIPPRICE, *Ed_STD_COST,
        *Ed_NEW_COST, *Ed_LIMIT_QTY, *Ed_SEC_DIS, *Ed_Note, *Ed_STOP_SALE, *Ed_Providerid,
        *Ed_ProviderName;
    TMaskEdit *MaskEdit3, *MaskEdit4;
    QToolButton *SpeedButton2;

    // Pack pane
    TDBGrid *DBGrid2, *DBGrid3;

    // Commands and the query menu
    QAction *ActionF1, *ActionF2, *Action1, *ActionF5, *ActionF6, *ActionF7, *ActionF8,
        *ActionF9;
    QMenu *PopupMenu1;
    QAction *N1, *N2;

    // Database
    SqlConnection *SQLConnection1, *SQLConnection2;
    SqlQuery *SQLQuery1, *SQLQuery2, *SQLQuery3, *SQL_QueryPrice, *SQLQuery_PSALE, *SQL_UPDATE,
        *SQL_Provider, *SQL_ID;
    SqlQuery *SQL_PRODLIST, *SQL_DataSub, *SQL_DataMQTY, *SQL_Product, *SQL_Fac,
        *SQL_PSaleMaster, *SQL_PSaleSub, *SQLDataSet1;
    DataSetProvider *DSP_PRODLIST, *DSP_DataSub, *DSP_DataMQTY, *DSP_Product, *DSP_Fac,
        *DSP_PSaleMaster, *DSP_PSaleSub, *DataSetProvider1;
    RecordSet *CDS_PRODLIST, *CDS_DataSub, *CDS_DataSub2, *CDS_DataMQTY, *CDS_DataMQTY2,
        *CDS_PRODUCT, *CDS_Fac, *CDS_PSaleMaster, *CDS_PSaleSub, *ClientDataSet1, *aCDS;
    DataSource *DS_ProdList, *DS_SUB2, *DS_SUBMQTY, *DS_Search, *DataSource1;

    // Window-wide handlers
    void FormCreate();
    void FormShow();
    void FormResize();
    // A character seen before the focused control; set to 0 to swallow it.
    void FormKeyPress(QChar &key);
    void SpeedButtonNClick();
    void SpeedButton4MouseMove(const QPoint &globalPos);

    // Commands
    void ActionF1Execute();
    void Action1Execute();
    void ActionF5Execute();
    void ActionF6Execute();
    void ActionF7Execute();
    void ActionF8Execute();
    void ActionF9Execute();

    // Period bar and query menu
    void SpeedButton1Click();
    // Key-down handlers: set key to 0 to swallow the key.
    void MaskEdit2KeyDown(int &key, Qt::KeyboardModifiers shift);
    void N1Click();
    void N2Click();
    // The next bill number of date from the counter table, advanced on SQLConnection2.
    // inside runs in the counter's transaction once the number is reserved; returning
    // false gives the number back (the result is then empty).
    QString NextBillNumber(const QString &table, const QString &date,
                           const std::function<bool(const QString &)> &inside = {});
    void pickPeriod(RecordSet *dataSet, const QString &table);
    // The lookup dialog over dataSet (a query of table, tail after its condition);
    // true when the user picked a row.
    bool showLookupOf(RecordSet *dataSet, const QString &table, const QString &tail);

    // Item pane and pack grids, kept in step with the bill's product list
    // Fills the pane from the list's current row and the item stored in the open bill.
    void LoadItemPane();
    // Loads both pack grids for the product number in Ed_PROD_ID and the open bill.
    void LoadPackGrids();
    // The buttons back to browsing, Ed_PROD_ID disabled, the focus off the pane.
    void BrowseReset();
    static bool IsNumberText(const QString &text);

    // Item pane
    void Ed_PROD_IDKeyDown(int &key, Qt::KeyboardModifiers shift);
    void Ed_PROD_IDDblClick();
    // The product number box is about to take the focus; a SilentAbort refuses it.
    void Ed_PROD_IDEnter();
    void Ed_PRICEExit();
    void Ed_VIPPRICEExit();
    void Ed_NEW_COSTExit();
    void Ed_LIMIT_QTYExit();
    void Ed_ProvideridExit();
    void Ed_ProvideridDblClick();
    void SpeedButton2Click();
    // Enter in Ed_PROD_ID: the product by number, barcode or second code; false when
    // none was found.
    bool searchProduct();

    // Grids
    void DBGrid2KeyPress(TDBGrid *grid, QChar &key); // both pack grids
    void DBGrid4TitleClick(int column);
    void DBGrid4DblClick();

    // Record-set events
    void ClientDataSet1AfterOpen(RecordSet &dataSet);
    void CDS_PRODLISTAfterOpen(RecordSet &dataSet); // after open and after scroll
    void CDS_DataSubBeforeInsert(RecordSet &dataSet);
    void CDS_DataSub2BeforeInsert(RecordSet &dataSet);
    void CDS_DataMQTYNewRecord(RecordSet &dataSet);
    void CDS_DataMQTYPACK_QTYValidate(Field &field);
    void CDS_DataMQTYPSALE_PRICEValidate(Field &field);
    void CDS_DataMQTYAfterOpen(RecordSet &dataSet);
    void CDS_DataMQTYAfterPost(RecordSet &dataSet);
    void CDS_DataMQTYAfterDelete(RecordSet &dataSet);
    void CDS_DataMQTYBeforePost(RecordSet &dataSet);

    // The titles of the pack grids' columns (on show and after each load).
    void applyPackGridTitles();
    // Scales every control, the fonts and the grid column widths by m / d.
    void scaleBy(int m, int d);
    // The window's width as the resize rule takes it: the width of its area inside any
    // frame that the window system draws around it.
    int formWidth() const;
    // A command that is enabled and has nothing to run is disabled (at every idle
    // moment).
    void updateCommands();
    // Every control built from the layout, parents before children.
    const std::vector<QWidget *> &layoutControls() const { return m_controls; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    template<typename T>
    void bind(T *&member, const char *name);
    void buildDatabaseMembers();
    void buildControls();
    void buildCommands();
    void bindControls();
    void setUpControls();
    void setUpGrids();
    void wireHandlers();
    void alignAll();
    void centreOnScreen();
    bool keyDown(QWidget *control, QKeyEvent *event);
    void focusEntered(QWidget *control, Qt::FocusReason reason);
    void focusLeft(QWidget *control);
    void checkNumberBox(QLineEdit *box);
    void setBrowsingButtons(bool browsing);
    void loadRegularPacks(const QString &billId, const QString &productNumber);
    void loadBuyNPacks(const QString &billId, const QString &productNumber);

    std::vector<std::unique_ptr<SqlConnection>> m_connections;
    std::vector<std::unique_ptr<SqlQuery>> m_statements;
    std::vector<std::unique_ptr<DataSetProvider>> m_providers;
    std::vector<std::unique_ptr<RecordSet>> m_recordSets;
    std::vector<std::unique_ptr<DataSource>> m_dataSources;

    QHash<QString, QObject *> m_named;  // layout controls and commands by member name
    std::vector<QWidget *> m_controls;  // layout controls, parents first
    QHash<QString, QHash<int, int>> m_columnWidths; // grid -> column -> explicit pixels
    struct CommandHandler
    {
        QAction *action;
        void (TFormTarnPromotion::*execute)();
    };
    std::vector<CommandHandler> m_commands;
    QPointer<QWidget> m_focusBefore;
    QPointer<QWidget> m_entered; // the control that last received the focus
    bool m_shownOnce = false;
    bool m_destroying = false;
};

extern TFormTarnPromotion *FormTarnPromotion;
