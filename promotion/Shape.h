#pragma once

#include <QColor>
#include <QWidget>

// A filled rectangle with a one-pixel outline; it takes no input.
class TShape : public QWidget
{
    Q_OBJECT
public:
    explicit TShape(QWidget *parent = nullptr);

    void setBrushColor(const QColor &color);
    QColor brushColor() const { return m_brush; }
    void setPenColor(const QColor &color);
    QColor penColor() const { return m_pen; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_brush = Qt::white;
    QColor m_pen = Qt::black;
};
