#include "RecordSetValues.h"

#include "Conversions.h"
#include "DbError.h"
#include "TextCollation.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace RecordSetValues {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordSet", text);
}

[[noreturn]] void notAnInteger(const QString &text, const QString &fieldName)
{
    throw DbError(tr("'%1' is not a valid integer value for field '%2'").arg(text, fieldName));
}

[[noreturn]] void notANumber(const QString &text, const QString &fieldName)
{
    throw DbError(tr("'%1' is not a valid number for field '%2'").arg(text, fieldName));
}

bool integralDouble(double v, qint64 *out)
{
    // Whole numbers within the 64-bit range only.
    if (!std::isfinite(v) || v != std::floor(v) || v < -9.2233720368547758e18
        || v >= 9.2233720368547758e18)
        return false;
    *out = qint64(v);
    return true;
}

Cell textCell(const QString &text, int size)
{
    Cell c;
    c.null = false;
    const QByteArray utf8 = text.toUtf8();
    c.s = cutText(std::string_view(utf8.constData(), size_t(utf8.size())), size);
    return c;
}

Cell integerCell(qint64 v)
{
    Cell c;
    c.null = false;
    c.i = v;
    return c;
}

Cell numberCell(double v)
{
    Cell c;
    c.null = false;
    c.d = v;
    return c;
}

} // namespace

std::string cutText(std::string_view utf8, int maxChars)
{
    if (maxChars <= 0 || utf8.size() <= size_t(maxChars))
        return std::string(utf8);
    return std::string(utf8.substr(0, TextCollation::prefixBytes(utf8, maxChars)));
}

bool parseInteger(const QString &text, qint64 *value)
{
    const QString t = text.trimmed();
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok) {
        *value = v;
        return true;
    }
    if (!isNumberText(t))
        return false;
    return integralDouble(t.toDouble(), value);
}

bool parseNumber(const QString &text, double *value)
{
    if (!isNumberText(text))
        return false;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

Cell fromVariant(const QVariant &value, FieldType type, int size, const QString &fieldName)
{
    if (!value.isValid() || value.isNull())
        return Cell();
    const int id = value.typeId();
    const bool isFloat = id == QMetaType::Double || id == QMetaType::Float;
    const bool isWhole = id == QMetaType::Int || id == QMetaType::UInt
                         || id == QMetaType::LongLong || id == QMetaType::ULongLong
                         || id == QMetaType::Long || id == QMetaType::ULong
                         || id == QMetaType::Short || id == QMetaType::UShort
                         || id == QMetaType::Bool;
    switch (type) {
    case FieldType::String:
        if (isFloat)
            return textCell(formatNumber(value.toDouble()), size);
        return textCell(value.toString(), size);
    case FieldType::Integer: {
        if (isWhole)
            return integerCell(value.toLongLong());
        if (isFloat) {
            const double d = value.toDouble();
            if (!std::isfinite(d) || std::fabs(d) >= 9.2233720368547758e18)
                notAnInteger(formatNumber(d), fieldName);
            return integerCell(qint64(std::llround(d)));
        }
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return Cell(); // an emptied box clears a number
        qint64 v = 0;
        if (!parseInteger(text, &v))
            notAnInteger(text, fieldName);
        return integerCell(v);
    }
    case FieldType::Number: {
        if (isWhole || isFloat) {
            const double d = value.toDouble();
            if (!std::isfinite(d))
                notANumber(value.toString(), fieldName);
            return numberCell(d);
        }
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return Cell();
        double v = 0;
        if (!parseNumber(text, &v))
            notANumber(text, fieldName);
        return numberCell(v);
    }
    }
    return Cell();
}

Cell convert(const Cell &cell, FieldType from, FieldType to, int size, const QString &fieldName)
{
    if (cell.null)
        return Cell();
    if (from == to) {
        if (to != FieldType::String)
            return cell;
        Cell c = cell;
        c.s = cutText(cell.s, size);
        return c;
    }
    return fromVariant(toVariant(cell, from), to, size, fieldName);
}

Cell read(const Column &column, uint32_t row)
{
    Cell c;
    if (column.isNull(row))
        return c;
    c.null = false;
    switch (column.type()) {
    case FieldType::String:
        c.s = std::string(column.text(row));
        break;
    case FieldType::Integer:
        c.i = column.integer(row);
        break;
    case FieldType::Number:
        c.d = column.number(row);
        break;
    }
    return c;
}

void append(Column &column, const Cell &cell)
{
    if (cell.null) {
        column.appendNull();
        return;
    }
    switch (column.type()) {
    case FieldType::String:
        column.appendText(cell.s.data(), uint32_t(cell.s.size()));
        break;
    case FieldType::Integer:
        column.appendInteger(cell.i);
        break;
    case FieldType::Number:
        column.appendNumber(cell.d);
        break;
    }
}

void write(Column &column, uint32_t row, const Cell &cell)
{
    if (cell.null) {
        column.setNull(row);
        return;
    }
    switch (column.type()) {
    case FieldType::String:
        column.setText(row, cell.s.data(), uint32_t(cell.s.size()));
        break;
    case FieldType::Integer:
        column.setInteger(row, cell.i);
        break;
    case FieldType::Number:
        column.setNumber(row, cell.d);
        break;
    }
}

QVariant toVariant(const Cell &cell, FieldType type)
{
    if (cell.null)
        return QVariant();
    switch (type) {
    case FieldType::String:
        return QString::fromUtf8(cell.s.data(), qsizetype(cell.s.size()));
    case FieldType::Integer:
        return QVariant(qlonglong(cell.i));
    case FieldType::Number:
        return QVariant(cell.d);
    }
    return QVariant();
}

QVariant storedVariant(const Column &column, uint32_t row)
{
    if (column.isNull(row))
        return QVariant();
    switch (column.type()) {
    case FieldType::String: {
        const std::string_view t = column.text(row);
        return QString::fromUtf8(t.data(), qsizetype(t.size()));
    }
    case FieldType::Integer:
        return QVariant(qlonglong(column.integer(row)));
    case FieldType::Number:
        return QVariant(column.number(row));
    }
    return QVariant();
}

static QString numberText(double v, int decimals)
{
    if (decimals >= 0)
        return QString::number(v, 'f', decimals);
    return formatNumber(v);
}

QString cellText(const Cell &cell, FieldType type, int decimals)
{
    if (cell.null)
        return QString();
    switch (type) {
    case FieldType::String:
        return QString::fromUtf8(cell.s.data(), qsizetype(cell.s.size()));
    case FieldType::Integer:
        return QString::number(cell.i);
    case FieldType::Number:
        return numberText(cell.d, decimals);
    }
    return QString();
}

QString storedText(const Column &column, uint32_t row, int decimals)
{
    if (column.isNull(row))
        return QString();
    switch (column.type()) {
    case FieldType::String: {
        const std::string_view t = column.text(row);
        return QString::fromUtf8(t.data(), qsizetype(t.size()));
    }
    case FieldType::Integer:
        return QString::number(column.integer(row));
    case FieldType::Number:
        return numberText(column.number(row), decimals);
    }
    return QString();
}

int numberTextUtf8(double value, int decimals, char *buffer)
{
    // Whole numbers below 10^15 print the same in every form: the common case of prices.
    if (decimals < 0 && value == std::floor(value) && std::fabs(value) < 1e15) {
        const long long whole = value == 0.0 ? 0 : static_cast<long long>(value);
        const auto r = std::to_chars(buffer, buffer + 63, whole);
        return int(r.ptr - buffer);
    }
    const QByteArray text = numberText(value, decimals).toUtf8();
    const int n = int(std::min<qsizetype>(text.size(), 63));
    std::memcpy(buffer, text.constData(), size_t(n));
    return n;
}

} // namespace RecordSetValues
