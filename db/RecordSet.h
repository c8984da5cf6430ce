#pragma once

#include "Field.h"
#include "FieldType.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class DataSetProvider;
class DataSource;
class RecordSetPrivate;

enum class DataSetState { Inactive, Browse, Edit, Insert };

// Locate options (bits).
enum LocateOption : unsigned { loCaseInsensitive = 1u, loPartialKey = 2u };
using LocateOptions = unsigned;

// The in-memory record set: rows fetched through a provider (or copied, or loaded
// from a record-set file), a cursor with beginning and end flags, editing in memory
// only, events, locate, one active index, and notifications to data sources.
//
// Cursor flags: bof() is set after open, after first() and after trying to move
// before the first row; moving back onto the first row with prior() does not set
// it. eof() likewise at the end. Both set: the record set is empty.
//
// Text order of indexes: compared without regard to case (Unicode case folding),
// then by code point, so that case-insensitive prefix searches find their rows
// together; numbers compare as numbers; nulls come first; equal keys keep their
// earlier order.
//
// Events: AfterOpen, then AfterScroll when the set is not empty (open, copyFrom, load).
// AfterScroll after every navigation call (first, prior, next, last, moveBy, setRecNo,
// a locate that finds its row), whether or not the row changed; after append and
// insert, before they return; after a cancel that drops a new row; after delete;
// after refresh. Not after cancelling an edit. Every navigation first leaves a pending
// row as checkBrowseMode() does: a changed row is posted (its errors stop the move),
// an unchanged new row is dropped, which is a move of its own (AfterScroll).
// "Before" events run before anything changes; OnNewRecord's assignments are not
// changes. Display updates to data sources follow the same steps.
class RecordSet
{
public:
    explicit RecordSet(QString name = {});
    ~RecordSet();
    RecordSet(const RecordSet &) = delete;
    RecordSet &operator=(const RecordSet &) = delete;

    const QString &name() const;

    // Fields. Declared fields are kept across opens and receive the result columns
    // of the same name; without declared fields, open takes them from the result.
    Field *addField(const QString &name, FieldType type, int size = 0,
                    const QString &label = {}, bool required = false);
    int fieldCount() const;
    Field *field(int index) const;
    Field *fieldByName(const QString &name) const; // throws DbError "Field 'X' not found"
    Field *findField(const QString &name) const;   // null when absent; case-insensitive
    bool hasDeclaredFields() const;

    // Provider and command
    void setProvider(DataSetProvider *provider);
    DataSetProvider *provider() const;
    void setCommandText(const QString &text); // replaces the provider's statement text
    QString commandText() const;
    // Rows fetched per packet; -1 (default) fetches every row on open.
    void setPacketRecords(int rows);
    int packetRecords() const;
    // While rows are read through the provider (open, refresh, further packets),
    // progress(rows) is called each time another everyRows rows have been read, rows
    // counting the rows read so far by that open or refresh. It runs between two rows,
    // on the reading thread; it must not touch this record set. Empty: none.
    void setFetchProgress(std::function<void(int rows)> progress, int everyRows = 4096);

    // Without a provider, open() makes an empty in-memory set of the declared fields
    // (append() and insert() do that themselves). Open when open: no change.
    void open();
    void close(); // drops the rows and any pending row, without events
    bool active() const;
    DataSetState state() const;
    // Rows not fetched yet (packets) remain on the server.
    bool allFetched() const;
    // Fetches the next packet; false when there was nothing more to fetch. A statement
    // closed or reused by someone else before the last packet gives a DbError (once)
    // rather than a silently short result.
    bool fetchMore();

    // Cursor
    void first();
    void prior();
    void next();
    void last();
    void moveBy(int distance);
    bool bof() const;
    bool eof() const;
    // No posted rows: a new row that is still pending does not count, so a set whose
    // only row is being typed is empty (what a save that walks a grid's rows asks).
    bool isEmpty() const;
    // Rows held (fetched) in the current order, as a grid shows them: a pending new row
    // included.
    int recordCount() const;
    int recNo() const;            // 0-based position of the current row, -1 without one
    void setRecNo(int position);  // moves (fetching packets as needed); fires AfterScroll

    bool canModify() const;
    void setReadOnly(bool on);
    bool readOnly() const;

    // Re-reads the rows through the provider, keeping the current row (matched on
    // the values of its first field) where it still exists, else on the first row.
    // A pending row is left first; in-memory changes give way to the re-read rows.
    // Without a provider the rows stay as they are and only the controls are told.
    void refresh();

    // Editing, in memory only
    void append();
    void insert();
    void edit();       // on an empty record set: append()
    // Required fields: null, or an empty text, is refused with DbError
    // "Field 'X' must have a value", X being the field's display label (its name when
    // it has none); the check runs after BeforePost, and the row stays pending.
    void post();
    void cancel();      // a new row: dropped, back on the row current before it
    void deleteRecord(); // of a new row: cancels it
    void cancelUpdates(); // every unsaved change since the rows were loaded is undone
    bool modified() const; // the pending row has an assigned value
    // Posts a changed pending row, drops an unchanged one (as leaving it does).
    void checkBrowseMode();

    // Moves to the first row, in the current order, whose field matches value.
    // Returns whether one was found; the cursor stays when none matches. A null text
    // reads as an empty one. A number field compares as a number (an empty value finds
    // a null; a non-number finds nothing), or by its display text with loPartialKey.
    // On the field of the active index this is a binary search.
    bool locate(const QString &fieldName, const QVariant &value, LocateOptions options = 0);

    // Indexes: a named sort on one field, ascending. Setting the index name orders the
    // rows by it; an empty name returns to the order in which the rows were loaded.
    void addIndex(const QString &indexName, const QString &fieldName);
    void clearIndexes();
    void setIndexName(const QString &indexName);
    QString indexName() const;
    QString indexFieldName() const; // the field of the active index, or empty
    // Shorthand: replaces the indexes by one on fieldName and makes it active.
    void setIndexFieldName(const QString &fieldName);

    // Replaces fields (unless declared here) and rows with a copy of source's.
    // The copy is open and stands on its first row.
    void copyFrom(const RecordSet &source);

    // Suspends and resumes notifications to data sources (counted). Events still run.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    // Record-set file (format version 1, docs/recordset-file.md). load replaces
    // fields and rows and opens; a corrupt, truncated or foreign file throws DbError
    // and leaves the record set closed.
    void loadFromFile(const QString &path);
    void saveToFile(const QString &path) const;
    void loadFromBytes(const QByteArray &bytes);
    QByteArray saveToBytes() const;

    // Direct row access for grids (row = position in the current order; does not move
    // the cursor). The current row reads its edit buffer while editing.
    bool isNullAt(int row, int field) const;
    QVariant valueAt(int row, int field) const;
    QString displayTextAt(int row, int field) const;

    // Events. A "before" handler or validate that throws SilentAbort cancels the
    // action; any other exception cancels it too and is passed on.
    std::function<void(RecordSet &)> AfterOpen;
    std::function<void(RecordSet &)> AfterScroll;
    std::function<void(RecordSet &)> BeforeInsert;
    std::function<void(RecordSet &)> OnNewRecord;
    std::function<void(RecordSet &)> BeforePost;
    std::function<void(RecordSet &)> AfterPost;
    std::function<void(RecordSet &)> BeforeDelete;
    std::function<void(RecordSet &)> AfterDelete;

    // Used by Field and DataSource.
    RecordSetPrivate *d() const { return m_d.get(); }
    void attachDataSource(DataSource *source);
    void detachDataSource(DataSource *source);

private:
    std::unique_ptr<RecordSetPrivate> m_d;
};
