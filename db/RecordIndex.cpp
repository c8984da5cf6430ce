#include "RecordIndex.h"

#include "TextCollation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace RecordIndex {

namespace {

struct KeyRow
{
    uint64_t key;
    uint32_t rank; // position in the input: the tie-break that keeps the sort stable
    uint32_t row;
};

// Stable LSD radix sort on the 64-bit key, 16 bits per pass; passes in which every
// key has the same digit are skipped (prices, for one, differ only in a few bits).
void radixSort(std::vector<KeyRow> &items)
{
    const size_t n = items.size();
    if (n < 1024) {
        std::sort(items.begin(), items.end(), [](const KeyRow &a, const KeyRow &b) {
            return a.key < b.key || (a.key == b.key && a.rank < b.rank);
        });
        return;
    }
    constexpr int kDigits = 4;
    constexpr size_t kBuckets = 65536;
    std::vector<uint32_t> counts(kDigits * kBuckets, 0);
    for (const KeyRow &it : items) {
        for (int d = 0; d < kDigits; ++d)
            ++counts[d * kBuckets + ((it.key >> (16 * d)) & 0xFFFF)];
    }
    std::vector<KeyRow> buffer(n);
    std::vector<KeyRow> *from = &items;
    std::vector<KeyRow> *to = &buffer;
    for (int d = 0; d < kDigits; ++d) {
        uint32_t *c = &counts[d * kBuckets];
        const unsigned firstDigit = unsigned(((*from)[0].key >> (16 * d)) & 0xFFFF);
        if (c[firstDigit] == n)
            continue; // every key has this digit
        uint32_t sum = 0;
        for (size_t b = 0; b < kBuckets; ++b) {
            const uint32_t k = c[b];
            c[b] = sum;
            sum += k;
        }
        const KeyRow *src = from->data();
        KeyRow *dst = to->data();
        for (size_t i = 0; i < n; ++i) {
            const KeyRow &it = src[i];
            dst[c[(it.key >> (16 * d)) & 0xFFFF]++] = it;
        }
        std::swap(from, to);
    }
    if (from != &items)
        items.swap(buffer);
}

} // namespace

uint64_t numberKey(double value)
{
    if (value == 0.0)
        value = 0.0; // -0 sorts as 0
    uint64_t bits;
    if (std::isnan(value)) {
        bits = 0x7FF8000000000000ull;
    } else {
        std::memcpy(&bits, &value, sizeof bits);
    }
    return (bits & 0x8000000000000000ull) ? ~bits : (bits | 0x8000000000000000ull);
}

uint64_t integerKey(int64_t value)
{
    return uint64_t(value) ^ 0x8000000000000000ull;
}

std::vector<uint32_t> sortRows(const Column &column, const std::vector<uint32_t> &natural)
{
    std::vector<uint32_t> out;
    out.reserve(natural.size());
    std::vector<KeyRow> items;
    items.reserve(natural.size());
    const FieldType type = column.type();
    for (size_t i = 0; i < natural.size(); ++i) {
        const uint32_t row = natural[i];
        if (column.isNull(row)) {
            out.push_back(row); // nulls first, in their order
            continue;
        }
        uint64_t key;
        switch (type) {
        case FieldType::String:
            key = TextCollation::foldedPrefixKey(column.text(row));
            break;
        case FieldType::Integer:
            key = integerKey(column.integer(row));
            break;
        default:
            key = numberKey(column.number(row));
            break;
        }
        items.push_back(KeyRow{key, uint32_t(i), row});
    }
    radixSort(items);

    if (type == FieldType::String) {
        // Equal prefix keys: the full comparison decides, then the input order.
        size_t i = 0;
        while (i < items.size()) {
            size_t j = i + 1;
            while (j < items.size() && items[j].key == items[i].key)
                ++j;
            if (j - i > 1) {
                std::sort(items.begin() + long(i), items.begin() + long(j),
                          [&column](const KeyRow &a, const KeyRow &b) {
                              const int c = TextCollation::compareIndexOrder(column.text(a.row),
                                                                             column.text(b.row));
                              return c < 0 || (c == 0 && a.rank < b.rank);
                          });
            }
            i = j;
        }
    }
    for (const KeyRow &it : items)
        out.push_back(it.row);
    return out;
}

int compareRows(const Column &column, uint32_t a, uint32_t b)
{
    const bool na = column.isNull(a);
    const bool nb = column.isNull(b);
    if (na || nb)
        return int(nb) - int(na) == 0 ? 0 : (na ? -1 : 1);
    switch (column.type()) {
    case FieldType::String:
        return TextCollation::compareIndexOrder(column.text(a), column.text(b));
    case FieldType::Integer: {
        const int64_t x = column.integer(a);
        const int64_t y = column.integer(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    default: {
        const uint64_t x = numberKey(column.number(a));
        const uint64_t y = numberKey(column.number(b));
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    }
}

} // namespace RecordIndex
