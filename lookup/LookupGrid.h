#pragma once

#include "DBGrid.h"

#include <QPixmap>

// The result grid of the query-and-pick dialog: a read-only data grid without border,
// cell lines or row indicator, with one-line left-aligned titles that are not
// buttons, a horizontal scroll bar, alternate rows in light yellow and a picture
// stretched behind the cells, showing through the alternate and the current row.
class TLookupGrid : public TDBGrid
{
    Q_OBJECT
public:
    explicit TLookupGrid(QWidget *parent = nullptr);

    void setBackground(const QPixmap &picture);
    QPixmap background() const { return m_background; }

    // Alternate rows (255, 255, 128) and the current row are tinted partly transparent
    // over the picture.
    static QColor alternateRowColor();
    QColor currentRowColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintRowTints(QPainter &painter, const QRect &exposed) const;

    QPixmap m_background;
    QColor m_currentRowColor;
    QPixmap m_scaled; // the picture at the viewport's size, made on demand
};
