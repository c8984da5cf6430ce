#include "FrmTarnPromotion.h"

#include "FieldTables.h"
#include "ItemEntry.h"
#include "ItemSave.h"
#include "Panel.h"
#include "Shape.h"
#include "Splitter.h"
#include "WindowLayout.h"

#include "DBGrid.h"
#include "DBSBtn.h"
#include "DBSearch.h"
#include "ErrorReport.h"
#include "Fonts.h"
#include "MaskEdit.h"
#include "Prompter.h"

#include "Getdata.h"

#include "BillNumber.h"
#include "Conversions.h"
#include "ItemStore.h"
#include "ConnectionParams.h"
#include "DataSetProvider.h"
#include "DataSource.h"
#include "Field.h"
#include "PeriodBill.h"
#include "RecordSet.h"
#include "SilentAbort.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QScopeGuard>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

QString BillPrefix;
int BillNumberMode = 0;
quint16 LastFormWidth = 0;
TFormTarnPromotion *FormTarnPromotion = nullptr;

namespace {

using namespace WindowLayout;

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// value * m / d rounded to the nearest whole number, halves away from zero.
int mulDiv(int value, int m, int d)
{
    const qint64 p = qint64(value) * m;
    const qint64 q = d;
    const qint64 rounded = (std::llabs(p) * 2 + std::llabs(q)) / (std::llabs(q) * 2);
    return int(((p < 0) != (q < 0)) ? -rounded : rounded);
}

// A font's pixel height scaled through its size in points at 96 dots per inch, the way
// the window's font size is kept.
int scaledFontPixels(int pixels, int m, int d)
{
    const int points = mulDiv(pixels, 72, 96);
    return qMax(1, mulDiv(mulDiv(points, m, d), 96, 72));
}

bool insideGrid(const QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        if (qobject_cast<const QAbstractItemView *>(w))
            return true;
    }
    return false;
}

bool isMultiLine(const QWidget *w)
{
    return qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w);
}

// The user leaves a box with Tab, Shift+Tab, Enter (which moves on as Tab), the mouse or
// a shortcut. The window's own commands move the focus too (to the search box after a
// reload, to the product box on F5): leaving a box that way checks nothing, so that a
// box the command has just emptied does not complain.
bool userLeaves(const QFocusEvent *event)
{
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    default:
        return false;
    }
}

void setBoxColor(QWidget *box, const QColor &color)
{
    if (!color.isValid())
        return;
    QPalette p = box->palette();
    p.setColor(QPalette::Base, color);
    box->setPalette(p);
}

template<typename T> T *pick(const QHash<QString, T *> &objects, const char *name)
{
    T *object = objects.value(QLatin1String(name));
    if (!object)
        throw std::logic_error(std::string("the promotion window has no member ") + name);
    return object;
}

const QColor SearchColumnColor(255, 255, 0);
// Rows of the product browser between two progress reports while it fills: a few
// milliseconds of reading.
constexpr int BrowserProgressRows = 4096;

// Closes a statement and gives it new lines.
void setLines(SqlQuery *query, const QStringList &lines)
{
    query->close();
    query->clear();
    for (const QString &line : lines)
        query->addLine(line);
}

// A field of the current row as a box shows it: numbers as their shortest text, null as
// an empty box.
QString boxText(const RecordSet *dataSet, const char *field)
{
    return dataSet->fieldByName(QLatin1String(field))->asString();
}

QString boxText(const SqlQuery *query, const char *field)
{
    return query->asString(QLatin1String(field));
}

// Display updates of a record set suspended for as long as it lives.
class ControlsDisabled
{
public:
    explicit ControlsDisabled(RecordSet *dataSet)
        : m_dataSet(dataSet)
    {
        m_dataSet->disableControls();
    }
    ~ControlsDisabled() { m_dataSet->enableControls(); }
    ControlsDisabled(const ControlsDisabled &) = delete;
    ControlsDisabled &operator=(const ControlsDisabled &) = delete;

private:
    RecordSet *m_dataSet;
};

// The committed rows of a pack grid's record set as a save reads them. Going to the
// first row commits a row still being typed (its checks may refuse it); a set whose
// only row is still being typed has no rows.
std::vector<PackRowTexts> packRowsOf(RecordSet *dataSet)
{
    std::vector<PackRowTexts> rows;
    if (!dataSet->active() || dataSet->isEmpty())
        return rows;
    dataSet->first();
    ControlsDisabled quiet(dataSet);
    for (; !dataSet->eof(); dataSet->next()) {
        rows.push_back({ boxText(dataSet, "PSALE_PRICE"), boxText(dataSet, "SAL_PRICE"),
            boxText(dataSet, "PVIP_PRICE"), boxText(dataSet, "PNEW_COST"),
            boxText(dataSet, "PACK_QTY"), boxText(dataSet, "SAL_NAME") });
    }
    return rows;
}

Field *fieldOf(RecordSet &row, const char *name)
{
    return row.fieldByName(QLatin1String(name));
}

// A pack row's promotion cost: the pane's promotion cost times the pack quantity; none
// without a quantity.
void setPackCost(RecordSet &row, const QString &promotionCost)
{
    const Field *quantity = fieldOf(row, "PACK_QTY");
    Field *cost = fieldOf(row, "PNEW_COST");
    if (quantity->isNull())
        cost->clear();
    else
        cost->setAsFloat(textToNumber(promotionCost) * quantity->asFloat());
}

// The bill's stored values of the row's pack quantity, read by query (its lines set).
bool openStoredPackValues(SqlQuery *query, RecordSet &row)
{
    const Field *quantity = fieldOf(row, "PACK_QTY");
    query->close();
    if (quantity->isNull())
        query->setParamNull(QStringLiteral("PACK_QTY"));
    else
        query->setParamNumber(QStringLiteral("PACK_QTY"), quantity->asFloat());
    query->open();
    return !query->eof();
}

// A pack row's promotion price and member promotion price, in that order: the bill's
// stored values of its quantity where there are some (true; the stored row stays
// readable), else its regular prices.
bool takePromotionPrices(RecordSet &row, SqlQuery *stored)
{
    const bool found = openStoredPackValues(stored, row);
    fieldOf(row, "PSALE_PRICE")
        ->setValue(found ? stored->value(QStringLiteral("PSALE_PRICE"))
                         : fieldOf(row, "SAL_PRICE")->value());
    fieldOf(row, "PVIP_PRICE")
        ->setValue(found ? stored->value(QStringLiteral("VIP_PRICE"))
                         : fieldOf(row, "VIP_PRICE")->value());
    return found;
}

const char *const NotANumberSuffix = " 非正確數字格式..!";
// A new buy-N row whose quantity another row of the grid already offers.
const char *const BuyNTakenMessage = "此數量已有買N優惠..!";

} // namespace

TFormTarnPromotion::TFormTarnPromotion(QWidget *parent,
                                       const std::function<void(int rows)> &browserProgress)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("FormTarnPromotion"));
    installChineseFontSubstitutes();
    QFont designFont(QStringLiteral("細明體"));
    designFont.setPixelSize(FontPixels);
    setFont(designFont);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));
    setPalette(p);
    resize(DesignWidth, DesignHeight);

    buildDatabaseMembers();
    buildControls();
    buildCommands();
    bindControls();
    setUpControls();
    setUpGrids();
    wireHandlers();
    alignAll();

    // Stored connected and active with the window: a failure here ends its creation.
    SQLConnection1->open();
    if (browserProgress)
        ClientDataSet1->setFetchProgress(browserProgress, BrowserProgressRows);
    ClientDataSet1->open();
    ClientDataSet1->setFetchProgress({});

    ErrorReport::guard([this] { FormCreate(); });

    // Commands are checked whenever the window is idle, the first time right away.
    QTimer::singleShot(0, this, &TFormTarnPromotion::updateCommands);
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            &TFormTarnPromotion::updateCommands);
}

TFormTarnPromotion::~TFormTarnPromotion()
{
    if (FormTarnPromotion == this)
        FormTarnPromotion = nullptr;
    // Controls going away lose the focus: no exit handler runs for that.
    m_destroying = true;
    // The controls are linked to the data sources and record sets: they go first.
    m_controls.clear();
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
    m_dataSources.clear();
    m_recordSets.clear();
    m_providers.clear();
    m_statements.clear();
    m_connections.clear();
}

// ---------------------------------------------------------------------------------------
// Building

void TFormTarnPromotion::buildDatabaseMembers()
{
    m_connections.push_back(std::make_unique<SqlConnection>(QStringLiteral("Quillon")));
    SQLConnection1 = m_connections.back().get();
    m_connections.push_back(std::make_unique<SqlConnection>(QStringLiteral("Quillon")));
    SQLConnection2 = m_connections.back().get();

    QHash<QString, SqlQuery *> statements;
    auto newStatement = [&](const char *name, SqlConnection *connection) {
        m_statements.push_back(std::make_unique<SqlQuery>(connection));
        statements.insert(QLatin1String(name), m_statements.back().get());
        return m_statements.back().get();
    };
    for (const StatementRow &row : WindowLayout::statements())
        newStatement(row.statement, row.connection == 2 ? SQLConnection2 : SQLConnection1);

    QHash<QString, DataSetProvider *> providers;
    QHash<QString, RecordSet *> recordSets;
    for (const RecordSetRow &row : WindowLayout::recordSets()) {
        SqlQuery *statement = nullptr;
        if (row.statement) {
            statement = newStatement(row.statement, SQLConnection1);
            statement->setText(utf8(row.commandText));
        }
        DataSetProvider *provider = nullptr;
        if (row.provider) {
            provider = providers.value(QLatin1String(row.provider));
            if (!provider) {
                m_providers.push_back(std::make_unique<DataSetProvider>(statement));
                provider = m_providers.back().get();
                providers.insert(QLatin1String(row.provider), provider);
            }
        }
        m_recordSets.push_back(std::make_unique<RecordSet>(QLatin1String(row.recordSet)));
        RecordSet *recordSet = m_recordSets.back().get();
        recordSet->setProvider(provider);
        if (row.packetRecords > 0)
            recordSet->setPacketRecords(row.packetRecords);
        FieldTables::declare(*recordSet, FieldTables::of(row.recordSet));
        recordSets.insert(QLatin1String(row.recordSet), recordSet);
    }

    QHash<QString, DataSource *> dataSources;
    for (const DataSourceRow &row : WindowLayout::dataSources()) {
        m_dataSources.push_back(std::make_unique<DataSource>());
        DataSource *source = m_dataSources.back().get();
        if (row.recordSet)
            source->setDataSet(pick(recordSets, row.recordSet));
        dataSources.insert(QLatin1String(row.dataSource), source);
    }

    SQLQuery1 = pick(statements, "SQLQuery1");
    SQLQuery2 = pick(statements, "SQLQuery2");
    SQLQuery3 = pick(statements, "SQLQuery3");
    SQL_QueryPrice = pick(statements, "SQL_QueryPrice");
    SQLQuery_PSALE = pick(statements, "SQLQuery_PSALE");
    SQL_UPDATE = pick(statements, "SQL_UPDATE");
    SQL_Provider = pick(statements, "SQL_Provider");
    SQL_ID = pick(statements, "SQL_ID");
    SQL_PRODLIST = pick(statements, "SQL_PRODLIST");
    SQL_DataSub = pick(statements, "SQL_DataSub");
    SQL_DataMQTY = pick(statements, "SQL_DataMQTY");
    SQL_Product = pick(statements, "SQL_Product");
    SQL_Fac = pick(statements, "SQL_Fac");
    SQL_PSaleMaster = pick(statements, "SQL_PSaleMaster");
    SQL_PSaleSub = pick(statements, "SQL_PSaleSub");
    SQLDataSet1 = pick(statements, "SQLDataSet1");

    DSP_PRODLIST = pick(providers, "DSP_PRODLIST");
    DSP_DataSub = pick(providers, "DSP_DataSub");
    DSP_DataMQTY = pick(providers, "DSP_DataMQTY");
    DSP_Product = pick(providers, "DSP_Product");
    DSP_Fac = pick(providers, "DSP_Fac");
    DSP_PSaleMaster = pick(providers, "DSP_PSaleMaster");
    DSP_PSaleSub = pick(providers, "DSP_PSaleSub");
    DataSetProvider1 = pick(providers, "DataSetProvider1");

    CDS_PRODLIST = pick(recordSets, "CDS_PRODLIST");
    CDS_DataSub = pick(recordSets, "CDS_DataSub");
    CDS_DataSub2 = pick(recordSets, "CDS_DataSub2");
    CDS_DataMQTY = pick(recordSets, "CDS_DataMQTY");
    CDS_DataMQTY2 = pick(recordSets, "CDS_DataMQTY2");
    CDS_PRODUCT = pick(recordSets, "CDS_PRODUCT");
    CDS_Fac = pick(recordSets, "CDS_Fac");
    CDS_PSaleMaster = pick(recordSets, "CDS_PSaleMaster");
    CDS_PSaleSub = pick(recordSets, "CDS_PSaleSub");
    ClientDataSet1 = pick(recordSets, "ClientDataSet1");
    aCDS = pick(recordSets, "aCDS");

    DS_ProdList = pick(dataSources, "DS_ProdList");
    DS_SUB2 = pick(dataSources, "DS_SUB2");
    DS_SUBMQTY = pick(dataSources, "DS_SUBMQTY");
    DS_Search = pick(dataSources, "DS_Search");
    DataSource1 = pick(dataSources, "DataSource1");
}

void TFormTarnPromotion::buildControls()
{
    auto parentOf = [this](const char *name) -> QWidget * {
        if (!name)
            return this;
        QWidget *parent = qobject_cast<QWidget *>(m_named.value(QLatin1String(name)));
        if (!parent)
            throw std::logic_error(
                std::string("the layout places a control in ") + name + " before it exists");
        return parent;
    };
    auto add = [this](QWidget *w, const char *name) {
        if (name && *name) {
            w->setObjectName(QLatin1String(name));
            m_named.insert(QLatin1String(name), w);
        }
        m_controls.push_back(w);
    };
    auto newBox = [](Kind kind, Look look, QWidget *parent) -> QLineEdit * {
        QLineEdit *box = kind == Kind::DateBox ? new TMaskEdit(parent) : new QLineEdit(parent);
        setBoxColor(box, lookColor(look));
        if (look == Look::Display || look == Look::BillNumber) {
            box->setReadOnly(true);
            box->setFocusPolicy(Qt::ClickFocus); // skipped by Tab
        }
        return box;
    };
    auto setBoxText = [](QLineEdit *box, const QString &text) {
        if (TMaskEdit *date = qobject_cast<TMaskEdit *>(box))
            date->setText(text);
        else
            box->setText(text);
    };

    for (const Control &c : WindowLayout::controls()) {
        QWidget *parent = parentOf(c.parent);
        QWidget *w = nullptr;
        switch (c.kind) {
        case Kind::Panel: {
            TPanel *panel = new TPanel(parent);
            panel->setColor(lookColor(c.look));
            panel->setBevelWidth(c.look == Look::Bare ? 0 : 1);
            panel->setCaption(utf8(c.text));
            w = panel;
            break;
        }
        case Kind::Label: {
            QLabel *label = new QLabel(utf8(c.text), parent);
            label->move(c.left, c.top);
            label->resize(label->sizeHint());
            w = label;
            break;
        }
        case Kind::Edit:
        case Kind::DateBox: {
            QLineEdit *box = newBox(c.kind, c.look, parent);
            if (c.maxLength > 0)
                box->setMaxLength(c.maxLength);
            setBoxText(box, utf8(c.text));
            w = box;
            break;
        }
        case Kind::Button: {
            QToolButton *button = new QToolButton(parent);
            button->setAutoRaise(true);
            button->setFocusPolicy(Qt::NoFocus);
            button->setText(utf8(c.text));
            button->setToolTip(utf8(c.hint));
            button->setToolButtonStyle(
                c.height >= 40 ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
            w = button;
            break;
        }
        case Kind::NavButton: {
            TDBSpeedButton *button = new TDBSpeedButton(parent);
            button->setFocusPolicy(Qt::NoFocus);
            w = button;
            break;
        }
        case Kind::Grid:
            w = new TDBGrid(parent);
            break;
        case Kind::SearchBox: {
            TSearchEdit *edit = new TSearchEdit(parent);
            edit->setFrame(false);
            setBoxColor(edit, lookColor(c.look));
            w = edit;
            break;
        }
        case Kind::Splitter: {
            TSplitter *splitter = new TSplitter(parent);
            splitter->setColor(lookColor(c.look));
            w = splitter;
            break;
        }
        case Kind::Shape: {
            TShape *shape = new TShape(parent);
            shape->setBrushColor(lookColor(c.look));
            shape->setPenColor(lookColor(c.look));
            w = shape;
            break;
        }
        }
        if (c.kind != Kind::Label)
            w->setGeometry(c.left, c.top, c.width, c.height);
        setAlign(w, TAlign(int(c.dock)));
        add(w, c.name);
    }

    QWidget *itemPane = parentOf("Panel6");
    for (const ItemBox &b : WindowLayout::itemBoxes()) {
        QLineEdit *box = newBox(b.kind, b.look, itemPane);
        box->setGeometry(b.left, b.top, b.width, BoxHeight);
        if (b.maxLength > 0)
            box->setMaxLength(b.maxLength);
        setBoxText(box, utf8(b.text));
        add(box, b.box);
        if (!*b.label)
            continue;
        QLabel *label = new QLabel(utf8(b.label), itemPane);
        label->setBuddy(box);
        if (qstrcmp(b.label, "~") == 0) {
            // Bold and centred between the two dates of the item's own range.
            QFont bold;
            bold.setBold(true);
            label->setFont(bold);
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            label->setGeometry(
                b.labelLeft, b.labelTop, b.left - b.labelLeft, label->sizeHint().height());
        } else {
            label->move(b.labelLeft, b.labelTop);
            label->resize(label->sizeHint());
        }
        add(label, nullptr);
    }
}

void TFormTarnPromotion::buildCommands()
{
    for (const Command &c : WindowLayout::commands()) {
        QAction *action = new QAction(utf8(c.caption), this);
        action->setObjectName(QLatin1String(c.name));
        action->setShortcut(QKeySequence(c.key));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        m_named.insert(QLatin1String(c.name), action);
    }
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    for (const MenuItem &item : WindowLayout::popupMenu()) {
        QAction *action = PopupMenu1->addAction(utf8(item.caption));
        action->setObjectName(QLatin1String(item.name));
        m_named.insert(QLatin1String(item.name), action);
    }
}

template<typename T> void TFormTarnPromotion::bind(T *&member, const char *name)
{
    member = qobject_cast<T *>(m_named.value(QLatin1String(name)));
    if (!member)
        throw std::logic_error(std::string("the promotion window has no member ") + name);
}

void TFormTarnPromotion::bindControls()
{
    bind(Panel1, "Panel1");
    bind(Panel2, "Panel2");
    bind(Panel3, "Panel3");
    bind(Panel4, "Panel4");
    bind(Panel5, "Panel5");
    bind(Panel6, "Panel6");
    bind(Panel7, "Panel7");
    bind(Panel8, "Panel8");
    bind(Panel9, "Panel9");
    bind(Panel10, "Panel10");
    bind(Panel11, "Panel11");
    bind(Panel12, "Panel12");
    bind(Panel13, "Panel13");
    bind(Splitter1, "Splitter1");
    bind(Splitter2, "Splitter2");
    bind(Shape1, "Shape1");
    bind(Label1, "Label1");
    bind(Label2, "Label2");
    bind(Label21, "Label21");
    bind(MaskEdit1, "MaskEdit1");
    bind(MaskEdit2, "MaskEdit2");
    bind(MaskEdit3, "MaskEdit3");
    bind(MaskEdit4, "MaskEdit4");
    bind(SpeedButton1, "SpeedButton1");
    bind(SpeedButton2, "SpeedButton2");
    bind(SpeedButton4, "SpeedButton4");
    bind(SpeedButton5, "SpeedButton5");
    bind(SpeedButtonN, "SpeedButtonN");
    bind(SBtnInsert, "SBtnInsert");
    bind(SBtnDelete, "SBtnDelete");
    bind(SBtnEdit, "SBtnEdit");
    bind(SBtnPost, "SBtnPost");
    bind(SBtnCancel, "SBtnCancel");
    bind(dbSBtnFirst, "dbSBtnFirst");
    bind(dbSBtnPrior, "dbSBtnPrior");
    bind(dbSBtnNext, "dbSBtnNext");
    bind(dbSBtnLast, "dbSBtnLast");
    bind(DBGrid1, "DBGrid1");
    bind(DBGrid2, "DBGrid2");
    bind(DBGrid3, "DBGrid3");
    bind(DBGrid4, "DBGrid4");
    bind(SearchEdit1, "SearchEdit1");
    bind(Ed_MASTERBILLID, "Ed_MASTERBILLID");
    bind(Ed_PROD_ID, "Ed_PROD_ID");
    bind(Ed_PROD_BARCODE, "Ed_PROD_BARCODE");
    bind(Ed_PROD_ID2, "Ed_PROD_ID2");
    bind(Ed_PROD_NAME, "Ed_PROD_NAME");
    bind(Ed_PROD_SCALE, "Ed_PROD_SCALE");
    bind(Ed_SALE_PRICE, "Ed_SALE_PRICE");
    bind(Ed_PSALE_PRICE, "Ed_PSALE_PRICE");
    bind(Ed_PRICE, "Ed_PRICE");
    bind(Ed_VIP_PRICE, "Ed_VIP_PRICE");
    bind(Ed_VIPPRICE, "Ed_VIPPRICE");
    bind(Ed_STD_COST, "Ed_STD_COST");
    bind(Ed_NEW_COST, "Ed_NEW_COST");
    bind(Ed_LIMIT_QTY, "Ed_LIMIT_QTY");
    bind(Ed_SEC_DIS, "Ed_SEC_DIS");
    bind(Ed_Note, "Ed_Note");
    bind(Ed_STOP_SALE, "Ed_STOP_SALE");
    bind(Ed_Providerid, "Ed_Providerid");
    bind(Ed_ProviderName, "Ed_ProviderName");
    bind(ActionF1, "ActionF1");
    bind(ActionF2, "ActionF2");
    bind(Action1, "Action1");
    bind(ActionF5, "ActionF5");
    bind(ActionF6, "ActionF6");
    bind(ActionF7, "ActionF7");
    bind(ActionF8, "ActionF8");
    bind(ActionF9, "ActionF9");
    bind(N1, "N1");
    bind(N2, "N2");
}

void TFormTarnPromotion::setUpControls()
{
    for (const ButtonBinding &b : WindowLayout::buttons()) {
        QToolButton *button = qobject_cast<QToolButton *>(m_named.value(QLatin1String(b.button)));
        const QIcon picture = style()->standardIcon(b.picture);
        if (b.command) {
            // The button takes its caption, picture and enabled state from its command.
            QAction *command = qobject_cast<QAction *>(m_named.value(QLatin1String(b.command)));
            command->setIcon(picture);
            button->setDefaultAction(command);
        } else {
            button->setIcon(picture);
        }
        button->setIconSize(button->toolButtonStyle() == Qt::ToolButtonTextUnderIcon
                ? QSize(22, 22)
                : QSize(16, 16));
    }

    for (const NavButtonSpec &n : WindowLayout::navButtons()) {
        TDBSpeedButton *button
            = qobject_cast<TDBSpeedButton *>(m_named.value(QLatin1String(n.button)));
        const auto row
            = std::find_if(WindowLayout::controls().begin(), WindowLayout::controls().end(),
                [&](const Control &c) { return qstrcmp(c.name, n.button) == 0; });
        button->beginLoading();
        button->setDataButtonType(n.kind);
        button->setText(utf8(row->text));
        button->setHint(utf8(row->hint));
        button->setDataSource(DS_ProdList);
        button->endLoading();
    }

    SearchEdit1->setDataSource(DataSource1);
    SearchEdit1->setDataField(QStringLiteral("PROD_BARCODE"));
    SearchEdit1->setUpperCase(true);
    SearchEdit1->setText(QStringLiteral("   0"));

    DBGrid1->setFocusPolicy(Qt::ClickFocus); // no tab stop

    const auto order = WindowLayout::tabOrder();
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(qobject_cast<QWidget *>(m_named.value(QLatin1String(order[i]))),
            qobject_cast<QWidget *>(m_named.value(QLatin1String(order[i + 1]))));
    }
}

void TFormTarnPromotion::setUpGrids()
{
    const QHash<QString, DataSource *> sources = {
        { QStringLiteral("DS_ProdList"), DS_ProdList },
        { QStringLiteral("DS_SUB2"), DS_SUB2 },
        { QStringLiteral("DS_SUBMQTY"), DS_SUBMQTY },
        { QStringLiteral("DataSource1"), DataSource1 },
    };
    for (const GridSpec &g : WindowLayout::grids()) {
        TDBGrid *grid = qobject_cast<TDBGrid *>(m_named.value(QLatin1String(g.grid)));
        QStringList fields;
        for (const GridColumn &column : g.columns)
            fields.append(QLatin1String(column.field));
        grid->setColumns(fields);
        grid->setReadOnly(g.readOnly);
        grid->setAllowAppend(g.allowAppend);
        grid->setDataSource(pick(sources, g.dataSource));
        for (int i = 0; i < int(g.columns.size()); ++i) {
            const GridColumn &column = g.columns[size_t(i)];
            if (*column.title)
                grid->setColumnTitle(i, utf8(column.title));
            if (column.width >= 0) {
                grid->setColumnWidthPixels(i, column.width);
                m_columnWidths[grid->objectName()].insert(i, column.width);
            }
            grid->setColumnColor(i, WindowLayout::columnColor(column.color));
            if (column.readOnly)
                grid->setColumnReadOnly(i, true);
        }
    }
}

void TFormTarnPromotion::wireHandlers()
{
    // Commands; ActionF2 has nothing to run.
    const std::pair<QAction *, void (TFormTarnPromotion::*)()> commands[] = {
        { ActionF1, &TFormTarnPromotion::ActionF1Execute },
        { ActionF2, nullptr },
        { Action1, &TFormTarnPromotion::Action1Execute },
        { ActionF5, &TFormTarnPromotion::ActionF5Execute },
        { ActionF6, &TFormTarnPromotion::ActionF6Execute },
        { ActionF7, &TFormTarnPromotion::ActionF7Execute },
        { ActionF8, &TFormTarnPromotion::ActionF8Execute },
        { ActionF9, &TFormTarnPromotion::ActionF9Execute },
    };
    for (const auto &[action, execute] : commands) {
        m_commands.push_back({ action, execute });
        if (execute)
            connect(action, &QAction::triggered, this,
                guarded([this, execute] { (this->*execute)(); }));
    }
    connect(N1, &QAction::triggered, this, guarded([this] { N1Click(); }));
    connect(N2, &QAction::triggered, this, guarded([this] { N2Click(); }));

    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
    connect(SpeedButtonN, &QToolButton::clicked, this, guarded([this] { SpeedButtonNClick(); }));

    // The query menu opens when the pointer moves over "查詢F1", and on a secondary click.
    SpeedButton4->setMouseTracking(true);
    SpeedButton4->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SpeedButton4, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        ErrorReport::guard([&] { PopupMenu1->popup(SpeedButton4->mapToGlobal(pos)); });
    });

    for (TDBGrid *grid : { DBGrid2, DBGrid3 }) {
        grid->OnKeyPress = [this, grid](QKeyEvent *event) {
            if (event->text().isEmpty())
                return false;
            QChar key = event->text().at(0);
            DBGrid2KeyPress(grid, key);
            return key.isNull();
        };
    }
    connect(DBGrid4, &TDBGrid::titleClicked, this,
        [this](int column) { ErrorReport::guard([&] { DBGrid4TitleClick(column); }); });
    connect(DBGrid4, &TDBGrid::rowDoubleClicked, this, guarded([this] { DBGrid4DblClick(); }));

    CDS_PRODLIST->AfterOpen = [this](RecordSet &rs) { CDS_PRODLISTAfterOpen(rs); };
    CDS_PRODLIST->AfterScroll = [this](RecordSet &rs) { CDS_PRODLISTAfterOpen(rs); };
    ClientDataSet1->AfterOpen = [this](RecordSet &rs) { ClientDataSet1AfterOpen(rs); };
    CDS_DataSub->BeforeInsert = [this](RecordSet &rs) { CDS_DataSubBeforeInsert(rs); };
    CDS_DataSub2->BeforeInsert = [this](RecordSet &rs) { CDS_DataSub2BeforeInsert(rs); };
    CDS_DataMQTY->OnNewRecord = [this](RecordSet &rs) { CDS_DataMQTYNewRecord(rs); };
    CDS_DataMQTY->AfterOpen = [this](RecordSet &rs) { CDS_DataMQTYAfterOpen(rs); };
    CDS_DataMQTY->AfterPost = [this](RecordSet &rs) { CDS_DataMQTYAfterPost(rs); };
    CDS_DataMQTY->AfterDelete = [this](RecordSet &rs) { CDS_DataMQTYAfterDelete(rs); };
    CDS_DataMQTY->BeforePost = [this](RecordSet &rs) { CDS_DataMQTYBeforePost(rs); };
    CDS_DataMQTY->fieldByName(QStringLiteral("PACK_QTY"))->onValidate
        = [this](Field &f) { CDS_DataMQTYPACK_QTYValidate(f); };
    CDS_DataMQTY->fieldByName(QStringLiteral("PSALE_PRICE"))->onValidate
        = [this](Field &f) { CDS_DataMQTYPSALE_PRICEValidate(f); };

    // The window sees keys, focus moves, double-clicks and pointer moves of its controls
    // before the controls do.
    for (QWidget *w : m_controls) {
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<TDBGrid *>(w))
            w->installEventFilter(this);
    }
    SpeedButton4->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() == this)
            m_focusBefore = now;
    });
}

void TFormTarnPromotion::alignAll()
{
    TPanel::alignControls(this);
    for (QWidget *w : m_controls) {
        if (qobject_cast<TPanel *>(w))
            TPanel::alignControls(w);
    }
}

// ---------------------------------------------------------------------------------------
// Window events

bool TFormTarnPromotion::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *w = qobject_cast<QWidget *>(watched);
    if (!w || m_destroying)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        // Keys the control passes on reach its parents too: only the first delivery counts.
        // (The window's focus child, whether or not the window system has made the window
        // active yet.)
        if (w == w->window()->focusWidget())
            return keyDown(w, static_cast<QKeyEvent *>(event));
        break;
    case QEvent::FocusIn:
        m_entered = w;
        focusEntered(w, static_cast<QFocusEvent *>(event)->reason());
        break;
    case QEvent::FocusOut:
        // Only a control that had the focus is left: an exit handler that takes the
        // focus back makes Qt send a focus-out to the control that was about to get it.
        if (w == m_entered) {
            m_entered = nullptr;
            if (userLeaves(static_cast<QFocusEvent *>(event)))
                focusLeft(w);
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (w == Ed_PROD_ID)
            ErrorReport::guard([this] { Ed_PROD_IDDblClick(); });
        else if (w == Ed_Providerid)
            ErrorReport::guard([this] { Ed_ProvideridDblClick(); });
        break;
    case QEvent::MouseMove:
        if (w == SpeedButton4) {
            const QPoint global = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
            ErrorReport::guard([&] { SpeedButton4MouseMove(global); });
        }
        break;
    default:
        break;
    }
    return false;
}

bool TFormTarnPromotion::keyDown(QWidget *control, QKeyEvent *event)
{
    const int pressed = event->key();
    // Tab moves the focus before any key handling sees it.
    if (pressed == Qt::Key_Tab || pressed == Qt::Key_Backtab)
        return false;
    int key = pressed;
    const Qt::KeyboardModifiers shift = event->modifiers();
    if (control == Ed_PROD_ID)
        ErrorReport::guard([&] { Ed_PROD_IDKeyDown(key, shift); });
    else if (control == MaskEdit2)
        ErrorReport::guard([&] { MaskEdit2KeyDown(key, shift); });
    if (key == 0)
        return true;

    // Then the character, seen by the window first.
    QChar character;
    if (pressed == Qt::Key_Return || pressed == Qt::Key_Enter)
        character = QChar(13);
    else if (!event->text().isEmpty())
        character = event->text().at(0);
    if (character.isNull())
        return false;
    ErrorReport::guard([&] { FormKeyPress(character); });
    return character.isNull();
}

void TFormTarnPromotion::focusEntered(QWidget *control, Qt::FocusReason reason)
{
    if (control != Ed_PROD_ID)
        return;
    // Where the focus came from (disabling the box moves it on before the refusal ends).
    const QPointer<QWidget> back = m_focusBefore;
    if (ErrorReport::guard([this] { Ed_PROD_IDEnter(); }))
        return;
    // Refused: Tab has gone on past the disabled box; any other move goes back where it
    // came from.
    if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
        && focusWidget() != Ed_PROD_ID)
        return;
    if (back && back != Ed_PROD_ID && back->isEnabled() && back->isVisible())
        back->setFocus(Qt::OtherFocusReason);
    else if (Ed_PROD_ID->hasFocus())
        Ed_PROD_ID->clearFocus();
}

void TFormTarnPromotion::focusLeft(QWidget *control)
{
    const std::pair<QWidget *, void (TFormTarnPromotion::*)()> exits[] = {
        { Ed_PRICE, &TFormTarnPromotion::Ed_PRICEExit },
        { Ed_VIPPRICE, &TFormTarnPromotion::Ed_VIPPRICEExit },
        { Ed_NEW_COST, &TFormTarnPromotion::Ed_NEW_COSTExit },
        { Ed_LIMIT_QTY, &TFormTarnPromotion::Ed_LIMIT_QTYExit },
        { Ed_Providerid, &TFormTarnPromotion::Ed_ProvideridExit },
    };
    for (const auto &[box, handler] : exits) {
        if (box == control) {
            ErrorReport::guard([this, handler] { (this->*handler)(); });
            return;
        }
    }
}

void TFormTarnPromotion::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_shownOnce) {
        m_shownOnce = true;
        centreOnScreen();
        // Takes the keyboard itself: a session without a window manager (a kiosk)
        // would otherwise leave the function keys without a window to act on.
        activateWindow();
    }
    ErrorReport::guard([this] { FormShow(); });
    MaskEdit1->setFocus(Qt::OtherFocusReason);
}

void TFormTarnPromotion::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ErrorReport::guard([this] { FormResize(); });
}

void TFormTarnPromotion::closeEvent(QCloseEvent *event)
{
    // Nothing is kept: an item being entered or edited is abandoned without a question.
    event->accept();
}

int TFormTarnPromotion::formWidth() const
{
    return width();
}

void TFormTarnPromotion::centreOnScreen()
{
    const QScreen *s = screen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
        area.y() + (area.height() - outer.height()) / 2);
}

// ---------------------------------------------------------------------------------------
// Window-wide handlers

void TFormTarnPromotion::FormCreate()
{
    const QString path = executableFolder() + QStringLiteral("Vantor.dat");
    aCDS->close();
    aCDS->loadFromFile(path);
    BillNumberMode = 0;
    BillPrefix = aCDS->fieldByName(QStringLiteral("PROMO_WORD"))->asString();
    LastFormWidth = quint16(formWidth());
}

void TFormTarnPromotion::FormShow()
{
    SBtnInsert->setEnabled(true);
    SBtnDelete->setEnabled(true);
    SBtnEdit->setEnabled(true);
    SBtnPost->setEnabled(false);
    SBtnCancel->setEnabled(false);
    applyPackGridTitles();
}

void TFormTarnPromotion::applyPackGridTitles()
{
    for (const GridSpec &g : WindowLayout::grids()) {
        TDBGrid *grid = g.grid == std::string_view("DBGrid3") ? DBGrid3
            : g.grid == std::string_view("DBGrid2")           ? DBGrid2
                                                              : nullptr;
        if (!grid)
            continue;
        for (int i = 0; i < int(g.columns.size()); ++i)
            grid->setColumnTitle(i, utf8(g.columns[size_t(i)].title));
    }
}

void TFormTarnPromotion::FormResize()
{
    const int width = formWidth();
    // No width recorded yet (the site configuration could not be read at creation):
    // nothing to scale against, so this width becomes the reference.
    if (LastFormWidth != 0 && width != LastFormWidth)
        scaleBy(width, LastFormWidth);
    LastFormWidth = quint16(width);
    alignAll();
}

void TFormTarnPromotion::scaleBy(int m, int d)
{
    if (m == d || d == 0)
        return;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    for (QWidget *c : m_controls) {
        const QRect g = c->geometry();
        const int left = mulDiv(g.x(), m, d);
        const int top = mulDiv(g.y(), m, d);
        const int right = mulDiv(g.x() + g.width(), m, d);
        const int bottom = mulDiv(g.y() + g.height(), m, d);
        c->setGeometry(left, top, right - left, bottom - top);
        // A font of the control's own is scaled too.
        if (c->testAttribute(Qt::WA_SetFont) && (c->font().resolveMask() & QFont::SizeResolved)
            && c->font().pixelSize() > 0) {
            QFont f = c->font();
            f.setPixelSize(scaledFontPixels(f.pixelSize(), m, d));
            c->setFont(f);
        }
    }
    // Column widths given in pixels follow; the others follow the font.
    for (auto grid = m_columnWidths.begin(); grid != m_columnWidths.end(); ++grid) {
        TDBGrid *view = qobject_cast<TDBGrid *>(m_named.value(grid.key()));
        for (auto column = grid->begin(); column != grid->end(); ++column) {
            column.value() = mulDiv(column.value(), m, d);
            view->setColumnWidthPixels(column.key(), column.value());
        }
    }
    QFont f = font();
    f.setPixelSize(scaledFontPixels(f.pixelSize(), m, d));
    setFont(f);
    setUpdatesEnabled(updates);
}

void TFormTarnPromotion::updateCommands()
{
    for (const CommandHandler &c : m_commands) {
        if (!c.execute && c.action->isEnabled())
            c.action->setEnabled(false);
    }
}

void TFormTarnPromotion::FormKeyPress(QChar &key)
{
    if (key != QChar(13))
        return;
    const QWidget *focused = focusWidget();
    if (!focused || insideGrid(focused) || isMultiLine(focused))
        return;
    key = QChar();
    focusNextPrevChild(true);
}

void TFormTarnPromotion::SpeedButtonNClick()
{
    close();
}

void TFormTarnPromotion::SpeedButton4MouseMove(const QPoint &globalPos)
{
    PopupMenu1->popup(globalPos);
}

// ---------------------------------------------------------------------------------------
// Commands

void TFormTarnPromotion::ActionF1Execute()
{
    // "查詢F1" has no effect of its own: its menu leads to the two queries.
}

void TFormTarnPromotion::Action1Execute()
{
    SearchEdit1->setFocus(Qt::ShortcutFocusReason);
}

void TFormTarnPromotion::setBrowsingButtons(bool browsing)
{
    SBtnInsert->setEnabled(browsing);
    SBtnDelete->setEnabled(browsing);
    SBtnEdit->setEnabled(browsing);
    SBtnPost->setEnabled(!browsing);
    SBtnCancel->setEnabled(!browsing);
}

void TFormTarnPromotion::ActionF5Execute()
{
    if (!CDS_PRODLIST->active())
        return;
    // The blank row's scroll handler empties the pane and the grids and sets browsing;
    // only then may Ed_PROD_ID take the focus.
    CDS_PRODLIST->append();
    setBrowsingButtons(false);
    Ed_PROD_ID->setEnabled(true);
    Ed_PROD_ID->setFocus(Qt::OtherFocusReason);
}

void TFormTarnPromotion::ActionF6Execute()
{
    if (!CDS_PRODLIST->active())
        return;
    if (Prompter::current().confirm(QStringLiteral("促銷檔期未結束,是否停止..!")))
        stopItem(*SQL_UPDATE, Ed_MASTERBILLID->text(), Ed_PROD_ID->text());
    Ed_PROD_ID->setEnabled(true);
    Ed_PROD_ID->setFocus(Qt::OtherFocusReason);
    if (focusWidget() == Ed_PROD_ID)
        setFocus(Qt::OtherFocusReason);
    Ed_PROD_ID->setEnabled(false);
}

void TFormTarnPromotion::ActionF7Execute()
{
    if (!CDS_PRODLIST->active())
        return;
    Ed_PROD_ID->setEnabled(false);
    Ed_PRICE->setFocus(Qt::OtherFocusReason);
    CDS_PRODLIST->edit();
    setBrowsingButtons(false);
}

void TFormTarnPromotion::ActionF8Execute()
{
    if (CDS_PRODLIST->active()) {
        if (!Prompter::current().confirm(QStringLiteral("確定存檔..!"))) {
            BrowseReset();
            return;
        }
        const QString saved = Ed_PROD_ID->text().trimmed();
        const ItemPaneTexts pane { Ed_MASTERBILLID->text(), MaskEdit1->text(), MaskEdit2->text(),
            Ed_PROD_ID->text(), Ed_PROD_BARCODE->text(), Ed_PROD_NAME->text(),
            Ed_PSALE_PRICE->text(), Ed_PRICE->text(), Ed_VIPPRICE->text(), Ed_SEC_DIS->text(),
            Ed_NEW_COST->text(), Ed_LIMIT_QTY->text(), MaskEdit3->text(), MaskEdit4->text(),
            Ed_Note->text(), Ed_Providerid->text(), Ed_ProviderName->text() };
        const std::vector<PackRowTexts> units = packRowsOf(CDS_DataSub2);
        const std::vector<PackRowTexts> buyN = packRowsOf(CDS_DataMQTY);
        // All rows or none: a refused row leaves the stored item as it was, the pane as
        // typed and the window still entering or editing.
        writeItem(*SQLQuery3, *SQL_UPDATE, Ed_MASTERBILLID->text(), saved,
            itemSaveRows(pane, units, buyN));
        CDS_PRODLIST->close();
        CDS_PRODLIST->setCommandText(billProductsCommandText(Ed_MASTERBILLID->text()));
        CDS_PRODLIST->open();
        CDS_PRODLIST->locate(QStringLiteral("PROD_ID"), saved);
    }
    BrowseReset();
}

void TFormTarnPromotion::ActionF9Execute()
{
    if (!CDS_PRODLIST->active() || CDS_PRODLIST->state() == DataSetState::Browse)
        return;
    CDS_PRODLIST->cancel();
    CDS_PRODLIST->cancelUpdates();
    LoadItemPane();
    LoadPackGrids();
    BrowseReset();
}

void TFormTarnPromotion::BrowseReset()
{
    Ed_PROD_ID->setEnabled(true);
    Ed_PROD_ID->setFocus(Qt::OtherFocusReason);
    setBrowsingButtons(true);
    // The focus goes to the window itself, not on to the next box.
    if (focusWidget() == Ed_PROD_ID)
        setFocus(Qt::OtherFocusReason);
    Ed_PROD_ID->setEnabled(false);
}

// ---------------------------------------------------------------------------------------
// Period bar and query menu

static QString todayText()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
}

QString TFormTarnPromotion::NextBillNumber(
    const QString &table, const QString &date, const std::function<bool(const QString &)> &inside)
{
    return takeBillNumber(*SQL_ID, table, date, BillPrefix, BillNumberMode, inside);
}

void TFormTarnPromotion::SpeedButton1Click()
{
    const QString start = MaskEdit1->text();
    const QString end = MaskEdit2->text();
    if (start.trimmed().size() != 10 || end.trimmed().size() != 10) {
        Prompter::current().message(QStringLiteral("日期格式輸入錯誤..!"));
        SearchEdit1->setFocus();
        return;
    }
    SQLQuery1->close();
    SQLQuery1->clear();
    for (const QString &line : periodBillQueryLines())
        SQLQuery1->addLine(line);
    SQLQuery1->setParamText(QStringLiteral("INI_DATE"), start);
    SQLQuery1->setParamText(QStringLiteral("END_DATE"), end);
    SQLQuery1->open();
    if (SQLQuery1->isNull(QStringLiteral("MASTERBILLID"))) {
        if (!Prompter::current().confirm(QStringLiteral("促銷檔期未存在,是否開檔..!"))) {
            MaskEdit1->clear();
            MaskEdit2->clear();
            MaskEdit1->setFocus();
            throw SilentAbort();
        }
        // The number, a last look for the period's bill and the insert share the
        // counter's transaction: a bill that another workstation has just opened for the
        // same dates is taken instead, and a failed insert leaves nothing behind (the
        // bill box keeps the previous bill).
        const QString today = todayText();
        PeriodBill bill;
        SqlQuery work(SQLConnection2);
        NextBillNumber(QStringLiteral("TEMP_PSALEID"), today, [&](const QString &candidate) {
            return insertPeriodBillUnlessExists(work, candidate, start, end, today, &bill);
        });
        Ed_MASTERBILLID->setText(bill.number);
        SearchEdit1->setFocus();
    } else {
        Ed_MASTERBILLID->setText(SQLQuery1->asString(QStringLiteral("MASTERBILLID")));
        SearchEdit1->setFocus();
    }
    SQLQuery1->close();
    CDS_PRODLIST->close();
    CDS_PRODLIST->setCommandText(billProductsCommandText(Ed_MASTERBILLID->text()));
    CDS_PRODLIST->open();
    SearchEdit1->setFocus();
}

void TFormTarnPromotion::MaskEdit2KeyDown(int &key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        SpeedButton1Click();
}

// The select list of a lookup: the record set's field names in order, joined by ","
// with one blank after the last.
static QString lookupFieldList(const RecordSet *dataSet)
{
    QStringList names;
    for (int i = 0; i < dataSet->fieldCount(); ++i)
        names << dataSet->field(i)->fieldName();
    return names.join(QLatin1Char(',')) + QLatin1Char(' ');
}

bool TFormTarnPromotion::showLookupOf(RecordSet *dataSet, const QString &table, const QString &tail)
{
    LookupFields = lookupFieldList(dataSet);
    DS_Search->setDataSet(dataSet);
    if (!dataSet->active())
        dataSet->open();
    RecreateLookup();
    Frmgetdata->SQLDataSet1->setConnection(SQLConnection1);
    Frmgetdata->LookupSource = DS_Search;
    Frmgetdata->LookupTable = table;
    Frmgetdata->LookupDataSet = dataSet;
    Frmgetdata->LookupTail = tail;
    return ShowLookup();
}

// The bill and item picks: a lookup over dataSet in table, then the picked row's dates
// open the period.
void TFormTarnPromotion::pickPeriod(RecordSet *dataSet, const QString &table)
{
    if (!showLookupOf(
            dataSet, table, QStringLiteral(" AND BILL_KIND = 'B' ORDER BY MASTERBILLID ")))
        return;
    QVariant start, end;
    LookupValue(QStringLiteral("INI_DATE"), start);
    LookupValue(QStringLiteral("END_DATE"), end);
    MaskEdit1->setText(start.toString());
    MaskEdit2->setText(end.toString());
    SpeedButton1Click();
}

void TFormTarnPromotion::N1Click()
{
    pickPeriod(CDS_PSaleMaster, QStringLiteral("PSALE_MASTER"));
}

void TFormTarnPromotion::N2Click()
{
    pickPeriod(CDS_PSaleSub, QStringLiteral("PSALE_SUB"));
}

// ---------------------------------------------------------------------------------------
// Item pane

void TFormTarnPromotion::Ed_PROD_IDKeyDown(int &key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_F4) {
        Ed_PROD_IDDblClick();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Not found: the warning has taken the key, and the focus stays in the box.
        if (!searchProduct())
            key = 0;
    }
}

bool TFormTarnPromotion::searchProduct()
{
    const QString text = Ed_PROD_ID->text();
    const QString billId = Ed_MASTERBILLID->text();
    setLines(SQLQuery2, productSearchLines(text));
    SQLQuery2->open();
    const bool found = !SQLQuery2->eof();
    if (!found) {
        SQLQuery2->close();
        Prompter::current().warning(QStringLiteral("品號輸入錯誤..!"));
        Ed_PROD_ID->setFocus(Qt::OtherFocusReason);
    } else {
        const QString product = boxText(SQLQuery2, "PROD_ID");
        setLines(SQLQuery3, billItemLines(billId, product));
        SQLQuery3->open();
        const bool inBill = !SQLQuery3->eof();
        SQLQuery3->close();
        if (!inBill) {
            Ed_PROD_ID->setText(product);
            Ed_PROD_BARCODE->setText(boxText(SQLQuery2, "PROD_BARCODE"));
            Ed_PROD_ID2->setText(boxText(SQLQuery2, "PROD_ID2"));
            Ed_PROD_NAME->setText(boxText(SQLQuery2, "PROD_NAME"));
            Ed_PROD_SCALE->setText(boxText(SQLQuery2, "PROD_SCALE"));
            Ed_SALE_PRICE->setText(boxText(SQLQuery2, "SALE_PRICE"));
            Ed_PSALE_PRICE->setText(boxText(SQLQuery2, "PSALE_PRICE"));
            Ed_VIP_PRICE->setText(boxText(SQLQuery2, "VIP_PRICE"));
            Ed_PRICE->setText(boxText(SQLQuery2, "PSALE_PRICE"));
            Ed_VIPPRICE->setText(boxText(SQLQuery2, "VIP_PRICE"));
            Ed_LIMIT_QTY->setText(QStringLiteral("0"));
            Ed_STD_COST->setText(boxText(SQLQuery2, "STD_COST"));
            Ed_NEW_COST->setText(boxText(SQLQuery2, "STD_COST"));
            Ed_SEC_DIS->setText(QStringLiteral("N"));
            MaskEdit3->setText(MaskEdit1->text());
            MaskEdit4->setText(MaskEdit2->text());
            Ed_STOP_SALE->setText(QStringLiteral("N"));
            SQLQuery2->close();
        } else if (CDS_PRODLIST->active()) {
            SQLQuery2->close();
            // Leaving the blank new row drops it; arriving at the product shows its
            // stored item in browsing.
            CDS_PRODLIST->checkBrowseMode();
            CDS_PRODLIST->locate(QStringLiteral("PROD_ID"), product);
        }
    }
    LoadPackGrids();
    return found;
}

void TFormTarnPromotion::Ed_PROD_IDDblClick()
{
    if (showLookupOf(CDS_PRODUCT, QStringLiteral("PRODUCT"), QStringLiteral(" ORDER BY PROD_ID")))
        Ed_PROD_ID->setText(LookupResult);
}

void TFormTarnPromotion::Ed_PROD_IDEnter()
{
    if (SBtnPost->isEnabled())
        return;
    Ed_PROD_ID->setEnabled(false);
    throw SilentAbort();
}

bool TFormTarnPromotion::IsNumberText(const QString &text)
{
    return isNumberText(text);
}

void TFormTarnPromotion::checkNumberBox(QLineEdit *box)
{
    if (IsNumberText(box->text()))
        return;
    Prompter::current().message(box->text() + QString::fromUtf8(NotANumberSuffix));
    box->setFocus(Qt::OtherFocusReason);
}

void TFormTarnPromotion::Ed_PRICEExit()
{
    // The member promotion price follows the promotion price during entry and editing,
    // whether or not the text is a number.
    const auto copyPrice = qScopeGuard([this] {
        if (SBtnPost->isEnabled())
            Ed_VIPPRICE->setText(Ed_PRICE->text());
    });
    checkNumberBox(Ed_PRICE);
}

void TFormTarnPromotion::Ed_VIPPRICEExit()
{
    checkNumberBox(Ed_VIPPRICE);
}

void TFormTarnPromotion::Ed_NEW_COSTExit()
{
    checkNumberBox(Ed_NEW_COST);
}

void TFormTarnPromotion::Ed_LIMIT_QTYExit()
{
    checkNumberBox(Ed_LIMIT_QTY);
}

void TFormTarnPromotion::Ed_ProvideridExit()
{
    setLines(SQL_Provider, providerNameLines(Ed_Providerid->text()));
    SQL_Provider->open();
    Ed_ProviderName->setText(boxText(SQL_Provider, "PROVIDER_NAME"));
    SQL_Provider->close();
}

void TFormTarnPromotion::Ed_ProvideridDblClick()
{
    if (!showLookupOf(CDS_Fac, QStringLiteral("PROVIDER"), QStringLiteral(" ORDER BY PROVIDER_ID")))
        return;
    QVariant id;
    LookupValue(QStringLiteral("PROVIDER_ID"), id);
    Ed_Providerid->setText(id.toString());
}

void TFormTarnPromotion::SpeedButton2Click()
{
    if (!Prompter::current().confirm(QStringLiteral("確定回復銷售狀況. now?")))
        return;
    resumeItem(*SQLQuery1, Ed_MASTERBILLID->text().trimmed(), Ed_PROD_ID->text());
    Ed_STOP_SALE->setText(QStringLiteral("N"));
}

void TFormTarnPromotion::LoadItemPane()
{
    const RecordSet *list = CDS_PRODLIST;
    Ed_PROD_ID->setText(boxText(list, "PROD_ID"));
    Ed_PROD_BARCODE->setText(boxText(list, "PROD_BARCODE"));
    Ed_PROD_ID2->setText(boxText(list, "PROD_ID2"));
    Ed_PROD_NAME->setText(boxText(list, "PROD_NAME"));
    Ed_PROD_SCALE->setText(boxText(list, "PROD_SCALE"));
    Ed_SALE_PRICE->setText(boxText(list, "SALE_PRICE"));
    Ed_PSALE_PRICE->setText(boxText(list, "PSALE_PRICE"));
    Ed_VIP_PRICE->setText(boxText(list, "VIP_PRICE"));
    Ed_STD_COST->setText(boxText(list, "STD_COST"));
    Ed_STOP_SALE->setText(QStringLiteral("N"));

    setLines(SQL_QueryPrice, storedItemLines(Ed_MASTERBILLID->text(), boxText(list, "PROD_ID")));
    SQL_QueryPrice->open();
    // Without a stored row every value reads empty.
    const SqlQuery *item = SQL_QueryPrice;
    Ed_PRICE->setText(boxText(item, "PSALE_PRICE"));
    Ed_VIPPRICE->setText(boxText(item, "VIP_PRICE"));
    Ed_SEC_DIS->setText(boxText(item, "SEC_DIS"));
    Ed_NEW_COST->setText(boxText(item, "NEW_COST"));
    Ed_Note->setText(boxText(item, "NOTE"));
    MaskEdit3->setText(boxText(item, "PINI_DATE"));
    MaskEdit4->setText(boxText(item, "PEND_DATE"));
    Ed_LIMIT_QTY->setText(boxText(item, "PLIMIT_QTY"));
    Ed_STOP_SALE->setText(boxText(item, "STOP_SALE"));
    Ed_Providerid->setText(boxText(item, "PROVIDER_ID"));
    Ed_ProviderName->setText(boxText(item, "PROVIDER_NAME"));
    SQL_QueryPrice->close();
}

void TFormTarnPromotion::LoadPackGrids()
{
    const QString billId = Ed_MASTERBILLID->text();
    const QString product = Ed_PROD_ID->text();
    loadRegularPacks(billId, product);
    loadBuyNPacks(billId, product);
}

void TFormTarnPromotion::loadRegularPacks(const QString &billId, const QString &product)
{
    CDS_DataSub->close();
    CDS_DataSub->setCommandText(packRowsCommandText(billId, product, false));
    CDS_DataSub->open();
    CDS_DataSub2->copyFrom(*CDS_DataSub);
    // The copy takes its fields anew, and its grid its titles: both grids' titles are
    // set here once per load (the buy-N rows keep their declared fields).
    applyPackGridTitles();

    setLines(SQLQuery_PSALE, storedPackValuesLines(billId, product));
    {
        ControlsDisabled quiet(CDS_DataSub2);
        RecordSet &row = *CDS_DataSub2;
        for (row.first(); !row.eof(); row.next()) {
            row.edit();
            if (takePromotionPrices(row, SQLQuery_PSALE))
                fieldOf(row, "PNEW_COST")
                    ->setValue(SQLQuery_PSALE->value(QStringLiteral("VNEW_COST")));
            else
                setPackCost(row, Ed_NEW_COST->text());
            SQLQuery_PSALE->close();
            row.post();
        }
    }
    CDS_DataSub2->first();
}

void TFormTarnPromotion::loadBuyNPacks(const QString &billId, const QString &product)
{
    RecordSet &row = *CDS_DataMQTY;
    row.close();
    row.setCommandText(packRowsCommandText(billId, product, true));
    row.open();

    // Buy-N packs that only the bill has.
    setLines(SQLQuery2, storedBuyNRowsLines(billId, product));
    SQLQuery2->open();
    for (; !SQLQuery2->eof(); SQLQuery2->next()) {
        const QString code = SQLQuery2->asString(QStringLiteral("TEMPPRODID"));
        if (row.locate(QStringLiteral("SAL_BARCODE"), code))
            continue;
        row.append();
        try {
            fieldOf(row, "PROD_ID")->setValue(SQLQuery2->value(QStringLiteral("PROD_ID")));
            fieldOf(row, "SAL_BARCODE")->setAsString(code);
            fieldOf(row, "SAL_NAME")->setValue(SQLQuery2->value(QStringLiteral("V_NAME")));
            fieldOf(row, "PACK_QTY")->setValue(SQLQuery2->value(QStringLiteral("PACK_QTY")));
            fieldOf(row, "SAL_UNITNAME")->setAsString(QStringLiteral("M"));
            for (const char *zero : { "SAL_PRICE", "STD_COST", "VIP_PRICE" })
                fieldOf(row, zero)->setAsFloat(0);
            fieldOf(row, "CHG_DATE")->setValue(SQLQuery2->value(QStringLiteral("CHG_DATE")));
            fieldOf(row, "P_PRICE")->setAsFloat(0);
            fieldOf(row, "P_PRICE2")->setAsFloat(0);
            fieldOf(row, "PSALE_PRICE")->setAsFloat(0);
            fieldOf(row, "PVIP_PRICE")->setValue(SQLQuery2->value(QStringLiteral("VIP_PRICE")));
            fieldOf(row, "PNEW_COST")->setAsFloat(0);
            row.post();
        } catch (...) {
            // A stored quantity that is now a regular pack (or any refusal) stops the
            // load; the half-filled row goes rather than staying in editing.
            row.cancel();
            SQLQuery2->close();
            throw;
        }
    }
    SQLQuery2->close();

    setLines(SQLQuery_PSALE, storedPackValuesLines(billId, product));
    {
        ControlsDisabled quiet(CDS_DataMQTY);
        for (row.first(); !row.eof(); row.next()) {
            row.edit();
            // A buy-N pack's cost always follows the item's current promotion cost.
            setPackCost(row, Ed_NEW_COST->text());
            takePromotionPrices(row, SQLQuery_PSALE);
            SQLQuery_PSALE->close();
            if (fieldOf(row, "VIP_PRICE")->asFloat() == 0)
                fieldOf(row, "VIP_PRICE")->setValue(fieldOf(row, "PVIP_PRICE")->value());
            if (fieldOf(row, "SAL_PRICE")->asFloat() == 0)
                fieldOf(row, "SAL_PRICE")->setValue(fieldOf(row, "PSALE_PRICE")->value());
            row.post();
        }
    }
    row.first();
}

// ---------------------------------------------------------------------------------------
// Grids

void TFormTarnPromotion::DBGrid2KeyPress(TDBGrid *grid, QChar &key)
{
    if (key != QChar(13))
        return;
    // Enter works as Tab: the cell is committed and the grid moves on, to a new row
    // past the last one where the grid takes new rows.
    key = QChar();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(grid, &tab);
}

void TFormTarnPromotion::DBGrid4TitleClick(int column)
{
    const QString field = DBGrid4->columnFieldName(column);
    if (field.isEmpty())
        return;
    SearchEdit1->setDataField(field);
    ClientDataSet1->clearIndexes();
    ClientDataSet1->addIndex(QStringLiteral("idIndex"), field);
    ClientDataSet1->setIndexName(QStringLiteral("idIndex"));
    for (int c = 0; c < DBGrid4->columnCountShown(); ++c)
        DBGrid4->setColumnColor(
            c, DBGrid4->columnFieldName(c) == field ? SearchColumnColor : QColor());
    SearchEdit1->setFocus(Qt::OtherFocusReason);
}

void TFormTarnPromotion::DBGrid4DblClick()
{
    ActionF5Execute();
    Ed_PROD_ID->setText(ClientDataSet1->fieldByName(QStringLiteral("PROD_ID"))->asString());
}

// ---------------------------------------------------------------------------------------
// Record-set events

void TFormTarnPromotion::ClientDataSet1AfterOpen(RecordSet &)
{
    DBGrid4->setColumnColor(1, SearchColumnColor); // PROD_BARCODE: the searched column
}

void TFormTarnPromotion::CDS_PRODLISTAfterOpen(RecordSet &)
{
    LoadItemPane();
    LoadPackGrids();
    setBrowsingButtons(true);
    SearchEdit1->setFocus(Qt::OtherFocusReason);
}

void TFormTarnPromotion::CDS_DataSubBeforeInsert(RecordSet &)
{
    throw SilentAbort(); // the product's selling units as loaded: never a new row
}

void TFormTarnPromotion::CDS_DataSub2BeforeInsert(RecordSet &)
{
    throw SilentAbort();
}

void TFormTarnPromotion::CDS_DataMQTYNewRecord(RecordSet &dataSet)
{
    fieldOf(dataSet, "PROD_ID")->setAsString(Ed_PROD_ID->text());
}

void TFormTarnPromotion::CDS_DataMQTYPACK_QTYValidate(Field &field)
{
    RecordSet &row = *field.dataSet();
    setLines(SQLQuery1, packQuantityLines(Ed_PROD_ID->text().trimmed()));
    if (field.isNull())
        SQLQuery1->setParamNull(QStringLiteral("PACK_QTY"));
    else
        SQLQuery1->setParamInteger(QStringLiteral("PACK_QTY"), field.asInteger());
    SQLQuery1->open();
    const bool regularPack = !SQLQuery1->eof();
    SQLQuery1->close();
    if (regularPack) {
        Prompter::current().warning(QStringLiteral("數量已存在於組銷商品中..!"));
        throw SilentAbort();
    }
    const BuyNPrices p = buyNPrices(Ed_NEW_COST->text(), Ed_PSALE_PRICE->text(),
        Ed_VIP_PRICE->text(), Ed_PRICE->text(), field.asFloat());
    fieldOf(row, "PNEW_COST")->setAsFloat(p.cost);
    fieldOf(row, "SAL_PRICE")->setAsFloat(p.packPrice);
    fieldOf(row, "VIP_PRICE")->setAsFloat(p.memberPrice);
    fieldOf(row, "PSALE_PRICE")->setAsFloat(p.promotionPrice);
    fieldOf(row, "PVIP_PRICE")->setAsFloat(p.memberPromotion);
}

void TFormTarnPromotion::CDS_DataMQTYPSALE_PRICEValidate(Field &field)
{
    fieldOf(*field.dataSet(), "PVIP_PRICE")->setValue(field.value());
}

void TFormTarnPromotion::CDS_DataMQTYAfterOpen(RecordSet &dataSet)
{
    CDS_DataMQTY2->copyFrom(dataSet);
}

void TFormTarnPromotion::CDS_DataMQTYAfterPost(RecordSet &dataSet)
{
    CDS_DataMQTY2->copyFrom(dataSet);
}

void TFormTarnPromotion::CDS_DataMQTYAfterDelete(RecordSet &dataSet)
{
    CDS_DataMQTY2->copyFrom(dataSet);
}

void TFormTarnPromotion::CDS_DataMQTYBeforePost(RecordSet &dataSet)
{
    Field *quantity = fieldOf(dataSet, "PACK_QTY");
    const QString code
        = buyNCode(Ed_PROD_ID->text().trimmed(), quantity->isNull() ? 1 : quantity->asInteger());
    if (!CDS_DataMQTY2->locate(QStringLiteral("SAL_BARCODE"), code)) {
        fieldOf(dataSet, "SAL_BARCODE")->setAsString(code);
        return;
    }
    if (dataSet.state() != DataSetState::Insert)
        return; // a changed row keeps its own code
    Prompter::current().message(QString::fromUtf8(BuyNTakenMessage));
    quantity->setAsInteger(0);
    throw SilentAbort();
}
