#include "DataLink.h"

#include "DataSource.h"
#include "RecordSet.h"

DataLink::~DataLink()
{
    if (m_source)
        m_source->removeLink(this);
}

void DataLink::setDataSource(DataSource *source)
{
    if (source == m_source)
        return;
    if (m_source)
        m_source->removeLink(this);
    m_source = source;
    if (m_source)
        m_source->addLink(this);
    activeChanged();
}

RecordSet *DataLink::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

bool DataLink::active() const
{
    const RecordSet *rs = dataSet();
    return rs && rs->active();
}

bool DataLink::editing() const
{
    const RecordSet *rs = dataSet();
    return rs && (rs->state() == DataSetState::Edit || rs->state() == DataSetState::Insert);
}
