#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTableView>

#include <functional>

class DataSource;
class QKeyEvent;
class RecordSetModel;

// A data grid over a data source: a table view on a RecordSetModel. Rows have a fixed
// height (the vertical header's default section size), so that large record sets
// scroll without measuring rows. The current row follows the record set's cursor and
// moves it. Editing a cell puts the row in edit and assigns the field; leaving a
// changed row posts it. Insert inserts a row and Ctrl+Delete deletes the current one
// after the question "Delete record?", both only where the grid is not read-only.
// Errors of the record set go to the general error report.
class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const;
    RecordSetModel *recordModel() const { return m_model; }

    // Columns: empty = every field in field order.
    void setColumns(const QStringList &fieldNames);
    int columnCountShown() const;
    void setColumnTitle(int column, const QString &title);
    QString columnTitle(int column) const;
    // Default width: the field's display width in characters of the grid's font.
    void setColumnWidthPixels(int column, int px);
    void setColumnColor(int column, const QColor &color); // background of its cells
    QColor columnColor(int column) const;
    void setColumnReadOnly(int column, bool readOnly);
    void setReadOnly(bool readOnly); // the whole grid
    bool readOnly() const;
    // Moving down past the last row and Tab past the last cell append a row.
    void setAllowAppend(bool on) { m_allowAppend = on; }
    bool allowAppend() const { return m_allowAppend; }
    QString columnFieldName(int column) const;

    // Called first for every key; true = consumed.
    std::function<bool(QKeyEvent *)> OnKeyPress;

signals:
    void enterPressed(); // Enter while no cell is being edited
    void titleClicked(int column);
    void rowDoubleClicked(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void applyColumnWidths();
    void syncCurrentFromModel(int row);
    void insertRow();
    void deleteRow();
    void appendRow();
    bool nextCellOrAppend(bool backward);

    RecordSetModel *m_model;
    QList<int> m_widths; // explicit pixel widths by column, -1 for the default
    bool m_allowAppend = false;
    bool m_syncing = false;
};
