#include "ControlsFixture.h"
#include "ScriptedPrompter.h"

#include "DBSBtn.h"

#include "DbError.h"
#include "Field.h"
#include "SilentAbort.h"

#include <QAction>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

Q_DECLARE_METATYPE(TDBButtonType)
Q_DECLARE_METATYPE(TDBButtonLanguage)
Q_DECLARE_METATYPE(MsgButton)

namespace {

const QStringList FiveNames = {QStringLiteral("Ann"), QStringLiteral("Bob"),
                               QStringLiteral("Cid"), QStringLiteral("Dan"),
                               QStringLiteral("Eve")};

const QString AllSql = QStringLiteral("select ID, NAME, PRICE from NAMES order by ID");
const QString NoneSql = QStringLiteral("select ID, NAME, PRICE from NAMES where ID < 0");

void apply(RecordSet &rs, const QString &steps)
{
    for (const QString &step : steps.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (step == QLatin1String("next"))
            rs.next();
        else if (step == QLatin1String("prior"))
            rs.prior();
        else if (step == QLatin1String("first"))
            rs.first();
        else if (step == QLatin1String("last"))
            rs.last();
        else if (step == QLatin1String("edit"))
            rs.edit();
        else if (step == QLatin1String("insert"))
            rs.insert();
        else if (step == QLatin1String("cancel"))
            rs.cancel();
        else
            QTest::qFail(qPrintable(QStringLiteral("unknown step ") + step), __FILE__, __LINE__);
    }
}

// Sends a mouse event as the window system would, with the left button held for
// presses and moves.
void sendMouse(QWidget *w, QEvent::Type type, const QPoint &pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                                                     : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void fire(QTimer *timer)
{
    QVERIFY(timer);
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

} // namespace

class TestDBSpeedButton : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void enabledRule_data();
    void enabledRule();
    void inactiveLinkDisablesEveryKind();
    void emptyReasonsFollowOpenState();
    void applicationSwitchSurvivesScrolls();
    void enabledChangedOnlyOnChanges();
    void reasonsAndKindTakeEffectAtOnce();

    void deleteQuestion_data();
    void deleteQuestion();
    void questionFromHandler_data();
    void questionFromHandler();
    void actionIsDoneSkipsOperation();
    void clickWithoutOpenSetRunsEventsOnly();
    void operationError_data();
    void operationError();
    void plainClickRunsBeforeAction();
    void refreshKeepsCurrentRecord();

    void defaultHints_data();
    void defaultHints();
    void languageKeepsCustomHintAndBecomesDefault();
    void kindChangeReplacesOnlyDefaultHints();

    void loadingPhase();
    void defaultPictures_data();
    void defaultPictures();
    void customPictureStays();
    void framesOnScreen();

    void menuItemMirrorsButton();
    void shortClickMovesOnRelease();
    void holdRepeatsAndPausesOffButton();
    void repeatStopsOnError();

private:
    std::unique_ptr<TestDatabase> m_db;
};

void TestDBSpeedButton::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    createNames(*m_db, FiveNames);
}

void TestDBSpeedButton::cleanup()
{
    // New buttons take the language last assigned: put the module default back.
    TDBSpeedButton b;
    b.setLanguage(blHebrew);
    b.setLanguage(blUSEnglish);
    QCOMPARE(defaultButtonLanguage(), blUSEnglish);
}

void TestDBSpeedButton::enabledRule_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("steps");
    // Enabled state of first, prior, next, last, insert, append, delete, edit, post,
    // cancel, refresh, each with the kind's default reasons.
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty set") << true << false << "" << "00001100001";
    QTest::newRow("empty read-only set") << true << true << "" << "00000000001";
    QTest::newRow("opened") << false << false << "" << "00111111001";
    QTest::newRow("read-only opened") << false << true << "" << "00110000001";
    QTest::newRow("next") << false << false << "next" << "11111111001";
    QTest::newRow("prior back onto the first") << false << false << "next,prior"
                                               << "11111111001";
    QTest::newRow("prior before the first") << false << false << "next,prior,prior"
                                            << "00111111001";
    QTest::newRow("first") << false << false << "next,next,first" << "00111111001";
    QTest::newRow("last") << false << false << "last" << "11001111001";
    QTest::newRow("next back onto the last") << false << false << "last,prior,next"
                                             << "11111111001";
    QTest::newRow("next past the last") << false << false << "last,prior,next,next"
                                        << "11001111001";
    QTest::newRow("editing") << false << false << "next,edit" << "00000000110";
    QTest::newRow("inserting") << false << false << "next,insert" << "00000000110";
    QTest::newRow("edit cancelled") << false << false << "next,edit,cancel" << "11111111001";
}

void TestDBSpeedButton::enabledRule()
{
    QFETCH(bool, empty);
    QFETCH(bool, readOnly);
    QFETCH(QString, steps);
    QFETCH(QString, expected);

    BoundSet set(m_db->connection(), empty ? NoneSql : AllSql);
    set.rs.setReadOnly(readOnly);
    std::vector<std::unique_ptr<TDBSpeedButton>> buttons;
    for (int kind = nbFirst; kind <= nbRefresh; ++kind) {
        auto b = std::make_unique<TDBSpeedButton>();
        b->setDataButtonType(TDBButtonType(kind));
        b->setDataSource(&set.source);
        buttons.push_back(std::move(b));
    }
    set.rs.open();
    apply(set.rs, steps);

    QString actual;
    for (const auto &b : buttons)
        actual += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(actual, expected);
}

void TestDBSpeedButton::inactiveLinkDisablesEveryKind()
{
    BoundSet set(m_db->connection(), AllSql);
    std::vector<std::unique_ptr<TDBSpeedButton>> buttons;
    for (int kind = nbCustom; kind <= nbRefresh; ++kind) {
        auto b = std::make_unique<TDBSpeedButton>();
        b->setDataButtonType(TDBButtonType(kind));
        b->setDisableReasons(0);
        buttons.push_back(std::move(b));
    }
    // Without a data source
    for (const auto &b : buttons)
        QVERIFY2(!b->isEnabled(), qPrintable(QString::number(b->dataButtonType())));

    // With a data source on a closed record set
    for (const auto &b : buttons)
        b->setDataSource(&set.source);
    for (const auto &b : buttons)
        QVERIFY(!b->isEnabled());

    // Opening enables them (no reasons), closing disables them again
    set.rs.open();
    for (const auto &b : buttons)
        QVERIFY(b->isEnabled());
    set.rs.close();
    for (const auto &b : buttons)
        QVERIFY(!b->isEnabled());

    // A data source without a record set, and a destroyed data source
    set.rs.open();
    auto other = std::make_unique<DataSource>();
    buttons[1]->setDataSource(other.get());
    QVERIFY(!buttons[1]->isEnabled());
    other.reset();
    QVERIFY(!buttons[1]->dataSource());
    QVERIFY(!buttons[1]->isEnabled());
}

void TestDBSpeedButton::emptyReasonsFollowOpenState()
{
    BoundSet set(m_db->connection(), NoneSql);
    TDBSpeedButton custom;
    QCOMPARE(custom.dataButtonType(), nbCustom);
    QCOMPARE(custom.disableReasons(), TDBBDisableReasons(0));
    custom.setDataSource(&set.source);
    set.rs.open();
    QVERIFY(custom.isEnabled()); // empty set, yet no reason applies
    set.rs.append();
    QVERIFY(custom.isEnabled()); // editing, still no reason
}

void TestDBSpeedButton::applicationSwitchSurvivesScrolls()
{
    BoundSet set(m_db->connection(), AllSql);
    TDBSpeedButton next;
    next.setDataButtonType(nbNext);
    next.setDataSource(&set.source);
    set.rs.open();
    QVERIFY(next.isEnabled());

    next.setEnabled(false);
    QVERIFY(!next.runtimeEnabled());
    apply(set.rs, QStringLiteral("next,last,first,next"));
    QVERIFY(!next.isEnabled());

    next.setEnabled(true);
    QVERIFY(next.runtimeEnabled());
    QVERIFY(next.isEnabled()); // the rule decides again: not at the end
    set.rs.last();
    QVERIFY(!next.isEnabled());

    // Disabled by the application while the rule has it disabled already: stays so.
    next.setEnabled(false);
    set.rs.first();
    QVERIFY(!next.isEnabled());
    next.setEnabled(true);
    QVERIFY(next.isEnabled());

    // The same switch reached through QWidget.
    QWidget *asWidget = &next;
    asWidget->setEnabled(false);
    QVERIFY(!next.runtimeEnabled());
    set.rs.next();
    QVERIFY(!next.isEnabled());
    asWidget->setEnabled(true);
    QVERIFY(next.runtimeEnabled());
    set.rs.last();
    QVERIFY(!next.isEnabled());
    set.rs.first();
    QVERIFY(next.isEnabled());

    // A disabled parent is not the application's switch of the button.
    QWidget parent;
    TDBSpeedButton child(&parent);
    child.setDataButtonType(nbNext);
    child.setDataSource(&set.source);
    QVERIFY(child.isEnabled());
    parent.setEnabled(false);
    QVERIFY(child.runtimeEnabled());
    parent.setEnabled(true);
    QVERIFY(child.isEnabled());
    set.rs.last();
    QVERIFY(!child.isEnabled());
}

void TestDBSpeedButton::enabledChangedOnlyOnChanges()
{
    BoundSet set(m_db->connection(), AllSql);
    TDBSpeedButton first;
    first.setDataButtonType(nbFirst);
    first.setDataSource(&set.source);
    QAction item(QStringLiteral("First"));
    first.setMenuItem(&item);
    int changes = 0;
    first.OnEnabledChanged = [&](TCustomDBSpeedButton *sender) {
        QCOMPARE(sender, &first);
        ++changes;
    };
    set.rs.open(); // at the beginning: stays disabled
    QCOMPARE(changes, 0);
    QVERIFY(!item.isEnabled());
    apply(set.rs, QStringLiteral("next,next"));
    QCOMPARE(changes, 1);
    QVERIFY(item.isEnabled());
    apply(set.rs, QStringLiteral("first"));
    QCOMPARE(changes, 2);
    QVERIFY(!item.isEnabled());
    // The application's own switch is no change made by the rule.
    first.setEnabled(false);
    set.rs.next();
    QCOMPARE(changes, 2);
    QVERIFY(!item.isEnabled());
}

void TestDBSpeedButton::reasonsAndKindTakeEffectAtOnce()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    TDBSpeedButton b;
    b.setDataSource(&set.source);
    b.setDataButtonType(nbPrior);
    QCOMPARE(b.disableReasons(), drSet({drBOF, drEditing, drEmpty}));
    QVERIFY(!b.isEnabled()); // at the beginning
    b.setDisableReasons(drSet({drEditing}));
    QVERIFY(b.isEnabled());
    // Back to custom: the reasons stay as they were.
    b.setDataButtonType(nbCustom);
    QCOMPARE(b.disableReasons(), drSet({drEditing}));
    b.setDataButtonType(nbPost);
    QCOMPARE(b.disableReasons(), drSet({drNotEditing}));
    QVERIFY(!b.isEnabled());
}

void TestDBSpeedButton::deleteQuestion_data()
{
    QTest::addColumn<bool>("confirmDelete");
    QTest::addColumn<MsgButton>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("deleted");

    QTest::newRow("OK deletes") << true << mbOK << true << true;
    QTest::newRow("Cancel keeps") << true << mbCancel << true << false;
    QTest::newRow("closed box keeps") << true << MsgButton(0) << true << false;
    QTest::newRow("no confirmation") << false << mbCancel << false << true;
}

void TestDBSpeedButton::deleteQuestion()
{
    QFETCH(bool, confirmDelete);
    QFETCH(MsgButton, answer);
    QFETCH(bool, asked);
    QFETCH(bool, deleted);

    ScriptedPrompter prompter;
    prompter.answerAsk(answer);
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    set.rs.next();
    TDBSpeedButton del;
    del.setDataButtonType(nbDelete);
    del.setConfirmDelete(confirmDelete);
    del.setDataSource(&set.source);
    QVERIFY(del.isEnabled());
    del.click();

    QCOMPARE(prompter.count(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(prompter.prompts()[0].kind, ScriptedPrompter::Prompt::Ask);
        QCOMPARE(prompter.prompts()[0].text, QStringLiteral("Delete record?"));
        QCOMPARE(prompter.prompts()[0].buttons, MsgButtons(mbOK | mbCancel));
    }
    QCOMPARE(set.rs.recordCount(), deleted ? 4 : 5);
    QCOMPARE(set.rs.locate(QStringLiteral("NAME"), QStringLiteral("Bob")), !deleted);
}

void TestDBSpeedButton::questionFromHandler_data()
{
    QTest::addColumn<TDBButtonType>("kind");
    QTest::addColumn<QString>("question");
    QTest::addColumn<MsgButton>("answer");
    QTest::addColumn<bool>("eventsRun");
    QTest::addColumn<int>("recNo");

    QTest::newRow("custom, no question") << nbCustom << "" << mbNo << true << 0;
    QTest::newRow("custom, Yes") << nbCustom << "Go on?" << mbYes << true << 0;
    QTest::newRow("custom, No") << nbCustom << "Go on?" << mbNo << false << 0;
    QTest::newRow("next, Yes") << nbNext << "Move?" << mbYes << true << 1;
    QTest::newRow("next, No") << nbNext << "Move?" << mbNo << false << 0;
    QTest::newRow("next, Cancel") << nbNext << "Move?" << mbCancel << false << 0;
}

void TestDBSpeedButton::questionFromHandler()
{
    QFETCH(TDBButtonType, kind);
    QFETCH(QString, question);
    QFETCH(MsgButton, answer);
    QFETCH(bool, eventsRun);
    QFETCH(int, recNo);

    ScriptedPrompter prompter;
    prompter.answerAsk(answer);
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    TDBSpeedButton b;
    b.setDataButtonType(kind);
    b.setDataSource(&set.source);
    b.OnGetQuestion = [&](TCustomDBSpeedButton *, QString &q, MsgButtons &buttons, int &help) {
        QCOMPARE(q, QString());
        QCOMPARE(buttons, MsgButtons(mbOK | mbCancel));
        QCOMPARE(help, 0);
        q = question;
        buttons = mbYes | mbNo | mbCancel;
    };
    QStringList events;
    b.OnBeforeAction = [&](TCustomDBSpeedButton *, bool &done) {
        events << (done ? QStringLiteral("before:done") : QStringLiteral("before"));
    };
    b.OnAfterAction = [&](TCustomDBSpeedButton *, bool &error) {
        events << (error ? QStringLiteral("after:error") : QStringLiteral("after"));
    };
    b.click();

    QCOMPARE(prompter.count(), question.isEmpty() ? 0 : 1);
    if (!question.isEmpty()) {
        QCOMPARE(prompter.lastText(), question);
        QCOMPARE(prompter.prompts()[0].buttons, MsgButtons(mbYes | mbNo | mbCancel));
    }
    const QStringList expectedEvents = !eventsRun ? QStringList()
                                       : kind == nbCustom
                                           ? QStringList{"before:done", "after"}
                                           : QStringList{"before", "after"};
    QCOMPARE(events, expectedEvents);
    QCOMPARE(set.rs.recNo(), recNo);
}

void TestDBSpeedButton::actionIsDoneSkipsOperation()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    TDBSpeedButton next;
    next.setDataButtonType(nbNext);
    next.setDataSource(&set.source);
    bool afterError = true;
    int afterCalls = 0;
    next.OnBeforeAction = [](TCustomDBSpeedButton *, bool &done) { done = true; };
    next.OnAfterAction = [&](TCustomDBSpeedButton *, bool &error) {
        afterError = error;
        ++afterCalls;
    };
    next.click();
    QCOMPARE(set.rs.recNo(), 0);
    QCOMPARE(afterCalls, 1);
    QVERIFY(!afterError);

    next.OnBeforeAction = nullptr;
    next.click();
    QCOMPARE(set.rs.recNo(), 1);
    QCOMPARE(afterCalls, 2);
}

void TestDBSpeedButton::clickWithoutOpenSetRunsEventsOnly()
{
    ScriptedPrompter prompter;
    BoundSet set(m_db->connection(), AllSql);
    for (bool withSource : {false, true}) {
        TDBSpeedButton del;
        del.setDataButtonType(nbDelete);
        if (withSource)
            del.setDataSource(&set.source); // record set closed
        QVERIFY(!del.isEnabled());
        int before = 0, after = 0;
        del.OnBeforeAction = [&](TCustomDBSpeedButton *, bool &) { ++before; };
        del.OnAfterAction = [&](TCustomDBSpeedButton *, bool &error) {
            QVERIFY(!error);
            ++after;
        };
        prompter.answerAsk(mbOK);
        del.Click();
        QCOMPARE(prompter.lastText(), QStringLiteral("Delete record?"));
        QCOMPARE(before, 1);
        QCOMPARE(after, 1);
    }
    QVERIFY(!set.rs.active());
}

void TestDBSpeedButton::operationError_data()
{
    QTest::addColumn<QString>("handler"); // none, keep, clear
    QTest::addColumn<bool>("silent");     // the operation ends in a silent abort
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QStringList>("afterCalls");

    const QStringList refused{QStringLiteral("Post refused")};
    QTest::newRow("no handler: passed on") << "none" << false << refused << QStringList();
    QTest::newRow("handler keeps the error") << "keep" << false << refused
                                             << QStringList{"error"};
    QTest::newRow("handler drops the error") << "clear" << false << QStringList()
                                             << QStringList{"error"};
    QTest::newRow("silent abort, kept") << "keep" << true << QStringList()
                                        << QStringList{"error"};
}

void TestDBSpeedButton::operationError()
{
    QFETCH(QString, handler);
    QFETCH(bool, silent);
    QFETCH(QStringList, reported);
    QFETCH(QStringList, afterCalls);

    ScriptedPrompter prompter;
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    set.rs.BeforePost = [silent](RecordSet &) {
        if (silent)
            throw SilentAbort();
        throw DbError(QStringLiteral("Post refused"));
    };
    TDBSpeedButton post;
    post.setDataButtonType(nbPost);
    post.setDataSource(&set.source);
    QStringList calls;
    if (handler != QLatin1String("none")) {
        post.OnAfterAction = [&](TCustomDBSpeedButton *, bool &error) {
            calls << (error ? QStringLiteral("error") : QStringLiteral("ok"));
            if (handler == QLatin1String("clear"))
                error = false;
        };
    }
    set.rs.edit();
    set.rs.fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("Zed"));
    QVERIFY(post.isEnabled());
    post.click();

    QCOMPARE(prompter.texts(), reported);
    QCOMPARE(calls, afterCalls);
    QCOMPARE(set.rs.state(), DataSetState::Edit); // the post did not happen

    // Click() passes the error on to its caller.
    if (!reported.isEmpty()) {
        bool thrown = false;
        try {
            post.Click();
        } catch (const DbError &e) {
            thrown = e.message() == QLatin1String("Post refused");
        }
        QVERIFY(thrown);
    }
}

void TestDBSpeedButton::plainClickRunsBeforeAction()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    TDBSpeedButton next;
    next.setDataButtonType(nbNext);
    next.setDataSource(&set.source);
    QStringList order;
    next.OnClick = [&](TCustomDBSpeedButton *) {
        order << QStringLiteral("click@%1").arg(set.rs.recNo());
    };
    next.OnBeforeAction = [&](TCustomDBSpeedButton *, bool &) { order << "before"; };
    next.OnAfterAction = [&](TCustomDBSpeedButton *, bool &) {
        order << QStringLiteral("after@%1").arg(set.rs.recNo());
    };
    next.click();
    QCOMPARE(order, (QStringList{"click@0", "before", "after@1"}));
}

void TestDBSpeedButton::refreshKeepsCurrentRecord()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    set.rs.locate(QStringLiteral("NAME"), QStringLiteral("Cid"));
    TDBSpeedButton refresh;
    refresh.setDataButtonType(nbRefresh);
    refresh.setDataSource(&set.source);
    m_db->exec(QStringLiteral("update NAMES set NAME = 'Cyd' where ID = 3"));
    m_db->exec(QStringLiteral("insert into NAMES (ID, NAME, PRICE) values (0, 'Abe', 0)"));
    refresh.click();
    m_db->exec(QStringLiteral("update NAMES set NAME = 'Cid' where ID = 3"));
    m_db->exec(QStringLiteral("delete from NAMES where ID = 0"));

    QCOMPARE(set.rs.recordCount(), 6);
    QCOMPARE(currentName(set.rs), QStringLiteral("Cyd"));
    QCOMPARE(set.rs.recNo(), 3);
    QVERIFY(refresh.isEnabled());
}

void TestDBSpeedButton::defaultHints_data()
{
    QTest::addColumn<TDBButtonLanguage>("language");
    QTest::addColumn<QStringList>("hints"); // first .. refresh

    QTest::newRow("English") << blUSEnglish
                             << QStringList{"First", "Prior", "Next", "Last", "New", "New",
                                            "Delete", "Edit", "Save", "Cancel", "Refresh"};
    QTest::newRow("Hebrew") << blHebrew
                            << QStringList{"ראשונה", "הקודמת", "הבאה", "האחרונה", "חדשה",
                                           "חדשה", "מחיקה", "עריכה", "שמירה", "ביטול",
                                           "רענון"};
    QTest::newRow("Portuguese") << blPortugues
                                << QStringList{"Primeiro", "Anterior", "Próximo", "Último",
                                               "Insere", "Insere", "Exclui", "Edita", "Salva",
                                               "Cancela", "Atualiza"};
    QTest::newRow("German") << blGerman
                            << QStringList{"Anfang", "Zurück", "Vor", "Ende", "Neu", "Neu",
                                           "Löschen", "Ändern", "Sichern", "Abbrechen",
                                           "Aktualisieren"};
    QTest::newRow("Spanish") << blSpanish
                             << QStringList{"Primero", "Anterior", "Siguiente", "Último",
                                            "Insertar", "Insertar", "Borrar", "Editar",
                                            "Guardar", "Cancelar", "Actualizar"};
}

void TestDBSpeedButton::defaultHints()
{
    QFETCH(TDBButtonLanguage, language);
    QFETCH(QStringList, hints);

    for (int kind = nbFirst; kind <= nbRefresh; ++kind) {
        const QString expected = hints[kind - nbFirst];
        QVERIFY(expected.size() <= 15);
        // A new button in that language, given the kind
        TDBSpeedButton fresh;
        fresh.setLanguage(language);
        fresh.setDataButtonType(TDBButtonType(kind));
        QCOMPARE(fresh.hint(), expected);
        QCOMPARE(fresh.toolTip(), expected);
        // An English button switched to that language
        TDBSpeedButton switched;
        switched.setLanguage(blUSEnglish);
        switched.setDataButtonType(TDBButtonType(kind));
        switched.setLanguage(language);
        QCOMPARE(switched.hint(), expected);
    }
    TDBSpeedButton custom;
    custom.setLanguage(language);
    QCOMPARE(custom.hint(), QString());
}

void TestDBSpeedButton::languageKeepsCustomHintAndBecomesDefault()
{
    TDBSpeedButton next;
    next.setDataButtonType(nbNext);
    QCOMPARE(next.hint(), QStringLiteral("Next"));
    next.setLanguage(blGerman);
    QCOMPARE(next.hint(), QStringLiteral("Vor"));

    TDBSpeedButton later;
    QCOMPARE(later.language(), blGerman);
    later.setDataButtonType(nbLast);
    QCOMPARE(later.hint(), QStringLiteral("Ende"));

    TDBSpeedButton custom;
    custom.setDataButtonType(nbNext);
    custom.setHint(QStringLiteral("次筆記錄"));
    custom.setLanguage(blSpanish);
    QCOMPARE(custom.hint(), QStringLiteral("次筆記錄"));
    QCOMPARE(custom.toolTip(), QStringLiteral("次筆記錄"));

    // A hint that is a default of another language than the old one is custom too.
    TDBSpeedButton other;
    other.setLanguage(blUSEnglish);
    other.setDataButtonType(nbNext);
    other.setHint(QStringLiteral("Vor"));
    other.setLanguage(blSpanish);
    QCOMPARE(other.hint(), QStringLiteral("Vor"));
}

void TestDBSpeedButton::kindChangeReplacesOnlyDefaultHints()
{
    TDBSpeedButton b;
    b.setDataButtonType(nbFirst);
    QCOMPARE(b.hint(), QStringLiteral("First"));
    b.setDataButtonType(nbDelete);
    QCOMPARE(b.hint(), QStringLiteral("Delete"));
    b.setHint(QStringLiteral("Remove line"));
    b.setDataButtonType(nbEdit);
    QCOMPARE(b.hint(), QStringLiteral("Remove line"));
    // Custom keeps the hint; leaving custom with a default hint replaces it.
    b.setHint(QStringLiteral("Edit"));
    b.setDataButtonType(nbCustom);
    QCOMPARE(b.hint(), QStringLiteral("Edit"));
    b.setDataButtonType(nbPost);
    QCOMPARE(b.hint(), QStringLiteral("Save"));
    // Setting the kind enables the button again.
    b.setEnabled(false);
    b.setDataButtonType(nbCancel);
    QVERIFY(b.runtimeEnabled());
}

void TestDBSpeedButton::loadingPhase()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    set.rs.last();

    // Stored reasons after the kind override its defaults; the stored switch decides.
    TDBSpeedButton b;
    b.beginLoading();
    b.setDataButtonType(nbLast);
    QCOMPARE(b.disableReasons(), defaultDisableReasons(nbLast));
    b.setDisableReasons(drSet({drEditing}));
    b.setHint(QStringLiteral("末筆記錄"));
    b.setDataSource(&set.source);
    b.setRuntimeEnabled(false);
    QVERIFY(b.glyph().isNull()); // no picture while loading
    b.endLoading();
    QCOMPARE(b.dataButtonType(), nbLast);
    QCOMPARE(b.disableReasons(), drSet({drEditing}));
    QCOMPARE(b.hint(), QStringLiteral("末筆記錄"));
    QVERIFY(!b.glyph().isNull());
    QCOMPARE(b.numGlyphs(), 2);
    QVERIFY(!b.glyphSet());
    QVERIFY(!b.isEnabled());
    QVERIFY(!b.runtimeEnabled());
    set.rs.first();
    QVERIFY(!b.isEnabled());

    // Loaded enabled: the rule runs at the end of loading.
    TDBSpeedButton c;
    c.beginLoading();
    c.setDataButtonType(nbLast);
    c.setDataSource(&set.source);
    c.endLoading();
    QVERIFY(c.runtimeEnabled());
    QVERIFY(c.isEnabled());
    set.rs.last();
    QVERIFY(!c.isEnabled());

    // A picture stored with the button stays.
    QPixmap own(32, 16);
    own.fill(Qt::red);
    TDBSpeedButton d;
    d.beginLoading();
    d.setDataButtonType(nbFirst);
    d.setGlyph(own);
    d.endLoading();
    QVERIFY(d.glyphSet());
    QCOMPARE(d.glyph().toImage(), own.toImage());
}

void TestDBSpeedButton::defaultPictures_data()
{
    QTest::addColumn<TDBButtonType>("kind");
    QTest::addColumn<QString>("resource");
    QTest::newRow("first") << nbFirst << ":/dbn_FIRST";
    QTest::newRow("prior") << nbPrior << ":/dbn_PRIOR";
    QTest::newRow("next") << nbNext << ":/dbn_NEXT";
    QTest::newRow("last") << nbLast << ":/dbn_LAST";
    QTest::newRow("insert") << nbInsert << ":/dbn_INSERT";
    QTest::newRow("append") << nbAppend << ":/dbn_INSERT";
    QTest::newRow("delete") << nbDelete << ":/dbn_DELETE";
    QTest::newRow("edit") << nbEdit << ":/dbn_EDIT";
    QTest::newRow("post") << nbPost << ":/dbn_POST";
    QTest::newRow("cancel") << nbCancel << ":/dbn_CANCEL";
    QTest::newRow("refresh") << nbRefresh << ":/dbn_REFRESH";
}

void TestDBSpeedButton::defaultPictures()
{
    QFETCH(TDBButtonType, kind);
    QFETCH(QString, resource);

    TDBSpeedButton b; // registers the resources
    b.setDataButtonType(kind);
    const QImage file(resource);
    QVERIFY2(!file.isNull(), qPrintable(resource));
    QCOMPARE(file.width(), 2 * file.height());
    QCOMPARE(b.glyph().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             file.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QCOMPARE(b.numGlyphs(), 2);
    QVERIFY(!b.glyphSet());

    // The icon shows the left frame normally and the right one when disabled.
    const int h = file.height();
    const QImage normal = b.icon().pixmap(QSize(h, h), QIcon::Normal).toImage();
    const QImage disabled = b.icon().pixmap(QSize(h, h), QIcon::Disabled).toImage();
    const auto argb = [](const QImage &i) {
        return i.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    QCOMPARE(argb(normal), argb(file.copy(0, 0, h, h)));
    QCOMPARE(argb(disabled), argb(file.copy(h, 0, h, h)));
    QVERIFY(argb(normal) != argb(disabled));
}

void TestDBSpeedButton::customPictureStays()
{
    TDBSpeedButton b;
    b.setDataButtonType(nbNext);
    const QImage next = b.glyph().toImage();
    b.setDataButtonType(nbCustom);
    QVERIFY(b.glyphSet());
    QCOMPARE(b.glyph().toImage(), next);
    // A one-frame picture of the application; Qt draws its disabled look.
    QPixmap own(16, 16);
    own.fill(Qt::blue);
    b.setGlyph(own);
    QCOMPARE(b.numGlyphs(), 1);
    b.setGlyph(QPixmap());
    QVERIFY(b.icon().isNull());
}

// Every kind twice, enabled above and disabled below, as a window shows them. With
// TARN_SCREENSHOT set to a file name, the screen is saved there (run under Xvfb).
void TestDBSpeedButton::framesOnScreen()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    set.rs.next();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Navigation buttons"));
    auto *layout = new QGridLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("normal")), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("disabled")), 1, 0);
    std::vector<TDBSpeedButton *> enabled, disabled;
    for (int kind = nbFirst; kind <= nbRefresh; ++kind) {
        for (int line = 0; line < 2; ++line) {
            auto *b = new TDBSpeedButton(&window);
            b->setDataButtonType(TDBButtonType(kind));
            b->setText(b->hint());
            b->setMinimumSize(58, 45);
            b->setDataSource(&set.source);
            b->setDisableReasons(0);
            if (line == 1)
                b->setEnabled(false);
            layout->addWidget(b, line, kind);
            (line == 0 ? enabled : disabled).push_back(b);
        }
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The "first" picture's blue shows on the enabled button only.
    const QColor blue(0x1f, 0x4e, 0x9c);
    const auto shows = [](QWidget *w, const QColor &c) {
        const QImage i = w->grab().toImage();
        for (int y = 0; y < i.height(); ++y)
            for (int x = 0; x < i.width(); ++x)
                if (QColor(i.pixel(x, y)) == c)
                    return true;
        return false;
    };
    QVERIFY(enabled[0]->isEnabled());
    QVERIFY(!disabled[0]->isEnabled());
    QVERIFY(shows(enabled[0], blue));
    QVERIFY(!shows(disabled[0], blue));
    QVERIFY(shows(disabled[0], QColor(0x8c, 0x8c, 0x8c))); // the grey disabled frame

    const QString shot = qEnvironmentVariable("TARN_SCREENSHOT");
    if (!shot.isEmpty()) {
        window.move(20, 20);
        QTest::qWait(500);
        QVERIFY(window.screen()->grabWindow(0).save(shot));
    }
}

void TestDBSpeedButton::menuItemMirrorsButton()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    auto next = std::make_unique<TDBSpeedButton>();
    next->setDataButtonType(nbNext);
    next->setDataSource(&set.source);
    QAction item(QStringLiteral("Next"));
    QStringList calls;
    next->setMenuItem(&item, [&](QAction *sender) {
        QCOMPARE(sender, &item);
        calls << QStringLiteral("item@%1").arg(set.rs.recNo());
    });
    QCOMPARE(next->menuItem(), &item);
    QVERIFY(item.isEnabled());

    item.trigger();
    QCOMPARE(calls, QStringList{"item@1"}); // the button's click first
    set.rs.last();
    QVERIFY(!item.isEnabled());
    next->setEnabled(false); // the application's switch reaches the item too
    set.rs.first();
    QVERIFY(!item.isEnabled());
    next->setEnabled(true);
    QVERIFY(item.isEnabled());

    // Released: the item has its own handler back, and the button no longer moves.
    next->setMenuItem(nullptr);
    QVERIFY(!next->menuItem());
    item.trigger();
    QCOMPARE(calls, (QStringList{"item@1", "item@0"}));
    set.rs.last();
    QVERIFY(item.isEnabled());

    // A destroyed item is forgotten; a destroyed button gives its item back.
    auto other = std::make_unique<QAction>();
    next->setMenuItem(other.get(), [&](QAction *) { calls << "other"; });
    other.reset();
    QVERIFY(!next->menuItem());
    QAction third;
    set.rs.first();
    next->setMenuItem(&third, [&](QAction *) { calls << "third"; });
    QVERIFY(third.isEnabled());
    next.reset();
    third.trigger();
    QCOMPARE(calls.last(), QStringLiteral("third"));
    QCOMPARE(set.rs.recNo(), 0);
}

void TestDBSpeedButton::shortClickMovesOnRelease()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    set.rs.last();
    TDBSpeedButton prior;
    prior.setDataButtonType(nbPrior);
    prior.setDataSource(&set.source);
    prior.resize(45, 38);
    const QPoint inside(20, 20);
    sendMouse(&prior, QEvent::MouseButtonPress, inside);
    QVERIFY(prior.repeatTimer());
    QCOMPARE(prior.repeatTimer()->interval(), 400);
    QCOMPARE(set.rs.recNo(), 4);
    sendMouse(&prior, QEvent::MouseButtonRelease, inside);
    QCOMPARE(set.rs.recNo(), 3);
    QVERIFY(!prior.repeatTimer());

    // Kinds that do not repeat create no timer.
    TDBSpeedButton last;
    last.setDataButtonType(nbLast);
    last.setDataSource(&set.source);
    last.resize(45, 38);
    sendMouse(&last, QEvent::MouseButtonPress, inside);
    QVERIFY(!last.repeatTimer());
    sendMouse(&last, QEvent::MouseButtonRelease, inside);
    QCOMPARE(set.rs.recNo(), 4);
}

void TestDBSpeedButton::holdRepeatsAndPausesOffButton()
{
    // Ten rows: the five names twice.
    BoundSet set(m_db->connection(),
                 QStringLiteral("select ID, NAME from NAMES union all "
                                "select ID + 10, NAME from NAMES order by 1"));
    set.rs.open();
    QCOMPARE(set.rs.recordCount(), 10);
    TDBSpeedButton next;
    next.setDataButtonType(nbNext);
    next.setDataSource(&set.source);
    next.resize(45, 38);
    const QPoint inside(20, 20);
    const QPoint outside(200, 200);

    sendMouse(&next, QEvent::MouseButtonPress, inside);
    QTimer *timer = next.repeatTimer();
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 400);
    QCOMPARE(set.rs.recNo(), 0);

    fire(timer); // after 400 ms
    QCOMPARE(set.rs.recNo(), 1);
    QCOMPARE(timer->interval(), 100);
    fire(timer);
    fire(timer);
    QCOMPARE(set.rs.recNo(), 3);

    sendMouse(&next, QEvent::MouseMove, outside); // pointer off: paused
    QVERIFY(!next.isDown());
    fire(timer);
    fire(timer);
    QCOMPARE(set.rs.recNo(), 3);
    QCOMPARE(next.repeatTimer(), timer);

    sendMouse(&next, QEvent::MouseMove, inside); // back on: goes on
    fire(timer);
    QCOMPARE(set.rs.recNo(), 4);

    sendMouse(&next, QEvent::MouseButtonRelease, inside); // one more on release
    QCOMPARE(set.rs.recNo(), 5);
    QVERIFY(!next.repeatTimer());

    // Released off the button: no final click.
    sendMouse(&next, QEvent::MouseButtonPress, inside);
    sendMouse(&next, QEvent::MouseMove, outside);
    sendMouse(&next, QEvent::MouseButtonRelease, outside);
    QCOMPARE(set.rs.recNo(), 5);
    QVERIFY(!next.repeatTimer());

    // Repeating onto the last record disables the button and ends the repeat.
    sendMouse(&next, QEvent::MouseButtonPress, inside);
    timer = next.repeatTimer();
    for (int i = 0; i < 4; ++i)
        fire(timer);
    QCOMPARE(set.rs.recNo(), 9);
    set.rs.next(); // the end flag
    QVERIFY(!next.isEnabled());
    QVERIFY(!next.repeatTimer());
}

void TestDBSpeedButton::repeatStopsOnError()
{
    ScriptedPrompter prompter;
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    TDBSpeedButton next;
    next.setDataButtonType(nbNext);
    next.setDataSource(&set.source);
    next.resize(45, 38);
    int clicks = 0;
    next.OnBeforeAction = [&](TCustomDBSpeedButton *, bool &) {
        if (++clicks == 2)
            throw DbError(QStringLiteral("Cannot move"));
    };
    sendMouse(&next, QEvent::MouseButtonPress, QPoint(20, 20));
    fire(next.repeatTimer());
    QCOMPARE(set.rs.recNo(), 1);
    fire(next.repeatTimer());
    QVERIFY(!next.repeatTimer());
    QCOMPARE(prompter.texts(), QStringList{"Cannot move"});
    QCOMPARE(set.rs.recNo(), 1);
    sendMouse(&next, QEvent::MouseButtonRelease, QPoint(20, 20));
    QCOMPARE(clicks, 2); // no click on release after the failed repeat
}

QTEST_MAIN(TestDBSpeedButton)
#include "tst_dbsbtn.moc"
