#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

// Where a control is docked in its parent. A control docked to the top or the bottom
// spans the parent's full client width, one docked left or right its full remaining
// height, and a client control fills what is left. Docked controls keep their own
// height (top, bottom) or width (left, right).
enum class TAlign { None, Top, Bottom, Left, Right, Client };

void setAlign(QWidget *control, TAlign align);
TAlign alignOf(const QWidget *control);

// A pane: a filled area with an optional raised edge and a centred caption, which
// places its docked children whenever it is resized. The children are docked in the
// order top, bottom, left, right, client; within one side in the order they were
// created.
class TPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TPanel(QWidget *parent = nullptr);

    // Invalid: the button face.
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    void setBevelWidth(int width); // 0: no edge
    int bevelWidth() const { return m_bevel; }
    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

    // The area inside the edge.
    QRect clientRect() const;

    // Places the docked children of any container inside its client area (a panel's
    // clientRect(), otherwise its whole rectangle).
    static void alignControls(QWidget *container);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor m_color;
    QString m_caption;
    int m_bevel = 1;
};
