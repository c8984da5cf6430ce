// The look of the lookup dialog's result grid: the picture behind the cells, the tinted
// alternate and current rows, and a grid that neither edits nor sorts.

#include "LookupGrid.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "RecordSetModel.h"

#include "DataSetProvider.h"
#include "DataSource.h"
#include "RecordSet.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace {

const QColor leftColour(40, 160, 90);
const QColor rightColour(40, 70, 200);

// Left half one colour, right half another: shows both that the picture is stretched
// over the whole grid and where it is.
QPixmap twoColourPicture()
{
    QPixmap picture(20, 10);
    QPainter p(&picture);
    p.fillRect(0, 0, 10, 10, leftColour);
    p.fillRect(10, 0, 10, 10, rightColour);
    return picture;
}

bool near(const QColor &a, const QColor &b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

int distance(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

// A blend of the tint over the picture: each channel between the two, and the colour
// clearly neither of them.
bool blendOf(const QColor &c, const QColor &picture, const QColor &tint)
{
    auto between = [](int v, int a, int b) { return v >= qMin(a, b) - 3 && v <= qMax(a, b) + 3; };
    const QColor opaqueTint(tint.red(), tint.green(), tint.blue());
    return between(c.red(), picture.red(), tint.red())
           && between(c.green(), picture.green(), tint.green())
           && between(c.blue(), picture.blue(), tint.blue()) && distance(c, picture) > 20
           && distance(c, opaqueTint) > 20;
}

QString describe(const QColor &c)
{
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

class TestLookupGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pictureShowsThroughTintedRows();
    void pictureStaysWhileScrolling();
    void currentRowTintFollowsCursor();
    void neitherEditsNorSorts();

private:
    // What is on screen at a point of the viewport (the backing store, not a fresh paint).
    QColor onScreen(const QPoint &viewportPoint) const;
    QPoint blankSpot(int row, bool left) const;

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<SqlQuery> m_query;
    std::unique_ptr<DataSetProvider> m_provider;
    std::unique_ptr<RecordSet> m_set;
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<TLookupGrid> m_grid;
};

void TestLookupGrid::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    for (int i = 1; i <= 6; ++i)
        m_db->exec(QStringLiteral("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME) "
                                  "VALUES ('F%1', 'N%1')")
                       .arg(i));
}

void TestLookupGrid::init()
{
    m_query = std::make_unique<SqlQuery>(&m_db->connection());
    m_provider = std::make_unique<DataSetProvider>(m_query.get());
    m_set = std::make_unique<RecordSet>(QStringLiteral("CDS_Fac"));
    m_set->addField(QStringLiteral("PROVIDER_ID"), FieldType::String, 10,
                    QStringLiteral("廠商代號"));
    m_set->addField(QStringLiteral("PROVIDER_NAME"), FieldType::String, 50,
                    QStringLiteral("廠商名稱"));
    m_set->setProvider(m_provider.get());
    m_set->setCommandText(
        QStringLiteral("select PROVIDER_ID, PROVIDER_NAME from PROVIDER order by PROVIDER_ID"));
    m_set->open();
    m_source = std::make_unique<DataSource>();
    m_source->setDataSet(m_set.get());

    m_grid = std::make_unique<TLookupGrid>();
    m_grid->setBackground(twoColourPicture());
    m_grid->setDataSource(m_source.get());
    m_grid->resize(420, 240);
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
    QCOMPARE(m_grid->recordModel()->rowCount(), 6);
}

void TestLookupGrid::cleanup()
{
    m_grid.reset();
    m_source.reset();
    m_set.reset();
    m_provider.reset();
    m_query.reset();
}

QColor TestLookupGrid::onScreen(const QPoint &viewportPoint) const
{
    // The focused grid frames its current cell; only the row tints are looked at here.
    m_grid->clearFocus();
    QCoreApplication::processEvents();
    QWidget *viewport = m_grid->viewport();
    const QPoint global = viewport->mapTo(m_grid->window(), viewportPoint);
    QWindow *window = m_grid->window()->windowHandle();
    const QImage shot = window->screen()->grabWindow(window->winId(), global.x(), global.y(), 1, 1)
                            .toImage();
    return shot.isNull() ? QColor() : shot.pixelColor(0, 0);
}

// A point of a row where no text is drawn: right of the short texts of the first
// column, or well inside the wide second column, away from the cell edges.
QPoint TestLookupGrid::blankSpot(int row, bool left) const
{
    const QRect first = m_grid->visualRect(m_grid->model()->index(row, 0));
    const QRect second = m_grid->visualRect(m_grid->model()->index(row, 1));
    const int x = left ? first.right() - 12 : qMin(second.right(), 410) - 30;
    return {x, first.center().y()};
}

void TestLookupGrid::pictureShowsThroughTintedRows()
{
    const QColor yellow = TLookupGrid::alternateRowColor();
    QCOMPARE(yellow, QColor(255, 255, 128));
    const QColor current = m_grid->currentRowColor();
    QCOMPARE(m_set->recNo(), 0);
    QVERIFY(blankSpot(0, true).x() < m_grid->viewport()->width() / 2);
    QVERIFY(blankSpot(0, false).x() > m_grid->viewport()->width() / 2);

    struct Case
    {
        int row;
        QColor tint; // invalid: none
    };
    const Case cases[] = {{0, current}, {1, yellow}, {2, QColor()}, {3, yellow}, {4, QColor()}};
    for (const Case &c : cases) {
        for (bool left : {true, false}) {
            const QColor picture = left ? leftColour : rightColour;
            const QColor seen = onScreen(blankSpot(c.row, left));
            const bool ok = c.tint.isValid() ? blendOf(seen, picture, c.tint)
                                             : near(seen, picture);
            QVERIFY2(ok, qPrintable(QStringLiteral("row %1 %2: %3, tint %4 alpha %5")
                                        .arg(c.row)
                                        .arg(left ? "left" : "right", describe(seen),
                                             describe(c.tint))
                                        .arg(c.tint.alpha())));
        }
    }
    // Below the last row: the picture alone.
    const int below = m_grid->visualRect(m_grid->model()->index(5, 0)).bottom() + 10;
    QVERIFY(below < m_grid->viewport()->height());
    QVERIFY(near(onScreen({10, below}), leftColour));
    QVERIFY(near(onScreen({m_grid->viewport()->width() - 10, below}), rightColour));

    // Without a picture the grid is plain.
    m_grid->setBackground(QPixmap());
    const QColor base = m_grid->palette().color(QPalette::Base);
    QVERIFY(near(onScreen({10, below}), base));
}

void TestLookupGrid::pictureStaysWhileScrolling()
{
    QScrollBar *bar = m_grid->horizontalScrollBar();
    QVERIFY(bar->isVisible()); // shown even when everything fits
    m_grid->setColumnWidthPixels(1, 900);
    QCoreApplication::processEvents();
    QVERIFY2(bar->maximum() > 200, qPrintable(QString::number(bar->maximum())));
    const int below = m_grid->visualRect(m_grid->model()->index(5, 0)).bottom() + 10;
    // Just left of the middle: a shifted picture would show its right half here.
    const QPoint spot(m_grid->viewport()->width() / 2 - 20, below);
    QVERIFY(near(onScreen(spot), leftColour));
    for (int step = 1; step <= 4; ++step) {
        bar->setValue(step * 50);
        QVERIFY2(near(onScreen(spot), leftColour), qPrintable(describe(onScreen(spot))));
    }
}

void TestLookupGrid::currentRowTintFollowsCursor()
{
    const QColor current = m_grid->currentRowColor();
    m_set->moveBy(2);
    // The tint leaves the whole of the old row, not only the cell that had the focus.
    QVERIFY(near(onScreen(blankSpot(0, false)), rightColour));
    QVERIFY(blendOf(onScreen(blankSpot(2, false)), rightColour, current));
    // And a click moves it with the record set.
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, blankSpot(4, true));
    QCOMPARE(m_set->recNo(), 4);
    QVERIFY(near(onScreen(blankSpot(2, true)), leftColour));
    QVERIFY(blendOf(onScreen(blankSpot(4, true)), leftColour, current));
}

void TestLookupGrid::neitherEditsNorSorts()
{
    ScriptedPrompter prompts;
    QSignalSpy titles(m_grid.get(), &TDBGrid::titleClicked);
    QSignalSpy enter(m_grid.get(), &TDBGrid::enterPressed);
    QHeaderView *header = m_grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 20, header->height() / 2));
    QCOMPARE(titles.count(), 0);
    QVERIFY(header->defaultAlignment() & Qt::AlignLeft);
    QVERIFY(header->height() < 2 * header->fontMetrics().height());
    QCOMPARE(m_grid->columnTitle(1), QStringLiteral("廠商名稱"));
    m_grid->setColumnTitle(1, QStringLiteral("名稱"));
    QCOMPARE(m_grid->columnTitle(1), QStringLiteral("名稱"));

    // No row indicator, no border: the cells start at the grid's edge.
    QVERIFY(m_grid->verticalHeader()->isHidden());
    QCOMPARE(m_grid->viewport()->geometry().topLeft(), QPoint(0, header->height()));
    QCOMPARE(m_grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // Keys that would edit, insert or delete elsewhere do nothing here.
    m_grid->setFocus();
    m_grid->setCurrentIndex(m_grid->model()->index(1, 1));
    for (int key : {int(Qt::Key_F2), int(Qt::Key_X), int(Qt::Key_Insert)})
        QTest::keyClick(m_grid.get(), Qt::Key(key));
    QTest::keyClick(m_grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, blankSpot(1, false));
    QCOMPARE(m_grid->indexWidget(m_grid->currentIndex()), nullptr); // no cell editor
    QCOMPARE(m_set->state(), DataSetState::Browse);
    QCOMPARE(m_set->recordCount(), 6);
    QCOMPARE(prompts.count(), 0);
    // Moving down past the last row appends nothing.
    m_set->last();
    QTest::keyClick(m_grid.get(), Qt::Key_Down);
    QCOMPARE(m_set->recordCount(), 6);
    QTest::keyClick(m_grid.get(), Qt::Key_Return);
    QCOMPARE(enter.count(), 1);
}

QTEST_MAIN(TestLookupGrid)
#include "tst_lookupgrid.moc"
