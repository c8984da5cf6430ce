#pragma once

#include "ColumnStore.h"
#include "FieldType.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The record-set file: fields and rows in a versioned, little-endian binary format of
// this tool's own (docs/recordset-file.md). The reader checks every length and count
// against the bytes that remain and refuses foreign, truncated or damaged input with a
// DbError naming the source; it never reads outside the input.
class RecordSetFile
{
public:
    static constexpr quint16 kVersion = 1;
    static constexpr int kMaxFields = 4096;
    static constexpr int kMaxNameBytes = 1024;
    static constexpr int kMaxLabelBytes = 4096;
    static constexpr int kMaxFieldSize = 1 << 24; // characters of a text field
    static constexpr qint64 kMaxFileBytes = qint64(1) << 30;

    struct FieldDef
    {
        QString name;
        FieldType type = FieldType::String;
        int size = 0;
        QString label;
        bool required = false;
    };

    struct Content
    {
        std::vector<FieldDef> fields;
        std::vector<Column> columns; // one per field
        uint32_t rows = 0;
    };

    // sourceName names the input in messages ("Vantor.dat").
    static Content read(const QByteArray &bytes, const QString &sourceName);
    // The given rows of the columns, in that order.
    static QByteArray write(const std::vector<FieldDef> &fields,
                            const std::vector<const Column *> &columns,
                            const std::vector<uint32_t> &rows);

    static quint32 crc32(const char *data, size_t length);
};
