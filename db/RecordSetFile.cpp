#include "RecordSetFile.h"

#include "DbError.h"
#include "TextCollation.h"

#include <QCoreApplication>
#include <QSet>

#include <cstring>

namespace {

// "TRNRSET" and a Ctrl-Z, so that a text file or a file of another program never starts
// the same way.
constexpr char kMagic[8] = {'T', 'R', 'N', 'R', 'S', 'E', 'T', '\x1a'};
constexpr size_t kHeaderBytes = 20; // magic, version, flags, field count, row count
constexpr size_t kTrailerBytes = 4; // CRC-32

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordSet", text);
}

// Reads little-endian values from the input, refusing to read past its end.
class Reader
{
public:
    Reader(const char *data, size_t size, const QString &source)
        : m_p(reinterpret_cast<const unsigned char *>(data)), m_end(m_p + size), m_source(source)
    {}

    size_t remaining() const { return size_t(m_end - m_p); }

    [[noreturn]] void damaged(const QString &why) const
    {
        throw DbError(tr("%1 is damaged: %2").arg(m_source, why));
    }
    void need(size_t n, const char *what) const
    {
        if (remaining() < n)
            damaged(tr("it ends in the middle of %1").arg(tr(what)));
    }
    quint8 u8(const char *what)
    {
        need(1, what);
        return *m_p++;
    }
    quint16 u16(const char *what)
    {
        need(2, what);
        const quint16 v = quint16(m_p[0] | (m_p[1] << 8));
        m_p += 2;
        return v;
    }
    quint32 u32(const char *what)
    {
        need(4, what);
        const quint32 v = quint32(m_p[0]) | (quint32(m_p[1]) << 8) | (quint32(m_p[2]) << 16)
                          | (quint32(m_p[3]) << 24);
        m_p += 4;
        return v;
    }
    quint64 u64(const char *what)
    {
        need(8, what);
        quint64 v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | m_p[i];
        m_p += 8;
        return v;
    }
    const char *bytes(size_t n, const char *what)
    {
        need(n, what);
        const char *p = reinterpret_cast<const char *>(m_p);
        m_p += n;
        return p;
    }
    // A UTF-8 text of n bytes, checked.
    std::string_view utf8(size_t n, const char *what)
    {
        const std::string_view s(bytes(n, what), n);
        if (!TextCollation::isValidUtf8(s))
            damaged(tr("%1 is not valid UTF-8").arg(tr(what)));
        return s;
    }

private:
    const unsigned char *m_p;
    const unsigned char *m_end;
    QString m_source;
};

void putU16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void putU32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void putU64(QByteArray &out, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// UTF-8 of a text, cut at a character boundary to at most maxBytes.
QByteArray utf8Limited(const QString &text, int maxBytes)
{
    QByteArray b = text.toUtf8();
    if (b.size() <= maxBytes)
        return b;
    qsizetype n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(b[n]) & 0xC0) == 0x80)
        --n;
    b.truncate(n);
    return b;
}

quint8 typeCode(FieldType t)
{
    switch (t) {
    case FieldType::String:
        return 0;
    case FieldType::Integer:
        return 1;
    case FieldType::Number:
        return 2;
    }
    return 0;
}

} // namespace

quint32 RecordSetFile::crc32(const char *data, size_t length)
{
    static const auto table = [] {
        std::vector<quint32> t(256);
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    for (size_t i = 0; i < length; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

RecordSetFile::Content RecordSetFile::read(const QByteArray &bytes, const QString &sourceName)
{
    const size_t size = size_t(bytes.size());
    if (size < sizeof kMagic || std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0)
        throw DbError(tr("%1 is not a record-set file").arg(sourceName));
    Reader header(bytes.constData() + sizeof kMagic, size - sizeof kMagic, sourceName);
    const quint16 version = header.u16("the header");
    if (version != kVersion)
        throw DbError(tr("%1 is a record-set file of format %2, which this program cannot read "
                         "(it reads format %3)")
                          .arg(sourceName)
                          .arg(version)
                          .arg(kVersion));
    if (size < kHeaderBytes + kTrailerBytes)
        header.damaged(tr("it is too short"));

    const size_t body = size - kTrailerBytes;
    Reader trailer(bytes.constData() + body, kTrailerBytes, sourceName);
    const quint32 storedCrc = trailer.u32("the checksum");
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    if (crc32(bytes.constData(), body) != storedCrc)
        header.damaged(tr("its checksum does not match its contents"));
#else
    (void)storedCrc;
#endif

    Reader in(bytes.constData() + sizeof kMagic + 2, body - sizeof kMagic - 2, sourceName);
    if (in.u16("the header") != 0)
        in.damaged(tr("its header has unknown flags"));
    const quint32 fieldCount = in.u32("the header");
    const quint32 rowCount = in.u32("the header");
    if (fieldCount > quint32(kMaxFields))
        in.damaged(tr("it claims %1 fields").arg(fieldCount));

    Content c;
    QSet<QString> names;
    c.fields.reserve(fieldCount);
    for (quint32 i = 0; i < fieldCount; ++i) {
        FieldDef f;
        const quint16 nameBytes = in.u16("a field definition");
        if (nameBytes == 0 || nameBytes > kMaxNameBytes)
            in.damaged(tr("field %1 has a name of %2 bytes").arg(i + 1).arg(nameBytes));
        const std::string_view name = in.utf8(nameBytes, "a field name");
        f.name = QString::fromUtf8(name.data(), qsizetype(name.size()));
        if (names.contains(f.name.toUpper()))
            in.damaged(tr("field '%1' is defined twice").arg(f.name));
        names.insert(f.name.toUpper());
        const quint8 type = in.u8("a field definition");
        if (type > 2)
            in.damaged(tr("field '%1' has an unknown type %2").arg(f.name).arg(type));
        f.type = type == 0 ? FieldType::String
                           : (type == 1 ? FieldType::Integer : FieldType::Number);
        const quint8 flags = in.u8("a field definition");
        if (flags & ~1u)
            in.damaged(tr("field '%1' has unknown flags").arg(f.name));
        f.required = flags & 1u;
        const quint32 fieldSize = in.u32("a field definition");
        if (fieldSize > quint32(kMaxFieldSize) || (f.type != FieldType::String && fieldSize))
            in.damaged(tr("field '%1' has an invalid size %2").arg(f.name).arg(fieldSize));
        f.size = int(fieldSize);
        const quint16 labelBytes = in.u16("a field definition");
        if (labelBytes > kMaxLabelBytes)
            in.damaged(tr("field '%1' has a label of %2 bytes").arg(f.name).arg(labelBytes));
        const std::string_view label = in.utf8(labelBytes, "a field label");
        f.label = QString::fromUtf8(label.data(), qsizetype(label.size()));
        c.fields.push_back(f);
    }

    // Every row holds at least its null bitmap: a count that cannot fit is refused
    // before anything is allocated for it.
    const size_t bitmapBytes = (fieldCount + 7) / 8;
    if (rowCount > 0 && (bitmapBytes == 0 || rowCount > in.remaining() / bitmapBytes))
        in.damaged(tr("it claims %1 rows that it cannot hold").arg(rowCount));

    c.columns.reserve(fieldCount);
    for (const FieldDef &f : c.fields)
        c.columns.emplace_back(f.type);
    for (quint32 r = 0; r < rowCount; ++r) {
        const auto *bitmap = reinterpret_cast<const unsigned char *>(in.bytes(bitmapBytes,
                                                                              "a row"));
        if ((fieldCount & 7) && (bitmap[bitmapBytes - 1] >> (fieldCount & 7)))
            in.damaged(tr("row %1 has unknown bits in its null map").arg(r + 1));
        for (quint32 i = 0; i < fieldCount; ++i) {
            Column &col = c.columns[i];
            if (bitmap[i / 8] & (1u << (i % 8))) {
                col.appendNull();
                continue;
            }
            switch (col.type()) {
            case FieldType::String: {
                const quint32 n = in.u32("a text value");
                if (n > in.remaining())
                    in.damaged(tr("a text in row %1 runs past its end").arg(r + 1));
                const std::string_view s = in.utf8(n, "a text value");
                const int limit = c.fields[i].size;
                if (limit > 0 && s.size() > size_t(limit)
                    && TextCollation::codePointCount(s) > limit)
                    in.damaged(tr("a text in row %1 is longer than field '%2' allows")
                                   .arg(r + 1)
                                   .arg(c.fields[i].name));
                col.appendText(s.data(), n);
                break;
            }
            case FieldType::Integer:
                col.appendInteger(qint64(in.u64("an integer value")));
                break;
            case FieldType::Number: {
                const quint64 bits = in.u64("a number value");
                double d;
                std::memcpy(&d, &bits, sizeof d);
                col.appendNumber(d);
                break;
            }
            }
        }
    }
    if (in.remaining() != 0)
        in.damaged(tr("it has %1 unexpected bytes after its rows").arg(in.remaining()));
    c.rows = rowCount;
    return c;
}

QByteArray RecordSetFile::write(const std::vector<FieldDef> &fields,
                                const std::vector<const Column *> &columns,
                                const std::vector<uint32_t> &rows)
{
    QByteArray out;
    out.append(kMagic, sizeof kMagic);
    putU16(out, kVersion);
    putU16(out, 0);
    putU32(out, quint32(fields.size()));
    putU32(out, quint32(rows.size()));
    for (const FieldDef &f : fields) {
        const QByteArray name = utf8Limited(f.name, kMaxNameBytes);
        const QByteArray label = utf8Limited(f.label, kMaxLabelBytes);
        putU16(out, quint16(name.size()));
        out.append(name);
        out.append(char(typeCode(f.type)));
        out.append(char(f.required ? 1 : 0));
        // A size beyond what the reader accepts is written as "no limit".
        const bool sized = f.type == FieldType::String && f.size > 0 && f.size <= kMaxFieldSize;
        putU32(out, sized ? quint32(f.size) : 0);
        putU16(out, quint16(label.size()));
        out.append(label);
    }
    const size_t bitmapBytes = (fields.size() + 7) / 8;
    QByteArray bitmap(qsizetype(bitmapBytes), '\0');
    for (const uint32_t row : rows) {
        bitmap.fill('\0');
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i]->isNull(row))
                bitmap[qsizetype(i / 8)] = char(bitmap[qsizetype(i / 8)] | (1 << (i % 8)));
        }
        out.append(bitmap);
        for (size_t i = 0; i < columns.size(); ++i) {
            const Column &col = *columns[i];
            if (col.isNull(row))
                continue;
            switch (col.type()) {
            case FieldType::String: {
                const std::string_view s = col.text(row);
                putU32(out, quint32(s.size()));
                out.append(s.data(), qsizetype(s.size()));
                break;
            }
            case FieldType::Integer:
                putU64(out, quint64(col.integer(row)));
                break;
            case FieldType::Number: {
                quint64 bits;
                const double d = col.number(row);
                std::memcpy(&bits, &d, sizeof bits);
                putU64(out, bits);
                break;
            }
            }
        }
    }
    putU32(out, crc32(out.constData(), size_t(out.size())));
    return out;
}
