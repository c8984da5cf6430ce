#include "ControlsFixture.h"
#include "ScriptedPrompter.h"

#include "DBSBtn.h"
#include "DBSearch.h"

#include "DbError.h"
#include "Field.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace {

// In ID order. Sorted by name: abacus, abc, Abcd, ABCE, ALPHA, beta, Beta2, gamma.
const QStringList Names = {QStringLiteral("ALPHA"), QStringLiteral("abacus"),
                           QStringLiteral("Abcd"),  QStringLiteral("ABCE"),
                           QStringLiteral("beta"),  QStringLiteral("Beta2"),
                           QStringLiteral("gamma"), QStringLiteral("abc")};

const QString AllSql = QStringLiteral("select ID, NAME, PRICE from NAMES order by ID");

// A window with the search edit, another edit to hold the focus elsewhere, and a
// navigation button.
struct Window
{
    Window()
    {
        auto *layout = new QVBoxLayout(&widget);
        edit = new TSearchEdit(&widget);
        edit->setObjectName(QStringLiteral("SearchEdit1"));
        other = new QLineEdit(&widget);
        next = new TDBSpeedButton(&widget);
        next->setDataButtonType(nbNext);
        layout->addWidget(edit);
        layout->addWidget(other);
        layout->addWidget(next);
        widget.show();
        widget.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&widget));
    }

    void focus(QWidget *w)
    {
        w->setFocus();
        QTRY_VERIFY(w->hasFocus());
    }

    QWidget widget;
    TSearchEdit *edit;
    QLineEdit *other;
    TDBSpeedButton *next;
};

} // namespace

class TestSearchEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void typing_data();
    void typing();
    void searchFollowsSortOrder();
    void withoutFocusShowsCurrentValue();
    void textSetByCodeSearchesOnlyWithFocus();
    void navigationButtonKeepsTypedText();
    void dataFieldIsCheckedAndRebinds();
    void closedRecordSetReportsLocateError();
    void nothingToSearchWithoutRecordSet();
    void upperCase();

private:
    std::unique_ptr<TestDatabase> m_db;
};

void TestSearchEdit::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    createNames(*m_db, Names);
}

void TestSearchEdit::typing_data()
{
    QTest::addColumn<LocateOptions>("options");
    QTest::addColumn<QString>("keys"); // '<' is Backspace
    QTest::addColumn<QStringList>("found"); // the current name after each key
    QTest::addColumn<QString>("text");

    const LocateOptions both = loCaseInsensitive | loPartialKey;
    QTest::newRow("case mix") << both << "abc" << QStringList{"ALPHA", "abacus", "Abcd"}
                              << "abc";
    QTest::newRow("longer, then shorter")
        << both << "abce<" << QStringList{"ALPHA", "abacus", "Abcd", "ABCE", "Abcd"} << "abc";
    QTest::newRow("no match keeps the last match")
        << both << "abx" << QStringList{"ALPHA", "abacus", "abacus"} << "abx";
    QTest::newRow("no match, then a match again")
        << both << "gx<" << QStringList{"gamma", "gamma", "gamma"} << "g";
    QTest::newRow("case-sensitive prefix") << LocateOptions(loPartialKey) << "Ab"
                                           << QStringList{"ALPHA", "Abcd"} << "Ab";
    QTest::newRow("whole value, any case")
        << LocateOptions(loCaseInsensitive) << "BETA"
        << QStringList{"ALPHA", "ALPHA", "ALPHA", "beta"} << "BETA";
    QTest::newRow("whole value, exact case")
        << LocateOptions(0) << "Beta" << QStringList{"ALPHA", "ALPHA", "ALPHA", "ALPHA"}
        << "Beta";
}

void TestSearchEdit::typing()
{
    QFETCH(LocateOptions, options);
    QFETCH(QString, keys);
    QFETCH(QStringList, found);
    QFETCH(QString, text);

    ScriptedPrompter prompter;
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    Window w;
    QCOMPARE(w.edit->searchOptions(), LocateOptions(loCaseInsensitive | loPartialKey));
    w.edit->setSearchOptions(options);
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.edit);
    w.edit->clear(); // with the focus: searches for nothing, matching the first row
    QCOMPARE(currentName(set.rs), QStringLiteral("ALPHA"));

    QStringList actual;
    for (const QChar key : keys) {
        if (key == QLatin1Char('<'))
            QTest::keyClick(w.edit, Qt::Key_Backspace);
        else
            QTest::keyClick(w.edit, key.toLatin1());
        actual << currentName(set.rs);
    }
    QCOMPARE(actual, found);
    QCOMPARE(w.edit->text(), text);
    QCOMPARE(set.rs.state(), DataSetState::Browse); // never writes to the field
    QCOMPARE(prompter.count(), 0);
}

void TestSearchEdit::searchFollowsSortOrder()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    Window w;
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.edit);
    QTest::keyClicks(w.edit, QStringLiteral("abc"));
    QCOMPARE(currentName(set.rs), QStringLiteral("Abcd")); // ID order
    set.rs.setIndexFieldName(QStringLiteral("NAME"));
    w.edit->clear();
    QTest::keyClicks(w.edit, QStringLiteral("abc"));
    QCOMPARE(currentName(set.rs), QStringLiteral("abc")); // name order
    QTest::keyClicks(w.edit, QStringLiteral("e"));
    QCOMPARE(currentName(set.rs), QStringLiteral("ABCE"));
}

void TestSearchEdit::withoutFocusShowsCurrentValue()
{
    BoundSet set(m_db->connection(), AllSql);
    Window w;
    w.focus(w.other);
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    QCOMPARE(w.edit->text(), QString()); // closed: bound to no field

    set.rs.open();
    QCOMPARE(w.edit->text(), QStringLiteral("ALPHA"));
    QCOMPARE(w.edit->selectedText(), QStringLiteral("ALPHA"));
    set.rs.next();
    QCOMPARE(w.edit->text(), QStringLiteral("abacus"));
    QCOMPARE(w.edit->selectedText(), QStringLiteral("abacus"));

    // A value changed in the record set shows at once.
    set.rs.edit();
    set.rs.fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("abacist"));
    QCOMPARE(w.edit->text(), QStringLiteral("abacist"));
    set.rs.cancel();
    QCOMPARE(w.edit->text(), QStringLiteral("abacus"));

    // Numbers show as text; closing empties the edit.
    w.edit->setDataField(QStringLiteral("PRICE"));
    QCOMPARE(w.edit->text(), QStringLiteral("20"));
    set.rs.close();
    QCOMPARE(w.edit->text(), QString());

    // With the focus the shown text stays while the cursor moves.
    set.rs.open();
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.edit);
    set.rs.last();
    QCOMPARE(w.edit->text(), QStringLiteral("ALPHA"));
    // Leaving the edit and moving again shows the current record.
    w.focus(w.other);
    set.rs.prior();
    QCOMPARE(w.edit->text(), QStringLiteral("gamma"));

    // Closed while the user types: the text goes, and emptying it searches nothing.
    ScriptedPrompter prompter;
    w.focus(w.edit);
    QTest::keyClicks(w.edit, QStringLiteral("x"));
    set.rs.close();
    QCOMPARE(w.edit->text(), QString());
    QCOMPARE(prompter.count(), 0);
}

void TestSearchEdit::textSetByCodeSearchesOnlyWithFocus()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    Window w;
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.other);
    w.edit->setText(QStringLiteral("gam"));
    QCOMPARE(currentName(set.rs), QStringLiteral("ALPHA"));
    w.focus(w.edit);
    w.edit->setText(QStringLiteral("gam"));
    QCOMPARE(currentName(set.rs), QStringLiteral("ALPHA")); // no change, no search
    w.edit->setText(QStringLiteral("gamm"));
    QCOMPARE(currentName(set.rs), QStringLiteral("gamma"));
    w.edit->selectAll();
    w.edit->insert(QStringLiteral("beta2")); // as a paste does
    QCOMPARE(currentName(set.rs), QStringLiteral("Beta2"));
}

void TestSearchEdit::navigationButtonKeepsTypedText()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    Window w;
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    w.next->setDataSource(&set.source);
    w.focus(w.edit);
    QTest::keyClicks(w.edit, QStringLiteral("bet"));
    QCOMPARE(currentName(set.rs), QStringLiteral("beta"));
    QTest::mouseClick(w.next, Qt::LeftButton);
    QCOMPARE(currentName(set.rs), QStringLiteral("Beta2"));
    QVERIFY(w.edit->hasFocus());
    QCOMPARE(w.edit->text(), QStringLiteral("bet"));
}

void TestSearchEdit::dataFieldIsCheckedAndRebinds()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    Window w;
    w.focus(w.other);
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));

    QString message;
    try {
        w.edit->setDataField(QStringLiteral("NOPE"));
    } catch (const DbError &e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("SearchEdit1: Field 'NOPE' not found"));
    QCOMPARE(w.edit->dataField(), QStringLiteral("NAME"));
    QCOMPARE(w.edit->text(), QStringLiteral("ALPHA"));

    // Rebinding on the open record set, as the product browser does on a title click.
    w.edit->setDataField(QStringLiteral("ID"));
    QCOMPARE(w.edit->text(), QStringLiteral("1"));
    w.focus(w.edit);
    w.edit->setText(QStringLiteral("7"));
    QCOMPARE(currentName(set.rs), QStringLiteral("gamma"));
    w.edit->setDataField(QStringLiteral("NAME"));
    w.edit->setText(QStringLiteral("abc"));
    QCOMPARE(currentName(set.rs), QStringLiteral("Abcd"));

    // A record set without the field is refused when the edit is attached to it.
    BoundSet narrow(m_db->connection(), QStringLiteral("select ID from NAMES"));
    narrow.rs.open();
    QVERIFY_THROWS_EXCEPTION(DbError, w.edit->setDataSource(&narrow.source));
    QCOMPARE(w.edit->dataSource(), &set.source);
}

void TestSearchEdit::closedRecordSetReportsLocateError()
{
    ScriptedPrompter prompter;
    BoundSet set(m_db->connection(), AllSql);
    Window w;
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.edit);
    QTest::keyClicks(w.edit, QStringLiteral("a"));
    QCOMPARE(w.edit->text(), QStringLiteral("a"));
    QCOMPARE(prompter.count(), 1);
    QCOMPARE(prompter.prompts()[0].kind, ScriptedPrompter::Prompt::Error);
    QVERIFY(!prompter.lastText().isEmpty());
}

void TestSearchEdit::nothingToSearchWithoutRecordSet()
{
    ScriptedPrompter prompter;
    Window w;
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.edit);
    QTest::keyClicks(w.edit, QStringLiteral("ab"));
    DataSource empty;
    w.edit->setDataSource(&empty);
    QCOMPARE(w.edit->text(), QString()); // bound to no field: empty
    QTest::keyClicks(w.edit, QStringLiteral("cd"));
    QCOMPARE(w.edit->text(), QStringLiteral("cd"));
    QCOMPARE(prompter.count(), 0);
}

void TestSearchEdit::upperCase()
{
    BoundSet set(m_db->connection(), AllSql);
    set.rs.open();
    Window w;
    w.edit->setText(QStringLiteral("   0"));
    w.edit->setUpperCase(true);
    w.edit->setDataSource(&set.source);
    w.edit->setDataField(QStringLiteral("NAME"));
    w.focus(w.other);
    set.rs.next();
    QCOMPARE(w.edit->text(), QStringLiteral("ABACUS"));
    w.focus(w.edit);
    w.edit->clear();
    QTest::keyClicks(w.edit, QStringLiteral("gam"));
    QCOMPARE(w.edit->text(), QStringLiteral("GAM"));
    QCOMPARE(currentName(set.rs), QStringLiteral("gamma"));
    w.edit->setUpperCase(false);
    QTest::keyClicks(w.edit, QStringLiteral("m"));
    QCOMPARE(w.edit->text(), QStringLiteral("GAMm"));
}

QTEST_MAIN(TestSearchEdit)
#include "tst_dbsearch.moc"
