#pragma once

#include <QString>

class SqlQuery;

// Feeds a record set from a statement (the provider's data set). The client record
// set may replace the statement's command text before opening; nothing is ever
// written back through a provider.
class DataSetProvider
{
public:
    explicit DataSetProvider(SqlQuery *dataSet = nullptr) : m_dataSet(dataSet) {}

    void setDataSet(SqlQuery *dataSet) { m_dataSet = dataSet; }
    SqlQuery *dataSet() const { return m_dataSet; }
    // The client may supply the command text (the tool's providers all allow it).
    bool allowCommandText() const { return m_allowCommandText; }
    void setAllowCommandText(bool on) { m_allowCommandText = on; }

private:
    SqlQuery *m_dataSet;
    bool m_allowCommandText = true;
};
