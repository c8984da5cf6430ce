#include "Getdata.h"

#include "LookupGrid.h"
#include "LookupSettings.h"
#include "RadioGroup.h"

#include "DBSBtn.h"
#include "ErrorReport.h"
#include "Fonts.h"
#include "Prompter.h"

#include "DataSetProvider.h"
#include "DataSource.h"
#include "Field.h"
#include "RecordSet.h"
#include "SqlQuery.h"
#include "SqlText.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

QString LookupFields;
QString LookupResult;
bool LookupConfirmed = false;
TFrmgetdata *Frmgetdata = nullptr;

// The resources of a static library are registered by hand, outside any namespace.
static void initLookupResources()
{
    Q_INIT_RESOURCE(lookup);
}

namespace {

const QString msgChooseField = QStringLiteral("請選擇查詢條件!");
const QString msgNotFound = QStringLiteral("找不到該條件資料!");

// Match modes of RadioGroup1.
enum MatchMode { ExactMatch = 0, PrefixMatch = 1, ContainsMatch = 2 };

constexpr int clientWidth = 797;
constexpr int clientHeight = 454;
constexpr int topPanelHeight = 90;
constexpr int bottomPanelHeight = 41;
constexpr int leftMargin = 17;
constexpr int rightMargin = 20;

void setupNavigationButton(TDBSpeedButton *button, int left, const QString &caption,
                           const QString &hint, TDBButtonType kind,
                           TDBBDisableReasons reasons)
{
    // Set as a form stores them: the kind first, then the values that override its
    // defaults.
    button->beginLoading();
    button->setDataButtonType(kind);
    button->setDisableReasons(reasons);
    button->setRuntimeEnabled(true);
    button->setHint(hint);
    button->setText(caption);
    button->endLoading();
    button->setGeometry(left, 44, 45, 38);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
}

QToolButton *makeSpeedButton(QWidget *parent, const QString &caption, const QRect &geometry)
{
    auto *button = new QToolButton(parent);
    button->setText(caption);
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton *makeCommandButton(QWidget *parent, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    button->setFont(designFont(13));
    QPalette pal = button->palette();
    pal.setColor(QPalette::ButtonText, Qt::black);
    button->setPalette(pal);
    button->setFocusPolicy(Qt::NoFocus);
    // Enter belongs to the focused control here, never to a default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Operations

void RecreateLookup()
{
    delete Frmgetdata; // its destructor clears Frmgetdata
    auto *dialog = new TFrmgetdata;
    // Owned by the application: destroyed when it quits, if not discarded earlier.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, dialog, &QObject::deleteLater);
    Frmgetdata = dialog;
}

bool ShowLookup()
{
    if (!Frmgetdata)
        return false;
    QPointer<TFrmgetdata> dialog = Frmgetdata;
    LookupConfirmed = false;
    dialog->m_inShowLookup = true;
    dialog->exec();
    if (dialog) {
        dialog->m_inShowLookup = false;
        // Discarded when control returns to the event loop, after the caller's
        // handler has read the picked row.
        if (dialog->m_closed)
            dialog->deleteLater();
    }
    return LookupConfirmed;
}

void LookupValue(const QString &fieldName, QVariant &holder)
{
    if (!Frmgetdata || !Frmgetdata->LookupSource)
        return;
    const RecordSet *shown = Frmgetdata->LookupSource->dataSet();
    if (!shown)
        return;
    for (int i = 0; i < shown->fieldCount(); ++i) {
        const Field *field = shown->field(i);
        if (field->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            holder = field->value();
    }
}

// ---------------------------------------------------------------------------------------
// The dialog

TFrmgetdata::TFrmgetdata(QWidget *parent)
    : QDialog(parent)
    , m_query(std::make_unique<SqlQuery>())
    , m_provider(std::make_unique<DataSetProvider>(m_query.get()))
    , m_result(std::make_unique<RecordSet>(QStringLiteral("CDS_Query")))
{
    initLookupResources();
    installChineseFontSubstitutes();

    SQLDataSet1 = m_query.get();
    DataSetProvider1 = m_provider.get();
    DataSetProvider1->setAllowCommandText(true);
    CDS_Query = m_result.get();
    CDS_Query->setProvider(DataSetProvider1);
    CDS_Query->setPacketRecords(1000);

    buildLayout();

    const LookupSettings settings = LookupSettings::read();
    RadioGroup1->setItemIndex(settings.radio);
    Edit1->setText(settings.edit);
    m_savedPosition = settings.combo;
}

TFrmgetdata::~TFrmgetdata()
{
    if (Frmgetdata == this)
        Frmgetdata = nullptr;
    // CDS_Query goes with the instance; a data source still showing it is left
    // showing nothing (the record set detaches its data sources when destroyed).
}

void TFrmgetdata::buildLayout()
{
    setWindowTitle(QStringLiteral("資料查詢擷取"));
    setFont(designFont(12));
    setModal(true);
    resize(clientWidth, clientHeight);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(topPanelHeight);
    outer->addWidget(Panel1);

    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(leftMargin, 0, rightMargin, 0);
    middle->setSpacing(0);
    DBGrid1 = new TLookupGrid(this);
    middle->addWidget(DBGrid1);
    outer->addLayout(middle, 1);

    Panel2 = new QWidget(this);
    Panel2->setFixedHeight(bottomPanelHeight);
    outer->addWidget(Panel2);

    // Top panel
    Label1 = new QLabel(QStringLiteral("搜尋欄位選擇"), Panel1);
    Label1->setFont(designFont(13));
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(blue);
    Label1->move(26, 4);
    Label1->adjustSize();

    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setEditable(true);
    // Typed text never becomes an entry: the positions must stay those of ComboBox2.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setMaxVisibleItems(20);
    ComboBox1->setGeometry(24, 19, 129, 21);
    ComboBox1->installEventFilter(this);

    ComboBox2 = new QComboBox(Panel1);
    ComboBox2->setGeometry(24, 19, 129, 21);
    ComboBox2->hide();

    RadioGroup1 = new TRadioGroup(Panel1);
    RadioGroup1->setItems({QStringLiteral("完全"), QStringLiteral("字首"),
                           QStringLiteral("其中有")});
    RadioGroup1->setColumns(3);
    RadioGroup1->setGeometry(158, 8, 211, 34);
    RadioGroup1->setItemIndex(ExactMatch);
    connect(RadioGroup1, &TRadioGroup::exited, this, guarded([this] { RadioGroup1Exit(); }));

    Edit1 = new QLineEdit(Panel1);
    Edit1->setGeometry(372, 17, 128, 21);
    Edit1->installEventFilter(this);

    dbSBtnFirst = new TDBSpeedButton(Panel1);
    dbSBtnPrior = new TDBSpeedButton(Panel1);
    dbSBtnNext = new TDBSpeedButton(Panel1);
    dbSBtnLast = new TDBSpeedButton(Panel1);
    const TDBBDisableReasons atStart = drSet({drBOF, drEditing, drEmpty});
    const TDBBDisableReasons atEnd = drSet({drEOF, drEditing, drEmpty});
    setupNavigationButton(dbSBtnFirst, 23, QStringLiteral("首筆"),
                          QStringLiteral("首筆記錄"), nbFirst, atStart);
    setupNavigationButton(dbSBtnPrior, 68, QStringLiteral("前筆"),
                          QStringLiteral("前筆記錄"), nbPrior, atStart);
    setupNavigationButton(dbSBtnNext, 113, QStringLiteral("次筆"),
                          QStringLiteral("次筆記錄"), nbNext, atEnd);
    setupNavigationButton(dbSBtnLast, 159, QStringLiteral("末筆"),
                          QStringLiteral("末筆記錄"), nbLast, atEnd);

    SpeedButton1 = makeSpeedButton(Panel1, QStringLiteral("開始尋找"), {326, 56, 81, 26});
    SpeedButton2 = makeSpeedButton(Panel1, QStringLiteral("條件重設"), {419, 56, 81, 26});
    SpeedButton2->setToolTip(QStringLiteral("重設條件"));
    connect(SpeedButton1, &QToolButton::clicked, this,
            guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this,
            guarded([this] { SpeedButton2Click(); }));

    // Bottom panel
    BTCMDOK = makeCommandButton(Panel2, QStringLiteral("確定&Y"), {545, 8, 73, 22});
    BDCMDNOT = makeCommandButton(Panel2, QStringLiteral("取消&C"), {640, 8, 73, 22});
    connect(BTCMDOK, &QPushButton::clicked, this, guarded([this] { BTCMDOKClick(); }));
    connect(BDCMDNOT, &QPushButton::clicked, this, guarded([this] { BDCMDNOTClick(); }));

    DBGrid1->OnKeyPress = [this](QKeyEvent *event) {
        int key = event->key();
        DBGrid1KeyDown(key, event->modifiers());
        return key == 0;
    };

    // Tab order: field list, search text, match mode, grid. Of the radio buttons only
    // the checked one is a tab stop.
    setTabOrder(ComboBox1, Edit1);
    QWidget *previous = Edit1;
    for (QWidget *button : RadioGroup1->buttons()) {
        setTabOrder(previous, button);
        previous = button;
    }
    setTabOrder(previous, DBGrid1);
    Edit1->setFocus();
}

void TFrmgetdata::centreOnDesktop()
{
    const QScreen *desktop = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!desktop)
        return;
    const QRect area = desktop->availableGeometry();
    const QSize outerSize = frameGeometry().size();
    move(area.x() + (area.width() - outerSize.width()) / 2,
         area.y() + (area.height() - outerSize.height()) / 2);
}

void TFrmgetdata::showEvent(QShowEvent *event)
{
    if (!m_activated) {
        m_activated = true;
        centreOnDesktop();
        ErrorReport::guard([this] { FormShow(); });
    }
    m_closed = false;
    QDialog::showEvent(event);
}

void TFrmgetdata::FormShow()
{
    if (LookupSource)
        LookupSource->setDataSet(LookupDataSet);
    DBGrid1->setDataSource(LookupSource);
    for (TDBSpeedButton *b : {dbSBtnFirst, dbSBtnPrior, dbSBtnNext, dbSBtnLast})
        b->setDataSource(LookupSource);

    ComboBox1->clear();
    ComboBox2->clear();
    if (LookupDataSet) {
        for (int i = 0; i < LookupDataSet->fieldCount(); ++i) {
            const Field *field = LookupDataSet->field(i);
            ComboBox1->addItem(field->displayLabel());
            ComboBox2->addItem(field->fieldName());
        }
    }
    // A position the list does not have chooses nothing.
    const bool inRange = m_savedPosition >= 0 && m_savedPosition < ComboBox1->count();
    ComboBox1->setCurrentIndex(inRange ? m_savedPosition : -1);
    if (!inRange)
        ComboBox1->setEditText(QString());
    Edit1->setFocus();
}

int TFrmgetdata::chosenFieldPosition() const
{
    const QString text = ComboBox1->currentText();
    if (text.isEmpty())
        return -1;
    const int current = ComboBox1->currentIndex();
    if (current >= 0 && ComboBox1->itemText(current) == text)
        return current;
    // Typed text: the entry it names, letter case ignored, as a drop-down list finds it.
    return ComboBox1->findText(text, Qt::MatchFixedString);
}

void TFrmgetdata::SpeedButton1Click()
{
    if (ComboBox1->currentText().isEmpty()) {
        Prompter::current().message(msgChooseField);
        return;
    }
    // Text that names no entry gives no column to search.
    const int position = chosenFieldPosition();
    if (position < 0 || position >= ComboBox2->count()) {
        Prompter::current().message(msgChooseField);
        return;
    }
    const QString columnName = ComboBox2->itemText(position);

    CDS_Query->close();
    m_statementLines.clear();

    // Quotes in the search text are doubled so that they are searched for; "%" and "_"
    // keep acting as wildcards.
    const QString searchText = sqlEscape(Edit1->text());
    QString condition;
    switch (RadioGroup1->itemIndex()) {
    case PrefixMatch:
        condition = QStringLiteral("like '") + searchText + QStringLiteral("%'");
        break;
    case ContainsMatch:
        condition = QStringLiteral("like '%") + searchText + QStringLiteral("%'");
        break;
    case ExactMatch:
    default:
        condition = QStringLiteral("like '") + searchText + QStringLiteral("'");
        break;
    }
    m_statementLines << QStringLiteral("select ") + LookupFields + QStringLiteral(" from ")
                     << LookupTable + QStringLiteral(" ") << QStringLiteral("where ")
                     << columnName << condition << LookupTail;

    QString statement;
    for (const QString &line : std::as_const(m_statementLines))
        statement += line + QStringLiteral("\r\n");
    m_lastStatement = statement;
    CDS_Query->setCommandText(statement);
    CDS_Query->open();

    if (!CDS_Query->isEmpty()) {
        if (LookupSource)
            LookupSource->setDataSet(CDS_Query);
        restoreTitles();
    } else {
        restoreTitles();
        Prompter::current().message(msgNotFound);
    }
}

void TFrmgetdata::restoreTitles()
{
    // The result's fields carry the column names; the caller's display names go back
    // in their place. Positions beyond the grid's columns are ignored.
    const int columns = DBGrid1->columnCountShown();
    for (int i = 0; i < ComboBox1->count() && i < columns; ++i)
        DBGrid1->setColumnTitle(i, ComboBox1->itemText(i));
}

void TFrmgetdata::SpeedButton2Click()
{
    Edit1->clear();
    if (LookupSource)
        LookupSource->setDataSet(LookupDataSet);
}

void TFrmgetdata::BTCMDOKClick()
{
    const RecordSet *shown = LookupSource ? LookupSource->dataSet() : nullptr;
    const Field *first = shown && shown->active() && shown->fieldCount() > 0 ? shown->field(0)
                                                                             : nullptr;
    if (first && first->fieldName().toUpper() == QLatin1String("PROD_ID"))
        LookupResult = first->asString();
    else
        LookupResult.clear();
    LookupConfirmed = true;
    accept();
}

void TFrmgetdata::BDCMDNOTClick()
{
    LookupConfirmed = false;
    reject();
}

void TFrmgetdata::DBGrid1KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    (void)shift;
    if (!isEnterKey(key))
        return;
    key = 0;
    BTCMDOKClick();
}

void TFrmgetdata::ComboBox1KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    (void)shift;
    if (isEnterKey(key)) {
        key = 0;
        DBGrid1->setFocus(Qt::TabFocusReason);
    } else if (key == Qt::Key_Escape) {
        key = 0;
        LookupConfirmed = false;
        reject();
    }
}

void TFrmgetdata::Edit1KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    (void)shift;
    if (!isEnterKey(key))
        return;
    key = 0;
    if (!Edit1->text().isEmpty())
        SpeedButton1Click();
}

void TFrmgetdata::RadioGroup1Exit()
{
    if (!Edit1->text().isEmpty() && !ComboBox1->currentText().isEmpty())
        SpeedButton1Click();
}

void TFrmgetdata::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    LookupSettings settings;
    settings.combo = chosenFieldPosition();
    settings.radio = RadioGroup1->itemIndex();
    settings.edit = Edit1->text();
    m_statementLines.clear();
    QString error;
    QString path;
    if (!settings.write(&error, &path))
        Prompter::current().error(QStringLiteral("無法寫入設定檔 ") + path
                                  + QStringLiteral(": ") + error);
}

void TFrmgetdata::done(int result)
{
    // Every way of closing but confirmation leaves the lookup unconfirmed.
    if (result != QDialog::Accepted)
        LookupConfirmed = false;
    if (m_activated)
        ErrorReport::guard([this] { FormClose(); });
    QDialog::done(result);
    // Shown by ShowLookup, the instance is discarded once ShowLookup has returned;
    // shown otherwise, when control returns to the event loop.
    if (!m_inShowLookup)
        deleteLater();
}

void TFrmgetdata::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the dialog only from the field list (see ComboBox1KeyDown).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFrmgetdata::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == ComboBox1 || watched == Edit1)) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        int key = keyEvent->key();
        const Qt::KeyboardModifiers shift = keyEvent->modifiers();
        if (watched == ComboBox1)
            ErrorReport::guard([&] { ComboBox1KeyDown(key, shift); });
        else
            ErrorReport::guard([&] { Edit1KeyDown(key, shift); });
        if (key == 0)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
