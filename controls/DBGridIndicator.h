#pragma once

#include <QHeaderView>

class RecordSetModel;

// The narrow row header of TDBGrid: marks the record set's current row with an
// arrow, or with "*" while a new row is inserted and "I" while a row is edited.
// Paints only the visible rows, so that large record sets cost nothing here.
class TDBGridIndicator : public QHeaderView
{
    Q_OBJECT
public:
    explicit TDBGridIndicator(RecordSetModel *model, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    RecordSetModel *m_model;
};
