#pragma once

#include "FieldType.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// Column-wise storage of a record set's rows. Every field has one column; a row is a
// "storage row" id, the same in every column. Texts are UTF-8 bytes in a heap of their
// own per column, referenced by offset and length; editing a text appends new bytes and
// re-points the reference, so old references stay valid (the undo log relies on it).

// A growable array in chunks of 2^13 elements: no reallocation of earlier elements,
// and at most one partly used chunk, so a million rows carry almost no slack.
template<typename T>
class ChunkedArray
{
public:
    static constexpr unsigned kShift = 13;
    static constexpr size_t kChunk = size_t(1) << kShift;
    static constexpr size_t kMask = kChunk - 1;

    size_t size() const { return m_size; }
    T &operator[](size_t i) { return m_chunks[i >> kShift][i & kMask]; }
    const T &operator[](size_t i) const { return m_chunks[i >> kShift][i & kMask]; }

    void push_back(const T &value)
    {
        if ((m_size >> kShift) == m_chunks.size()) {
            m_chunks.emplace_back();
            // The first chunk grows like a vector so that small record sets stay small;
            // later chunks are allocated whole.
            if (m_chunks.size() > 1)
                m_chunks.back().reserve(kChunk);
        }
        m_chunks.back().push_back(value);
        ++m_size;
    }
    void truncate(size_t n)
    {
        if (n >= m_size)
            return;
        m_chunks.resize((n + kMask) >> kShift);
        if (!m_chunks.empty())
            m_chunks.back().resize(n - ((m_chunks.size() - 1) << kShift));
        m_size = n;
    }
    void clear()
    {
        m_chunks.clear();
        m_size = 0;
    }
    size_t bytesReserved() const
    {
        size_t n = m_chunks.capacity() * sizeof(std::vector<T>);
        for (const auto &c : m_chunks)
            n += c.capacity() * sizeof(T);
        return n;
    }

private:
    std::vector<std::vector<T>> m_chunks;
    size_t m_size = 0;
};

// Byte heap for one text column. Offsets are 32-bit: the heap is a list of 256 KiB slots,
// offset = slot * 256 KiB + position. A text never straddles two slots; a text longer than
// a slot gets a buffer of its own that owns as many consecutive slots as it needs.
class TextHeap
{
public:
    static constexpr unsigned kSlotShift = 18;
    static constexpr uint32_t kSlotSize = uint32_t(1) << kSlotShift;

    // Stores the bytes and returns their offset; throws DbError when the column's
    // 4 GiB of text space is used up.
    uint32_t append(const char *bytes, uint32_t length);
    const char *at(uint32_t offset) const
    {
        return m_slots[offset >> kSlotShift].data() + (offset & (kSlotSize - 1));
    }
    void clear();
    size_t bytesReserved() const;

private:
    std::vector<std::vector<char>> m_slots;
    uint32_t m_used = 0; // bytes used in the last slot
};

// One bit per row.
class NullBits
{
public:
    size_t size() const { return m_size; }
    bool operator[](size_t row) const { return (m_words[row >> 6] >> (row & 63)) & 1u; }
    void push_back(bool on)
    {
        if ((m_size & 63) == 0)
            m_words.push_back(0);
        if (on)
            m_words[m_size >> 6] |= uint64_t(1) << (m_size & 63);
        ++m_size;
    }
    void set(size_t row, bool on)
    {
        const uint64_t bit = uint64_t(1) << (row & 63);
        if (on)
            m_words[row >> 6] |= bit;
        else
            m_words[row >> 6] &= ~bit;
    }
    void truncate(size_t n)
    {
        if (n >= m_size)
            return;
        m_words.truncate((n + 63) >> 6);
        if (n & 63)
            m_words[n >> 6] &= (uint64_t(1) << (n & 63)) - 1;
        m_size = n;
    }
    void clear()
    {
        m_words.clear();
        m_size = 0;
    }
    size_t bytesReserved() const { return m_words.bytesReserved(); }

private:
    ChunkedArray<uint64_t> m_words;
    size_t m_size = 0;
};

// Where one text is. A text of up to kInlineTextBytes bytes (codes, units, flags) is kept
// in the reference itself, with no heap bytes: its bytes come first and the last byte
// holds kInlineTextMark plus its length. A longer text lies in the column's heap, its
// length below 2^31 so that the mark never shows.
struct TextRef
{
    uint32_t offset = 0;
    uint32_t length = 0;
};
constexpr uint32_t kInlineTextBytes = 7;
constexpr uint32_t kInlineTextMark = 0x80u;
constexpr uint32_t kInlineTextBit = kInlineTextMark << 24; // the mark, seen in length

// The stored form of one cell, for the undo log: a text is kept by reference.
struct CellSnapshot
{
    uint64_t bits = 0; // int64, double bits or offset
    uint32_t length = 0;
    bool null = true;
};

class Column
{
public:
    explicit Column(FieldType type) : m_type(type) {}

    FieldType type() const { return m_type; }
    size_t size() const { return m_nulls.size(); }

    void appendNull();
    void appendText(const char *utf8, uint32_t length);
    void appendInteger(int64_t value);
    void appendNumber(double value);

    bool isNull(size_t row) const { return m_nulls[row]; }
    // Valid until the row's text is set again or rows are appended.
    std::string_view text(size_t row) const
    {
        const TextRef &r = m_refs[row];
        if (r.length & kInlineTextBit)
            return std::string_view(reinterpret_cast<const char *>(&r), (r.length >> 24) & 0x7F);
        return r.length ? std::string_view(m_heap.at(r.offset), r.length) : std::string_view();
    }
    int64_t integer(size_t row) const { return m_ints[row]; }
    double number(size_t row) const { return m_nums[row]; }

    void setNull(size_t row);
    void setText(size_t row, const char *utf8, uint32_t length);
    void setInteger(size_t row, int64_t value);
    void setNumber(size_t row, double value);

    CellSnapshot snapshot(size_t row) const;
    void restore(size_t row, const CellSnapshot &cell);

    void truncate(size_t rows);
    void clear();
    size_t bytesReserved() const;

private:
    TextRef storeText(const char *utf8, uint32_t length);

    FieldType m_type;
    NullBits m_nulls;
    ChunkedArray<TextRef> m_refs;
    ChunkedArray<int64_t> m_ints;
    ChunkedArray<double> m_nums;
    TextHeap m_heap;
};
