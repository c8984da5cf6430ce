#pragma once

class DataSource;
class Field;
class RecordSet;

// A subscriber to a data source's notifications: grids, navigation buttons, search
// boxes. Detaches itself from its data source on destruction; a data source or
// record set that is destroyed first detaches its links (they see activeChanged()
// with dataSource() or dataSet() null), so no link keeps a dangling pointer.
class DataLink
{
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink &) = delete;
    DataLink &operator=(const DataLink &) = delete;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    RecordSet *dataSet() const; // the data source's record set, or null
    // Data source set, record set attached and open.
    bool active() const;
    // The record set is editing or inserting a row.
    bool editing() const;

protected:
    friend class DataSource;
    // Record set opened or closed, data source attached, detached or re-pointed.
    virtual void activeChanged() {}
    // Edit state entered or left (edit, insert, post, cancel).
    virtual void editingChanged() {}
    // Rows, order or values changed as a whole (open, refresh, sort, delete, resumed
    // display updates).
    virtual void dataSetChanged() {}
    // The current row moved.
    virtual void dataSetScrolled() {}
    // A value of the current row changed (field null: the whole row).
    virtual void recordChanged(Field *field) { (void)field; }
    // Rows are about to be inserted (count > 0) or removed (count < 0) at position
    // first, told before the change; dataSetChanged() follows once it is made. For
    // grids that keep row positions; a link that ignores it loses nothing.
    virtual void rowsAboutToChange(int first, int count)
    {
        (void)first;
        (void)count;
    }

private:
    DataSource *m_source = nullptr;
};
