#include "DBGridDelegate.h"

#include "ErrorReport.h"

#include "Field.h"
#include "RecordSet.h"
#include "RecordSetModel.h"

#include <QLineEdit>

namespace {
const char OriginalText[] = "tarnOriginalText";

Field *fieldOf(const RecordSetModel *model, const QModelIndex &index)
{
    RecordSet *dataSet = model->dataSet();
    const int fieldIndex = model->fieldIndexOfColumn(index.column());
    if (!dataSet || fieldIndex < 0 || fieldIndex >= dataSet->fieldCount())
        return nullptr;
    return dataSet->field(fieldIndex);
}
} // namespace

TDBGridDelegate::TDBGridDelegate(RecordSetModel *model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{}

void TDBGridDelegate::setColumnColor(int column, const QColor &color)
{
    if (column < 0)
        return;
    while (m_colors.size() <= column)
        m_colors.append(QColor());
    m_colors[column] = color;
}

QColor TDBGridDelegate::columnColor(int column) const
{
    return m_colors.value(column);
}

QWidget *TDBGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                       const QModelIndex &index) const
{
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    if (const Field *field = fieldOf(m_model, index)) {
        if (field->dataType() == FieldType::String && field->size() > 0)
            editor->setMaxLength(field->size());
    }
    return editor;
}

void TDBGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *lineEdit = qobject_cast<QLineEdit *>(editor);
    if (!lineEdit)
        return;
    QString text;
    const RecordSet *dataSet = m_model->dataSet();
    const Field *field = fieldOf(m_model, index);
    if (field && dataSet->recNo() == index.row())
        text = field->asString(); // the edit text of the current row
    else
        text = index.data(Qt::EditRole).toString();
    lineEdit->setText(text);
    lineEdit->setProperty(OriginalText, text);
}

void TDBGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                   const QModelIndex &index) const
{
    auto *lineEdit = qobject_cast<QLineEdit *>(editor);
    if (!lineEdit)
        return;
    const QString text = lineEdit->text();
    if (text == lineEdit->property(OriginalText).toString())
        return;
    const bool assigned = ErrorReport::guard([&] { model->setData(index, text, Qt::EditRole); });
    // Whatever was taken, the editor now stands for the field's value.
    if (assigned)
        lineEdit->setProperty(OriginalText, text);
}

void TDBGridDelegate::initStyleOption(QStyleOptionViewItem *option,
                                      const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QColor color = m_colors.value(index.column());
    if (color.isValid())
        option->backgroundBrush = color;
}
