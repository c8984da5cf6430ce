#include "RecordIndex.h"

#include "TextCollation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

namespace RecordIndex {

namespace {

struct KeyRow
{
    uint64_t key;
    uint64_t next; // texts: the following eight folded bytes, taken in the first pass
    uint32_t rank; // position in the input: the tie-break that keeps the sort stable
    uint32_t row;
};

// Stable LSD radix sort of a range on the 64-bit key, 16 bits per pass; passes in which
// every key has the same digit are skipped (prices, for one, differ only in a few bits).
// Equal keys keep their order, so a range in input order comes out stably sorted.
void radixSort(KeyRow *items, size_t n, std::vector<KeyRow> &scratch)
{
    // Below this the counters cost more than the comparisons they save.
    if (n < 16384) {
        std::sort(items, items + n, [](const KeyRow &a, const KeyRow &b) {
            return a.key < b.key || (a.key == b.key && a.rank < b.rank);
        });
        return;
    }
    constexpr int kDigits = 4;
    constexpr size_t kBuckets = 65536;
    std::vector<uint32_t> counts(kDigits * kBuckets, 0);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t k = items[i].key;
        for (int d = 0; d < kDigits; ++d)
            ++counts[d * kBuckets + ((k >> (16 * d)) & 0xFFFF)];
    }
    if (scratch.size() < n)
        scratch.resize(n);
    KeyRow *from = items;
    KeyRow *to = scratch.data();
    for (int d = 0; d < kDigits; ++d) {
        uint32_t *c = &counts[d * kBuckets];
        if (c[(from[0].key >> (16 * d)) & 0xFFFF] == n)
            continue; // every key has this digit
        uint32_t sum = 0;
        for (size_t b = 0; b < kBuckets; ++b) {
            const uint32_t k = c[b];
            c[b] = sum;
            sum += k;
        }
        for (size_t i = 0; i < n; ++i)
            to[c[(from[i].key >> (16 * d)) & 0xFFFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != items)
        std::copy(from, from + n, items);
}

// Texts: after the sort on the first eight folded bytes, each run of equal keys is
// sorted on the next eight, and so on (most-significant-digit first); texts that are
// equal when folded are ordered by the full comparison, then by input order.
class TextSorter
{
public:
    explicit TextSorter(const Column &column) : m_col(column) {}

    // What is known already of a row's text (from a pass in storage order).
    void setSelfFolded(uint32_t row, bool on)
    {
        if (m_selfFolded.empty())
            m_selfFolded.assign(m_col.size(), 0);
        m_selfFolded[row] = on ? 1 : 2;
    }

    void sort(std::vector<KeyRow> &items)
    {
        radixSort(items.data(), items.size(), m_scratch);
        runs(items.data(), items.size(), 1);
    }

private:
    static constexpr size_t kMaxDepth = 16; // 128 bytes; longer ties use the comparison

    void runs(KeyRow *items, size_t n, size_t depth)
    {
        size_t i = 0;
        while (i < n) {
            size_t j = i + 1;
            while (j < n && items[j].key == items[i].key)
                ++j;
            if (j - i > 1)
                refine(items + i, j - i, depth);
            i = j;
        }
    }

    // Whether the row's text is its own folded form: then its folded bytes are its
    // bytes. Asked once per row.
    bool selfFolded(uint32_t row)
    {
        if (m_selfFolded.empty())
            m_selfFolded.assign(m_col.size(), 0);
        uint8_t &known = m_selfFolded[row];
        if (known == 0)
            known = TextCollation::isSelfFolded(m_col.text(row)) ? 1 : 2;
        return known == 1;
    }

    uint64_t keyAt(uint32_t row, size_t offset, bool *exhausted)
    {
        if (!selfFolded(row))
            return TextCollation::foldedKeyAt(m_col.text(row), offset, exhausted);
        const std::string_view t = m_col.text(row);
        *exhausted = t.size() <= offset;
        uint64_t key = 0;
        for (size_t i = 0; i < 8; ++i) {
            const size_t at = offset + i;
            key = (key << 8) | (at < t.size() ? static_cast<unsigned char>(t[at]) : 0u);
        }
        return key;
    }

    // The items share their first 8 * depth folded bytes.
    void refine(KeyRow *items, size_t n, size_t depth)
    {
        if (depth >= kMaxDepth || n < 8) {
            byComparison(items, n);
            return;
        }
        bool allExhausted = true;
        for (size_t i = 0; i < n; ++i) {
            bool exhausted = false;
            if (depth == 1 && items[i].next != 0) {
                items[i].key = items[i].next; // read in the first pass: no text access
            } else {
                items[i].key = keyAt(items[i].row, 8 * depth, &exhausted);
            }
            allExhausted = allExhausted && exhausted;
        }
        if (allExhausted) {
            byComparison(items, n); // equal when folded: code points decide
            return;
        }
        radixSort(items, n, m_scratch);
        runs(items, n, depth + 1);
    }

    void byComparison(KeyRow *items, size_t n)
    {
        const std::string_view first = m_col.text(items[0].row);
        bool same = true;
        for (size_t i = 1; same && i < n; ++i)
            same = m_col.text(items[i].row) == first;
        if (same)
            return; // identical texts: already in input order
        std::sort(items, items + n, [this](const KeyRow &a, const KeyRow &b) {
            const int c = TextCollation::compareIndexOrder(m_col.text(a.row), m_col.text(b.row));
            return c < 0 || (c == 0 && a.rank < b.rank);
        });
    }

    const Column &m_col;
    std::vector<KeyRow> m_scratch;
    std::vector<uint8_t> m_selfFolded; // per storage row: 0 not known, 1 yes, 2 no
};

// Texts with many repeats (suppliers, units): each distinct text is sorted once, and
// the rows are then sorted by the rank of their text, an integer. Gives up (false) as
// soon as more than one text in eight turns out to be distinct.
bool sortByDistinctTexts(const Column &column, std::vector<KeyRow> &items)
{
    const size_t n = items.size();
    const size_t limit = n / 8;
    size_t capacity = 64;
    while (capacity < 2 * limit)
        capacity *= 2;
    const size_t mask = capacity - 1;
    constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<uint32_t> buckets(capacity, kEmpty);
    std::vector<uint32_t> firstRow;
    std::vector<size_t> hashes;
    std::vector<uint32_t> codes(n);
    const std::hash<std::string_view> hasher;
    for (size_t i = 0; i < n; ++i) {
        const std::string_view t = column.text(items[i].row);
        const size_t h = hasher(t);
        size_t slot = h & mask;
        for (;;) {
            const uint32_t d = buckets[slot];
            if (d == kEmpty) {
                if (firstRow.size() >= limit)
                    return false;
                buckets[slot] = uint32_t(firstRow.size());
                codes[i] = uint32_t(firstRow.size());
                firstRow.push_back(items[i].row);
                hashes.push_back(h);
                break;
            }
            if (hashes[d] == h && column.text(firstRow[d]) == t) {
                codes[i] = d;
                break;
            }
            slot = (slot + 1) & mask;
        }
    }
    std::vector<KeyRow> distinct(firstRow.size());
    for (size_t d = 0; d < firstRow.size(); ++d)
        distinct[d] = KeyRow{TextCollation::foldedPrefixKey(column.text(firstRow[d])), 0,
                             uint32_t(d), firstRow[d]};
    TextSorter(column).sort(distinct);
    std::vector<uint32_t> rankOf(distinct.size());
    for (size_t pos = 0; pos < distinct.size(); ++pos)
        rankOf[distinct[pos].rank] = uint32_t(pos);
    for (size_t i = 0; i < n; ++i)
        items[i].key = rankOf[codes[i]];
    std::vector<KeyRow> scratch;
    radixSort(items.data(), n, scratch); // stable: equal texts keep their input order
    return true;
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
        items.push_back(KeyRow{key, 0, uint32_t(i), row});
    }
    if (type == FieldType::String) {
        if (items.size() < 4096 || !sortByDistinctTexts(column, items)) {
            // The next eight folded bytes, and whether a text is its own folded form,
            // read now in storage order, spare the refinements a visit to every text at
            // random.
            TextSorter sorter(column);
            for (KeyRow &it : items) {
                const std::string_view t = column.text(it.row);
                bool exhausted = false;
                bool selfFolded = false;
                if (t.size() > 8) {
                    it.next = TextCollation::foldedKeyAt(t, 8, &exhausted, &selfFolded);
                    sorter.setSelfFolded(it.row, selfFolded);
                }
            }
            sorter.sort(items);
        }
    } else {
        std::vector<KeyRow> scratch;
        radixSort(items.data(), items.size(), scratch);
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
