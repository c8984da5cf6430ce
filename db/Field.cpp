#include "Field.h"

#include "DbError.h"
#include "RecordSet.h"
#include "RecordSetPrivate.h"
#include "RecordSetValues.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordSet", text);
}

} // namespace

Field::Field(RecordSet *dataSet, int index, QString name, FieldType type, int size)
    : m_dataSet(dataSet)
    , m_index(index)
    , m_name(std::move(name))
    , m_type(type)
    , m_size(size)
{}

QString Field::displayLabel() const
{
    return m_label.isEmpty() ? m_name : m_label;
}

int Field::displayWidth() const
{
    if (m_displayWidth >= 0)
        return m_displayWidth;
    return m_type == FieldType::String ? m_size : 10;
}

// A field that a reopen replaced reads as null: its record set no longer has it.
bool Field::isNull() const
{
    const RecordSetPrivate *d = m_dataSet->d();
    return !d->fieldAlive(this) || d->isNullAt(d->cur, m_index);
}

QVariant Field::value() const
{
    const RecordSetPrivate *d = m_dataSet->d();
    return d->fieldAlive(this) ? d->valueAt(d->cur, m_index) : QVariant();
}

QString Field::asString() const
{
    const RecordSetPrivate *d = m_dataSet->d();
    return d->fieldAlive(this) ? d->textAt(d->cur, m_index, false) : QString();
}

QString Field::displayText() const
{
    const RecordSetPrivate *d = m_dataSet->d();
    return d->fieldAlive(this) ? d->textAt(d->cur, m_index, true) : QString();
}

qint64 Field::asInteger() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0;
    switch (m_type) {
    case FieldType::Integer:
        return v.toLongLong();
    case FieldType::Number: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2233720368547758e18)
            throw DbError(tr("'%1' is not a valid integer value for field '%2'")
                              .arg(asString(), m_name));
        return qint64(std::llround(d));
    }
    case FieldType::String: {
        const QString text = v.toString();
        if (text.trimmed().isEmpty())
            return 0;
        qint64 out = 0;
        if (!RecordSetValues::parseInteger(text, &out))
            throw DbError(tr("'%1' is not a valid integer value for field '%2'")
                              .arg(text, m_name));
        return out;
    }
    }
    return 0;
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (!v.isValid())
        return 0.0;
    if (m_type != FieldType::String)
        return v.toDouble();
    const QString text = v.toString();
    if (text.trimmed().isEmpty())
        return 0.0;
    double out = 0;
    if (!RecordSetValues::parseNumber(text, &out))
        throw DbError(tr("'%1' is not a valid number for field '%2'").arg(text, m_name));
    return out;
}

void Field::setValue(const QVariant &value)
{
    RecordSetPrivate *d = m_dataSet->d();
    if (!d->fieldAlive(this))
        throw DbError(tr("Field '%1' not found").arg(m_name));
    d->requireEditing();
    d->assign(m_index, RecordSetValues::fromVariant(value, m_type, m_size, m_name));
}

void Field::setAsString(const QString &value)
{
    setValue(QVariant(value));
}

void Field::setAsInteger(qint64 value)
{
    setValue(QVariant(qlonglong(value)));
}

void Field::setAsFloat(double value)
{
    setValue(QVariant(value));
}

void Field::clear()
{
    setValue(QVariant());
}
