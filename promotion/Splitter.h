#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

// A docked bar that the user drags to resize the docked control just before it (on
// the same side), the way the panes of a window are split. The parent places its
// docked children again as the bar moves. Neither that control nor the one that fills
// the rest gets smaller than minSize().
class TSplitter : public QWidget
{
    Q_OBJECT
public:
    explicit TSplitter(QWidget *parent = nullptr);

    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    void setMinSize(int pixels) { m_minSize = pixels; }
    int minSize() const { return m_minSize; }

    // The control the bar resizes: docked on the bar's side, touching it.
    QWidget *resizedControl() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool horizontal() const; // docked left or right: dragged sideways
    QWidget *clientSibling() const;

    QColor m_color;
    int m_minSize = 30;
    QPointer<QWidget> m_control;
    int m_pressPos = 0;
    int m_startSize = 0;
    int m_maxSize = 0;
};
