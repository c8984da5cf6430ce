#include "ControlsFixture.h"
#include "ScriptedPrompter.h"

#include "DBGrid.h"

#include "DbError.h"
#include "Field.h"
#include "RecordSetModel.h"
#include "SilentAbort.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>

#include <memory>

Q_DECLARE_METATYPE(MsgButton)

namespace {

const QStringList Names = {QStringLiteral("Ann"), QStringLiteral("Bob"),
                           QStringLiteral("Cid"), QStringLiteral("Dan"),
                           QStringLiteral("Eve")};
const QString AllSql = QStringLiteral("select ID, NAME, PRICE from NAMES order by ID");

// A shown grid over an open record set of the five names.
struct Shown
{
    explicit Shown(SqlConnection &connection, const QString &sql = AllSql)
        : set(connection, sql)
    {
        set.rs.open();
        grid.setDataSource(&set.source);
        grid.resize(420, 260);
        grid.show();
        grid.activateWindow();
        if (!QTest::qWaitForWindowActive(&grid))
            qWarning("grid window not active");
        grid.setFocus();
    }

    QModelIndex at(int row, int column) const { return grid.model()->index(row, column); }
    void go(int row, int column) { grid.setCurrentIndex(at(row, column)); }
    QLineEdit *editor() const
    {
        return qobject_cast<QLineEdit *>(grid.indexWidget(grid.currentIndex()));
    }
    // Opens the cell editor on the current cell and replaces its text.
    QLineEdit *type(const QString &text)
    {
        if (!editor())
            grid.edit(grid.currentIndex());
        QLineEdit *e = editor();
        if (e) {
            e->selectAll();
            e->insert(text);
        }
        return e;
    }

    BoundSet set;
    TDBGrid grid;
};

QString cell(const RecordSet &rs, int row, const char *field)
{
    return rs.displayTextAt(row, rs.fieldByName(QLatin1String(field))->index());
}

} // namespace

class TestDBGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void currentRowFollowsBothWays();
    void columnsTitlesAndWidths();
    void fixedRowHeightsOnLargeSet();
    void editingAssignsAndLeavingPosts();
    void refusedValues_data();
    void refusedValues();
    void failedPostKeepsGridOnRow();
    void insertAndDeleteKeys_data();
    void insertAndDeleteKeys();
    void enterAndKeyHook();
    void tabMoves_data();
    void tabMoves();
    void enterAsTabAppendsFromEditor();
    void downPastLastRowAppendsOnce();
    void titleAndDoubleClickSignals();
    void columnColourPaintsCells();

private:
    std::unique_ptr<TestDatabase> m_db;
};

void TestDBGrid::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    createNames(*m_db, Names);
}

void TestDBGrid::currentRowFollowsBothWays()
{
    Shown s(m_db->connection());
    QCOMPARE(s.grid.currentIndex().row(), 0);
    s.set.rs.next();
    s.set.rs.next();
    QCOMPARE(s.grid.currentIndex().row(), 2);
    s.go(4, 1);
    QCOMPARE(s.set.rs.recNo(), 4);
    QTest::keyClick(&s.grid, Qt::Key_Up);
    QCOMPARE(s.set.rs.recNo(), 3);
    QCOMPARE(s.grid.currentIndex().column(), 1);
    s.set.rs.first();
    QCOMPARE(s.grid.currentIndex(), s.at(0, 1));
    // Re-opened, the grid stands on the first row again.
    s.set.rs.last();
    s.set.rs.close();
    s.set.rs.open();
    QCOMPARE(s.grid.currentIndex().row(), 0);

    // Re-sorted, the grid stays on the same record at its new row.
    Shown d(m_db->connection(),
            QStringLiteral("select ID, NAME from NAMES order by ID desc"));
    d.go(3, 1);
    QCOMPARE(currentName(d.set.rs), QStringLiteral("Bob"));
    d.set.rs.setIndexFieldName(QStringLiteral("ID"));
    QCOMPARE(currentName(d.set.rs), QStringLiteral("Bob"));
    QCOMPARE(d.set.rs.recNo(), 1);
    QCOMPARE(d.grid.currentIndex(), d.at(1, 1));
    QCOMPARE(d.grid.model()->data(d.at(1, 1)).toString(), QStringLiteral("Bob"));
}

void TestDBGrid::columnsTitlesAndWidths()
{
    Shown s(m_db->connection());
    QCOMPARE(s.grid.columnCountShown(), 3);
    QCOMPARE(s.grid.columnFieldName(2), QStringLiteral("PRICE"));

    s.grid.setColumns({QStringLiteral("NAME"), QStringLiteral("ID")});
    QCOMPARE(s.grid.columnCountShown(), 2);
    QCOMPARE(s.grid.columnFieldName(0), QStringLiteral("NAME"));
    QCOMPARE(s.grid.model()->data(s.at(1, 0)).toString(), QStringLiteral("Bob"));
    s.grid.setColumnTitle(0, QStringLiteral("商品名稱"));
    QCOMPARE(s.grid.columnTitle(0), QStringLiteral("商品名稱"));
    QCOMPARE(s.grid.model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("商品名稱"));

    // Default widths follow the fields' display widths (20 characters against 10).
    Field *name = s.set.rs.fieldByName(QStringLiteral("NAME"));
    QCOMPARE(name->displayWidth(), 20);
    QVERIFY(s.grid.columnWidth(0) > s.grid.columnWidth(1));
    name->setDisplayWidth(31);
    const int before = s.grid.columnWidth(0);
    s.set.rs.close();
    s.set.rs.open();
    QVERIFY(s.grid.columnWidth(0) > before);

    // An explicit width stays across re-opening.
    s.grid.setColumnWidthPixels(1, 127);
    s.set.rs.close();
    s.set.rs.open();
    QCOMPARE(s.grid.columnWidth(1), 127);
    name->setDisplayWidth(-1);
}

void TestDBGrid::fixedRowHeightsOnLargeSet()
{
    // Some 90 thousand rows; the grid must never measure them.
    Shown s(m_db->connection(),
            QStringLiteral("select a.RDB$TYPE_NAME as A, b.RDB$TYPE_NAME as B "
                           "from RDB$TYPES a cross join RDB$TYPES b"));
    const int rows = s.set.rs.recordCount();
    QVERIFY2(rows > 50000, qPrintable(QString::number(rows)));
    QHeaderView *v = s.grid.verticalHeader();
    QCOMPARE(v->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(s.grid.model()->rowCount(), rows);
    s.set.rs.last();
    QCOMPARE(s.grid.currentIndex().row(), rows - 1);
    QTest::qWait(0);
    QVERIFY(s.grid.rowViewportPosition(rows - 1) >= 0); // scrolled into view
    QCOMPARE(v->sectionSize(rows - 1), v->defaultSectionSize());
    QCOMPARE(v->length(), rows * v->defaultSectionSize());
    QTest::keyClick(&s.grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(s.set.rs.recNo(), 0);
}

void TestDBGrid::editingAssignsAndLeavingPosts()
{
    Shown s(m_db->connection());
    s.go(1, 1);
    // Entering and leaving a cell without a change leaves the row alone.
    s.grid.edit(s.grid.currentIndex());
    QVERIFY(s.editor());
    QCOMPARE(s.editor()->text(), QStringLiteral("Bob"));
    QCOMPARE(s.editor()->maxLength(), 20);
    s.grid.moveToNextCell();
    QCOMPARE(s.set.rs.state(), DataSetState::Browse);

    s.go(1, 1);
    QVERIFY(s.type(QStringLiteral("Bea")));
    s.grid.moveToNextCell(); // commits the cell
    QCOMPARE(s.grid.currentIndex(), s.at(1, 2));
    QCOMPARE(s.set.rs.state(), DataSetState::Edit);
    QCOMPARE(currentName(s.set.rs), QStringLiteral("Bea"));
    QVERIFY(s.type(QStringLiteral("12.5")));
    s.grid.moveToNextCell(); // to the next row: the changed row is posted
    QCOMPARE(s.grid.currentIndex(), s.at(2, 0));
    QCOMPARE(s.set.rs.state(), DataSetState::Browse);
    QCOMPARE(s.set.rs.recNo(), 2);
    QCOMPARE(cell(s.set.rs, 1, "NAME"), QStringLiteral("Bea"));
    QCOMPARE(cell(s.set.rs, 1, "PRICE"), QStringLiteral("12.5"));
    // Nothing went to the database.
    QCOMPARE(m_db->scalar(QStringLiteral("select NAME from NAMES where ID = 2")),
             QStringLiteral("Bob"));
}

void TestDBGrid::refusedValues_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<bool>("message");

    QTest::newRow("validate aborts") << 1 << "bad" << "Bob" << false;
    QTest::newRow("validate fails") << 1 << "worse" << "Bob" << true;
    QTest::newRow("not a number") << 2 << "12x" << "20" << true;
}

void TestDBGrid::refusedValues()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, kept);
    QFETCH(bool, message);

    ScriptedPrompter prompter;
    Shown s(m_db->connection());
    s.set.rs.fieldByName(QStringLiteral("NAME"))->onValidate = [](Field &f) {
        if (f.asString() == QLatin1String("bad"))
            throw SilentAbort();
        if (f.asString() == QLatin1String("worse"))
            throw DbError(QStringLiteral("No worse names"));
    };
    s.go(1, column);
    QVERIFY(s.type(text));
    s.grid.moveToNextCell();
    QCOMPARE(prompter.count(), message ? 1 : 0);
    const char *field = column == 1 ? "NAME" : "PRICE";
    QCOMPARE(cell(s.set.rs, 1, field), kept);
    s.go(3, 0);
    QCOMPARE(cell(s.set.rs, 1, field), kept);
    QCOMPARE(s.set.rs.state(), DataSetState::Browse);
}

void TestDBGrid::failedPostKeepsGridOnRow()
{
    ScriptedPrompter prompter;
    Shown s(m_db->connection());
    s.set.rs.BeforePost = [](RecordSet &) { throw DbError(QStringLiteral("Row refused")); };
    s.go(2, 1);
    QVERIFY(s.type(QStringLiteral("Cyd")));
    s.grid.moveToNextCell();
    QTest::keyClick(&s.grid, Qt::Key_Down);
    QCOMPARE(prompter.texts(), QStringList{"Row refused"});
    QCOMPARE(s.set.rs.recNo(), 2);
    QCOMPARE(s.grid.currentIndex().row(), 2);
    QCOMPARE(s.set.rs.state(), DataSetState::Edit);
    s.go(0, 0); // a click elsewhere: refused the same way
    QCOMPARE(s.grid.currentIndex().row(), 2);
    QCOMPARE(prompter.count(), 2);
    QTest::keyClick(&s.grid, Qt::Key_Escape); // gives up the change
    QCOMPARE(s.set.rs.state(), DataSetState::Browse);
    QCOMPARE(currentName(s.set.rs), QStringLiteral("Cid"));
}

void TestDBGrid::insertAndDeleteKeys_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("deleteKey"); // Ctrl+Delete, otherwise Insert
    QTest::addColumn<MsgButton>("answer");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("prompts");

    QTest::newRow("insert") << false << false << mbOK << 6 << 0;
    QTest::newRow("delete, OK") << false << true << mbOK << 4 << 1;
    QTest::newRow("delete, Cancel") << false << true << mbCancel << 5 << 1;
    QTest::newRow("delete, box closed") << false << true << MsgButton(0) << 5 << 1;
    QTest::newRow("read-only insert") << true << false << mbOK << 5 << 0;
    QTest::newRow("read-only delete") << true << true << mbOK << 5 << 0;
}

void TestDBGrid::insertAndDeleteKeys()
{
    QFETCH(bool, readOnly);
    QFETCH(bool, deleteKey);
    QFETCH(MsgButton, answer);
    QFETCH(int, rows);
    QFETCH(int, prompts);

    ScriptedPrompter prompter;
    prompter.answerAsk(answer);
    Shown s(m_db->connection());
    s.grid.setReadOnly(readOnly);
    s.go(2, 0);
    if (deleteKey)
        QTest::keyClick(&s.grid, Qt::Key_Delete, Qt::ControlModifier);
    else
        QTest::keyClick(&s.grid, Qt::Key_Insert);
    QCOMPARE(s.set.rs.recordCount(), rows);
    QCOMPARE(prompter.count(), prompts);
    if (prompts) {
        QCOMPARE(prompter.lastText(), QStringLiteral("Delete record?"));
        QCOMPARE(prompter.prompts()[0].buttons, MsgButtons(mbOK | mbCancel));
    }
    if (rows == 6) { // inserted at the current position
        QCOMPARE(s.set.rs.state(), DataSetState::Insert);
        QCOMPARE(s.set.rs.recNo(), 2);
        QCOMPARE(s.grid.currentIndex().row(), 2);
        QTest::keyClick(&s.grid, Qt::Key_Escape);
        QCOMPARE(s.set.rs.recordCount(), 5);
        QCOMPARE(currentName(s.set.rs), QStringLiteral("Cid"));
    }
    if (rows == 4)
        QCOMPARE(s.set.rs.locate(QStringLiteral("NAME"), QStringLiteral("Cid")), false);
}

void TestDBGrid::enterAndKeyHook()
{
    Shown s(m_db->connection());
    QSignalSpy enter(&s.grid, &TDBGrid::enterPressed);
    QTest::keyClick(&s.grid, Qt::Key_Return);
    QCOMPARE(enter.count(), 1);
    QTest::keyClick(&s.grid, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(enter.count(), 2);

    QList<int> seen;
    bool consume = true;
    s.grid.OnKeyPress = [&](QKeyEvent *e) {
        seen << e->key();
        return consume && (e->key() == Qt::Key_Return);
    };
    QTest::keyClick(&s.grid, Qt::Key_Return);
    QCOMPARE(enter.count(), 2); // consumed by the hook
    QTest::keyClick(&s.grid, Qt::Key_Tab);
    QCOMPARE(s.grid.currentIndex(), s.at(0, 1)); // not consumed: moved
    QCOMPARE(seen, (QList<int>{Qt::Key_Return, Qt::Key_Tab}));

    // Keys typed into a cell editor reach the hook first.
    s.grid.edit(s.grid.currentIndex());
    QVERIFY(s.editor());
    QTest::keyClick(s.editor(), Qt::Key_Return);
    QCOMPARE(seen.last(), int(Qt::Key_Return));
    QVERIFY(s.editor()); // consumed: the editor is still open

    // A hook that throws is reported, and the key is not consumed.
    ScriptedPrompter prompter;
    s.grid.OnKeyPress = [](QKeyEvent *) -> bool { throw DbError(QStringLiteral("hook")); };
    s.grid.setFocus();
    QTest::keyClick(&s.grid, Qt::Key_Escape);
    QCOMPARE(prompter.texts(), QStringList{"hook"});
}

void TestDBGrid::tabMoves_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("backward");
    QTest::addColumn<bool>("allowAppend");
    QTest::addColumn<bool>("refuseInsert");
    QTest::addColumn<int>("toRow");
    QTest::addColumn<int>("toColumn");
    QTest::addColumn<int>("rows");

    QTest::newRow("next cell") << 1 << 0 << false << false << false << 1 << 1 << 5;
    QTest::newRow("past the row's end") << 1 << 2 << false << false << false << 2 << 0 << 5;
    QTest::newRow("past the last row, appending")
        << 4 << 2 << false << true << false << 5 << 0 << 6;
    QTest::newRow("past the last row, no appending")
        << 4 << 2 << false << false << false << 4 << 2 << 5;
    QTest::newRow("past the last row, insert refused")
        << 4 << 2 << false << true << true << 4 << 2 << 5;
    QTest::newRow("back past the row's start")
        << 2 << 0 << true << false << false << 1 << 2 << 5;
    QTest::newRow("back on the first cell") << 0 << 0 << true << true << false << 0 << 0 << 5;
}

void TestDBGrid::tabMoves()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, backward);
    QFETCH(bool, allowAppend);
    QFETCH(bool, refuseInsert);
    QFETCH(int, toRow);
    QFETCH(int, toColumn);
    QFETCH(int, rows);

    ScriptedPrompter prompter;
    Shown s(m_db->connection());
    s.grid.setAllowAppend(allowAppend);
    if (refuseInsert)
        s.set.rs.BeforeInsert = [](RecordSet &) { throw SilentAbort(); };
    s.go(row, column);
    QTest::keyClick(&s.grid, backward ? Qt::Key_Backtab : Qt::Key_Tab,
                    backward ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(s.grid.currentIndex(), s.at(toRow, toColumn));
    QCOMPARE(s.set.rs.recNo(), toRow);
    QCOMPARE(s.set.rs.recordCount(), rows);
    QVERIFY(s.grid.hasFocus()); // Tab stays in the grid
    QCOMPARE(prompter.count(), 0);
}

void TestDBGrid::enterAsTabAppendsFromEditor()
{
    // The pack grids turn Enter into Tab.
    Shown s(m_db->connection());
    s.grid.setAllowAppend(true);
    s.grid.OnKeyPress = [&](QKeyEvent *e) {
        if (e->key() != Qt::Key_Return)
            return false;
        s.grid.moveToNextCell();
        return true;
    };
    s.go(4, 2);
    QVERIFY(s.type(QStringLiteral("99")));
    QTest::keyClick(s.editor(), Qt::Key_Return);
    QCOMPARE(cell(s.set.rs, 4, "PRICE"), QStringLiteral("99"));
    QCOMPARE(s.set.rs.recordCount(), 6);
    QCOMPARE(s.set.rs.state(), DataSetState::Insert);
    QCOMPARE(s.grid.currentIndex(), s.at(5, 0));
    // The new row, left without a value, is dropped.
    s.grid.setFocus();
    QTest::keyClick(&s.grid, Qt::Key_Up);
    QCOMPARE(s.set.rs.recordCount(), 5);
    QCOMPARE(s.set.rs.recNo(), 4);
    QCOMPARE(s.grid.currentIndex().row(), 4);
}

void TestDBGrid::downPastLastRowAppendsOnce()
{
    Shown s(m_db->connection());
    int newRows = 0;
    s.set.rs.OnNewRecord = [&](RecordSet &) { ++newRows; };
    s.go(4, 1);
    QTest::keyClick(&s.grid, Qt::Key_Down); // appending not allowed
    QCOMPARE(s.set.rs.recordCount(), 5);
    s.grid.setAllowAppend(true);
    QTest::keyClick(&s.grid, Qt::Key_Down);
    QCOMPARE(s.set.rs.recordCount(), 6);
    QCOMPARE(s.grid.currentIndex(), s.at(5, 1));
    QTest::keyClick(&s.grid, Qt::Key_Down); // an empty new row does not go on
    QCOMPARE(s.set.rs.recordCount(), 6);
    QCOMPARE(newRows, 1);
    QVERIFY(s.type(QStringLiteral("Fay")));
    s.grid.setFocus();
    QTest::keyClick(&s.grid, Qt::Key_Down); // a filled one is posted, and another starts
    QCOMPARE(s.set.rs.recordCount(), 7);
    QCOMPARE(newRows, 2);
    QCOMPARE(cell(s.set.rs, 5, "NAME"), QStringLiteral("Fay"));
    QTest::keyClick(&s.grid, Qt::Key_Up);
    QCOMPARE(s.set.rs.recordCount(), 6);
    QCOMPARE(s.grid.currentIndex(), s.at(5, 1));
}

void TestDBGrid::titleAndDoubleClickSignals()
{
    Shown s(m_db->connection());
    QSignalSpy titles(&s.grid, &TDBGrid::titleClicked);
    QSignalSpy doubles(&s.grid, &TDBGrid::rowDoubleClicked);
    QHeaderView *h = s.grid.horizontalHeader();
    const QPoint title(h->sectionViewportPosition(2) + 5, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(titles.count(), 1);
    QCOMPARE(titles.at(0).at(0).toInt(), 2);

    s.grid.setReadOnly(true);
    const QRect r = s.grid.visualRect(s.at(3, 1));
    QTest::mouseDClick(s.grid.viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(doubles.count(), 1);
    QCOMPARE(doubles.at(0).at(0).toInt(), 3);
    QCOMPARE(s.set.rs.recNo(), 3);
}

void TestDBGrid::columnColourPaintsCells()
{
    Shown s(m_db->connection());
    s.grid.setColumnColor(1, QColor(255, 255, 0));
    QCOMPARE(s.grid.columnColor(1), QColor(255, 255, 0));
    QVERIFY(!s.grid.columnColor(0).isValid());
    const QImage image = s.grid.viewport()->grab().toImage();
    const auto colourAt = [&](int row, int column) {
        const QRect r = s.grid.visualRect(s.at(row, column));
        return QColor(image.pixel(r.right() - 2, r.center().y()));
    };
    QCOMPARE(colourAt(3, 1), QColor(255, 255, 0));
    QVERIFY(colourAt(3, 0) != QColor(255, 255, 0));
    QVERIFY(colourAt(3, 2) != QColor(255, 255, 0));
}

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
