#pragma once

#include "ColumnStore.h"
#include "DataSource.h"
#include "RecordSet.h"
#include "RowSink.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class SqlQuery;

// One value of the edit buffer.
struct Cell
{
    bool null = true;
    int64_t i = 0;
    double d = 0.0;
    std::string s; // UTF-8
};

// The rows of an open record set.
struct RowStore
{
    std::vector<Column> columns; // one per field
    uint32_t rows = 0;           // storage rows, live or not
    NullBits inMemory;           // set for rows appended in memory (not loaded)
    std::vector<uint32_t> natural; // live rows in load order (inserted rows where inserted)
    std::vector<uint32_t> sorted;  // live rows in the active index's order
    // Loaded rows changed by posts, with their values as loaded.
    std::unordered_map<uint32_t, std::vector<CellSnapshot>> undo;

    void reset(const std::vector<FieldType> &types);
    uint32_t addNullRow(bool inMemoryRow);
};

// What the last dataSetChanged() notification changed, for the grid model.
struct DataChange
{
    enum Kind { Reset, Inserted, Removed } kind = Reset;
    int first = 0;
    int count = 0;
};

class RecordSetPrivate : public RowSink
{
public:
    RecordSetPrivate(RecordSet *q, QString name);
    ~RecordSetPrivate() override;

    RecordSet *q;
    QString name;

    // Fields. Fields that a reopen or load replaced stay allocated (and read null), so
    // that a control holding one never dangles.
    std::vector<std::unique_ptr<Field>> fields;
    std::vector<std::unique_ptr<Field>> retired;
    bool declared = false;

    RowStore store;
    DataSetState state = DataSetState::Inactive;
    int cur = -1;
    bool bof = true;
    bool eof = true;
    bool readOnly = false;

    // Pending row
    std::vector<Cell> buffer;
    uint32_t editRow = 0;
    bool modifiedFlag = false;
    bool inNewRecord = false;
    int64_t rowBefore = -1; // storage row current before an insert
    int curBefore = -1;
    bool bofBefore = true;
    bool eofBefore = true;

    // Provider
    DataSetProvider *provider = nullptr;
    QString commandText;
    bool commandTextSet = false;
    int packetRecords = -1;
    bool allFetched = true;
    SqlQuery *openQuery = nullptr; // cursor left open between packets
    QString openQueryText;
    std::function<void(int)> fetchProgress;
    int fetchProgressEvery = 4096;
    int fetchedSoFar = 0; // rows read by the current open or refresh, for fetchProgress
    // Reads up to maxRows rows (-1: all) of query into the loading store, in runs of
    // fetchProgressEvery rows with fetchProgress between them; returns the rows read.
    int fetchRows(SqlQuery &query, int maxRows);

    // Indexes
    struct IndexDef
    {
        QString name;
        QString fieldName;
    };
    std::vector<IndexDef> indexes;
    QString activeIndex;
    int indexField = -1; // field of the active index while open

    // Data sources
    std::vector<DataSource *> sources;
    int disableCount = 0;
    unsigned suppressed = 0; // events held back while controls are disabled
    DataChange lastChange;

    // Loading (RowSink)
    RowStore *loading = nullptr;
    std::vector<uint32_t> *fetchedRows = nullptr; // a packet's rows, not yet in the order
    std::vector<int> columnMap; // result column -> field, -1: not kept
    void putNull(int column) override;
    void putText(int column, const char *utf8, int length) override;
    void putInteger(int column, qint64 value) override;
    void putNumber(int column, double value) override;
    void endRow() override;

    // Helpers
    QString prefixed(const QString &text) const;
    void requireActive() const;
    void requireEditing() const;
    bool editing() const
    {
        return state == DataSetState::Edit || state == DataSetState::Insert;
    }
    const std::vector<uint32_t> &order() const
    {
        return indexField >= 0 ? store.sorted : store.natural;
    }
    int count() const { return int(order().size()); }
    bool fieldAlive(const Field *field) const;
    std::vector<FieldType> fieldTypes() const;
    int positionOf(uint32_t row) const;

    // Values: position in the current order; the current row reads the edit buffer
    // while a row is pending.
    const Cell *pendingCell(int position, int field) const;
    bool isNullAt(int position, int field) const;
    QVariant valueAt(int position, int field) const;
    QString textAt(int position, int field, bool display) const;

    // Notifications and events
    void notify(DataSource::Event event, Field *field = nullptr);
    void dataChanged(DataChange::Kind kind, int first = 0, int count = 0);
    // Told before rows are inserted (count > 0) or removed (count < 0); a matching
    // dataChanged(Inserted/Removed) follows with no other notification in between.
    void rowsAboutToChange(int first, int count);
    void scrolled(); // Scrolled, then AfterScroll
    void fire(const std::function<void(RecordSet &)> &handler);

    // Fetching
    int fetchPacket();
    void ensureFetched(int position);
    void fetchAll();
    void closeCursor();

    // Rows
    void install(RowStore &&rows);
    void rebuildIndex();
    void repositionInIndex(uint32_t row);
    void removeFromOrder(int position);
    void dropPendingRow(); // with its notifications
    void loadBuffer(uint32_t row);
    void storeBuffer(uint32_t row);

    // Editing
    void startInsert(bool atEnd);
    void assign(int field, Cell &&value);
    void checkBrowseMode();
    void move(int distance);

    // Locate
    int find(int field, const QVariant &value, LocateOptions options);
};
