#pragma once

#include "DBBtnCmn.h"
#include "Prompter.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QToolButton>

#include <functional>
#include <initializer_list>
#include <memory>

class DataSource;
class QAction;
class QTimer;

enum TDBButtonType : quint8 {
    nbCustom,
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbAppend,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};

enum TDBButtonLanguage : quint8 { blUSEnglish, blHebrew, blPortugues, blGerman, blSpanish };

enum TDBBDisableReason : quint8 { drBOF, drEOF, drReadonly, drNotEditing, drEditing, drEmpty };

// One bit per reason: 1u << reason.
using TDBBDisableReasons = quint8;

constexpr TDBBDisableReasons drSet(std::initializer_list<TDBBDisableReason> r)
{
    TDBBDisableReasons set = 0;
    for (TDBBDisableReason reason : r)
        set = TDBBDisableReasons(set | (1u << reason));
    return set;
}

constexpr bool drHas(TDBBDisableReasons set, TDBBDisableReason reason)
{
    return (set & (1u << reason)) != 0;
}

// The default disable reasons of a kind (nbCustom: none).
TDBBDisableReasons defaultDisableReasons(TDBButtonType kind);
// The default hint of a kind in a language (nbCustom: empty).
QString defaultHint(TDBButtonLanguage language, TDBButtonType kind);
// The name of a kind's default picture ("FIRST", ...; empty for nbCustom). The picture
// is the resource ":/dbn_<name>" (format "dbn_%s"), two frames side by side.
QString defaultPictureName(TDBButtonType kind);
// The language new buttons start with: the one most recently assigned to any button.
TDBButtonLanguage defaultButtonLanguage();

// A flat picture button bound to a record set through a data source. Its kind decides
// the operation a click performs and, with the disable reasons, when it is enabled.
// It never takes the keyboard focus; the caption is shown under the picture.
//
// Enabled state: setEnabled() from the application is the application's own switch
// (RuntimeEnabled). Disabling switches the enabled rule off and keeps the button
// disabled whatever the record set does; enabling switches the rule on again.
//
// Click: OnClick (the plain click event) runs first, then DoAction(): the question,
// OnBeforeAction, the kind's operation, OnAfterAction. A user click runs through the
// general error report; Click() is the same sequence with errors passed on.
class TCustomDBSpeedButton : public QToolButton
{
    Q_OBJECT
public:
    explicit TCustomDBSpeedButton(QWidget *parent = nullptr);
    ~TCustomDBSpeedButton() override;

    // The "loading from a form" phase: the window code brackets the setting of the
    // stored properties with these. While loading, setDataButtonType only stores the
    // kind and its default reasons, and setEnabled/setRuntimeEnabled only store the
    // switch. endLoading loads the default picture if none was set, sets the enabled
    // state from RuntimeEnabled and runs UpdateEnabled.
    void beginLoading();
    void endLoading();
    bool loading() const { return m_loading; }

    void setDataSource(DataSource *source);
    DataSource *dataSource() const;
    void setDataButtonType(TDBButtonType kind);
    TDBButtonType dataButtonType() const { return m_kind; }
    void setDisableReasons(TDBBDisableReasons reasons);
    TDBBDisableReasons disableReasons() const { return m_disableReasons; }
    void setRuntimeEnabled(bool on);
    bool runtimeEnabled() const { return m_runtimeEnabled; }
    void setLanguage(TDBButtonLanguage language);
    TDBButtonLanguage language() const { return m_language; }
    void setConfirmDelete(bool on) { m_confirmDelete = on; }
    bool confirmDelete() const { return m_confirmDelete; }
    void setHint(const QString &hint); // shown as the tooltip
    QString hint() const { return m_hint; }

    // The picture: frames side by side (normal, then disabled). frames 0 guesses: two
    // when the picture is twice as wide as high, otherwise one. Setting a picture from
    // outside marks it as set, so the kind's default picture no longer replaces it.
    void setGlyph(const QPixmap &glyph, int frames = 0);
    QPixmap glyph() const { return m_glyph; }
    int numGlyphs() const { return m_numGlyphs; }
    bool glyphSet() const { return m_glyphSet; }

    // A menu action that mirrors the button: it gets the button's enabled state on
    // every UpdateEnabled, and triggering it clicks the button and then calls
    // itemHandler (the action's own click handler), with the action as sender.
    // Assigning another action or null gives the previous action back its handler
    // (connected to its triggered signal again). Other receivers of the action's
    // triggered signal are left alone. The button does not own the action.
    void setMenuItem(QAction *item, std::function<void(QAction *)> itemHandler = {});
    QAction *menuItem() const { return m_menuItem; }

    // Enabled state from outside: the application's switch (see above).
    void setEnabled(bool on);
    void setDisabled(bool off) { setEnabled(!off); }

    // The full click (OnClick, then DoAction); errors are passed on.
    void Click();

    // The enabled rule. Does nothing while the button is destroyed or RuntimeEnabled
    // is false.
    virtual void UpdateEnabled();

    // The prior/next repeat timer, while the mouse button is held on such a button.
    QTimer *repeatTimer() const { return m_repeatTimer.get(); }
    static constexpr int RepeatDelay = 400;
    static constexpr int RepeatInterval = 100;

    // Events
    std::function<void(TCustomDBSpeedButton *)> OnClick;
    std::function<void(TCustomDBSpeedButton *, QString &question, MsgButtons &buttons,
                       int &helpCtx)>
        OnGetQuestion;
    std::function<void(TCustomDBSpeedButton *, bool &actionIsDone)> OnBeforeAction;
    std::function<void(TCustomDBSpeedButton *, bool &error)> OnAfterAction;
    std::function<void(TCustomDBSpeedButton *)> OnEnabledChanged;

protected:
    virtual void GetQuestion(QString &question, MsgButtons &buttons, int &helpCtx);
    // Asks the question (if any); true when the action may go on.
    virtual bool ConfirmAction();
    virtual void DoBeforeAction(bool &actionIsDone);
    // Question, OnBeforeAction, the kind's operation and OnAfterAction.
    virtual void DoAction();

    // Runs the kind's operation on the record set (open, non-null).
    void performOperation();
    // Called by the repeat timer.
    void repeatTimerFired();

    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void loadDefaultGlyph();
    void applyGlyph();
    void setOwnEnabled(bool on);
    bool ownEnabled() const;
    void destroyRepeatTimer();
    void menuItemTriggered();
    void releaseMenuItem();

    std::unique_ptr<TDBBtnDataLink> m_link;
    TDBButtonType m_kind = nbCustom;
    TDBButtonLanguage m_language;
    bool m_confirmDelete = true;
    TDBBDisableReasons m_disableReasons = 0;
    bool m_runtimeEnabled = true;
    bool m_glyphSet = false;
    QPixmap m_glyph;
    int m_numGlyphs = 1;
    QString m_hint;
    QPointer<QAction> m_menuItem;
    std::function<void(QAction *)> m_menuItemHandler;
    QMetaObject::Connection m_menuItemConnection;
    QMetaObject::Connection m_menuItemDestroyed;
    std::unique_ptr<QTimer> m_repeatTimer;
    bool m_updating = false;   // UpdateEnabled is setting the enabled state
    bool m_settingOwn = false; // the button itself is setting the enabled state
    bool m_forcedDisabled = false; // the own disabled flag as last seen
    bool m_loading = false;
    bool m_destroying = false;
};

// The button as windows use it.
class TDBSpeedButton : public TCustomDBSpeedButton
{
    Q_OBJECT
public:
    explicit TDBSpeedButton(QWidget *parent = nullptr);
};
