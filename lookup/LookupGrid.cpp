#include "LookupGrid.h"

#include "Fonts.h"

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
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAlternatingRowColors(true);

    // No row indicator; the vertical header still fixes the row height.
    verticalHeader()->hide();

    QHeaderView *titles = horizontalHeader();
    titles->setFont(designFont(12));
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setFixedHeight(QFontMetrics(titles->font()).height() + 6);

    QPalette pal = palette();
    QColor alternate = alternateRowColor();
    alternate.setAlpha(alternateAlpha);
    pal.setColor(QPalette::AlternateBase, alternate);
    QColor current = pal.color(QPalette::Active, QPalette::Highlight);
    current.setAlpha(currentRowAlpha);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Highlight, current);
        pal.setColor(group, QPalette::HighlightedText, QColor(Qt::white));
    }
    setPalette(pal);

    // The picture is painted in paintEvent; the viewport's own fill would cover it.
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
    }
    TDBGrid::paintEvent(event);
}
