#include "DBBtnCmn.h"

void TDBBtnDataLink::activeChanged()
{
    if (OnActiveChanged)
        OnActiveChanged();
}

void TDBBtnDataLink::editingChanged()
{
    if (OnEditingChanged)
        OnEditingChanged();
}

void TDBBtnDataLink::dataSetChanged()
{
    if (OnDataChanged)
        OnDataChanged();
}

void TDBBtnDataLink::dataSetScrolled()
{
    if (OnDataChanged)
        OnDataChanged();
}

void TDBBtnDataLink::recordChanged(Field *)
{
    if (OnDataChanged)
        OnDataChanged();
}
