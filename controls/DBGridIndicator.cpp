#include "DBGridIndicator.h"

#include "RecordSet.h"
#include "RecordSetModel.h"

#include <QPainter>
#include <QPolygon>

TDBGridIndicator::TDBGridIndicator(RecordSetModel *model, QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
    , m_model(model)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

QSize TDBGridIndicator::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setWidth(12);
    return size;
}

void TDBGridIndicator::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, palette().button());
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    if (logicalIndex == m_model->currentRow()) {
        const RecordSet *dataSet = m_model->dataSet();
        const DataSetState state = dataSet ? dataSet->state() : DataSetState::Inactive;
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->setBrush(palette().color(QPalette::ButtonText));
        if (state == DataSetState::Insert) {
            painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
        } else if (state == DataSetState::Edit) {
            painter->drawText(rect, Qt::AlignCenter, QStringLiteral("I"));
        } else {
            const QPoint c = rect.center();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->drawPolygon(QPolygon({QPoint(c.x() - 2, c.y() - 4),
                                           QPoint(c.x() + 2, c.y()),
                                           QPoint(c.x() - 2, c.y() + 4)}));
        }
    }
    painter->restore();
}
