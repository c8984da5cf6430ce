#pragma once

#include "FieldType.h"

#include <QString>
#include <QVariant>

#include <functional>

class RecordSet;

// One field of a record set. Its value is that of the record set's current row (the
// edit buffer while a row is being edited or inserted). Reading a field of a record
// set with no current row gives null.
class Field
{
public:
    Field(RecordSet *dataSet, int index, QString name, FieldType type, int size);

    RecordSet *dataSet() const { return m_dataSet; }
    int index() const { return m_index; }
    const QString &fieldName() const { return m_name; }
    FieldType dataType() const { return m_type; }
    int size() const { return m_size; }
    bool isNumeric() const { return m_type != FieldType::String; }

    // Display label: the caption shown as column title and field name in lookups;
    // the field name when no label is set.
    QString displayLabel() const;
    void setDisplayLabel(const QString &label) { m_label = label; }
    bool hasDisplayLabel() const { return !m_label.isEmpty(); }
    bool required() const { return m_required; }
    void setRequired(bool on) { m_required = on; }
    // Read-only for grids (the model refuses edits); the program's own assignments
    // still go through.
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool on) { m_readOnly = on; }
    // Fixed decimals for display (-1: shortest text, at most 15 significant digits).
    int displayDecimals() const { return m_decimals; }
    void setDisplayDecimals(int decimals) { m_decimals = decimals; }
    // Width in characters that grids give the column: the size for texts, 10 otherwise.
    int displayWidth() const;
    void setDisplayWidth(int chars) { m_displayWidth = chars; }

    // Value of the current row
    bool isNull() const;
    QVariant value() const;       // invalid QVariant for null
    QString asString() const;     // null: ""; numbers in their shortest text
    qint64 asInteger() const;     // null: 0; texts converted, error when not a number
    double asFloat() const;       // null: 0
    QString displayText() const;  // as grids show it; null: ""

    // Assignments need the record set in edit or insert state. The value is converted
    // to the field's type (texts longer than the size are cut, in characters; an empty
    // or blank text makes a number field null; a text that is not a number, or not a
    // whole number for an integer field, is a DbError), the validate handler runs with
    // the new value readable, and then the value is stored. A handler that throws
    // (SilentAbort or an error) leaves the earlier value in place.
    void setValue(const QVariant &value); // invalid QVariant: null
    void setAsString(const QString &value);
    void setAsInteger(qint64 value);
    void setAsFloat(double value);
    void clear();                         // set to null

    // Runs before an assigned value is stored (OnValidate).
    std::function<void(Field &)> onValidate;

private:
    RecordSet *m_dataSet;
    int m_index;
    QString m_name;
    FieldType m_type;
    int m_size;
    QString m_label;
    bool m_required = false;
    bool m_readOnly = false;
    int m_decimals = -1;
    int m_displayWidth = -1;
};
