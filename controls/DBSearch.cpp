#include "DBSearch.h"

#include "ErrorReport.h"

#include "DataSource.h"
#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"

#include <QValidator>

namespace {

// Turns the text to upper case as it is typed or set.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QString controlName(const QWidget *control)
{
    if (!control)
        return {};
    if (!control->objectName().isEmpty())
        return control->objectName();
    return QString::fromLatin1(control->metaObject()->className());
}

} // namespace

TSearchFieldDataLink::TSearchFieldDataLink(QWidget *control)
    : m_control(control)
{}

void TSearchFieldDataLink::checkField(DataSource *source, const QString &name) const
{
    if (!source || name.isEmpty())
        return;
    const RecordSet *dataSet = source->dataSet();
    if (!dataSet || !dataSet->active() || dataSet->findField(name))
        return;
    throw DbError(QStringLiteral("%1: Field '%2' not found").arg(controlName(m_control), name));
}

void TSearchFieldDataLink::setFieldName(const QString &name)
{
    if (name == m_fieldName)
        return;
    checkField(dataSource(), name);
    m_fieldName = name;
    changed();
}

void TSearchFieldDataLink::setSource(DataSource *source)
{
    if (source == dataSource())
        return;
    checkField(source, m_fieldName);
    setDataSource(source); // notifies activeChanged()
}

Field *TSearchFieldDataLink::field() const
{
    if (m_fieldName.isEmpty() || !active())
        return nullptr;
    return dataSet()->findField(m_fieldName);
}

bool TSearchFieldDataLink::canModify() const
{
    const Field *f = field();
    return f && !f->readOnly() && dataSet()->canModify();
}

void TSearchFieldDataLink::changed()
{
    if (OnDataChange)
        OnDataChange();
}

void TSearchFieldDataLink::activeChanged()
{
    changed();
}

void TSearchFieldDataLink::editingChanged()
{
    changed();
}

void TSearchFieldDataLink::dataSetChanged()
{
    changed();
}

void TSearchFieldDataLink::dataSetScrolled()
{
    changed();
}

void TSearchFieldDataLink::recordChanged(Field *field)
{
    if (!field || field->fieldName().compare(m_fieldName, Qt::CaseInsensitive) == 0)
        changed();
}

TCustomSearchEdit::TCustomSearchEdit(QWidget *parent)
    : QLineEdit(parent)
    , m_link(new TSearchFieldDataLink(this))
{
    setFocusPolicy(Qt::StrongFocus);
    // Notifications come from inside record-set operations: report errors here.
    m_link->OnDataChange = [this] { ErrorReport::guard([this] { DataChange(); }); };
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString &text) { ErrorReport::guard([&] { Search(text); }); });
}

TCustomSearchEdit::~TCustomSearchEdit()
{
    m_link->OnDataChange = nullptr;
    delete m_link;
}

void TCustomSearchEdit::setDataSource(DataSource *source)
{
    m_link->setSource(source);
    DataChange();
}

DataSource *TCustomSearchEdit::dataSource() const
{
    return m_link->dataSource();
}

void TCustomSearchEdit::setDataField(const QString &fieldName)
{
    m_link->setFieldName(fieldName);
}

QString TCustomSearchEdit::dataField() const
{
    return m_link->fieldName();
}

Field *TCustomSearchEdit::field() const
{
    return m_link->field();
}

void TCustomSearchEdit::DataChange()
{
    const Field *f = m_link->field();
    if (f && hasFocus())
        return; // the user's text stays while the user types
    // Text the edit sets itself never searches.
    const bool was = m_showing;
    m_showing = true;
    if (!f) {
        setText(QString());
    } else {
        setText(m_link->canModify() ? f->asString() : f->displayText());
        selectAll();
    }
    m_showing = was;
}

void TCustomSearchEdit::Search(const QString &text)
{
    if (m_showing || !hasFocus())
        return; // the edit showing the current value never searches
    RecordSet *dataSet = m_link->dataSet();
    if (!dataSet || m_link->fieldName().isEmpty())
        return; // nothing to search
    dataSet->locate(m_link->fieldName(), text, m_searchOptions);
}

TSearchEdit::TSearchEdit(QWidget *parent)
    : TCustomSearchEdit(parent)
{}

void TSearchEdit::setUpperCase(bool on)
{
    if (on == m_upperCase)
        return;
    m_upperCase = on;
    if (on) {
        m_upperCaseValidator = new UpperCaseValidator(this);
        setValidator(m_upperCaseValidator);
    } else {
        if (validator() == m_upperCaseValidator)
            setValidator(nullptr);
        delete m_upperCaseValidator;
    }
    if (on && text() != text().toUpper())
        setText(text().toUpper()); // the current text too
}
