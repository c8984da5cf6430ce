#include "ColumnStore.h"

#include "DbError.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

uint32_t TextHeap::append(const char *bytes, uint32_t length)
{
    if (length == 0)
        return 0;
    const size_t slotCount = m_slots.size();
    if (length <= kSlotSize && slotCount > 0 && length <= kSlotSize - m_used) {
        std::vector<char> &slot = m_slots.back();
        const uint32_t offset = uint32_t((slotCount - 1) << kSlotShift) + m_used;
        if (slot.size() + length > slot.capacity()) // grow, but never past one slot
            slot.reserve(std::min<size_t>(kSlotSize, std::max(slot.capacity() * 2,
                                                              slot.size() + length)));
        slot.insert(slot.end(), bytes, bytes + length);
        m_used += length;
        return offset;
    }
    // A new slot, or as many as a long text needs.
    const size_t needed = (size_t(length) + kSlotSize - 1) >> kSlotShift;
    if (slotCount + needed > (size_t(1) << (32 - kSlotShift)))
        throw DbError(QCoreApplication::translate("RecordSet",
                                                  "A text column holds more than 4 GiB of text"));
    // (a slot count of 2^14 at 256 KiB each is the 4 GiB the offsets can address)
    const uint32_t offset = uint32_t(slotCount << kSlotShift);
    m_slots.emplace_back();
    std::vector<char> &slot = m_slots.back();
    // Only the first slot starts small; later ones are taken whole.
    if (needed > 1)
        slot.reserve(length);
    else if (slotCount > 0 || length >= kSlotSize / 4)
        slot.reserve(kSlotSize);
    slot.assign(bytes, bytes + length);
    for (size_t i = 1; i < needed; ++i)
        m_slots.emplace_back(); // owned by the long text above
    m_used = needed > 1 ? kSlotSize : length;
    return offset;
}

void TextHeap::clear()
{
    m_slots.clear();
    m_used = 0;
}

size_t TextHeap::bytesReserved() const
{
    size_t n = m_slots.capacity() * sizeof(std::vector<char>);
    for (const auto &s : m_slots)
        n += s.capacity();
    return n;
}

void Column::appendNull()
{
    m_nulls.push_back(true);
    switch (m_type) {
    case FieldType::String:
        m_refs.push_back(TextRef());
        break;
    case FieldType::Integer:
        m_ints.push_back(0);
        break;
    case FieldType::Number:
        m_nums.push_back(0.0);
        break;
    }
}

TextRef Column::storeText(const char *utf8, uint32_t length)
{
    static_assert(std::endian::native == std::endian::little,
                  "a short text's mark is the last byte of its length");
    if (length == 0)
        return TextRef();
    if (length <= kInlineTextBytes) {
        unsigned char bytes[sizeof(TextRef)] = {};
        std::memcpy(bytes, utf8, length);
        bytes[sizeof(TextRef) - 1] = static_cast<unsigned char>(kInlineTextMark | length);
        TextRef r;
        std::memcpy(&r, bytes, sizeof r);
        return r;
    }
    if (length >= kInlineTextBit)
        throw DbError(QCoreApplication::translate("RecordSet",
                                                  "A text of 2 GiB or more cannot be held"));
    return TextRef{m_heap.append(utf8, length), length};
}

void Column::appendText(const char *utf8, uint32_t length)
{
    const TextRef r = storeText(utf8, length);
    m_nulls.push_back(false);
    m_refs.push_back(r);
}

void Column::appendInteger(int64_t value)
{
    m_nulls.push_back(false);
    m_ints.push_back(value);
}

void Column::appendNumber(double value)
{
    m_nulls.push_back(false);
    m_nums.push_back(value);
}

void Column::setNull(size_t row)
{
    m_nulls.set(row, true);
    switch (m_type) {
    case FieldType::String:
        m_refs[row] = TextRef();
        break;
    case FieldType::Integer:
        m_ints[row] = 0;
        break;
    case FieldType::Number:
        m_nums[row] = 0.0;
        break;
    }
}

void Column::setText(size_t row, const char *utf8, uint32_t length)
{
    const std::string_view old = text(row);
    if (!isNull(row) && old.size() == length && std::memcmp(old.data(), utf8, length) == 0)
        return; // unchanged: no new bytes
    m_refs[row] = storeText(utf8, length); // (utf8 may be the old short text itself)
    m_nulls.set(row, false);
}

void Column::setInteger(size_t row, int64_t value)
{
    m_ints[row] = value;
    m_nulls.set(row, false);
}

void Column::setNumber(size_t row, double value)
{
    m_nums[row] = value;
    m_nulls.set(row, false);
}

CellSnapshot Column::snapshot(size_t row) const
{
    CellSnapshot c;
    c.null = isNull(row);
    switch (m_type) {
    case FieldType::String:
        c.bits = m_refs[row].offset;
        c.length = m_refs[row].length;
        break;
    case FieldType::Integer:
        c.bits = uint64_t(m_ints[row]);
        break;
    case FieldType::Number:
        std::memcpy(&c.bits, &m_nums[row], sizeof(double));
        break;
    }
    return c;
}

void Column::restore(size_t row, const CellSnapshot &c)
{
    m_nulls.set(row, c.null);
    switch (m_type) {
    case FieldType::String:
        m_refs[row] = TextRef{uint32_t(c.bits), c.length};
        break;
    case FieldType::Integer:
        m_ints[row] = int64_t(c.bits);
        break;
    case FieldType::Number:
        std::memcpy(&m_nums[row], &c.bits, sizeof(double));
        break;
    }
}

void Column::truncate(size_t rows)
{
    m_nulls.truncate(rows);
    m_refs.truncate(rows);
    m_ints.truncate(rows);
    m_nums.truncate(rows);
}

void Column::clear()
{
    m_nulls.clear();
    m_refs.clear();
    m_ints.clear();
    m_nums.clear();
    m_heap.clear();
}

size_t Column::bytesReserved() const
{
    return m_nulls.bytesReserved() + m_refs.bytesReserved() + m_ints.bytesReserved()
           + m_nums.bytesReserved() + m_heap.bytesReserved();
}
