#pragma once

#include "ColumnStore.h"

#include <cstdint>
#include <vector>

// Sorting of record-set rows by one column (the active index).
// Order: nulls first, then texts by TextCollation::compareIndexOrder, integers and
// numbers by value; rows with equal values keep their order in the input.
namespace RecordIndex {

// Order-preserving 64-bit keys of numbers (-0 counts as 0; NaN comes last).
uint64_t numberKey(double value);
uint64_t integerKey(int64_t value);

// The rows of natural, sorted by column.
std::vector<uint32_t> sortRows(const Column &column, const std::vector<uint32_t> &natural);

// <0, 0, >0: two stored rows in index order, equal rows giving 0.
int compareRows(const Column &column, uint32_t a, uint32_t b);

} // namespace RecordIndex
