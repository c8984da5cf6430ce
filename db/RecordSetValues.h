#pragma once

#include "ColumnStore.h"
#include "FieldType.h"
#include "RecordSetPrivate.h"

#include <QString>
#include <QVariant>

#include <string>
#include <string_view>

class Field;

// Conversions between assigned values, edit-buffer cells and stored cells. Every
// conversion that cannot be made throws DbError naming the value and the field.
namespace RecordSetValues {

// A text cut to maxChars characters (0: no limit).
std::string cutText(std::string_view utf8, int maxChars);

// The value as a cell of field's type.
Cell fromVariant(const QVariant &value, FieldType type, int size, const QString &fieldName);
// A cell of one type as a cell of another.
Cell convert(const Cell &cell, FieldType from, FieldType to, int size, const QString &fieldName);

Cell read(const Column &column, uint32_t row);
void append(Column &column, const Cell &cell);
void write(Column &column, uint32_t row, const Cell &cell);

QVariant toVariant(const Cell &cell, FieldType type);
QVariant storedVariant(const Column &column, uint32_t row);

// Text forms. display: with the field's fixed decimals (decimals < 0: shortest text).
QString cellText(const Cell &cell, FieldType type, int decimals);
QString storedText(const Column &column, uint32_t row, int decimals);
// The display text as UTF-8 into buffer, for partial matching of numbers; returns the
// length (buffer of at least 64 bytes).
int numberTextUtf8(double value, int decimals, char *buffer);

// Text parsed as a number; false when it is not one (blanks around are allowed).
bool parseInteger(const QString &text, qint64 *value);
bool parseNumber(const QString &text, double *value);

} // namespace RecordSetValues
