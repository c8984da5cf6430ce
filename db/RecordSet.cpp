#include "RecordSet.h"

#include "Conversions.h"
#include "DataSetProvider.h"
#include "DataSource.h"
#include "DbError.h"
#include "RecordIndex.h"
#include "RecordSetFile.h"
#include "RecordSetPrivate.h"
#include "RecordSetValues.h"
#include "SqlQuery.h"
#include "TextCollation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordSet", text);
}

constexpr unsigned bit(DataSource::Event e)
{
    return 1u << unsigned(e);
}

QString fieldNotFound(const QString &name)
{
    return tr("Field '%1' not found").arg(name);
}

} // namespace

// ---------------------------------------------------------------------------------------
// RowStore

void RowStore::reset(const std::vector<FieldType> &types)
{
    columns.clear();
    columns.reserve(types.size());
    for (const FieldType t : types)
        columns.emplace_back(t);
    rows = 0;
    inMemory.clear();
    natural.clear();
    sorted.clear();
    undo.clear();
}

uint32_t RowStore::addNullRow(bool inMemoryRow)
{
    for (Column &c : columns)
        c.appendNull();
    inMemory.push_back(inMemoryRow);
    return rows++;
}

// ---------------------------------------------------------------------------------------
// RecordSetPrivate

RecordSetPrivate::RecordSetPrivate(RecordSet *owner, QString setName)
    : q(owner)
    , name(std::move(setName))
{}

RecordSetPrivate::~RecordSetPrivate() = default;

QString RecordSetPrivate::prefixed(const QString &text) const
{
    return name.isEmpty() ? text : name + QStringLiteral(": ") + text;
}

void RecordSetPrivate::requireActive() const
{
    if (state == DataSetState::Inactive)
        throw DbError(prefixed(tr("the record set is not open")));
}

void RecordSetPrivate::requireEditing() const
{
    requireActive();
    if (!editing())
        throw DbError(prefixed(tr("the record set is not in edit or insert state")));
}

bool RecordSetPrivate::fieldAlive(const Field *field) const
{
    const int i = field->index();
    return i >= 0 && size_t(i) < fields.size() && fields[size_t(i)].get() == field;
}

std::vector<FieldType> RecordSetPrivate::fieldTypes() const
{
    std::vector<FieldType> types;
    types.reserve(fields.size());
    for (const auto &f : fields)
        types.push_back(f->dataType());
    return types;
}

int RecordSetPrivate::positionOf(uint32_t row) const
{
    const auto &o = order();
    const auto it = std::find(o.begin(), o.end(), row);
    return it == o.end() ? -1 : int(it - o.begin());
}

const Cell *RecordSetPrivate::pendingCell(int position, int field) const
{
    if (editing() && position == cur && size_t(field) < buffer.size())
        return &buffer[size_t(field)];
    return nullptr;
}

bool RecordSetPrivate::isNullAt(int position, int field) const
{
    if (position < 0 || position >= count() || field < 0 || size_t(field) >= fields.size())
        return true;
    if (const Cell *c = pendingCell(position, field))
        return c->null;
    return store.columns[size_t(field)].isNull(order()[size_t(position)]);
}

QVariant RecordSetPrivate::valueAt(int position, int field) const
{
    if (position < 0 || position >= count() || field < 0 || size_t(field) >= fields.size())
        return QVariant();
    if (const Cell *c = pendingCell(position, field))
        return RecordSetValues::toVariant(*c, fields[size_t(field)]->dataType());
    return RecordSetValues::storedVariant(store.columns[size_t(field)],
                                          order()[size_t(position)]);
}

QString RecordSetPrivate::textAt(int position, int field, bool display) const
{
    if (position < 0 || position >= count() || field < 0 || size_t(field) >= fields.size())
        return QString();
    const Field &f = *fields[size_t(field)];
    const int decimals = display ? f.displayDecimals() : -1;
    if (const Cell *c = pendingCell(position, field))
        return RecordSetValues::cellText(*c, f.dataType(), decimals);
    return RecordSetValues::storedText(store.columns[size_t(field)], order()[size_t(position)],
                                       decimals);
}

void RecordSetPrivate::notify(DataSource::Event event, Field *field)
{
    if (disableCount > 0) {
        suppressed |= bit(event);
        return;
    }
    if (sources.empty())
        return;
    // A link may re-point or destroy a data source while it is told.
    const std::vector<DataSource *> snapshot = sources;
    for (DataSource *s : snapshot) {
        if (std::find(sources.begin(), sources.end(), s) != sources.end())
            s->notify(event, field);
    }
}

void RecordSetPrivate::dataChanged(DataChange::Kind kind, int first, int rows)
{
    lastChange = DataChange{kind, first, rows};
    notify(DataSource::Event::DataSetChanged);
    lastChange = DataChange();
}

void RecordSetPrivate::rowsAboutToChange(int first, int rows)
{
    if (disableCount > 0 || sources.empty())
        return;
    const std::vector<DataSource *> snapshot = sources;
    for (DataSource *s : snapshot) {
        if (std::find(sources.begin(), sources.end(), s) != sources.end())
            s->notifyRowsAboutToChange(first, rows);
    }
}

void RecordSetPrivate::scrolled()
{
    notify(DataSource::Event::Scrolled);
    fire(q->AfterScroll);
}

void RecordSetPrivate::fire(const std::function<void(RecordSet &)> &handler)
{
    if (!handler)
        return;
    const std::function<void(RecordSet &)> h = handler; // the handler may replace itself
    h(*q);
}

// ---------------------------------------------------------------------------------------
// Loading through the provider

void RecordSetPrivate::putNull(int column)
{
    if (size_t(column) >= columnMap.size() || columnMap[size_t(column)] < 0)
        return;
    loading->columns[size_t(columnMap[size_t(column)])].appendNull();
}

void RecordSetPrivate::putText(int column, const char *utf8, int length)
{
    if (size_t(column) >= columnMap.size() || columnMap[size_t(column)] < 0)
        return;
    const size_t f = size_t(columnMap[size_t(column)]);
    Column &c = loading->columns[f];
    const std::string_view text(utf8, size_t(std::max(length, 0)));
    if (c.type() == FieldType::String) {
        const int limit = fields[f]->size();
        size_t n = text.size();
        if (limit > 0 && n > size_t(limit))
            n = TextCollation::prefixBytes(text, limit);
        c.appendText(text.data(), uint32_t(n));
        return;
    }
    Cell s;
    s.null = false;
    s.s = std::string(text);
    RecordSetValues::append(c, RecordSetValues::convert(s, FieldType::String, c.type(), 0,
                                                        fields[f]->fieldName()));
}

void RecordSetPrivate::putInteger(int column, qint64 value)
{
    if (size_t(column) >= columnMap.size() || columnMap[size_t(column)] < 0)
        return;
    const size_t f = size_t(columnMap[size_t(column)]);
    Column &c = loading->columns[f];
    if (c.type() == FieldType::Integer) {
        c.appendInteger(value);
        return;
    }
    Cell s;
    s.null = false;
    s.i = value;
    RecordSetValues::append(c, RecordSetValues::convert(s, FieldType::Integer, c.type(),
                                                        fields[f]->size(),
                                                        fields[f]->fieldName()));
}

void RecordSetPrivate::putNumber(int column, double value)
{
    if (size_t(column) >= columnMap.size() || columnMap[size_t(column)] < 0)
        return;
    const size_t f = size_t(columnMap[size_t(column)]);
    Column &c = loading->columns[f];
    if (c.type() == FieldType::Number) {
        c.appendNumber(value);
        return;
    }
    Cell s;
    s.null = false;
    s.d = value;
    RecordSetValues::append(c, RecordSetValues::convert(s, FieldType::Number, c.type(),
                                                        fields[f]->size(),
                                                        fields[f]->fieldName()));
}

void RecordSetPrivate::endRow()
{
    const uint32_t row = loading->rows;
    for (Column &c : loading->columns) {
        if (c.size() <= row)
            c.appendNull();
    }
    loading->inMemory.push_back(false);
    (fetchedRows ? *fetchedRows : loading->natural).push_back(row);
    ++loading->rows;
}

namespace {

// Drops a half-delivered row after a failed fetch.
void truncateStore(RowStore &s)
{
    for (Column &c : s.columns)
        c.truncate(s.rows);
    s.inMemory.truncate(s.rows);
}

} // namespace

void RecordSetPrivate::closeCursor()
{
    if (openQuery) {
        SqlQuery *query = openQuery;
        openQuery = nullptr;
        query->close();
    }
    allFetched = true;
}

// Fields for the result columns: declared fields take the columns of their name; other
// record sets take one field per column (kept when the columns are those of last time).
// Fills columnMap; returns the new fields when they replace the present ones.
static std::vector<std::unique_ptr<Field>> fieldsForColumns(RecordSetPrivate &d,
                                                            const QList<ColumnInfo> &cols)
{
    std::vector<std::unique_ptr<Field>> replacement;
    d.columnMap.assign(size_t(cols.size()), -1);
    if (d.declared) {
        for (size_t f = 0; f < d.fields.size(); ++f) {
            const QString &name = d.fields[f]->fieldName();
            int found = -1;
            for (int c = 0; c < cols.size(); ++c) {
                if (cols[c].name.compare(name, Qt::CaseInsensitive) == 0
                    && d.columnMap[size_t(c)] < 0) {
                    found = c;
                    break;
                }
            }
            if (found < 0)
                throw DbError(fieldNotFound(name));
            d.columnMap[size_t(found)] = int(f);
        }
        return replacement;
    }
    // Names made unique the usual way: a repeated name gets "_1", "_2", ...
    QStringList names;
    for (const ColumnInfo &c : cols) {
        QString n = c.name;
        for (int k = 1; names.contains(n, Qt::CaseInsensitive); ++k)
            n = c.name + QLatin1Char('_') + QString::number(k);
        names << n;
    }
    bool same = d.fields.size() == size_t(cols.size());
    for (int c = 0; same && c < cols.size(); ++c) {
        const Field &f = *d.fields[size_t(c)];
        same = f.fieldName() == names[c] && f.dataType() == cols[c].type
               && f.size() == (cols[c].type == FieldType::String ? cols[c].size : 0);
    }
    for (int c = 0; c < cols.size(); ++c)
        d.columnMap[size_t(c)] = c;
    if (same)
        return replacement;
    for (int c = 0; c < cols.size(); ++c) {
        const int size = cols[c].type == FieldType::String ? cols[c].size : 0;
        replacement.push_back(std::make_unique<Field>(d.q, c, names[c], cols[c].type, size));
    }
    return replacement;
}

static void installFields(RecordSetPrivate &d, std::vector<std::unique_ptr<Field>> &&fresh)
{
    if (fresh.empty() && !d.fields.empty())
        return;
    for (auto &f : d.fields)
        d.retired.push_back(std::move(f));
    d.fields = std::move(fresh);
}

// Runs the provider's statement and fetches the first packet (or every row) into a new
// store. The record set itself is not touched until everything has been read.
static RowStore queryRows(RecordSetPrivate &d, std::vector<std::unique_ptr<Field>> *fresh)
{
    if (!d.provider)
        throw DbError(d.prefixed(tr("the record set has no provider")));
    SqlQuery *query = d.provider->dataSet();
    if (!query)
        throw DbError(d.prefixed(tr("the provider has no statement")));
    d.closeCursor();
    query->close();
    if (d.commandTextSet && d.provider->allowCommandText())
        query->setText(d.commandText);
    query->open();
    RowStore rows;
    std::vector<std::unique_ptr<Field>> oldFields;
    try {
        *fresh = fieldsForColumns(d, query->columns());
        // The sink reads sizes and names from d.fields: give it the new ones while
        // loading, and put the old ones back if the fetch fails.
        if (!fresh->empty()) {
            oldFields = std::move(d.fields);
            d.fields = std::move(*fresh);
        }
        rows.reset(d.fieldTypes());
        d.loading = &rows;
        const int want = d.packetRecords > 0 ? d.packetRecords : -1;
        d.fetchedSoFar = 0;
        const int got = d.fetchRows(*query, want);
        d.loading = nullptr;
        if (want < 0 || got < want) {
            query->close();
            d.allFetched = true;
        } else {
            d.openQuery = query;
            d.openQueryText = query->text();
            d.allFetched = false;
        }
    } catch (...) {
        d.loading = nullptr;
        d.openQuery = nullptr;
        d.allFetched = true;
        query->close();
        if (!oldFields.empty()) {
            fresh->clear();
            d.fields = std::move(oldFields);
        }
        throw;
    }
    if (!oldFields.empty()) {
        *fresh = std::move(d.fields);
        d.fields = std::move(oldFields);
    }
    return rows;
}

int RecordSetPrivate::fetchRows(SqlQuery &query, int maxRows)
{
    if (!fetchProgress || fetchProgressEvery <= 0)
        return query.fetchInto(*this, maxRows);
    // In runs, so that the row loop itself stays as it is.
    int got = 0;
    while (maxRows < 0 || got < maxRows) {
        const int run = maxRows < 0 ? fetchProgressEvery
                                    : std::min(fetchProgressEvery, maxRows - got);
        const int n = query.fetchInto(*this, run);
        got += n;
        fetchedSoFar += n;
        if (n > 0)
            fetchProgress(fetchedSoFar);
        if (n < run)
            break;
    }
    return got;
}

int RecordSetPrivate::fetchPacket()
{
    if (allFetched || !openQuery)
        return 0;
    SqlQuery *query = openQuery;
    if (!query->active() || query->text() != openQueryText) {
        // The statement was closed or reused meanwhile: the rest of the rows cannot come.
        // Said once, so that a partial result is never taken for the whole.
        openQuery = nullptr;
        allFetched = true;
        throw DbError(prefixed(tr("the remaining rows cannot be fetched: the statement was "
                                  "closed or reused before all its rows were read")));
    }
    const int64_t currentRow = cur >= 0 ? int64_t(order()[size_t(cur)]) : -1;
    const uint32_t rowsBefore = store.rows;
    std::vector<uint32_t> fetched;
    int got = 0;
    loading = &store;
    fetchedRows = &fetched;
    try {
        got = fetchRows(*query, packetRecords);
    } catch (...) {
        // A packet comes whole or not at all.
        loading = nullptr;
        fetchedRows = nullptr;
        store.rows = rowsBefore;
        truncateStore(store);
        closeCursor();
        throw;
    }
    loading = nullptr;
    fetchedRows = nullptr;
    if (got < packetRecords)
        closeCursor();
    if (fetched.empty())
        return 0;
    if (indexField >= 0) {
        store.natural.insert(store.natural.end(), fetched.begin(), fetched.end());
        rebuildIndex();
        if (currentRow >= 0)
            cur = positionOf(uint32_t(currentRow));
        dataChanged(DataChange::Reset);
    } else {
        const int first = count();
        rowsAboutToChange(first, int(fetched.size()));
        store.natural.insert(store.natural.end(), fetched.begin(), fetched.end());
        dataChanged(DataChange::Inserted, first, int(fetched.size()));
    }
    return got;
}

void RecordSetPrivate::ensureFetched(int position)
{
    while (position >= count() && fetchPacket() > 0) {
    }
}

void RecordSetPrivate::fetchAll()
{
    while (fetchPacket() > 0) {
    }
}

// ---------------------------------------------------------------------------------------
// Rows and order

void RecordSetPrivate::install(RowStore &&rows)
{
    store = std::move(rows);
    buffer.clear();
    modifiedFlag = false;
    state = DataSetState::Browse;
    indexField = -1;
    if (!activeIndex.isEmpty()) {
        for (const IndexDef &def : indexes) {
            if (def.name.compare(activeIndex, Qt::CaseInsensitive) == 0) {
                if (Field *f = q->findField(def.fieldName))
                    indexField = f->index();
                break;
            }
        }
    }
    rebuildIndex();
    cur = count() > 0 ? 0 : -1;
    bof = true;
    eof = count() == 0;
}

void RecordSetPrivate::rebuildIndex()
{
    if (indexField < 0) {
        store.sorted.clear();
        store.sorted.shrink_to_fit();
        return;
    }
    store.sorted = RecordIndex::sortRows(store.columns[size_t(indexField)], store.natural);
}

void RecordSetPrivate::repositionInIndex(uint32_t row)
{
    if (indexField < 0)
        return;
    auto &s = store.sorted;
    const auto at = std::find(s.begin(), s.end(), row);
    if (at != s.end())
        s.erase(at);
    const Column &c = store.columns[size_t(indexField)];
    const auto lo = std::lower_bound(s.begin(), s.end(), row, [&](uint32_t a, uint32_t b) {
        return RecordIndex::compareRows(c, a, b) < 0;
    });
    auto hi = lo;
    while (hi != s.end() && RecordIndex::compareRows(c, *hi, row) == 0)
        ++hi;
    auto pos = lo;
    if (lo != hi) {
        // Equal keys stand in their load order.
        std::vector<int> rank(store.rows, -1);
        for (size_t i = 0; i < store.natural.size(); ++i)
            rank[store.natural[i]] = int(i);
        while (pos != hi && rank[*pos] < rank[row])
            ++pos;
    }
    s.insert(pos, row);
}

void RecordSetPrivate::removeFromOrder(int position)
{
    auto &o = indexField >= 0 ? store.sorted : store.natural;
    const uint32_t row = o[size_t(position)];
    o.erase(o.begin() + position);
    if (indexField >= 0) {
        const auto it = std::find(store.natural.begin(), store.natural.end(), row);
        if (it != store.natural.end())
            store.natural.erase(it);
    }
}

void RecordSetPrivate::loadBuffer(uint32_t row)
{
    buffer.clear();
    buffer.reserve(fields.size());
    for (const Column &c : store.columns)
        buffer.push_back(RecordSetValues::read(c, row));
}

void RecordSetPrivate::storeBuffer(uint32_t row)
{
    for (size_t i = 0; i < store.columns.size() && i < buffer.size(); ++i)
        RecordSetValues::write(store.columns[i], row, buffer[i]);
}

void RecordSetPrivate::startInsert(bool atEnd)
{
    rowBefore = cur >= 0 ? int64_t(order()[size_t(cur)]) : -1;
    curBefore = cur;
    bofBefore = bof;
    eofBefore = eof;
    const uint32_t row = store.addNullRow(true);
    const int pos = atEnd ? count() : std::max(cur, 0);
    rowsAboutToChange(pos, 1);
    if (indexField < 0) {
        store.natural.insert(store.natural.begin() + pos, row);
    } else {
        store.sorted.insert(store.sorted.begin() + pos, row);
        auto it = store.natural.end();
        if (!atEnd && rowBefore >= 0)
            it = std::find(store.natural.begin(), store.natural.end(), uint32_t(rowBefore));
        store.natural.insert(it, row);
    }
    cur = pos;
    bof = false;
    eof = false;
    editRow = row;
    buffer.assign(fields.size(), Cell());
    modifiedFlag = false;
    state = DataSetState::Insert;
    dataChanged(DataChange::Inserted, pos, 1);
    if (q->OnNewRecord) {
        inNewRecord = true;
        try {
            fire(q->OnNewRecord);
        } catch (...) {
            inNewRecord = false;
            if (state == DataSetState::Insert)
                dropPendingRow();
            throw;
        }
        inNewRecord = false;
        if (state == DataSetState::Insert)
            notify(DataSource::Event::RecordChanged); // the new-record values, shown
    }
    modifiedFlag = false; // the new-record values are defaults, not changes
    notify(DataSource::Event::EditingChanged);
    scrolled();
}

// Removes the pending new row and returns to the row before it.
void RecordSetPrivate::dropPendingRow()
{
    int pos = cur;
    if (pos < 0 || pos >= count() || order()[size_t(pos)] != editRow)
        pos = positionOf(editRow);
    if (pos >= 0) {
        rowsAboutToChange(pos, -1);
        removeFromOrder(pos);
    }
    if (editRow + 1 == store.rows) { // the usual case: give its storage back
        --store.rows;
        truncateStore(store);
    }
    state = DataSetState::Browse;
    buffer.clear();
    modifiedFlag = false;
    int back = -1;
    if (rowBefore >= 0) {
        back = curBefore >= 0 && curBefore < count()
                       && order()[size_t(curBefore)] == uint32_t(rowBefore)
                   ? curBefore
                   : positionOf(uint32_t(rowBefore));
    }
    if (back >= 0) {
        cur = back;
        bof = bofBefore;
        eof = eofBefore;
    } else {
        cur = count() > 0 ? 0 : -1;
        bof = true;
        eof = count() == 0;
    }
    if (pos >= 0)
        dataChanged(DataChange::Removed, pos, 1);
}

void RecordSetPrivate::assign(int field, Cell &&value)
{
    requireEditing();
    Field *f = fields[size_t(field)].get();
    Cell old = std::move(buffer[size_t(field)]);
    buffer[size_t(field)] = std::move(value);
    if (f->onValidate) {
        try {
            const std::function<void(Field &)> validate = f->onValidate;
            validate(*f);
        } catch (...) {
            if (editing() && size_t(field) < buffer.size())
                buffer[size_t(field)] = std::move(old);
            throw;
        }
    }
    if (!editing())
        return;
    if (!inNewRecord) {
        modifiedFlag = true;
        notify(DataSource::Event::RecordChanged, f);
    }
}

void RecordSetPrivate::checkBrowseMode()
{
    if (!editing())
        return;
    if (modifiedFlag)
        q->post();
    else
        q->cancel();
}

void RecordSetPrivate::move(int distance)
{
    requireActive();
    checkBrowseMode();
    if (distance > 0) {
        const int64_t target = int64_t(std::max(cur, 0)) + distance;
        ensureFetched(int(std::min<int64_t>(target, INT32_MAX)));
        const int n = count();
        if (n > 0) {
            if (cur >= 0 && cur + int64_t(distance) <= n - 1) {
                cur += distance;
                bof = false;
                eof = false;
            } else {
                cur = n - 1;
                eof = true;
                bof = false;
            }
        }
    } else if (distance < 0) {
        const int n = count();
        if (n > 0) {
            if (cur + int64_t(distance) >= 0) {
                cur += distance;
                bof = false;
                eof = false;
            } else {
                cur = 0;
                bof = true;
                eof = false;
            }
        }
    }
    scrolled();
}

// ---------------------------------------------------------------------------------------
// Locate

namespace {

// Case-insensitive prefix test with a quick refusal on the first character: the usual
// outcome of a scan over many rows.
class FoldedPrefix
{
public:
    explicit FoldedPrefix(const std::u32string &key) : m_key(key)
    {
        if (!key.empty()) {
            m_first = key[0];
            if (TextCollation::caseless(m_first))
                m_firstLen = TextCollation::encode(m_first, m_firstBytes);
        }
        m_ascii = std::all_of(key.begin(), key.end(), [](char32_t c) { return c < 0x80; });
        if (m_ascii)
            m_asciiKey.assign(key.begin(), key.end());
    }
    bool operator()(std::string_view t) const
    {
        if (m_key.empty())
            return true;
        if (t.empty())
            return false;
        if (m_ascii) {
            // Byte by byte while the text is ASCII (which folds to ASCII only, one byte
            // for one byte): codes and barcodes are decided here.
            const size_t k = m_asciiKey.size();
            size_t i = 0;
            for (; i < k && i < t.size(); ++i) {
                const unsigned char b = static_cast<unsigned char>(t[i]);
                if (b >= 0x80)
                    return TextCollation::compareFoldedToKey(t, m_key, true) == 0;
                if (TextCollation::foldAscii(b) != static_cast<unsigned char>(m_asciiKey[i]))
                    return false;
            }
            return i == k;
        }
        const unsigned char c = static_cast<unsigned char>(t[0]);
        if (c < 0x80) {
            // An ASCII character folds to ASCII only.
            if (TextCollation::foldAscii(c) != m_first)
                return false;
        } else if (m_firstLen > 0) {
            // Nothing folds to a caseless character but itself.
            if (t.size() < size_t(m_firstLen) || std::memcmp(t.data(), m_firstBytes,
                                                             size_t(m_firstLen)) != 0)
                return false;
        }
        return TextCollation::compareFoldedToKey(t, m_key, true) == 0;
    }

private:
    const std::u32string &m_key;
    char32_t m_first = 0;
    unsigned char m_firstBytes[4] = {};
    int m_firstLen = 0;
    bool m_ascii = false;   // the folded key is ASCII, held in m_asciiKey
    std::string m_asciiKey;
};

// The first position, in the current order, of a row that matches: by binary search on
// the active index when before is given (before(row): the row sorts ahead of every
// match), else by a scan that fetches further packets as it goes.
template<typename Match, typename Before>
int search(RecordSetPrivate &d, bool indexed, const Match &match, const Before *before)
{
    if (indexed && before) {
        const auto &o = d.order();
        const auto it = std::partition_point(o.begin(), o.end(), *before);
        return it != o.end() && match(*it) ? int(it - o.begin()) : -1;
    }
    if (d.indexField >= 0 && d.count() > 4096) {
        // The order of an index visits the stored rows at random, which is slow over
        // many rows: the first positions are tried directly (typing usually finds its
        // row there), then the rows are tested in storage order, which reads memory
        // front to back, and the first position that holds a marked row is the answer.
        const auto &o = d.order();
        constexpr size_t kDirect = 2048;
        for (size_t i = 0; i < kDirect; ++i) {
            if (match(o[i]))
                return int(i);
        }
        std::vector<uint64_t> marked((d.store.rows + 63) / 64, 0);
        bool any = false;
        for (uint32_t r = 0; r < d.store.rows; ++r) {
            if (match(r)) {
                marked[r >> 6] |= uint64_t(1) << (r & 63);
                any = true;
            }
        }
        if (!any)
            return -1;
        for (size_t i = kDirect; i < o.size(); ++i) {
            if ((marked[o[i] >> 6] >> (o[i] & 63)) & 1)
                return int(i);
        }
        return -1;
    }
    size_t from = 0;
    for (;;) {
        const auto &o = d.order();
        const uint32_t *rows = o.data();
        const size_t n = o.size();
        for (size_t i = from; i < n; ++i) {
            if (match(rows[i]))
                return int(i);
        }
        from = n;
        if (d.fetchPacket() == 0)
            return -1;
    }
}

using NoBefore = bool (*)(uint32_t);

// The first position whose row matches, in the order of an index on the number column
// col. Equal values stand together there and show the same text, so one test stands
// for a whole run of them; the end of a run is found by galloping, which costs one
// comparison when the next value differs. A zero is tested row by row: -0 and 0 sort
// together but may show differently.
template<typename Match>
int searchNumberIndex(const Column &col, const std::vector<uint32_t> &o, const Match &match)
{
    const size_t n = o.size();
    size_t i = 0;
    while (i < n) {
        const uint32_t r = o[i];
        if (match(r))
            return int(i);
        if (!col.isNull(r) && col.type() == FieldType::Number && col.number(r) == 0.0) {
            ++i;
            continue;
        }
        const auto same = [&](uint32_t x) { return RecordIndex::compareRows(col, x, r) == 0; };
        size_t inRun = i; // the last position known to hold the same value
        size_t probe = i + 1;
        for (size_t step = 1; probe < n && same(o[probe]); step *= 2) {
            inRun = probe;
            probe = inRun + step * 2;
        }
        const auto from = o.begin() + std::ptrdiff_t(inRun + 1);
        const auto to = o.begin() + std::ptrdiff_t(std::min(probe, n));
        i = size_t(std::partition_point(from, to, same) - o.begin());
    }
    return -1;
}

} // namespace

int RecordSetPrivate::find(int field, const QVariant &value, LocateOptions options)
{
    const bool ci = options & loCaseInsensitive;
    const bool partial = options & loPartialKey;
    const Field &f = *fields[size_t(field)];
    const bool indexed = field == indexField;
    if (indexed)
        fetchAll(); // a binary search needs every row
    // Each test reads the stored value: locate has left any pending row before this.
    const Column &col = store.columns[size_t(field)];

    if (f.dataType() == FieldType::String || partial) {
        // Text matching; a number field by its display text.
        QString text;
        if (value.isValid() && !value.isNull()) {
            const int id = value.typeId();
            text = (id == QMetaType::Double || id == QMetaType::Float)
                       ? formatNumber(value.toDouble())
                       : value.toString();
        }
        const QByteArray utf8 = text.toUtf8();
        const std::string key(utf8.constData(), size_t(utf8.size()));
        const std::u32string folded = TextCollation::foldedKey(key);

        if (f.dataType() != FieldType::String) {
            const int decimals = f.displayDecimals();
            const bool integer = f.dataType() == FieldType::Integer;
            const FoldedPrefix prefix(folded);
            const auto match = [&](uint32_t r) {
                char buf[64];
                int n = 0;
                if (!col.isNull(r)) {
                    if (integer) {
                        const auto res = std::to_chars(buf, buf + 63, col.integer(r));
                        n = int(res.ptr - buf);
                    } else {
                        n = RecordSetValues::numberTextUtf8(col.number(r), decimals, buf);
                    }
                }
                const std::string_view t(buf, size_t(n));
                if (ci)
                    return prefix(t);
                return t.size() >= key.size() && std::memcmp(t.data(), key.data(), key.size()) == 0;
            };
            if (indexed)
                return searchNumberIndex(col, order(), match);
            return search(*this, false, match, static_cast<const NoBefore *>(nullptr));
        }

        // A null text reads as an empty one (Column::text gives "" for it).
        if (ci && partial) {
            const FoldedPrefix prefix(folded);
            const auto match = [&](uint32_t r) { return prefix(col.text(r)); };
            const auto before = [&](uint32_t r) {
                return TextCollation::compareFoldedToKey(col.text(r), folded, true) < 0;
            };
            return search(*this, indexed, match, &before);
        }
        if (ci) {
            const auto match = [&](uint32_t r) {
                return TextCollation::foldedEquals(col.text(r), folded);
            };
            const auto before = [&](uint32_t r) {
                return TextCollation::compareFoldedToKey(col.text(r), folded, false) < 0;
            };
            return search(*this, indexed, match, &before);
        }
        if (!partial) {
            const auto match = [&](uint32_t r) { return col.text(r) == std::string_view(key); };
            const auto before = [&](uint32_t r) {
                return TextCollation::compareIndexOrder(col.text(r), key) < 0;
            };
            return search(*this, indexed, match, &before);
        }
        const auto match = [&](uint32_t r) {
            const std::string_view t = col.text(r);
            return t.size() >= key.size() && std::memcmp(t.data(), key.data(), key.size()) == 0;
        };
        if (!indexed)
            return search(*this, false, match, static_cast<const NoBefore *>(nullptr));
        // Case-sensitive prefix on the index: the matches lie among the case-insensitive
        // ones, which stand together.
        const auto &o = order();
        auto it = std::partition_point(o.begin(), o.end(), [&](uint32_t r) {
            return TextCollation::compareFoldedToKey(col.text(r), folded, true) < 0;
        });
        for (; it != o.end() && TextCollation::foldedStartsWith(col.text(*it), folded); ++it) {
            if (match(*it))
                return int(it - o.begin());
        }
        return -1;
    }

    // Whole-value matching of a number field, as a number.
    const QString text = value.isValid() && !value.isNull() ? value.toString() : QString();
    double number = 0;
    if (text.trimmed().isEmpty()) {
        const auto match = [&](uint32_t r) { return col.isNull(r); };
        const auto before = [](uint32_t) { return false; };
        return search(*this, indexed, match, &before);
    }
    const int id = value.typeId();
    if (id == QMetaType::Double || id == QMetaType::Float || id == QMetaType::Int
        || id == QMetaType::LongLong || id == QMetaType::UInt || id == QMetaType::ULongLong) {
        number = value.toDouble();
    } else if (!RecordSetValues::parseNumber(text, &number)) {
        return -1; // not a number: no number field can match it
    }
    if (f.dataType() == FieldType::Integer) {
        if (number != std::floor(number) || std::fabs(number) >= 9.2e18)
            return -1;
        const int64_t whole = int64_t(number);
        const auto match = [&](uint32_t r) { return !col.isNull(r) && col.integer(r) == whole; };
        const auto before = [&](uint32_t r) { return col.isNull(r) || col.integer(r) < whole; };
        return search(*this, indexed, match, &before);
    }
    const auto match = [&](uint32_t r) { return !col.isNull(r) && col.number(r) == number; };
    const auto before = [&](uint32_t r) { return col.isNull(r) || col.number(r) < number; };
    return search(*this, indexed, match, &before);
}

// ---------------------------------------------------------------------------------------
// RecordSet

RecordSet::RecordSet(QString name)
    : m_d(std::make_unique<RecordSetPrivate>(this, std::move(name)))
{}

RecordSet::~RecordSet()
{
    // Detach every data source first: their links then see no record set. The
    // statement of a pending packet fetch is not touched here; it may be gone already.
    const std::vector<DataSource *> sources = m_d->sources;
    m_d->disableCount = 0;
    for (DataSource *s : sources)
        s->setDataSet(nullptr);
    m_d->sources.clear();
    m_d->openQuery = nullptr;
}

const QString &RecordSet::name() const
{
    return m_d->name;
}

Field *RecordSet::addField(const QString &name, FieldType type, int size, const QString &label,
                           bool required)
{
    if (m_d->state != DataSetState::Inactive)
        throw DbError(m_d->prefixed(tr("fields cannot be added to an open record set")));
    if (name.trimmed().isEmpty())
        throw DbError(m_d->prefixed(tr("a field needs a name")));
    if (!m_d->declared) {
        // Fields taken from an earlier result give way to declared ones.
        for (auto &f : m_d->fields)
            m_d->retired.push_back(std::move(f));
        m_d->fields.clear();
        m_d->declared = true;
    }
    if (findField(name))
        throw DbError(m_d->prefixed(tr("field '%1' is defined twice").arg(name)));
    auto field = std::make_unique<Field>(this, int(m_d->fields.size()), name, type,
                                         type == FieldType::String ? std::max(size, 0) : 0);
    field->setDisplayLabel(label);
    field->setRequired(required);
    m_d->fields.push_back(std::move(field));
    return m_d->fields.back().get();
}

int RecordSet::fieldCount() const
{
    return int(m_d->fields.size());
}

Field *RecordSet::field(int index) const
{
    if (index < 0 || size_t(index) >= m_d->fields.size())
        return nullptr;
    return m_d->fields[size_t(index)].get();
}

Field *RecordSet::fieldByName(const QString &name) const
{
    if (Field *f = findField(name))
        return f;
    throw DbError(fieldNotFound(name));
}

Field *RecordSet::findField(const QString &name) const
{
    for (const auto &f : m_d->fields) {
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

bool RecordSet::hasDeclaredFields() const
{
    return m_d->declared;
}

void RecordSet::setProvider(DataSetProvider *provider)
{
    m_d->provider = provider;
}

DataSetProvider *RecordSet::provider() const
{
    return m_d->provider;
}

void RecordSet::setCommandText(const QString &text)
{
    m_d->commandText = text;
    m_d->commandTextSet = true;
}

QString RecordSet::commandText() const
{
    if (m_d->commandTextSet)
        return m_d->commandText;
    if (m_d->provider && m_d->provider->dataSet())
        return m_d->provider->dataSet()->text();
    return QString();
}

void RecordSet::setPacketRecords(int rows)
{
    m_d->packetRecords = rows > 0 ? rows : -1;
}

int RecordSet::packetRecords() const
{
    return m_d->packetRecords;
}

void RecordSet::setFetchProgress(std::function<void(int rows)> progress, int everyRows)
{
    m_d->fetchProgress = std::move(progress);
    m_d->fetchProgressEvery = everyRows > 0 ? everyRows : 4096;
}

void RecordSet::open()
{
    RecordSetPrivate &d = *m_d;
    if (d.state != DataSetState::Inactive)
        return;
    RowStore rows;
    if (!d.provider) {
        // An in-memory record set of its declared fields.
        if (d.fields.empty())
            throw DbError(d.prefixed(tr("the record set has neither a provider nor fields")));
        d.closeCursor();
        rows.reset(d.fieldTypes());
    } else {
        std::vector<std::unique_ptr<Field>> fresh;
        rows = queryRows(d, &fresh);
        installFields(d, std::move(fresh));
    }
    d.install(std::move(rows));
    d.notify(DataSource::Event::ActiveChanged);
    d.fire(AfterOpen);
    if (d.state != DataSetState::Inactive && d.count() > 0)
        d.scrolled();
}

void RecordSet::close()
{
    RecordSetPrivate &d = *m_d;
    if (d.state == DataSetState::Inactive)
        return;
    d.closeCursor();
    d.state = DataSetState::Inactive;
    d.store = RowStore();
    d.buffer.clear();
    d.modifiedFlag = false;
    d.cur = -1;
    d.bof = true;
    d.eof = true;
    d.indexField = -1;
    d.notify(DataSource::Event::ActiveChanged);
}

bool RecordSet::active() const
{
    return m_d->state != DataSetState::Inactive;
}

DataSetState RecordSet::state() const
{
    return m_d->state;
}

bool RecordSet::allFetched() const
{
    return m_d->allFetched;
}

bool RecordSet::fetchMore()
{
    if (!active())
        return false;
    return m_d->fetchPacket() > 0;
}

void RecordSet::first()
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    d.checkBrowseMode();
    d.cur = d.count() > 0 ? 0 : -1;
    d.bof = true;
    d.eof = d.count() == 0;
    d.scrolled();
}

void RecordSet::prior()
{
    m_d->move(-1);
}

void RecordSet::next()
{
    m_d->move(1);
}

void RecordSet::last()
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    d.checkBrowseMode();
    d.fetchAll();
    d.cur = d.count() - 1;
    d.eof = true;
    d.bof = d.count() == 0;
    d.scrolled();
}

void RecordSet::moveBy(int distance)
{
    m_d->move(distance);
}

bool RecordSet::bof() const
{
    return m_d->bof;
}

bool RecordSet::eof() const
{
    return m_d->eof;
}

// A new row not posted yet is not one of the rows: a set whose only row is being typed
// is empty, as the saves that walk a grid's rows expect.
bool RecordSet::isEmpty() const
{
    return !active() || m_d->count() - (m_d->state == DataSetState::Insert ? 1 : 0) == 0;
}

int RecordSet::recordCount() const
{
    return active() ? m_d->count() : 0;
}

int RecordSet::recNo() const
{
    return active() ? m_d->cur : -1;
}

void RecordSet::setRecNo(int position)
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    // The target is a row, not a place: leaving a pending row may shift positions.
    const int64_t target = position >= 0 && position < d.count()
                               ? int64_t(d.order()[size_t(position)])
                               : -1;
    const bool targetIsPending = d.editing() && target == int64_t(d.editRow);
    d.checkBrowseMode();
    if (target >= 0) {
        const int now = d.positionOf(uint32_t(target));
        position = now >= 0 ? now : (targetIsPending ? d.cur : position);
    }
    d.ensureFetched(position);
    const int n = d.count();
    if (n > 0) {
        position = std::clamp(position, 0, n - 1);
        if (position != d.cur) {
            d.cur = position;
            d.bof = false;
            d.eof = false;
        }
    }
    d.scrolled();
}

bool RecordSet::canModify() const
{
    return active() && !m_d->readOnly;
}

void RecordSet::setReadOnly(bool on)
{
    m_d->readOnly = on;
}

bool RecordSet::readOnly() const
{
    return m_d->readOnly;
}

void RecordSet::refresh()
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    d.checkBrowseMode();
    const QVariant key = d.cur >= 0 && !d.fields.empty() ? d.valueAt(d.cur, 0) : QVariant();
    const bool hadRow = d.cur >= 0;
    bool fieldsReplaced = false;
    if (d.provider) {
        std::vector<std::unique_ptr<Field>> fresh;
        RowStore rows = queryRows(d, &fresh);
        fieldsReplaced = !fresh.empty();
        installFields(d, std::move(fresh));
        d.install(std::move(rows));
    }
    // Without a provider (a copy, a loaded file) the rows in memory are all there is:
    // they stay as they are, and the controls are told again.
    d.cur = d.count() > 0 ? 0 : -1;
    d.bof = true;
    d.eof = d.count() == 0;
    if (hadRow && !d.fields.empty()) {
        const int pos = d.find(0, key, 0);
        if (pos >= 0) {
            d.cur = pos;
            d.bof = false;
            d.eof = false;
        }
    }
    if (fieldsReplaced)
        d.notify(DataSource::Event::ActiveChanged);
    else
        d.dataChanged(DataChange::Reset);
    if (d.count() > 0)
        d.scrolled();
    else
        d.notify(DataSource::Event::Scrolled);
}

void RecordSet::append()
{
    RecordSetPrivate &d = *m_d;
    if (d.state == DataSetState::Inactive && !d.provider && !d.fields.empty())
        open();
    d.requireActive();
    if (d.readOnly)
        throw DbError(d.prefixed(tr("the record set is read-only")));
    d.checkBrowseMode();
    d.fire(BeforeInsert);
    d.fetchAll();
    d.startInsert(true);
}

void RecordSet::insert()
{
    RecordSetPrivate &d = *m_d;
    if (d.state == DataSetState::Inactive && !d.provider && !d.fields.empty())
        open();
    d.requireActive();
    if (d.readOnly)
        throw DbError(d.prefixed(tr("the record set is read-only")));
    d.checkBrowseMode();
    d.fire(BeforeInsert);
    d.startInsert(false);
}

void RecordSet::edit()
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    if (d.editing())
        return;
    if (d.count() == 0) {
        append();
        return;
    }
    if (d.readOnly)
        throw DbError(d.prefixed(tr("the record set is read-only")));
    d.editRow = d.order()[size_t(d.cur)];
    d.loadBuffer(d.editRow);
    d.modifiedFlag = false;
    d.state = DataSetState::Edit;
    d.notify(DataSource::Event::EditingChanged);
}

void RecordSet::post()
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    if (!d.editing())
        return;
    d.fire(BeforePost);
    if (!d.editing())
        return;
    for (size_t i = 0; i < d.fields.size(); ++i) {
        const Field &f = *d.fields[i];
        const Cell &c = d.buffer[i];
        if (f.required() && (c.null || (f.dataType() == FieldType::String && c.s.empty())))
            throw DbError(tr("Field '%1' must have a value").arg(f.displayLabel()));
    }
    const uint32_t row = d.editRow;
    if (d.state == DataSetState::Edit && !d.store.inMemory[row]
        && d.store.undo.find(row) == d.store.undo.end()) {
        std::vector<CellSnapshot> before;
        before.reserve(d.store.columns.size());
        for (const Column &c : d.store.columns)
            before.push_back(c.snapshot(row));
        d.store.undo.emplace(row, std::move(before));
    }
    d.storeBuffer(row);
    d.state = DataSetState::Browse;
    d.buffer.clear();
    d.modifiedFlag = false;
    if (d.indexField >= 0) {
        d.repositionInIndex(row);
        d.cur = d.positionOf(row);
    }
    d.notify(DataSource::Event::EditingChanged);
    if (d.indexField >= 0) {
        d.dataChanged(DataChange::Reset);
        d.notify(DataSource::Event::Scrolled);
    } else {
        d.notify(DataSource::Event::RecordChanged);
    }
    d.fire(AfterPost);
}

void RecordSet::cancel()
{
    RecordSetPrivate &d = *m_d;
    if (!d.editing())
        return;
    if (d.state == DataSetState::Edit) {
        d.state = DataSetState::Browse;
        d.buffer.clear();
        d.modifiedFlag = false;
        d.notify(DataSource::Event::EditingChanged);
        d.notify(DataSource::Event::RecordChanged);
        return;
    }
    d.dropPendingRow();
    d.notify(DataSource::Event::EditingChanged);
    d.scrolled();
}

void RecordSet::deleteRecord()
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    if (d.readOnly)
        throw DbError(d.prefixed(tr("the record set is read-only")));
    if (d.state == DataSetState::Insert) {
        cancel(); // deleting a new row discards it
        return;
    }
    if (d.count() == 0)
        throw DbError(d.prefixed(tr("there is no record to delete")));
    d.fire(BeforeDelete);
    if (d.state == DataSetState::Edit) {
        d.state = DataSetState::Browse;
        d.buffer.clear();
        d.modifiedFlag = false;
        d.notify(DataSource::Event::EditingChanged);
    }
    const int pos = d.cur;
    // The row stays in storage (and in the undo log): undoing all changes brings a
    // loaded row back with its loaded values.
    d.rowsAboutToChange(pos, -1);
    d.removeFromOrder(pos);
    const int n = d.count();
    if (n == 0) {
        d.cur = -1;
        d.bof = true;
        d.eof = true;
    } else {
        d.cur = std::min(pos, n - 1);
        d.bof = false;
        d.eof = false;
    }
    d.dataChanged(DataChange::Removed, pos, 1);
    d.fire(AfterDelete);
    d.scrolled();
}

void RecordSet::cancelUpdates()
{
    RecordSetPrivate &d = *m_d;
    if (d.state == DataSetState::Inactive)
        return;
    const bool wasEditing = d.editing();
    const bool wasInsert = d.state == DataSetState::Insert;
    int64_t row = -1;
    bool flagsBack = false;
    if (wasInsert) {
        row = d.rowBefore;
        flagsBack = true;
    } else if (d.cur >= 0) {
        row = int64_t(d.order()[size_t(d.cur)]);
    }
    const bool bof = d.bof;
    const bool eof = d.eof;
    d.state = DataSetState::Browse;
    d.buffer.clear();
    d.modifiedFlag = false;

    RowStore &s = d.store;
    for (const auto &[r, cells] : s.undo) {
        for (size_t i = 0; i < s.columns.size() && i < cells.size(); ++i)
            s.columns[i].restore(r, cells[i]);
    }
    s.undo.clear();
    // Loaded rows are stored in load order: that order, without the rows made here.
    s.natural.clear();
    for (uint32_t r = 0; r < s.rows; ++r) {
        if (!s.inMemory[r])
            s.natural.push_back(r);
    }
    d.rebuildIndex();

    const int pos = row >= 0 && !s.inMemory[uint32_t(row)] ? d.positionOf(uint32_t(row)) : -1;
    bool moved = wasInsert;
    if (pos >= 0) {
        d.cur = pos;
        d.bof = flagsBack ? d.bofBefore : bof;
        d.eof = flagsBack ? d.eofBefore : eof;
    } else {
        moved = moved || row >= 0 || d.count() > 0;
        d.cur = d.count() > 0 ? 0 : -1;
        d.bof = true;
        d.eof = d.count() == 0;
    }
    if (wasEditing)
        d.notify(DataSource::Event::EditingChanged);
    d.dataChanged(DataChange::Reset);
    if (moved)
        d.scrolled();
    else
        d.notify(DataSource::Event::Scrolled);
}

bool RecordSet::modified() const
{
    return m_d->editing() && m_d->modifiedFlag;
}

void RecordSet::checkBrowseMode()
{
    m_d->checkBrowseMode();
}

bool RecordSet::locate(const QString &fieldName, const QVariant &value, LocateOptions options)
{
    RecordSetPrivate &d = *m_d;
    d.requireActive();
    Field *f = fieldByName(fieldName);
    d.checkBrowseMode();
    const int pos = d.find(f->index(), value, options);
    if (pos < 0)
        return false;
    d.cur = pos;
    d.bof = false;
    d.eof = false;
    d.scrolled();
    return true;
}

void RecordSet::addIndex(const QString &indexName, const QString &fieldName)
{
    RecordSetPrivate &d = *m_d;
    if (indexName.isEmpty())
        throw DbError(d.prefixed(tr("an index needs a name")));
    if (active())
        fieldByName(fieldName);
    for (auto &def : d.indexes) {
        if (def.name.compare(indexName, Qt::CaseInsensitive) == 0) {
            def.fieldName = fieldName;
            if (d.activeIndex.compare(indexName, Qt::CaseInsensitive) == 0) {
                d.activeIndex.clear();
                setIndexName(indexName);
            }
            return;
        }
    }
    d.indexes.push_back({indexName, fieldName});
}

void RecordSet::clearIndexes()
{
    setIndexName(QString());
    m_d->indexes.clear();
}

void RecordSet::setIndexName(const QString &indexName)
{
    RecordSetPrivate &d = *m_d;
    int field = -1;
    QString name;
    if (!indexName.isEmpty()) {
        const auto it = std::find_if(d.indexes.begin(), d.indexes.end(), [&](const auto &def) {
            return def.name.compare(indexName, Qt::CaseInsensitive) == 0;
        });
        if (it == d.indexes.end())
            throw DbError(d.prefixed(tr("Index '%1' not found").arg(indexName)));
        name = it->name;
        if (active())
            field = fieldByName(it->fieldName)->index();
    }
    if (!active()) {
        d.activeIndex = name;
        return;
    }
    if (name == d.activeIndex && field == d.indexField)
        return;
    d.checkBrowseMode();
    const int64_t row = d.cur >= 0 ? int64_t(d.order()[size_t(d.cur)]) : -1;
    if (field >= 0)
        d.fetchAll();
    d.activeIndex = name;
    d.indexField = field;
    d.rebuildIndex();
    if (row >= 0)
        d.cur = d.positionOf(uint32_t(row));
    d.dataChanged(DataChange::Reset);
    d.notify(DataSource::Event::Scrolled);
}

QString RecordSet::indexName() const
{
    return m_d->activeIndex;
}

QString RecordSet::indexFieldName() const
{
    const RecordSetPrivate &d = *m_d;
    if (d.indexField >= 0)
        return d.fields[size_t(d.indexField)]->fieldName();
    for (const auto &def : d.indexes) {
        if (!d.activeIndex.isEmpty() && def.name.compare(d.activeIndex, Qt::CaseInsensitive) == 0)
            return def.fieldName;
    }
    return QString();
}

void RecordSet::setIndexFieldName(const QString &fieldName)
{
    if (fieldName.isEmpty()) {
        clearIndexes();
        return;
    }
    if (active())
        fieldByName(fieldName);
    setIndexName(QString());
    m_d->indexes.clear();
    addIndex(fieldName, fieldName);
    setIndexName(fieldName);
}

void RecordSet::copyFrom(const RecordSet &source)
{
    RecordSetPrivate &d = *m_d;
    RecordSetPrivate &s = *source.m_d;
    if (&source == this)
        return;
    if (s.state != DataSetState::Inactive)
        s.fetchAll();

    std::vector<std::unique_ptr<Field>> fresh;
    if (!d.declared) {
        bool same = d.fields.size() == s.fields.size();
        for (size_t i = 0; same && i < s.fields.size(); ++i) {
            same = d.fields[i]->fieldName() == s.fields[i]->fieldName()
                   && d.fields[i]->dataType() == s.fields[i]->dataType()
                   && d.fields[i]->size() == s.fields[i]->size();
        }
        if (!same) {
            for (size_t i = 0; i < s.fields.size(); ++i) {
                const Field &sf = *s.fields[i];
                fresh.push_back(std::make_unique<Field>(this, int(i), sf.fieldName(),
                                                        sf.dataType(), sf.size()));
            }
        }
    }
    // Field i of the copy takes field map[i] of the source (-1: none, stays null).
    const auto &target = fresh.empty() ? d.fields : fresh;
    std::vector<int> map(target.size(), -1);
    for (size_t i = 0; i < target.size(); ++i) {
        if (Field *sf = source.findField(target[i]->fieldName()))
            map[i] = sf->index();
    }

    RowStore rows;
    {
        std::vector<FieldType> types;
        for (const auto &f : target)
            types.push_back(f->dataType());
        rows.reset(types);
    }
    if (s.state != DataSetState::Inactive) {
        for (const uint32_t r : s.order()) {
            if (s.state == DataSetState::Insert && r == s.editRow)
                continue; // a row not posted yet is not part of the source's rows
            for (size_t i = 0; i < target.size(); ++i) {
                Column &to = rows.columns[i];
                if (map[i] < 0) {
                    to.appendNull();
                    continue;
                }
                const Column &from = s.store.columns[size_t(map[i])];
                const Field &tf = *target[i];
                if (from.isNull(r)) {
                    to.appendNull();
                } else if (from.type() == to.type() && to.type() != FieldType::String) {
                    RecordSetValues::append(to, RecordSetValues::read(from, r));
                } else if (from.type() == FieldType::String && to.type() == FieldType::String) {
                    const std::string_view t = from.text(r);
                    const size_t n = tf.size() > 0 && t.size() > size_t(tf.size())
                                         ? TextCollation::prefixBytes(t, tf.size())
                                         : t.size();
                    to.appendText(t.data(), uint32_t(n));
                } else {
                    RecordSetValues::append(to, RecordSetValues::convert(
                                                    RecordSetValues::read(from, r), from.type(),
                                                    to.type(), tf.size(), tf.fieldName()));
                }
            }
            rows.inMemory.push_back(false);
            rows.natural.push_back(rows.rows++);
        }
    }

    d.closeCursor();
    installFields(d, std::move(fresh));
    if (!d.declared) {
        for (size_t i = 0; i < d.fields.size() && i < s.fields.size(); ++i) {
            Field &tf = *d.fields[i];
            const Field &sf = *s.fields[i];
            tf.setDisplayLabel(sf.hasDisplayLabel() ? sf.displayLabel() : QString());
            tf.setRequired(sf.required());
            tf.setReadOnly(sf.readOnly());
            tf.setDisplayDecimals(sf.displayDecimals());
            tf.setDisplayWidth(sf.displayWidth());
        }
    }
    d.install(std::move(rows));
    d.notify(DataSource::Event::ActiveChanged);
    d.fire(AfterOpen);
    if (d.state != DataSetState::Inactive && d.count() > 0)
        d.scrolled();
}

void RecordSet::disableControls()
{
    if (m_d->disableCount++ == 0)
        m_d->suppressed = 0;
}

void RecordSet::enableControls()
{
    RecordSetPrivate &d = *m_d;
    if (d.disableCount == 0 || --d.disableCount > 0)
        return;
    const unsigned held = d.suppressed;
    d.suppressed = 0;
    if (held & bit(DataSource::Event::ActiveChanged))
        d.notify(DataSource::Event::ActiveChanged);
    if (held & bit(DataSource::Event::EditingChanged))
        d.notify(DataSource::Event::EditingChanged);
    d.dataChanged(DataChange::Reset);
}

bool RecordSet::controlsDisabled() const
{
    return m_d->disableCount > 0;
}

// Replaces fields and rows with a file's content and opens.
static void installContent(RecordSet &rs, RecordSetPrivate &d, RecordSetFile::Content &&content)
{
    std::vector<std::unique_ptr<Field>> fresh;
    for (size_t i = 0; i < content.fields.size(); ++i) {
        const RecordSetFile::FieldDef &def = content.fields[i];
        auto f = std::make_unique<Field>(&rs, int(i), def.name, def.type, def.size);
        f->setDisplayLabel(def.label);
        f->setRequired(def.required);
        fresh.push_back(std::move(f));
    }
    for (auto &f : d.fields)
        d.retired.push_back(std::move(f));
    d.fields = std::move(fresh);
    d.declared = false;
    RowStore rows;
    rows.columns = std::move(content.columns);
    rows.rows = content.rows;
    rows.natural.reserve(content.rows);
    for (uint32_t r = 0; r < content.rows; ++r) {
        rows.inMemory.push_back(false);
        rows.natural.push_back(r);
    }
    d.closeCursor();
    d.install(std::move(rows));
    d.notify(DataSource::Event::ActiveChanged);
    d.fire(rs.AfterOpen);
    if (d.state != DataSetState::Inactive && d.count() > 0)
        d.scrolled();
}

void RecordSet::loadFromFile(const QString &path)
{
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(tr("Cannot open file %1: %2").arg(path, file.errorString()));
    const QString shown = QFileInfo(path).fileName();
    if (file.size() > RecordSetFile::kMaxFileBytes)
        throw DbError(tr("%1 is too large for a record-set file").arg(shown));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DbError(tr("Cannot read file %1: %2").arg(path, file.errorString()));
    installContent(*this, *m_d, RecordSetFile::read(bytes, shown));
}

void RecordSet::loadFromBytes(const QByteArray &bytes)
{
    close();
    installContent(*this, *m_d, RecordSetFile::read(bytes, tr("The data")));
}

QByteArray RecordSet::saveToBytes() const
{
    const RecordSetPrivate &d = *m_d;
    std::vector<RecordSetFile::FieldDef> defs;
    for (const auto &f : d.fields) {
        RecordSetFile::FieldDef def;
        def.name = f->fieldName();
        def.type = f->dataType();
        def.size = f->size();
        def.label = f->hasDisplayLabel() ? f->displayLabel() : QString();
        def.required = f->required();
        defs.push_back(def);
    }
    std::vector<const Column *> cols;
    std::vector<uint32_t> rows;
    if (d.state != DataSetState::Inactive) {
        for (const Column &c : d.store.columns)
            cols.push_back(&c);
        for (const uint32_t r : d.order()) {
            if (!(d.state == DataSetState::Insert && r == d.editRow))
                rows.push_back(r); // the stored rows; a new row not posted is not one
        }
    }
    return RecordSetFile::write(defs, cols, rows);
}

void RecordSet::saveToFile(const QString &path) const
{
    const QByteArray bytes = saveToBytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DbError(tr("Cannot write file %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw DbError(tr("Cannot write file %1: %2").arg(path, file.errorString()));
}

bool RecordSet::isNullAt(int row, int field) const
{
    return m_d->isNullAt(row, field);
}

QVariant RecordSet::valueAt(int row, int field) const
{
    return m_d->valueAt(row, field);
}

QString RecordSet::displayTextAt(int row, int field) const
{
    return m_d->textAt(row, field, true);
}

void RecordSet::attachDataSource(DataSource *source)
{
    if (source && std::find(m_d->sources.begin(), m_d->sources.end(), source)
                      == m_d->sources.end())
        m_d->sources.push_back(source);
}

void RecordSet::detachDataSource(DataSource *source)
{
    auto &s = m_d->sources;
    s.erase(std::remove(s.begin(), s.end(), source), s.end());
}
