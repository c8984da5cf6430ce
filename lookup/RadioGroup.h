#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

// A group of radio buttons in columns, read and set by position (itemIndex, -1 when
// none is checked). exited() is sent when the keyboard focus leaves the group for
// another control of the same window; switching to another window is not leaving.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget *parent = nullptr);
    ~TRadioGroup() override;

    void setItems(const QStringList &items);
    QStringList items() const;
    void setColumns(int columns);
    int columns() const { return m_columns; }

    int itemIndex() const;
    // Out-of-range positions check nothing.
    void setItemIndex(int index);

    QList<QRadioButton *> buttons() const { return m_buttons; }
    // The button that takes the focus when the group is entered: the checked one.
    QRadioButton *focusButton() const;

signals:
    void exited();

private:
    void relayout();
    void updateTabStop();
    void focusChanged(QWidget *old, QWidget *now);

    QList<QRadioButton *> m_buttons;
    int m_columns = 1;
};
