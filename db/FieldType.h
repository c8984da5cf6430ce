#pragma once

#include <QString>

// Types of record-set fields and of result columns.
enum class FieldType {
    String,  // text of a given size in characters
    Integer, // whole number (64-bit)
    Number,  // floating-point number
};

// A result column as the database layer describes it.
struct ColumnInfo
{
    QString name;        // upper case as the engine reports it
    FieldType type = FieldType::String;
    int size = 0;        // characters, for String
    bool fixedChar = false; // CHAR(n): trailing blanks may be trimmed
};
