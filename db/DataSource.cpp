#include "DataSource.h"

#include "DataLink.h"
#include "RecordSet.h"

#include <algorithm>

DataSource::~DataSource()
{
    *m_alive = false;
    if (m_dataSet)
        m_dataSet->detachDataSource(this);
    m_dataSet = nullptr;
    // Tell every link that its source is gone, so that none keeps the pointer.
    std::vector<DataLink *> links;
    links.swap(m_links);
    for (DataLink *link : links) {
        if (link) {
            link->m_source = nullptr;
            link->activeChanged();
        }
    }
}

void DataSource::setDataSet(RecordSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->detachDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->attachDataSource(this);
    notify(Event::ActiveChanged);
}

template<typename Tell>
void DataSource::tellLinks(Tell tell)
{
    // A link may detach itself or others, attach new ones, or destroy this data source
    // while it is told: links removed meanwhile are skipped, links added are told from
    // the next notification on, and nothing here is touched once this object is gone.
    const std::shared_ptr<bool> alive = m_alive;
    const size_t count = m_links.size();
    ++m_notifying;
    struct Done
    {
        DataSource *self;
        const std::shared_ptr<bool> &alive;
        ~Done()
        {
            if (*alive && --self->m_notifying == 0)
                self->compactLinks();
        }
    } done{this, alive};
    for (size_t i = 0; i < count && i < m_links.size(); ++i) {
        if (DataLink *link = m_links[i])
            tell(link);
        if (!*alive)
            return;
    }
}

void DataSource::notify(Event event, Field *field)
{
    tellLinks([event, field](DataLink *link) {
        switch (event) {
        case Event::ActiveChanged:
            link->activeChanged();
            break;
        case Event::EditingChanged:
            link->editingChanged();
            break;
        case Event::DataSetChanged:
            link->dataSetChanged();
            break;
        case Event::Scrolled:
            link->dataSetScrolled();
            break;
        case Event::RecordChanged:
            link->recordChanged(field);
            break;
        }
    });
}

void DataSource::notifyRowsAboutToChange(int first, int count)
{
    tellLinks([first, count](DataLink *link) { link->rowsAboutToChange(first, count); });
}

void DataSource::addLink(DataLink *link)
{
    if (std::find(m_links.begin(), m_links.end(), link) == m_links.end())
        m_links.push_back(link);
}

void DataSource::removeLink(DataLink *link)
{
    const auto it = std::find(m_links.begin(), m_links.end(), link);
    if (it == m_links.end())
        return;
    if (m_notifying > 0)
        *it = nullptr; // compacted when the notification ends
    else
        m_links.erase(it);
}

void DataSource::compactLinks()
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), nullptr), m_links.end());
}
