#pragma once

#include "DataLink.h"
#include "RecordSet.h"

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <functional>

class DataSource;
class Field;
class QValidator;

// The data link of the search edit: a data source and the name of one field of its
// record set. It is bound to a field while the record set is open and holds a field
// of that name (looked up by name each time, so that replaced fields never dangle).
// OnDataChange runs on every change that may alter the current record's value:
// scrolling, data changes, opening and closing, rebinding.
class TSearchFieldDataLink : public DataLink
{
public:
    explicit TSearchFieldDataLink(QWidget *control);

    QWidget *control() const { return m_control; }
    // Throws DbError "<control>: Field 'X' not found" when the record set is open and
    // holds no such field; the earlier binding then stays.
    void setFieldName(const QString &name);
    QString fieldName() const { return m_fieldName; }
    void setSource(DataSource *source); // same check as setFieldName
    Field *field() const;
    // Whether the field could be modified through the link.
    bool canModify() const;

    std::function<void()> OnDataChange;

protected:
    void activeChanged() override;
    void editingChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled() override;
    void recordChanged(Field *field) override;

private:
    // Throws the field-not-found error when the record set of source is open and
    // has no field called name.
    void checkField(DataSource *source, const QString &name) const;
    void changed();

    QWidget *m_control;
    QString m_fieldName;
};

// A single-line edit bound to one field. Without the focus it shows the current
// record's value, whole text selected; with the focus, every change of its text moves
// the record set to the first record (from the start, in the current order) whose
// field matches the text. It never writes to the field. A search that finds nothing
// leaves the cursor and the text alone.
class TCustomSearchEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TCustomSearchEdit(QWidget *parent = nullptr);
    ~TCustomSearchEdit() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const;
    // Throws DbError naming the edit when the open record set has no such field.
    void setDataField(const QString &fieldName);
    QString dataField() const;
    Field *field() const;

protected:
    LocateOptions options() const { return m_searchOptions; }
    void setOptions(LocateOptions options) { m_searchOptions = options; }
    // Shows the current record's value (link notification).
    void DataChange();
    // Searches for the text (text change).
    virtual void Search(const QString &text);

private:
    TSearchFieldDataLink *m_link;
    bool m_showing = false; // the edit is setting the text to show the value
    LocateOptions m_searchOptions = loCaseInsensitive | loPartialKey;
};

class TSearchEdit : public TCustomSearchEdit
{
    Q_OBJECT
public:
    explicit TSearchEdit(QWidget *parent = nullptr);

    LocateOptions searchOptions() const { return options(); }
    void setSearchOptions(LocateOptions options) { setOptions(options); }
    // Input (and the shown value) turned to upper case.
    void setUpperCase(bool on);
    bool upperCase() const { return m_upperCase; }

private:
    bool m_upperCase = false;
    QPointer<QValidator> m_upperCaseValidator;
};
