#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class DataSetProvider;
class DataSource;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class RecordSet;
class SqlQuery;
class TDBSpeedButton;
class TLookupGrid;
class TRadioGroup;

class TFrmgetdata;

// Values shared between the lookup dialog and its callers; they outlast any one
// dialog instance.
// The select list of the next search: the caller's field names in field order, each
// followed by "," except the last, which is followed by one blank.
extern QString LookupFields;
// The product number of the confirmed row ("" when the confirmed lookup was not one
// of products). Written only on confirmation.
extern QString LookupResult;
// Whether the lookup that has just ended was confirmed.
extern bool LookupConfirmed;
// The current dialog instance; every operation below acts on it.
extern TFrmgetdata *Frmgetdata;

// Makes a fresh dialog instance, owned by the application, the current one (a previous
// instance still around is destroyed first). Creating it reads "Search.ini".
void RecreateLookup();
// Shows the current instance modally and returns LookupConfirmed once it has closed.
// The instance stays usable until control returns to the event loop, so the calling
// handler can read the picked row; it is destroyed after that.
bool ShowLookup();
// Stores into holder the current-row value of the field named fieldName (letter case
// ignored) of the record set that LookupSource shows. No such field: holder unchanged.
void LookupValue(const QString &fieldName, QVariant &holder);

// The query-and-pick dialog: searches the caller's table by one of its columns (LIKE,
// exact, prefix or contains) and lets the user pick a row of the result.
class TFrmgetdata : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmgetdata(QWidget *parent = nullptr);
    ~TFrmgetdata() override;

    // Inputs, set by the caller before showing the dialog.
    DataSource *LookupSource = nullptr; // the caller's; pointed at what the grid shows
    RecordSet *LookupDataSet = nullptr; // the caller's open record set: the template
    QString LookupTable;                // written after FROM
    QString LookupTail;                 // the statement's last line, beginning with a blank

    // The search: CDS_Query (packets of 1000 rows) through DataSetProvider1 over
    // SQLDataSet1, which the caller gives its connection.
    SqlQuery *SQLDataSet1;
    DataSetProvider *DataSetProvider1;
    RecordSet *CDS_Query;

    QWidget *Panel1;        // top panel
    QWidget *Panel2;        // bottom panel
    QLabel *Label1;
    QComboBox *ComboBox1;   // display names of the fields
    QComboBox *ComboBox2;   // hidden: the field names at the same positions
    TRadioGroup *RadioGroup1;
    QLineEdit *Edit1;
    TDBSpeedButton *dbSBtnFirst;
    TDBSpeedButton *dbSBtnPrior;
    TDBSpeedButton *dbSBtnNext;
    TDBSpeedButton *dbSBtnLast;
    QToolButton *SpeedButton1; // "開始尋找"
    QToolButton *SpeedButton2; // "條件重設"
    QPushButton *BTCMDOK;
    QPushButton *BDCMDNOT;
    TLookupGrid *DBGrid1;

    // The position chosen in the field list: the entry whose text the box shows, -1
    // when its text matches no entry.
    int chosenFieldPosition() const;
    // The statement of the last search, as sent.
    QString lastStatement() const { return m_lastStatement; }
    // The field position read from "Search.ini", applied when the dialog is shown.
    int savedFieldPosition() const { return m_savedPosition; }

    // Handlers
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void BTCMDOKClick();
    void BDCMDNOTClick();
    void ComboBox1KeyDown(int &key, Qt::KeyboardModifiers shift);
    void Edit1KeyDown(int &key, Qt::KeyboardModifiers shift);
    void RadioGroup1Exit();
    void DBGrid1KeyDown(int &key, Qt::KeyboardModifiers shift);
    void FormClose();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend bool ShowLookup();

    void buildLayout();
    void restoreTitles();
    void centreOnDesktop();

    std::unique_ptr<SqlQuery> m_query;
    std::unique_ptr<DataSetProvider> m_provider;
    std::unique_ptr<RecordSet> m_result;
    QStringList m_statementLines;
    QString m_lastStatement;
    int m_savedPosition = 0;
    bool m_activated = false;
    bool m_closed = false;
    bool m_inShowLookup = false;
};
