#pragma once

#include <memory>
#include <vector>

class DataLink;
class Field;
class RecordSet;

// Binds controls (data links) to one record set at a time and passes the record
// set's notifications on to them. Re-pointing it at another record set notifies every
// link as an activation change. While the record set's display updates are suspended,
// nothing is passed on; resuming sends one dataSetChanged().
class DataSource
{
public:
    DataSource() = default;
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    void setDataSet(RecordSet *dataSet);
    RecordSet *dataSet() const { return m_dataSet; }

    // Called by the record set.
    enum class Event { ActiveChanged, EditingChanged, DataSetChanged, Scrolled, RecordChanged };
    void notify(Event event, Field *field = nullptr);
    // Rows about to be inserted (count > 0) or removed (count < 0); see DataLink.
    void notifyRowsAboutToChange(int first, int count);

private:
    friend class DataLink;
    void addLink(DataLink *link);
    void removeLink(DataLink *link);
    void compactLinks();
    template<typename Tell>
    void tellLinks(Tell tell);

    RecordSet *m_dataSet = nullptr;
    std::vector<DataLink *> m_links; // null entries while a notification runs
    int m_notifying = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
