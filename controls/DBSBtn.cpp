#include "DBSBtn.h"

#include "DRefresh.h"
#include "ErrorReport.h"

#include "DataSource.h"
#include "RecordSet.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QTimer>

#include <exception>

// Resources of a static library must be registered once by hand.
static void initControlsResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(controls);
        return true;
    }();
    (void)done;
}

namespace {

TDBButtonLanguage g_defaultLanguage = blUSEnglish;

constexpr int KindCount = nbRefresh + 1;
constexpr int LanguageCount = blSpanish + 1;

const char16_t *const DefaultHints[LanguageCount][KindCount] = {
    // blUSEnglish
    {u"", u"First", u"Prior", u"Next", u"Last", u"New", u"New", u"Delete", u"Edit", u"Save",
     u"Cancel", u"Refresh"},
    // blHebrew
    {u"", u"ראשונה", u"הקודמת", u"הבאה", u"האחרונה", u"חדשה", u"חדשה", u"מחיקה", u"עריכה",
     u"שמירה", u"ביטול", u"רענון"},
    // blPortugues
    {u"", u"Primeiro", u"Anterior", u"Próximo", u"Último", u"Insere", u"Insere", u"Exclui",
     u"Edita", u"Salva", u"Cancela", u"Atualiza"},
    // blGerman
    {u"", u"Anfang", u"Zurück", u"Vor", u"Ende", u"Neu", u"Neu", u"Löschen", u"Ändern",
     u"Sichern", u"Abbrechen", u"Aktualisieren"},
    // blSpanish
    {u"", u"Primero", u"Anterior", u"Siguiente", u"Último", u"Insertar", u"Insertar", u"Borrar",
     u"Editar", u"Guardar", u"Cancelar", u"Actualizar"},
};

const char *const PictureNames[KindCount] = {"",       "FIRST",  "PRIOR", "NEXT",
                                             "LAST",   "INSERT", "INSERT", "DELETE",
                                             "EDIT",   "POST",   "CANCEL", "REFRESH"};

bool isDefaultHintOf(TDBButtonLanguage language, const QString &hint)
{
    for (int kind = 0; kind < KindCount; ++kind) {
        if (hint == defaultHint(language, TDBButtonType(kind)))
            return true;
    }
    return false;
}

bool repeats(TDBButtonType kind)
{
    return kind == nbPrior || kind == nbNext;
}

} // namespace

TDBBDisableReasons defaultDisableReasons(TDBButtonType kind)
{
    switch (kind) {
    case nbFirst:
    case nbPrior:
        return drSet({drBOF, drEditing, drEmpty});
    case nbNext:
    case nbLast:
        return drSet({drEOF, drEditing, drEmpty});
    case nbInsert:
    case nbAppend:
        return drSet({drReadonly, drEditing});
    case nbDelete:
    case nbEdit:
        return drSet({drReadonly, drEditing, drEmpty});
    case nbPost:
    case nbCancel:
        return drSet({drNotEditing});
    case nbRefresh:
        return drSet({drEditing});
    case nbCustom:
        break;
    }
    return 0;
}

QString defaultHint(TDBButtonLanguage language, TDBButtonType kind)
{
    if (language >= LanguageCount || kind >= KindCount)
        return {};
    return QString::fromUtf16(DefaultHints[language][kind]);
}

QString defaultPictureName(TDBButtonType kind)
{
    if (kind >= KindCount)
        return {};
    return QString::fromLatin1(PictureNames[kind]);
}

TDBButtonLanguage defaultButtonLanguage()
{
    return g_defaultLanguage;
}

TCustomDBSpeedButton::TCustomDBSpeedButton(QWidget *parent)
    : QToolButton(parent)
    , m_link(std::make_unique<TDBBtnDataLink>())
    , m_language(g_defaultLanguage)
{
    initControlsResources();
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_forcedDisabled = testAttribute(Qt::WA_ForceDisabled);

    // The link's notifications arrive from inside record-set operations: report an
    // error of an enabled-changed handler here instead of unwinding the record set.
    const auto update = [this] { ErrorReport::guard([this] { UpdateEnabled(); }); };
    m_link->OnEditingChanged = update;
    m_link->OnDataChanged = update;
    m_link->OnActiveChanged = update;

    connect(this, &QAbstractButton::clicked, this, guarded([this] { Click(); }));
}

TCustomDBSpeedButton::~TCustomDBSpeedButton()
{
    m_destroying = true;
    destroyRepeatTimer();
    m_link->OnEditingChanged = nullptr;
    m_link->OnDataChanged = nullptr;
    m_link->OnActiveChanged = nullptr;
    m_link.reset();
    releaseMenuItem();
}

void TCustomDBSpeedButton::beginLoading()
{
    m_loading = true;
}

void TCustomDBSpeedButton::endLoading()
{
    if (!m_loading)
        return;
    m_loading = false;
    if (m_glyph.isNull())
        loadDefaultGlyph();
    setOwnEnabled(m_runtimeEnabled);
    UpdateEnabled();
}

void TCustomDBSpeedButton::setDataSource(DataSource *source)
{
    m_link->setDataSource(source);
    if (!m_loading)
        UpdateEnabled();
}

DataSource *TCustomDBSpeedButton::dataSource() const
{
    return m_link->dataSource();
}

void TCustomDBSpeedButton::setDataButtonType(TDBButtonType kind)
{
    if (kind >= KindCount)
        return;
    if (m_loading) {
        m_kind = kind;
        if (kind != nbCustom)
            m_disableReasons = defaultDisableReasons(kind);
        return;
    }
    if (kind == m_kind)
        return;
    setEnabled(true);
    if (kind == nbCustom) {
        m_glyphSet = true;
    } else if (m_hint.isEmpty() || isDefaultHintOf(m_language, m_hint)) {
        setHint(defaultHint(m_language, kind));
    }
    m_kind = kind;
    loadDefaultGlyph();
    if (kind != nbCustom)
        m_disableReasons = defaultDisableReasons(kind);
    // The new reasons decide at once rather than at the record set's next move.
    UpdateEnabled();
}

void TCustomDBSpeedButton::setDisableReasons(TDBBDisableReasons reasons)
{
    m_disableReasons = reasons;
    if (!m_loading)
        UpdateEnabled();
}

void TCustomDBSpeedButton::setRuntimeEnabled(bool on)
{
    if (m_loading) {
        m_runtimeEnabled = on;
        return;
    }
    setEnabled(on);
}

void TCustomDBSpeedButton::setLanguage(TDBButtonLanguage language)
{
    if (language >= LanguageCount || language == m_language)
        return;
    if (m_kind != nbCustom && (m_hint.isEmpty() || isDefaultHintOf(m_language, m_hint)))
        setHint(defaultHint(language, m_kind));
    m_language = language;
    g_defaultLanguage = language;
}

void TCustomDBSpeedButton::setHint(const QString &hint)
{
    m_hint = hint;
    setToolTip(hint);
}

void TCustomDBSpeedButton::setGlyph(const QPixmap &glyph, int frames)
{
    m_glyph = glyph;
    if (frames > 0)
        m_numGlyphs = frames;
    else
        m_numGlyphs = (!glyph.isNull() && glyph.width() == 2 * glyph.height()) ? 2 : 1;
    m_glyphSet = true;
    applyGlyph();
}

void TCustomDBSpeedButton::loadDefaultGlyph()
{
    if (m_kind == nbCustom)
        return;
    // A missing resource gives a null pixmap: the button then has no picture.
    m_glyph = QPixmap(QStringLiteral(":/dbn_%1").arg(defaultPictureName(m_kind)));
    m_numGlyphs = 2;
    m_glyphSet = false;
    applyGlyph();
}

void TCustomDBSpeedButton::applyGlyph()
{
    if (m_glyph.isNull()) {
        setIcon(QIcon());
        return;
    }
    const int frames = qMax(1, m_numGlyphs);
    const int frameWidth = m_glyph.width() / frames;
    if (frameWidth <= 0) {
        setIcon(QIcon());
        return;
    }
    QIcon icon;
    const QPixmap normal = m_glyph.copy(0, 0, frameWidth, m_glyph.height());
    icon.addPixmap(normal, QIcon::Normal);
    if (frames >= 2)
        icon.addPixmap(m_glyph.copy(frameWidth, 0, frameWidth, m_glyph.height()),
                       QIcon::Disabled);
    setIcon(icon);
    setIconSize(normal.size() / normal.devicePixelRatio());
}

void TCustomDBSpeedButton::setMenuItem(QAction *item, std::function<void(QAction *)> itemHandler)
{
    releaseMenuItem();
    if (!item)
        return;
    m_menuItem = item;
    m_menuItemHandler = std::move(itemHandler);
    m_menuItemConnection = connect(item, &QAction::triggered, this,
                                   guarded([this] { menuItemTriggered(); }));
    m_menuItemDestroyed = connect(item, &QObject::destroyed, this, [this] {
        // A destroyed item gets nothing back.
        disconnect(m_menuItemConnection);
        disconnect(m_menuItemDestroyed);
        m_menuItem = nullptr;
        m_menuItemHandler = nullptr;
    });
    item->setEnabled(ownEnabled());
}

void TCustomDBSpeedButton::releaseMenuItem()
{
    disconnect(m_menuItemConnection);
    disconnect(m_menuItemDestroyed);
    QAction *old = m_menuItem.data();
    auto handler = std::move(m_menuItemHandler);
    m_menuItem = nullptr;
    m_menuItemHandler = nullptr;
    if (old && handler) {
        // The item gets back the click handler it had before.
        QObject::connect(old, &QAction::triggered, old,
                         guarded([old, handler] { handler(old); }));
    }
}

void TCustomDBSpeedButton::menuItemTriggered()
{
    QPointer<QAction> item = m_menuItem;
    const auto handler = m_menuItemHandler;
    Click();
    if (item && handler)
        handler(item.data());
}

bool TCustomDBSpeedButton::ownEnabled() const
{
    return !testAttribute(Qt::WA_ForceDisabled);
}

void TCustomDBSpeedButton::setOwnEnabled(bool on)
{
    const bool wasSetting = m_settingOwn;
    m_settingOwn = true;
    QToolButton::setEnabled(on);
    m_forcedDisabled = testAttribute(Qt::WA_ForceDisabled);
    m_settingOwn = wasSetting;
    if (m_menuItem)
        m_menuItem->setEnabled(on);
}

void TCustomDBSpeedButton::setEnabled(bool on)
{
    if (m_destroying) {
        QToolButton::setEnabled(on);
        return;
    }
    // Recorded even when the state does not change: an application that disables a
    // button the rule has already disabled keeps it disabled.
    m_runtimeEnabled = on;
    if (m_loading)
        return;
    setOwnEnabled(on);
    UpdateEnabled();
}

void TCustomDBSpeedButton::changeEvent(QEvent *event)
{
    QToolButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled())
        destroyRepeatTimer();
    if (m_settingOwn || m_loading || m_destroying)
        return;
    // QWidget::setEnabled called past this class. A change caused by the parent
    // leaves the own flag alone and is no setting of the button.
    const bool forced = testAttribute(Qt::WA_ForceDisabled);
    if (forced == m_forcedDisabled)
        return;
    m_forcedDisabled = forced;
    m_runtimeEnabled = !forced;
    if (m_menuItem)
        m_menuItem->setEnabled(!forced);
    ErrorReport::guard([this] { UpdateEnabled(); });
}

void TCustomDBSpeedButton::UpdateEnabled()
{
    if (m_destroying || m_loading || !m_runtimeEnabled)
        return;
    struct Flag
    {
        bool &flag;
        explicit Flag(bool &f) : flag(f) { flag = true; }
        ~Flag() { flag = false; }
    } updating(m_updating);

    const bool wasEnabled = ownEnabled();
    bool enabled = false;
    if (m_link->active()) {
        const RecordSet *dataSet = m_link->dataSet();
        TDBBDisableReasons present = 0;
        if (dataSet->bof())
            present |= drSet({drBOF});
        if (dataSet->eof())
            present |= drSet({drEOF});
        if (!dataSet->canModify())
            present |= drSet({drReadonly});
        if (dataSet->bof() && dataSet->eof())
            present |= drSet({drEmpty});
        present |= m_link->editing() ? drSet({drEditing}) : drSet({drNotEditing});
        enabled = (present & m_disableReasons) == 0;
    }
    setOwnEnabled(enabled);
    if (enabled != wasEnabled && OnEnabledChanged)
        OnEnabledChanged(this);
}

void TCustomDBSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
    DoAction();
}

void TCustomDBSpeedButton::GetQuestion(QString &question, MsgButtons &buttons, int &helpCtx)
{
    question = (m_kind == nbDelete && m_confirmDelete) ? QStringLiteral("Delete record?")
                                                       : QString();
    buttons = mbOK | mbCancel;
    helpCtx = 0;
    if (OnGetQuestion)
        OnGetQuestion(this, question, buttons, helpCtx);
}

bool TCustomDBSpeedButton::ConfirmAction()
{
    QString question;
    MsgButtons buttons = 0;
    int helpCtx = 0;
    GetQuestion(question, buttons, helpCtx);
    if (question.isEmpty())
        return true;
    const MsgButton answer = Prompter::current().ask(question, buttons, helpCtx);
    return answer == mbOK || answer == mbYes;
}

void TCustomDBSpeedButton::DoBeforeAction(bool &actionIsDone)
{
    if (OnBeforeAction)
        OnBeforeAction(this, actionIsDone);
}

void TCustomDBSpeedButton::DoAction()
{
    if (!ConfirmAction())
        return;
    bool actionIsDone = (m_kind == nbCustom);
    try {
        DoBeforeAction(actionIsDone);
        if (!actionIsDone) {
            RecordSet *dataSet = m_link->dataSet();
            if (dataSet && dataSet->active())
                performOperation();
        }
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        if (OnAfterAction) {
            bool isError = true;
            OnAfterAction(this, isError);
            if (!isError)
                return; // the handler dropped the error
        }
        std::rethrow_exception(error);
    }
    if (OnAfterAction) {
        bool isError = false;
        OnAfterAction(this, isError);
    }
}

void TCustomDBSpeedButton::performOperation()
{
    RecordSet *dataSet = m_link->dataSet();
    switch (m_kind) {
    case nbFirst:
        dataSet->first();
        break;
    case nbPrior:
        dataSet->prior();
        break;
    case nbNext:
        dataSet->next();
        break;
    case nbLast:
        dataSet->last();
        break;
    case nbInsert:
        dataSet->insert();
        break;
    case nbAppend:
        dataSet->append();
        break;
    case nbDelete:
        dataSet->deleteRecord();
        break;
    case nbEdit:
        dataSet->edit();
        break;
    case nbPost:
        dataSet->post();
        break;
    case nbCancel:
        dataSet->cancel();
        break;
    case nbRefresh:
        RefreshDataSet(dataSet);
        break;
    case nbCustom:
        break;
    }
}

void TCustomDBSpeedButton::mousePressEvent(QMouseEvent *event)
{
    QToolButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && repeats(m_kind) && !m_repeatTimer && isDown()) {
        m_repeatTimer = std::make_unique<QTimer>();
        m_repeatTimer->setInterval(RepeatDelay);
        connect(m_repeatTimer.get(), &QTimer::timeout, this, [this] { repeatTimerFired(); });
        m_repeatTimer->start();
    }
}

void TCustomDBSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        destroyRepeatTimer();
    // Clicks once more when released over the button.
    QToolButton::mouseReleaseEvent(event);
}

void TCustomDBSpeedButton::repeatTimerFired()
{
    if (!m_repeatTimer)
        return;
    m_repeatTimer->setInterval(RepeatInterval);
    if (!isDown())
        return; // the pointer is off the button: paused
    try {
        Click();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        destroyRepeatTimer();
        setDown(false);
        ErrorReport::show(error);
    }
}

void TCustomDBSpeedButton::destroyRepeatTimer()
{
    if (!m_repeatTimer)
        return;
    m_repeatTimer->stop();
    // The timer may be the sender of the running slot: delete it later.
    m_repeatTimer.release()->deleteLater();
}

TDBSpeedButton::TDBSpeedButton(QWidget *parent)
    : TCustomDBSpeedButton(parent)
{}
