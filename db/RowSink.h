#pragma once

#include <QtGlobal>

// Receives fetched rows column by column without building intermediate values:
// the statement layer writes straight from the engine's message buffer into it.
class RowSink
{
public:
    virtual ~RowSink() = default;
    virtual void putNull(int column) = 0;
    virtual void putText(int column, const char *utf8, int length) = 0;
    virtual void putInteger(int column, qint64 value) = 0;
    virtual void putNumber(int column, double value) = 0;
    // Called after every column of a row has been put.
    virtual void endRow() = 0;
};
