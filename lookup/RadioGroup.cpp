#include "RadioGroup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget *parent)
    : QGroupBox(parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(6, 2, 4, 2);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(0);
    connect(qApp, &QApplication::focusChanged, this, &TRadioGroup::focusChanged);
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::setItems(const QStringList &items)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (const QString &text : items) {
        auto *button = new QRadioButton(text, this);
        connect(button, &QRadioButton::toggled, this, &TRadioGroup::updateTabStop);
        m_buttons.append(button);
    }
    relayout();
    updateTabStop();
}

void TRadioGroup::updateTabStop()
{
    // Only the checked button is a tab stop, so Tab enters the group on it and leaves
    // it at once; the arrow keys move within the group.
    QRadioButton *stop = focusButton();
    for (QRadioButton *b : std::as_const(m_buttons))
        b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

QStringList TRadioGroup::items() const
{
    QStringList out;
    for (QRadioButton *b : m_buttons)
        out.append(b->text());
    return out;
}

void TRadioGroup::setColumns(int columns)
{
    m_columns = qMax(1, columns);
    relayout();
}

void TRadioGroup::relayout()
{
    auto *grid = static_cast<QGridLayout *>(layout());
    for (QRadioButton *b : std::as_const(m_buttons))
        grid->removeWidget(b);
    const int rows = (int(m_buttons.size()) + m_columns - 1) / m_columns;
    for (int i = 0; i < m_buttons.size(); ++i) {
        // Filled column by column.
        const int row = rows ? i % rows : 0;
        const int column = rows ? i / rows : 0;
        grid->addWidget(m_buttons[i], row, column);
    }
}

int TRadioGroup::itemIndex() const
{
    for (int i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i]->isChecked())
            return i;
    return -1;
}

void TRadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons[index]->setChecked(true);
        return;
    }
    // Auto-exclusive buttons refuse to uncheck the last checked one directly.
    for (QRadioButton *b : std::as_const(m_buttons)) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

QRadioButton *TRadioGroup::focusButton() const
{
    const int index = itemIndex();
    if (index >= 0)
        return m_buttons[index];
    return m_buttons.isEmpty() ? nullptr : m_buttons.first();
}

void TRadioGroup::focusChanged(QWidget *old, QWidget *now)
{
    if (!old || !now || !isAncestorOf(old) || isAncestorOf(now) || now == this)
        return;
    if (now->window() != window())
        return;
    emit exited();
}
