#include "RecordSetModel.h"

#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "RecordSetPrivate.h"
#include "SilentAbort.h"

struct RecordSetModel::Column
{
    QString fieldName;
    int fieldIndex = -1;
    FieldType type = FieldType::String;
    QString title;
    bool titleSet = false;
    bool readOnly = false;
};

RecordSetModel::RecordSetModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

RecordSetModel::~RecordSetModel() = default;

void RecordSetModel::setColumns(const QStringList &fieldNames)
{
    m_columnNames = fieldNames;
    reset();
}

QStringList RecordSetModel::columns() const
{
    QStringList names;
    for (const auto &c : m_columns)
        names << c->fieldName;
    return names;
}

int RecordSetModel::fieldIndexOfColumn(int column) const
{
    if (column < 0 || size_t(column) >= m_columns.size())
        return -1;
    return m_columns[size_t(column)]->fieldIndex;
}

void RecordSetModel::setColumnTitle(int column, const QString &title)
{
    if (column < 0 || size_t(column) >= m_columns.size())
        return; // positions beyond the columns are ignored
    m_columns[size_t(column)]->title = title;
    m_columns[size_t(column)]->titleSet = true;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString RecordSetModel::columnTitle(int column) const
{
    if (column < 0 || size_t(column) >= m_columns.size())
        return QString();
    const Column &c = *m_columns[size_t(column)];
    if (c.titleSet)
        return c.title;
    const RecordSet *rs = dataSet();
    if (const Field *f = rs ? rs->field(c.fieldIndex) : nullptr)
        return f->displayLabel();
    return c.fieldName;
}

void RecordSetModel::setColumnReadOnly(int column, bool readOnly)
{
    if (column < 0 || size_t(column) >= m_columns.size())
        return;
    m_columns[size_t(column)]->readOnly = readOnly;
}

bool RecordSetModel::columnReadOnly(int column) const
{
    if (column < 0 || size_t(column) >= m_columns.size())
        return true;
    return m_columns[size_t(column)]->readOnly;
}

void RecordSetModel::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

bool RecordSetModel::readOnly() const
{
    return m_readOnly;
}

int RecordSetModel::currentRow() const
{
    const RecordSet *rs = dataSet();
    return rs && rs->active() ? rs->recNo() : -1;
}

void RecordSetModel::setCurrentRow(int row)
{
    RecordSet *rs = dataSet();
    if (!rs || !rs->active() || row < 0 || row == rs->recNo())
        return;
    rs->setRecNo(row);
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    // Called for every visible cell on every repaint: straight reads of the stored
    // values, no cursor move.
    if (!index.isValid() || size_t(index.column()) >= m_columns.size())
        return QVariant();
    const Column &c = *m_columns[size_t(index.column())];
    const RecordSet *rs = dataSet();
    if (!rs || c.fieldIndex < 0)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return rs->displayTextAt(index.row(), c.fieldIndex);
    case Qt::EditRole:
        return rs->d()->textAt(index.row(), c.fieldIndex, false);
    case Qt::TextAlignmentRole:
        if (c.type != FieldType::String)
            return QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return QVariant();
    }
}

bool RecordSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    RecordSet *rs = dataSet();
    const Column &c = *m_columns[size_t(index.column())];
    try {
        if (rs->recNo() != index.row())
            rs->setRecNo(index.row());
        if (rs->recNo() != index.row())
            return false; // the row is no longer there
        if (rs->state() == DataSetState::Browse)
            rs->edit();
        Field *f = rs->field(c.fieldIndex);
        if (!f)
            return false;
        f->setValue(value);
        return true;
    } catch (const SilentAbort &) {
        return false;
    } catch (const DbError &e) {
        fail(e.message());
    } catch (const std::exception &e) {
        fail(QString::fromUtf8(e.what()));
    }
    return false;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || size_t(index.column()) >= m_columns.size())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const Column &c = *m_columns[size_t(index.column())];
    const RecordSet *rs = dataSet();
    const Field *field = rs ? rs->field(c.fieldIndex) : nullptr;
    if (!m_readOnly && !c.readOnly && field && !field->readOnly() && rs->canModify())
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordSetModel::canFetchMore(const QModelIndex &parent) const
{
    const RecordSet *rs = dataSet();
    return !parent.isValid() && rs && rs->active() && !rs->allFetched();
}

void RecordSetModel::fetchMore(const QModelIndex &parent)
{
    RecordSet *rs = dataSet();
    if (parent.isValid() || !rs || !rs->active())
        return;
    try {
        rs->fetchMore(); // the rows arrive through dataSetChanged()
    } catch (const DbError &e) {
        fail(e.message());
    } catch (const std::exception &e) {
        fail(QString::fromUtf8(e.what()));
    }
}

void RecordSetModel::activeChanged()
{
    reset();
}

void RecordSetModel::editingChanged()
{
    emit editingChanged(DataLink::editing());
}

void RecordSetModel::rowsAboutToChange(int first, int count)
{
    if (m_pendingRows != 0 || count == 0 || first < 0)
        return;
    if (count > 0 && first <= m_rowCount) {
        beginInsertRows(QModelIndex(), first, first + count - 1);
    } else if (count < 0 && first - count <= m_rowCount) {
        beginRemoveRows(QModelIndex(), first, first - count - 1);
    } else {
        return;
    }
    m_pendingFirst = first;
    m_pendingRows = count;
}

void RecordSetModel::dataSetChanged()
{
    RecordSet *rs = dataSet();
    const int rows = rs && rs->active() ? rs->recordCount() : 0;
    const DataChange change = rs ? rs->d()->lastChange : DataChange();
    // Rows announced before they were added or removed are told as such, so that a view
    // keeps its scroll position and selection; anything else resets the model.
    const int pending = m_pendingRows;
    m_pendingRows = 0;
    if (pending != 0) {
        const bool matches = change.first == m_pendingFirst
                             && ((pending > 0 && change.kind == DataChange::Inserted
                                  && change.count == pending)
                                 || (pending < 0 && change.kind == DataChange::Removed
                                     && change.count == -pending))
                             && rows == m_rowCount + pending;
        m_rowCount += pending;
        pending > 0 ? endInsertRows() : endRemoveRows();
        if (matches) {
            syncCurrent(false);
            return;
        }
    }
    beginResetModel();
    m_rowCount = rows;
    endResetModel();
    syncCurrent(true);
}

void RecordSetModel::dataSetScrolled()
{
    syncCurrent(false);
}

void RecordSetModel::recordChanged(Field *field)
{
    const int row = currentRow();
    if (row < 0 || row >= m_rowCount || m_columns.empty())
        return;
    if (!field) {
        emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
        return;
    }
    for (size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c]->fieldIndex == field->index())
            emit dataChanged(index(row, int(c)), index(row, int(c)));
    }
}

void RecordSetModel::rebuild()
{
    const RecordSet *rs = dataSet();
    QStringList names = m_columnNames;
    if (names.isEmpty() && rs) {
        for (int i = 0; i < rs->fieldCount(); ++i)
            names << rs->field(i)->fieldName();
    }
    // The same columns as before keep their titles and settings.
    bool same = names.size() == qsizetype(m_columns.size());
    for (qsizetype i = 0; same && i < names.size(); ++i)
        same = m_columns[size_t(i)]->fieldName.compare(names[i], Qt::CaseInsensitive) == 0;
    if (!same) {
        m_columns.clear();
        for (const QString &n : names) {
            auto c = std::make_unique<Column>();
            c->fieldName = n;
            m_columns.push_back(std::move(c));
        }
    }
    for (auto &c : m_columns) {
        const Field *f = rs ? rs->findField(c->fieldName) : nullptr;
        c->fieldIndex = f ? f->index() : -1;
        c->type = f ? f->dataType() : FieldType::String;
    }
    m_rowCount = rs && rs->active() ? rs->recordCount() : 0;
}

void RecordSetModel::reset()
{
    beginResetModel();
    rebuild();
    endResetModel();
    syncCurrent(true);
}

void RecordSetModel::syncCurrent(bool force)
{
    const int row = currentRow();
    if (!force && row == m_lastCurrent)
        return;
    m_lastCurrent = row;
    emit currentRowChanged(row);
}

void RecordSetModel::fail(const QString &message)
{
    m_lastError = message;
    emit editFailed(message);
}
