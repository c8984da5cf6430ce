#include "Panel.h"

#include <QPainter>
#include <QVariant>

namespace {

const char *const alignProperty = "tarnAlign";

} // namespace

void setAlign(QWidget *control, TAlign align)
{
    control->setProperty(alignProperty, int(align));
}

TAlign alignOf(const QWidget *control)
{
    const QVariant value = control->property(alignProperty);
    return value.isValid() ? TAlign(value.toInt()) : TAlign::None;
}

TPanel::TPanel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPanel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TPanel::setBevelWidth(int width)
{
    m_bevel = qMax(0, width);
    alignControls(this);
    update();
}

void TPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

QRect TPanel::clientRect() const
{
    return rect().adjusted(m_bevel, m_bevel, -m_bevel, -m_bevel);
}

void TPanel::alignControls(QWidget *container)
{
    const TPanel *panel = qobject_cast<const TPanel *>(container);
    const QRect client = panel ? panel->clientRect() : container->rect();
    // Half-open edges of the area still free.
    int left = client.left();
    int top = client.top();
    int right = client.left() + client.width();
    int bottom = client.top() + client.height();

    const TAlign order[]
        = { TAlign::Top, TAlign::Bottom, TAlign::Left, TAlign::Right, TAlign::Client };
    for (TAlign side : order) {
        for (QObject *object : container->children()) {
            QWidget *child = qobject_cast<QWidget *>(object);
            if (!child || child->isWindow() || child->isHidden() || alignOf(child) != side)
                continue;
            const int width = qMax(0, right - left);
            const int height = qMax(0, bottom - top);
            switch (side) {
            case TAlign::Top:
                child->setGeometry(left, top, width, child->height());
                top += child->height();
                break;
            case TAlign::Bottom:
                child->setGeometry(left, bottom - child->height(), width, child->height());
                bottom -= child->height();
                break;
            case TAlign::Left:
                child->setGeometry(left, top, child->width(), height);
                left += child->width();
                break;
            case TAlign::Right:
                child->setGeometry(right - child->width(), top, child->width(), height);
                right -= child->width();
                break;
            case TAlign::Client:
                child->setGeometry(left, top, width, height);
                break;
            case TAlign::None:
                break;
            }
        }
    }
}

void TPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    alignControls(this);
}

void TPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color.isValid() ? m_color : palette().color(QPalette::Button));
    if (m_bevel > 0) {
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Dark);
        for (int i = 0; i < m_bevel; ++i) {
            const QRect r = rect().adjusted(i, i, -i - 1, -i - 1);
            painter.setPen(light);
            painter.drawLine(r.topLeft(), r.topRight());
            painter.drawLine(r.topLeft(), r.bottomLeft());
            painter.setPen(dark);
            painter.drawLine(r.bottomLeft(), r.bottomRight());
            painter.drawLine(r.topRight(), r.bottomRight());
        }
    }
    if (!m_caption.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(clientRect(), Qt::AlignCenter, m_caption);
    }
}
