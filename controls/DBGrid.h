#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTableView>

#include <functional>

class DataSource;
class QKeyEvent;
class RecordSet;
class RecordSetModel;
class TDBGridDelegate;
class TDBGridIndicator;

// A data grid over a data source: a table view on a RecordSetModel. Rows have a fixed
// height (the vertical header's default section size), so that large record sets
// scroll without measuring rows. The current row follows the record set's cursor and
// moves it. Editing a cell puts the row in edit and assigns the field; leaving a
// changed row posts it. Insert inserts a row and Ctrl+Delete deletes the current one
// after the question "Delete record?", both only where the grid is not read-only.
// Errors of the record set go to the general error report.
//
// Tab moves from cell to cell and stays inside the grid: past the last cell of a row to
// the first cell of the next row, past the last row to a new row where appending is
// allowed. Ctrl+Tab leaves the grid. Escape cancels the pending row.
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
    RecordSet *dataSet() const;

    using QTableView::edit; // edit(index): opens the cell editor

    // Tab (or Shift+Tab) as the user would press it: commits the cell being edited and
    // moves to the next (previous) cell.
    void moveToNextCell(bool backward = false);

    // Called first for every key, also while a cell is being edited; true = consumed.
    std::function<bool(QKeyEvent *)> OnKeyPress;

signals:
    void enterPressed(); // Enter while no cell is being edited
    void titleClicked(int column);
    void rowDoubleClicked(int row);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool offerKey(QKeyEvent *event);
    bool editable() const;
    int defaultColumnWidth(int column) const;
    void applyColumnWidths();
    void applyRowHeight();
    void syncCurrentFromModel(int row);
    void insertRow();
    void deleteRow();
    // Appends a row below the last one; false when nothing was appended.
    bool appendRow();

    RecordSetModel *m_model;
    TDBGridDelegate *m_delegate;
    TDBGridIndicator *m_indicator;
    QList<int> m_widths; // explicit pixel widths by column, -1 for the default
    bool m_allowAppend = false;
    bool m_readOnly = false;
    bool m_syncing = false;
    int m_modelChanging = 0; // rows of the model are being changed
    int m_lastColumn = 0;    // the current cell's column, kept across model resets
};
