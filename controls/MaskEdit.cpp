#include "MaskEdit.h"

#include "ErrorReport.h"
#include "Prompter.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

TMaskEdit::TMaskEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setAcceptDrops(false);
    setDragEnabled(false);
    setEditMask(QStringLiteral("!0000/99/99;1;_"));
}

QString TMaskEdit::invalidInputMessage()
{
    return QStringLiteral("Invalid input value.  Use escape key to abandon changes");
}

void TMaskEdit::setEditMask(const QString &mask)
{
    m_mask = mask;
    m_positions.clear();
    m_saveLiterals = true;
    m_blank = QLatin1Char('_');

    // The form, then the optional fields after unescaped ';'.
    QString form;
    QStringList fields;
    bool escaped = false;
    for (QChar c : mask) {
        if (!escaped && c == QLatin1Char(';')) {
            fields.append(QString());
            continue;
        }
        escaped = !escaped && c == QLatin1Char('\\');
        if (fields.isEmpty())
            form.append(c);
        else
            fields.last().append(c);
    }
    if (!fields.isEmpty())
        m_saveLiterals = fields.at(0).trimmed() != QLatin1String("0");
    if (fields.size() > 1 && !fields.at(1).isEmpty())
        m_blank = fields.at(1).at(0);

    Case letterCase = Case::Keep;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const QChar c = form.at(i);
        Position p;
        p.letterCase = letterCase;
        switch (c.unicode()) {
        case '!':
            continue;
        case '>':
            letterCase = Case::Upper;
            continue;
        case '<':
            if (i + 1 < form.size() && form.at(i + 1) == QLatin1Char('>')) {
                ++i;
                letterCase = Case::Keep;
            } else {
                letterCase = Case::Lower;
            }
            continue;
        case '\\':
            if (++i >= form.size())
                continue;
            p.literal = form.at(i);
            break;
        case '0':
            p.accepts = Accepts::Digit;
            p.required = true;
            break;
        case '9':
            p.accepts = Accepts::Digit;
            break;
        case '#':
            p.accepts = Accepts::DigitOrSign;
            break;
        case 'L':
            p.accepts = Accepts::Letter;
            p.required = true;
            break;
        case 'l':
            p.accepts = Accepts::Letter;
            break;
        case 'A':
            p.accepts = Accepts::LetterOrDigit;
            p.required = true;
            break;
        case 'a':
            p.accepts = Accepts::LetterOrDigit;
            break;
        case 'C':
            p.accepts = Accepts::Any;
            p.required = true;
            break;
        case 'c':
            p.accepts = Accepts::Any;
            break;
        default:
            p.literal = c;
            break;
        }
        m_positions.append(p);
    }
    m_chars.clear();
    for (const Position &p : std::as_const(m_positions))
        m_chars.append(p.accepts == Accepts::Literal ? p.literal : QLatin1Char(' '));
    setMaxLength(qMax(1, int(m_positions.size())));
    m_before = text();
    display(0);
    setModified(false);
}

bool TMaskEdit::fits(int pos, QChar c) const
{
    switch (m_positions.at(pos).accepts) {
    case Accepts::Literal:
        return false;
    case Accepts::Digit:
        return c.isDigit();
    case Accepts::DigitOrSign:
        return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
    case Accepts::Letter:
        return c.isLetter();
    case Accepts::LetterOrDigit:
        return c.isLetterOrNumber();
    case Accepts::Any:
        return c.isPrint() && c != QLatin1Char(' ');
    }
    return false;
}

QChar TMaskEdit::converted(int pos, QChar c) const
{
    switch (m_positions.at(pos).letterCase) {
    case Case::Upper:
        return c.toUpper();
    case Case::Lower:
        return c.toLower();
    case Case::Keep:
        break;
    }
    return c;
}

int TMaskEdit::nextEditable(int pos) const
{
    const int n = int(m_positions.size());
    while (pos < n && isLiteral(pos))
        ++pos;
    return qMin(pos, n);
}

QString TMaskEdit::text() const
{
    if (m_saveLiterals)
        return m_chars;
    QString result;
    for (int i = 0; i < m_positions.size(); ++i) {
        if (!isLiteral(i))
            result.append(m_chars.at(i));
    }
    return result;
}

void TMaskEdit::setText(const QString &text)
{
    qsizetype from = 0;
    for (int i = 0; i < m_positions.size(); ++i) {
        if (isLiteral(i)) {
            if (m_saveLiterals)
                ++from;
            continue;
        }
        const QChar c = from < text.size() ? text.at(from) : QLatin1Char(' ');
        ++from;
        m_chars[i] = fits(i, c) ? converted(i, c) : QLatin1Char(' ');
    }
    m_before = this->text();
    display(0);
    setModified(false);
}

bool TMaskEdit::isComplete() const
{
    return firstMissingPosition() < 0;
}

int TMaskEdit::firstMissingPosition() const
{
    for (int i = 0; i < m_positions.size(); ++i) {
        if (m_positions.at(i).required && m_chars.at(i) == QLatin1Char(' '))
            return i;
    }
    return -1;
}

void TMaskEdit::display(int cursor)
{
    QString shown = m_chars;
    for (int i = 0; i < m_positions.size(); ++i) {
        if (!isLiteral(i) && shown.at(i) == QLatin1Char(' '))
            shown[i] = m_blank;
    }
    const bool wasModified = isModified();
    QLineEdit::setText(shown);
    setModified(wasModified);
    setCursorPosition(cursor);
}

void TMaskEdit::changed(int cursor)
{
    display(cursor);
    setModified(true);
}

bool TMaskEdit::typeChar(QChar c)
{
    const int n = int(m_positions.size());
    int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    if (hasSelectedText())
        blankSelection();
    const int target = nextEditable(pos);
    if (target < n && (c == QLatin1Char(' ') || fits(target, c))) {
        m_chars[target] = c == QLatin1Char(' ') ? c : converted(target, c);
        changed(nextEditable(target + 1));
        return true;
    }
    // A literal typed right after the cursor has skipped it changes nothing; typed
    // before it, it moves the cursor past it.
    if (pos > 0 && isLiteral(pos - 1) && m_chars.at(pos - 1) == c)
        return true;
    for (int i = pos; i < n; ++i) {
        if (isLiteral(i) && m_chars.at(i) == c) {
            setCursorPosition(nextEditable(i + 1));
            return true;
        }
    }
    return false;
}

void TMaskEdit::blankSelection()
{
    const int start = selectionStart();
    const int end = start + int(selectedText().size());
    for (int i = start; i < end && i < m_positions.size(); ++i) {
        if (!isLiteral(i))
            m_chars[i] = QLatin1Char(' ');
    }
    changed(start);
}

void TMaskEdit::backspace()
{
    if (hasSelectedText()) {
        blankSelection();
        return;
    }
    int pos = cursorPosition() - 1;
    while (pos >= 0 && isLiteral(pos))
        --pos;
    if (pos < 0)
        return;
    m_chars[pos] = QLatin1Char(' ');
    changed(pos);
}

void TMaskEdit::deleteForward()
{
    if (hasSelectedText()) {
        blankSelection();
        return;
    }
    const int pos = nextEditable(cursorPosition());
    if (pos >= m_positions.size())
        return;
    m_chars[pos] = QLatin1Char(' ');
    changed(pos);
}

void TMaskEdit::paste()
{
    const QString pasted = QApplication::clipboard()->text();
    for (QChar c : pasted) {
        if (!typeChar(c) && !c.isSpace())
            break;
    }
}

void TMaskEdit::cut()
{
    if (!hasSelectedText())
        return;
    QApplication::clipboard()->setText(selectedText());
    blankSelection();
}

void TMaskEdit::undoChange()
{
    setText(m_before);
    selectAll();
}

void TMaskEdit::keyPressEvent(QKeyEvent *event)
{
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        if (!isModified()) {
            event->ignore();
            return;
        }
        undoChange();
        event->accept();
        return;
    }
    // Every key that changes text is handled here; the others (moving the cursor,
    // selecting, copying) are QLineEdit's.
    if (event == QKeySequence::Paste) {
        paste();
    } else if (event == QKeySequence::Cut) {
        cut();
    } else if (event == QKeySequence::Undo || event == QKeySequence::Redo
        || event == QKeySequence::DeleteEndOfLine || event == QKeySequence::DeleteStartOfWord
        || event == QKeySequence::DeleteEndOfWord || event == QKeySequence::DeleteCompleteLine) {
        // Whole-word and history edits do not fit a fixed form.
    } else if (event->key() == Qt::Key_Backspace) {
        backspace();
    } else if (event->key() == Qt::Key_Delete) {
        deleteForward();
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        for (QChar c : event->text())
            typeChar(c);
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TMaskEdit::inputMethodEvent(QInputMethodEvent *event)
{
    for (QChar c : event->commitString())
        typeChar(c);
    event->accept();
}

void TMaskEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *cutAction = menu.addAction(tr("Cu&t"), this, [this] { cut(); });
    cutAction->setEnabled(hasSelectedText() && !isReadOnly());
    QAction *copyAction = menu.addAction(tr("&Copy"), this, [this] { copy(); });
    copyAction->setEnabled(hasSelectedText());
    QAction *pasteAction = menu.addAction(tr("&Paste"), this, [this] { paste(); });
    pasteAction->setEnabled(!isReadOnly());
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, [this] { selectAll(); });
    menu.exec(event->globalPos());
}

void TMaskEdit::focusInEvent(QFocusEvent *event)
{
    if (!isModified())
        m_before = text();
    QLineEdit::focusInEvent(event);
}

void TMaskEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Switching to another window, a menu or a message box is not leaving the box.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason
        || reason == Qt::MenuBarFocusReason)
        return;
    if (m_checking || !isModified() || isComplete() || !isEnabled() || !isVisible())
        return;
    m_checking = true;
    setFocus(Qt::OtherFocusReason);
    setCursorPosition(firstMissingPosition());
    ErrorReport::guard([] { Prompter::current().message(invalidInputMessage()); });
    m_checking = false;
}
