#pragma once

#include "DataLink.h"

#include <functional>

// The data link of the navigation buttons: a subscriber to a data source with three
// hooks, each called only when set.
//   OnEditingChanged: the record set entered or left an edit state;
//   OnDataChanged:    its data or current position changed (scrolling included);
//   OnActiveChanged:  it was opened or closed, or the data source was attached,
//                     detached or re-pointed.
// active() and editing() come from DataLink.
class TDBBtnDataLink : public DataLink
{
public:
    TDBBtnDataLink() = default;

    std::function<void()> OnEditingChanged;
    std::function<void()> OnDataChanged;
    std::function<void()> OnActiveChanged;

protected:
    void activeChanged() override;
    void editingChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled() override;
    void recordChanged(Field *field) override;
};
