#include "DRefresh.h"

#include "RecordSet.h"

void RefreshDataSet(RecordSet *dataSet)
{
    if (!dataSet || !dataSet->active())
        return;
    dataSet->refresh();
}
