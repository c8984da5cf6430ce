#include "SqlQuery.h"

#include "RowSink.h"
#include "SqlConnection.h"
#include "SqlConnectionPrivate.h"
#include "Conversions.h"
#include "SqlText.h"

#include <QDebug>
#include <QHash>
#include <QStringDecoder>

#include <cmath>
#include <cstring>
#include <vector>

using namespace Firebird;

namespace {

enum class ParamKind { Text, Integer, Number, Null };

struct ParamValue
{
    ParamKind kind = ParamKind::Null;
    QByteArray text;
    qint64 integer = 0;
    double number = 0;
};

struct OutColumn
{
    ColumnInfo info;
    unsigned type = 0;      // message type (without the null bit)
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    unsigned charSet = 0;
    bool blob = false;
};

QString decodeText(const char *data, int len, unsigned charSet)
{
    if (charSet == fbapi::kCharSetNone || charSet == fbapi::kCharSetOctets) {
        // Undeclared bytes: UTF-8 when they are, else one character per byte.
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString s = utf8(QByteArrayView(data, len));
        if (!utf8.hasError())
            return s;
        return QString::fromLatin1(data, len);
    }
    return QString::fromUtf8(data, len);
}

// One value of the current row as read from the message buffer.
struct Cell
{
    enum Kind { Null, Integer, Number, Text } kind = Null;
    qint64 integer = 0;
    double number = 0;
    const char *data = nullptr; // UTF-8 text (into the buffer or into converted)
    int length = 0;
    QByteArray converted;
};

} // namespace

class SqlQueryPrivate
{
public:
    SqlConnection *connection = nullptr;
    QStringList lines;
    QHash<QString, ParamValue> params;

    // Prepared statement, kept while the text and connection stay the same.
    IStatement *statement = nullptr;
    QString preparedText;
    IAttachment *preparedOn = nullptr;
    unsigned preparedType = 0; // isc_info_sql_stmt_* of the prepared statement
    // The prepared SELECT was refused in a read-only transaction (WITH LOCK, a procedure
    // that writes): it runs read-write from then on.
    bool preparedSelectWrites = false;
    QStringList paramNames;

    ITransaction *ownTransaction = nullptr; // a transaction of this statement alone
    IResultSet *cursor = nullptr;
    IMessageMetadata *outMeta = nullptr;
    std::vector<unsigned char> outBuffer;
    std::vector<OutColumn> columns;
    bool active = false;
    bool hasRow = false;
    bool rowConsumed = false;
    bool trimChar = false;

    ~SqlQueryPrivate() { release(); }

    QString sqlText() const { return lines.join(QLatin1Char('\n')); }
    ITransaction *transaction() const
    {
        return connection->d()->transaction ? connection->d()->transaction : ownTransaction;
    }

    void release()
    {
        fbapi::Status status;
        if (cursor) {
            try {
                cursor->close(&status);
            } catch (const FbException &) {
                cursor->release();
            }
            cursor = nullptr;
        }
        if (ownTransaction) {
            try {
                SqlConnectionPrivate::endTransaction(ownTransaction, true);
            } catch (const DbError &) {
            }
        }
        if (outMeta) {
            outMeta->release();
            outMeta = nullptr;
        }
        if (statement) {
            try {
                statement->free(&status);
            } catch (const FbException &) {
                statement->release();
            }
            statement = nullptr;
        }
        preparedOn = nullptr;
        preparedText.clear();
        active = false;
        hasRow = false;
    }

    void closeCursor(bool commit)
    {
        fbapi::Status status;
        if (cursor) {
            try {
                cursor->close(&status);
            } catch (const FbException &) {
                cursor->release();
            }
            cursor = nullptr;
        }
        if (ownTransaction)
            SqlConnectionPrivate::endTransaction(ownTransaction, commit);
    }

    void prepare(fbapi::Status &status);
    IMessageMetadata *inputMessage(fbapi::Status &status, std::vector<unsigned char> &buffer);
    void describeOutput(fbapi::Status &status);
    void run(bool wantCursor, int *affected);
    void attempt(bool wantCursor, int *affected, bool readOnly);
    bool fetchRow();
    QByteArray readBlob(const OutColumn &c);

    const OutColumn &column(int i) const
    {
        if (i < 0 || i >= int(columns.size()))
            throw DbError(QStringLiteral("Field index %1 out of range").arg(i), sqlText());
        return columns[size_t(i)];
    }
    int indexOf(const QString &name) const
    {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].info.name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    int requireIndex(const QString &name) const
    {
        const int i = indexOf(name);
        if (i < 0)
            throw DbError(QStringLiteral("Field '%1' not found").arg(name), sqlText());
        return i;
    }
    bool isNull(int i) const
    {
        const OutColumn &c = column(i);
        if (!hasRow)
            return true;
        return *reinterpret_cast<const short *>(&outBuffer[c.nullOffset]) != 0;
    }
    QVariant value(int i);
    void decode(const OutColumn &c, Cell &out);
};

void SqlQueryPrivate::prepare(fbapi::Status &status)
{
    IAttachment *att = connection->d()->attachment;
    const QString text = sqlText();
    if (statement && preparedText == text && preparedOn == att)
        return;
    if (statement) {
        if (outMeta) {
            outMeta->release();
            outMeta = nullptr;
        }
        try {
            statement->free(&status);
        } catch (const FbException &) {
            statement->release();
        }
        statement = nullptr;
    }
    paramNames.clear();
    const QByteArray sql = sqlPositionalParams(text, &paramNames).toUtf8();
    statement = att->prepare(&status, transaction(), 0, sql.constData(),
                             unsigned(connection->params().sqlDialect),
                             IStatement::PREPARE_PREFETCH_METADATA);
    preparedText = text;
    preparedOn = att;
    preparedType = statement->getType(&status);
    preparedSelectWrites = false;
    describeOutput(status);
}

void SqlQueryPrivate::describeOutput(fbapi::Status &status)
{
    // Rows are read in the statement's own message format and converted here: a
    // coerced output format is not honoured by every remote server's cursor fetch.
    columns.clear();
    outMeta = statement->getOutputMetadata(&status);
    const unsigned n = outMeta->getCount(&status);
    if (n == 0) {
        outMeta->release();
        outMeta = nullptr;
        outBuffer.clear();
        return;
    }
    columns.resize(n);
    for (unsigned i = 0; i < n; ++i) {
        OutColumn &c = columns[i];
        const char *alias = outMeta->getAlias(&status, i);
        c.info.name = QString::fromUtf8(alias && *alias ? alias : outMeta->getField(&status, i));
        c.type = outMeta->getType(&status, i);
        c.scale = outMeta->getScale(&status, i);
        c.length = outMeta->getLength(&status, i);
        c.charSet = outMeta->getCharSet(&status, i);
        c.offset = outMeta->getOffset(&status, i);
        c.nullOffset = outMeta->getNullOffset(&status, i);
        switch (c.type) {
        case SQL_TEXT:
        case SQL_VARYING:
            c.info.type = FieldType::String;
            c.info.fixedChar = c.type == SQL_TEXT;
            c.info.size = int(c.length) / fbapi::bytesPerChar(c.charSet);
            break;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            c.info.type = c.scale == 0 ? FieldType::Integer : FieldType::Number;
            break;
        case SQL_BOOLEAN:
            c.info.type = FieldType::Integer;
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            c.info.type = FieldType::Number;
            break;
        case SQL_BLOB:
            c.info.type = FieldType::String;
            c.blob = true;
            if (outMeta->getSubType(&status, i) != 1)
                c.charSet = fbapi::kCharSetOctets;
            break;
        default: // dates and times, as text
            c.info.type = FieldType::String;
            c.info.size = 24;
            break;
        }
    }
    outBuffer.assign(outMeta->getMessageLength(&status), 0);
}

IMessageMetadata *SqlQueryPrivate::inputMessage(fbapi::Status &status,
                                                std::vector<unsigned char> &buffer)
{
    const unsigned n = unsigned(paramNames.size());
    if (n == 0)
        return nullptr;
    IMetadataBuilder *b = fbapi::master()->getMetadataBuilder(&status, n);
    std::vector<const ParamValue *> values(n);
    for (unsigned i = 0; i < n; ++i) {
        const auto it = params.constFind(paramNames[int(i)]);
        if (it == params.constEnd()) {
            b->release();
            throw DbError(QStringLiteral("No value for parameter '%1'").arg(paramNames[int(i)]),
                          sqlText());
        }
        const ParamValue &v = it.value();
        values[i] = &v;
        switch (v.kind) {
        case ParamKind::Text:
            b->setType(&status, i, SQL_VARYING | 1);
            b->setCharSet(&status, i, fbapi::kCharSetUtf8);
            b->setLength(&status, i, unsigned(qMax<qsizetype>(v.text.size(), 1)));
            break;
        case ParamKind::Null:
            b->setType(&status, i, SQL_VARYING | 1);
            b->setCharSet(&status, i, fbapi::kCharSetUtf8);
            b->setLength(&status, i, 1);
            break;
        case ParamKind::Integer:
            b->setType(&status, i, SQL_INT64 | 1);
            b->setScale(&status, i, 0);
            break;
        case ParamKind::Number:
            b->setType(&status, i, SQL_DOUBLE | 1);
            break;
        }
    }
    IMessageMetadata *meta = b->getMetadata(&status);
    b->release();
    buffer.assign(meta->getMessageLength(&status), 0);
    for (unsigned i = 0; i < n; ++i) {
        const ParamValue &v = *values[i];
        unsigned char *p = buffer.data() + meta->getOffset(&status, i);
        short *nullFlag = reinterpret_cast<short *>(buffer.data() + meta->getNullOffset(&status, i));
        *nullFlag = v.kind == ParamKind::Null ? -1 : 0;
        switch (v.kind) {
        case ParamKind::Text: {
            const unsigned short len = static_cast<unsigned short>(v.text.size());
            std::memcpy(p, &len, sizeof len);
            std::memcpy(p + sizeof len, v.text.constData(), len);
            break;
        }
        case ParamKind::Integer:
            std::memcpy(p, &v.integer, sizeof v.integer);
            break;
        case ParamKind::Number:
            std::memcpy(p, &v.number, sizeof v.number);
            break;
        case ParamKind::Null:
            break;
        }
    }
    return meta;
}

void SqlQueryPrivate::run(bool wantCursor, int *affected)
{
    if (!connection)
        throw DbError(QStringLiteral("Statement has no connection"), sqlText());
    if (lines.join(QString()).trimmed().isEmpty())
        throw DbError(QStringLiteral("Statement text is empty"));
    closeCursor(true);
    active = false;
    hasRow = false;
    rowConsumed = false;
    SqlConnectionPrivate *cd = connection->d();
    cd->ensureOpen();
    trimChar = cd->params.trimChar;
    if (SqlConnection::trace()) {
        QStringList ps;
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            ps << it.key() + QLatin1Char('=')
                      + (it->kind == ParamKind::Text      ? QString::fromUtf8(it->text)
                         : it->kind == ParamKind::Integer ? QString::number(it->integer)
                         : it->kind == ParamKind::Number  ? QString::number(it->number)
                                                          : QStringLiteral("NULL"));
        qDebug().noquote() << "SQL:" << sqlText() << ps;
    }
    // Outside an explicit transaction a SELECT reads in a read-only transaction of its
    // own: it reads the same rows, and the engine starts and ends it without the
    // synchronous write to the database file that a read-write one costs with forced
    // writes (0.6 ms on the benchmark machine, as much as a hundred small reads by an
    // index). Anything else runs in a read-write one; so does a SELECT that the engine
    // refuses to run read-only (WITH LOCK, a procedure that writes), run once more.
    const bool prepared = statement && preparedText == sqlText() && preparedOn == cd->attachment;
    const bool readOnly = !cd->transaction
        && !(prepared && (preparedType != isc_info_sql_stmt_select || preparedSelectWrites));
    try {
        attempt(wantCursor, affected, readOnly);
    } catch (const DbError &e) {
        if (!readOnly || !e.hasCode(isc_read_only_trans))
            throw;
        preparedSelectWrites = true;
        attempt(wantCursor, affected, false);
    }
}

void SqlQueryPrivate::attempt(bool wantCursor, int *affected, bool readOnly)
{
    SqlConnectionPrivate *cd = connection->d();
    if (!cd->transaction)
        ownTransaction = cd->startTransaction(cd->params.isolation, readOnly);
    fbapi::Status status;
    IMessageMetadata *inMeta = nullptr;
    try {
        prepare(status);
        const unsigned type = preparedType;
        if (readOnly && type != isc_info_sql_stmt_select) {
            // A new text that is no SELECT: read-write from the start.
            SqlConnectionPrivate::endTransaction(ownTransaction, true);
            ownTransaction = cd->startTransaction(cd->params.isolation);
        }
        std::vector<unsigned char> inBuffer;
        inMeta = inputMessage(status, inBuffer);
        const bool isSelect = type == isc_info_sql_stmt_select
                              || type == isc_info_sql_stmt_select_for_upd;
        if (isSelect) {
            cursor = statement->openCursor(&status, transaction(), inMeta,
                                           inMeta ? inBuffer.data() : nullptr, outMeta, 0);
            active = true;
            if (wantCursor)
                fetchRow();
        } else {
            statement->execute(&status, transaction(), inMeta, inMeta ? inBuffer.data() : nullptr,
                               outMeta, outMeta ? outBuffer.data() : nullptr);
            if (affected)
                *affected = int(statement->getAffectedRecords(&status));
            if (outMeta) {
                // RETURNING or a procedure's output: one row to read.
                active = true;
                hasRow = true;
            }
            if (ownTransaction)
                SqlConnectionPrivate::endTransaction(ownTransaction, true);
        }
        if (inMeta)
            inMeta->release();
    } catch (const FbException &e) {
        if (inMeta)
            inMeta->release();
        DbError err = fbapi::toDbError(e, sqlText());
        try {
            closeCursor(false);
        } catch (const DbError &) {
        }
        active = false;
        hasRow = false;
        throw err;
    } catch (...) {
        if (inMeta)
            inMeta->release();
        try {
            closeCursor(false);
        } catch (const DbError &) {
        }
        active = false;
        hasRow = false;
        throw;
    }
}

bool SqlQueryPrivate::fetchRow()
{
    if (!cursor) {
        hasRow = false;
        return false;
    }
    fbapi::Status status;
    try {
        if (cursor->fetchNext(&status, outBuffer.data()) == IStatus::RESULT_OK) {
            hasRow = true;
            rowConsumed = false;
            return true;
        }
        hasRow = false;
        // Every row read: the statement's own transaction has nothing more to do.
        closeCursor(true);
        return false;
    } catch (const FbException &e) {
        DbError err = fbapi::toDbError(e, sqlText());
        hasRow = false;
        try {
            closeCursor(false);
        } catch (const DbError &) {
        }
        throw err;
    }
}

QByteArray SqlQueryPrivate::readBlob(const OutColumn &c)
{
    QByteArray out;
    fbapi::Status status;
    IBlob *blob = nullptr;
    try {
        ISC_QUAD id;
        std::memcpy(&id, &outBuffer[c.offset], sizeof id);
        blob = connection->d()->attachment->openBlob(&status, transaction(), &id, 0, nullptr);
        char buf[16384];
        for (;;) {
            unsigned got = 0;
            const int r = blob->getSegment(&status, sizeof buf, buf, &got);
            if (r == IStatus::RESULT_OK || r == IStatus::RESULT_SEGMENT)
                out.append(buf, int(got));
            else
                break;
        }
        blob->close(&status);
    } catch (const FbException &e) {
        if (blob)
            blob->release();
        throw fbapi::toDbError(e, sqlText());
    }
    return out;
}

void SqlQueryPrivate::decode(const OutColumn &c, Cell &out)
{
    out.kind = Cell::Null;
    if (*reinterpret_cast<const short *>(&outBuffer[c.nullOffset]) != 0)
        return;
    const unsigned char *p = &outBuffer[c.offset];
    auto scaled = [&](qint64 v) {
        if (c.scale == 0) {
            out.kind = Cell::Integer;
            out.integer = v;
        } else {
            out.kind = Cell::Number;
            out.number = double(v) / std::pow(10.0, -c.scale);
        }
    };
    auto text = [&](const char *data, int n) {
        out.kind = Cell::Text;
        if (c.charSet == fbapi::kCharSetUtf8 || c.charSet == 3) {
            out.data = data;
            out.length = n;
        } else {
            out.converted = decodeText(data, n, c.charSet).toUtf8();
            out.data = out.converted.constData();
            out.length = int(out.converted.size());
        }
    };
    switch (c.type) {
    case SQL_SHORT: {
        qint16 v;
        std::memcpy(&v, p, sizeof v);
        scaled(v);
        break;
    }
    case SQL_LONG: {
        qint32 v;
        std::memcpy(&v, p, sizeof v);
        scaled(v);
        break;
    }
    case SQL_INT64: {
        qint64 v;
        std::memcpy(&v, p, sizeof v);
        scaled(v);
        break;
    }
    case SQL_BOOLEAN:
        out.kind = Cell::Integer;
        out.integer = *p ? 1 : 0;
        break;
    case SQL_FLOAT: {
        float v;
        std::memcpy(&v, p, sizeof v);
        out.kind = Cell::Number;
        out.number = v;
        break;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double v;
        std::memcpy(&v, p, sizeof v);
        out.kind = Cell::Number;
        out.number = v;
        break;
    }
    case SQL_VARYING: {
        unsigned short len;
        std::memcpy(&len, p, sizeof len);
        text(reinterpret_cast<const char *>(p + sizeof len), len);
        break;
    }
    case SQL_TEXT: {
        const char *data = reinterpret_cast<const char *>(p);
        int n = int(c.length);
        if (trimChar) {
            while (n > 0 && data[n - 1] == ' ')
                --n;
            text(data, n);
        } else {
            // The padding of a multi-byte CHAR(n) beyond its n characters is dropped.
            text(data, n);
            const QString s = QString::fromUtf8(out.data, out.length).left(c.info.size);
            out.converted = s.toUtf8();
            out.data = out.converted.constData();
            out.length = int(out.converted.size());
        }
        break;
    }
    case SQL_BLOB:
        out.converted = readBlob(c);
        if (c.charSet != fbapi::kCharSetUtf8)
            out.converted = decodeText(out.converted.constData(), int(out.converted.size()),
                                       c.charSet)
                                .toUtf8();
        out.kind = Cell::Text;
        out.data = out.converted.constData();
        out.length = int(out.converted.size());
        break;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP: {
        unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, frac = 0;
        QString t;
        if (c.type != SQL_TYPE_TIME) {
            ISC_DATE date;
            std::memcpy(&date, p, sizeof date);
            fbapi::util()->decodeDate(date, &y, &mo, &d);
            t = QString::asprintf("%04u-%02u-%02u", y, mo, d);
        }
        if (c.type != SQL_TYPE_DATE) {
            ISC_TIME time;
            std::memcpy(&time, p + (c.type == SQL_TIMESTAMP ? sizeof(ISC_DATE) : 0), sizeof time);
            fbapi::util()->decodeTime(time, &h, &mi, &sec, &frac);
            if (!t.isEmpty())
                t += QLatin1Char(' ');
            t += QString::asprintf("%02u:%02u:%02u", h, mi, sec);
        }
        out.converted = t.toUtf8();
        out.kind = Cell::Text;
        out.data = out.converted.constData();
        out.length = int(out.converted.size());
        break;
    }
    default:
        throw DbError(QStringLiteral("Field '%1' has a type this tool cannot read")
                          .arg(c.info.name),
                      sqlText());
    }
}

QVariant SqlQueryPrivate::value(int i)
{
    const OutColumn &c = column(i);
    if (!hasRow)
        return {};
    Cell cell;
    decode(c, cell);
    switch (cell.kind) {
    case Cell::Null:
        return {};
    case Cell::Integer:
        return cell.integer;
    case Cell::Number:
        return cell.number;
    case Cell::Text:
        break;
    }
    return QString::fromUtf8(cell.data, cell.length);
}

// --- SqlQuery -------------------------------------------------------------------

SqlQuery::SqlQuery(SqlConnection *connection)
    : m_d(std::make_unique<SqlQueryPrivate>())
{
    setConnection(connection);
}

SqlQuery::~SqlQuery()
{
    if (m_d->connection)
        m_d->connection->d()->queries.remove(m_d.get());
}

void SqlQuery::releaseHandles(SqlQueryPrivate *d)
{
    d->release();
}

void SqlQuery::setConnection(SqlConnection *connection)
{
    if (m_d->connection == connection)
        return;
    m_d->release();
    if (m_d->connection)
        m_d->connection->d()->queries.remove(m_d.get());
    m_d->connection = connection;
    if (connection)
        connection->d()->queries.insert(m_d.get());
}

SqlConnection *SqlQuery::connection() const
{
    return m_d->connection;
}

void SqlQuery::clear()
{
    close();
    m_d->lines.clear();
    m_d->params.clear();
}

void SqlQuery::addLine(const QString &line)
{
    close();
    m_d->lines.append(line);
}

void SqlQuery::setText(const QString &text)
{
    close();
    m_d->lines = text.split(QLatin1Char('\n'));
}

QString SqlQuery::text() const
{
    return m_d->sqlText();
}

const QStringList &SqlQuery::lines() const
{
    return m_d->lines;
}

void SqlQuery::setParamText(const QString &name, const QString &value)
{
    ParamValue v;
    v.kind = ParamKind::Text;
    v.text = value.toUtf8();
    if (v.text.size() > 32000)
        throw DbError(QStringLiteral("Value of parameter '%1' is too long").arg(name));
    m_d->params.insert(name.toUpper(), v);
}

void SqlQuery::setParamInteger(const QString &name, qint64 value)
{
    ParamValue v;
    v.kind = ParamKind::Integer;
    v.integer = value;
    m_d->params.insert(name.toUpper(), v);
}

void SqlQuery::setParamNumber(const QString &name, double value)
{
    ParamValue v;
    v.kind = ParamKind::Number;
    v.number = value;
    m_d->params.insert(name.toUpper(), v);
}

void SqlQuery::setParamChar(const QString &name, QChar value)
{
    setParamText(name, QString(value));
}

void SqlQuery::setParamNull(const QString &name)
{
    m_d->params.insert(name.toUpper(), ParamValue{});
}

void SqlQuery::clearParams()
{
    m_d->params.clear();
}

void SqlQuery::open()
{
    m_d->run(true, nullptr);
}

void SqlQuery::close()
{
    try {
        m_d->closeCursor(true);
    } catch (const DbError &) {
        // A failing commit of a read leaves nothing to undo.
    }
    m_d->active = false;
    m_d->hasRow = false;
}

bool SqlQuery::active() const
{
    return m_d->active;
}

int SqlQuery::execute()
{
    int affected = 0;
    m_d->run(false, &affected);
    if (m_d->cursor) {
        // A SELECT run through execute(): nothing to return, release it again.
        close();
    }
    return affected;
}

int SqlQuery::fieldCount() const
{
    return int(m_d->columns.size());
}

QList<ColumnInfo> SqlQuery::columns() const
{
    QList<ColumnInfo> out;
    for (const OutColumn &c : m_d->columns)
        out.append(c.info);
    return out;
}

int SqlQuery::fieldIndex(const QString &name) const
{
    return m_d->indexOf(name);
}

bool SqlQuery::eof() const
{
    return !m_d->hasRow;
}

void SqlQuery::next()
{
    if (m_d->hasRow)
        m_d->fetchRow();
}

bool SqlQuery::isNull(int field) const
{
    return m_d->isNull(field);
}

bool SqlQuery::isNull(const QString &name) const
{
    return m_d->isNull(m_d->requireIndex(name));
}

QVariant SqlQuery::value(int field) const
{
    return m_d->value(field);
}

QVariant SqlQuery::value(const QString &name) const
{
    return m_d->value(m_d->requireIndex(name));
}

QString SqlQuery::asString(int field) const
{
    const QVariant v = value(field);
    if (!v.isValid())
        return {};
    if (v.typeId() == QMetaType::Double) {
        return formatNumber(v.toDouble());
    }
    return v.toString();
}

QString SqlQuery::asString(const QString &name) const
{
    return asString(m_d->requireIndex(name));
}

qint64 SqlQuery::asInteger(int field) const
{
    const QVariant v = value(field);
    if (!v.isValid())
        return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 i = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
        return i;
    }
    return v.typeId() == QMetaType::Double ? qint64(v.toDouble()) : v.toLongLong();
}

qint64 SqlQuery::asInteger(const QString &name) const
{
    return asInteger(m_d->requireIndex(name));
}

double SqlQuery::asNumber(int field) const
{
    const QVariant v = value(field);
    if (!v.isValid())
        return 0.0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            throw DbError(
                QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
        return d;
    }
    return v.toDouble();
}

double SqlQuery::asNumber(const QString &name) const
{
    return asNumber(m_d->requireIndex(name));
}

int SqlQuery::fetchInto(RowSink &sink, int maxRows)
{
    int delivered = 0;
    SqlQueryPrivate &d = *m_d;
    if (d.hasRow && d.rowConsumed)
        d.fetchRow();
    while (d.hasRow && (maxRows < 0 || delivered < maxRows)) {
        Cell cell;
        for (int i = 0; i < int(d.columns.size()); ++i) {
            d.decode(d.columns[size_t(i)], cell);
            switch (cell.kind) {
            case Cell::Null:
                sink.putNull(i);
                break;
            case Cell::Integer:
                sink.putInteger(i, cell.integer);
                break;
            case Cell::Number:
                sink.putNumber(i, cell.number);
                break;
            case Cell::Text:
                sink.putText(i, cell.data, cell.length);
                break;
            }
        }
        sink.endRow();
        ++delivered;
        d.rowConsumed = true;
        if (maxRows >= 0 && delivered >= maxRows)
            break;
        d.fetchRow();
    }
    return delivered;
}
