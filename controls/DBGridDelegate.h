#pragma once

#include <QColor>
#include <QList>
#include <QStyledItemDelegate>

class RecordSetModel;

// Cell painting and editing of TDBGrid. Cells are edited as text in a line edit (at
// most the field's size for text fields); the record set converts the text to the
// field's type. An unchanged text assigns nothing, so a cell that was only entered
// and left does not mark its row as changed. Assignments run through the general
// error report: a refused value keeps the earlier one.
class TDBGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TDBGridDelegate(RecordSetModel *model, QObject *parent = nullptr);

    void setColumnColor(int column, const QColor &color);
    QColor columnColor(int column) const;
    void clearColumnColors() { m_colors.clear(); }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    RecordSetModel *m_model;
    QList<QColor> m_colors;
};
