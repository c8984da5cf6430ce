#include "Splitter.h"

#include "Panel.h"

#include <QMouseEvent>
#include <QPainter>

#include <limits>

TSplitter::TSplitter(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TSplitter::setColor(const QColor &color)
{
    m_color = color;
    update();
}

bool TSplitter::horizontal() const
{
    const TAlign align = alignOf(this);
    return align == TAlign::Left || align == TAlign::Right;
}

QWidget *TSplitter::resizedControl() const
{
    QWidget *parent = parentWidget();
    if (!parent)
        return nullptr;
    const TAlign align = alignOf(this);
    const QRect me = geometry();
    for (QObject *object : parent->children()) {
        QWidget *w = qobject_cast<QWidget *>(object);
        if (!w || w == this || w->isHidden() || alignOf(w) != align)
            continue;
        const QRect g = w->geometry();
        const bool touches = (align == TAlign::Left && g.x() + g.width() == me.x())
            || (align == TAlign::Right && me.x() + me.width() == g.x())
            || (align == TAlign::Top && g.y() + g.height() == me.y())
            || (align == TAlign::Bottom && me.y() + me.height() == g.y());
        if (touches)
            return w;
    }
    return nullptr;
}

QWidget *TSplitter::clientSibling() const
{
    if (!parentWidget())
        return nullptr;
    for (QObject *object : parentWidget()->children()) {
        QWidget *w = qobject_cast<QWidget *>(object);
        if (w && !w->isHidden() && alignOf(w) == TAlign::Client)
            return w;
    }
    return nullptr;
}

void TSplitter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color.isValid() ? m_color : palette().color(QPalette::Button));
}

void TSplitter::enterEvent(QEnterEvent *event)
{
    setCursor(horizontal() ? Qt::SplitHCursor : Qt::SplitVCursor);
    QWidget::enterEvent(event);
}

void TSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_control = resizedControl();
    if (!m_control)
        return;
    const QPoint global = event->globalPosition().toPoint();
    m_pressPos = horizontal() ? global.x() : global.y();
    m_startSize = horizontal() ? m_control->width() : m_control->height();
    const QWidget *client = clientSibling();
    m_maxSize = client
        ? m_startSize + (horizontal() ? client->width() : client->height()) - m_minSize
        : std::numeric_limits<int>::max();
    event->accept();
}

void TSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_control || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint global = event->globalPosition().toPoint();
    int delta = (horizontal() ? global.x() : global.y()) - m_pressPos;
    const TAlign align = alignOf(this);
    if (align == TAlign::Right || align == TAlign::Bottom)
        delta = -delta;
    const int size = qBound(qMin(m_minSize, m_startSize), m_startSize + delta,
        qMax(m_maxSize, qMin(m_minSize, m_startSize)));
    if (horizontal())
        m_control->resize(size, m_control->height());
    else
        m_control->resize(m_control->width(), size);
    TPanel::alignControls(parentWidget());
    event->accept();
}

void TSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    m_control = nullptr;
    QWidget::mouseReleaseEvent(event);
}
