#pragma once

#include "DataLink.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>
#include <vector>

// A table model over a data source for the grids: one column per field in field
// order (or the fields named by setColumns), titles from the display labels,
// settable by position, read-only or editable per column. Rows are the record set's
// rows in its current order; the model follows the record set's notifications and
// reports the current row, and setCurrentRow() moves the record set.
//
// No exception leaves the model through a call that Qt makes (setData, fetchMore):
// a SilentAbort just fails the call, any other error fails it and is reported by
// editFailed() with its text (also kept in lastError()). setCurrentRow() is called
// by the grid, not by Qt, and passes errors on (a changed row that cannot be posted).
class RecordSetModel : public QAbstractTableModel, public DataLink
{
    Q_OBJECT
public:
    explicit RecordSetModel(QObject *parent = nullptr);
    ~RecordSetModel() override; // defined where Column is complete

    // Columns: empty list = every field of the record set, in field order.
    void setColumns(const QStringList &fieldNames);
    QStringList columns() const;
    int fieldIndexOfColumn(int column) const; // -1 when the field is absent
    void setColumnTitle(int column, const QString &title);
    QString columnTitle(int column) const;
    void setColumnReadOnly(int column, bool readOnly);
    bool columnReadOnly(int column) const;
    void setReadOnly(bool readOnly); // the whole grid
    bool readOnly() const;

    int currentRow() const; // the record set's recNo(), -1 when none
    void setCurrentRow(int row);
    QString lastError() const { return m_lastError; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    void currentRowChanged(int row);
    void editingChanged(bool editing);
    // An edit (setData) or a packet fetch failed with this message.
    void editFailed(const QString &message);

protected:
    void activeChanged() override;
    void editingChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled() override;
    void recordChanged(Field *field) override;
    void rowsAboutToChange(int first, int count) override;

private:
    struct Column;
    void rebuild();
    void reset();
    void syncCurrent(bool force);
    void fail(const QString &message);
    std::vector<std::unique_ptr<Column>> m_columns;
    QStringList m_columnNames;
    bool m_readOnly = false;
    int m_rowCount = 0;
    int m_lastCurrent = -1;
    QString m_lastError;
    int m_pendingFirst = 0; // rows announced by rowsAboutToChange, not yet made
    int m_pendingRows = 0;
};
