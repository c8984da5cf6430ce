#pragma once

class RecordSet;

// The refresh operation of the refresh button: re-reads the record set's rows from its
// source, keeping the current record where it still exists. Does nothing for a null or
// closed record set. Errors of the record set (DbError) are passed on.
void RefreshDataSet(RecordSet *dataSet);
