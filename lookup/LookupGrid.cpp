#include "LookupGrid.h"

#include "Fonts.h"

#include "RecordSetModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QPaintEvent>

namespace {

// How much of the picture shows through the tinted rows.
constexpr int alternateAlpha = 150;
constexpr int currentRowAlpha = 140;

} // namespace

TLookupGrid::TLookupGrid(QWidget *parent)
    : TDBGrid(parent)
{
    setReadOnly(true);
    setAllowAppend(false);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    setWordWrap(false);
    setFont(designFont(12));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Alternate rows and the current row are tinted in paintEvent, over the picture;
    // the view's own row and selection fills stay transparent.
    setAlternatingRowColors(false);

    // No row indicator; the vertical header still fixes the row height.
    verticalHeader()->hide();

    QHeaderView *titles = horizontalHeader();
    titles->setFont(designFont(12));
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setFixedHeight(QFontMetrics(titles->font()).height() + 6);

    QPalette pal = palette();
    m_currentRowColor = pal.color(QPalette::Active, QPalette::Highlight);
    m_currentRowColor.setAlpha(currentRowAlpha);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Highlight, Qt::transparent);
        pal.setColor(group, QPalette::HighlightedText, pal.color(group, QPalette::Text));
    }
    setPalette(pal);

    // The picture is painted in paintEvent; the viewport's own fill would cover it.
    // (Without the fill the viewport is not opaque, so scrolling repaints it instead of
    // shifting the picture with the cells.)
    viewport()->setAutoFillBackground(false);
    setBackground(QPixmap(QStringLiteral(":/lookup/LookupBackground.png")));
}

QColor TLookupGrid::alternateRowColor()
{
    return QColor(255, 255, 128);
}

void TLookupGrid::setBackground(const QPixmap &picture)
{
    m_background = picture;
    m_scaled = QPixmap();
    viewport()->update();
}

void TLookupGrid::resizeEvent(QResizeEvent *event)
{
    m_scaled = QPixmap();
    TDBGrid::resizeEvent(event);
}

QColor TLookupGrid::currentRowColor() const
{
    return m_currentRowColor;
}

void TLookupGrid::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(viewport());
        const QRect area = viewport()->rect();
        if (m_background.isNull()) {
            painter.fillRect(event->rect(), palette().brush(QPalette::Base));
        } else {
            if (m_scaled.size() != area.size())
                m_scaled = m_background.scaled(area.size(), Qt::IgnoreAspectRatio,
                                               Qt::SmoothTransformation);
            painter.drawPixmap(event->rect(), m_scaled, event->rect());
        }
        paintRowTints(painter, event->rect());
    }
    TDBGrid::paintEvent(event);
}

void TLookupGrid::paintRowTints(QPainter &painter, const QRect &exposed) const
{
    const QAbstractItemModel *rows = model();
    const int rowCount = rows ? rows->rowCount() : 0;
    const int columnCount = rows ? rows->columnCount() : 0;
    if (rowCount == 0 || columnCount == 0)
        return;
    // Only the visible rows, across the cells (not the empty area right of them).
    const int lastColumn = columnCount - 1;
    const int right = qMin(viewport()->width(),
                           columnViewportPosition(lastColumn) + columnWidth(lastColumn));
    if (right <= 0)
        return;
    int top = rowAt(exposed.top());
    int bottom = rowAt(exposed.bottom());
    if (top < 0)
        return;
    if (bottom < 0)
        bottom = rowCount - 1;
    QColor alternate = alternateRowColor();
    alternate.setAlpha(alternateAlpha);
    const int current = recordModel() ? recordModel()->currentRow() : -1;
    for (int row = top; row <= bottom; ++row) {
        const QRect band(0, rowViewportPosition(row), right, rowHeight(row));
        if (row % 2 == 1)
            painter.fillRect(band, alternate);
        if (row == current)
            painter.fillRect(band, m_currentRowColor);
    }
}
