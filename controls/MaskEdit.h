#pragma once

#include <QChar>
#include <QLineEdit>
#include <QList>
#include <QString>

// A single-line box that holds text of a fixed form given by an edit mask, such as a
// date "YYYY/MM/DD" with the mask "!0000/99/99;1;_".
//
// Mask: the first field lists one position per character. "0" is a required digit,
// "9" an optional digit, "#" an optional digit or sign, "L"/"l" a required/optional
// letter, "A"/"a" a required/optional letter or digit, "C"/"c" a required/optional
// character; ">" and "<" turn the following letters to upper/lower case ("<>" stops);
// "\" takes the next character literally; "!" is accepted and has no effect here; any
// other character is a literal that belongs to the form. The second field "1" keeps
// the literals in text(), "0" leaves them out. The third is the character shown in
// positions that are not filled.
//
// text() reads every unfilled position as a blank: an empty date box reads
// "    /  /  ". Typing overwrites the position at the cursor and skips the literals.
// When the user has changed the box and the focus tries to leave it while a required
// position is unfilled, the box keeps the focus and says so; Escape puts back the text
// the box had before the change.
//
// text(), setText() and clear() hide QLineEdit's own: call them through a TMaskEdit.
class TMaskEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget *parent = nullptr);

    static QString invalidInputMessage();

    void setEditMask(const QString &mask);
    QString editMask() const { return m_mask; }

    // The text as the program reads and writes it (see above). setText places the
    // characters position by position; one that does not fit its position leaves it
    // unfilled, and the literals always keep their own characters.
    QString text() const;
    void setText(const QString &text);
    void clear() { setText(QString()); }
    // The text as shown, with the blank character in unfilled positions.
    QString editText() const { return QLineEdit::text(); }

    // Every required position is filled.
    bool isComplete() const;
    // Position of the first unfilled required position, -1 when there is none.
    int firstMissingPosition() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    enum class Accepts { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, Any };
    enum class Case { Keep, Upper, Lower };
    struct Position
    {
        Accepts accepts = Accepts::Literal;
        bool required = false;
        Case letterCase = Case::Keep;
        QChar literal;
    };

    bool isLiteral(int pos) const { return m_positions.at(pos).accepts == Accepts::Literal; }
    bool fits(int pos, QChar c) const;
    QChar converted(int pos, QChar c) const;
    int nextEditable(int pos) const; // pos itself or the first editable after it; size()
    void display(int cursor);
    void changed(int cursor);

    bool typeChar(QChar c);
    void blankSelection();
    void backspace();
    void deleteForward();
    void paste();
    void cut();
    void undoChange();

    QString m_mask;
    QList<Position> m_positions;
    QString m_chars; // one per position; a blank for an unfilled one
    QChar m_blank = QLatin1Char('_');
    bool m_saveLiterals = true;
    QString m_before; // text before the user's change, for Escape
    bool m_checking = false;
};
