#include "QtPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

static QWidget *parentWindow()
{
    QWidget *w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    return w;
}

// Shows the box and gives the keyboard back to the window it came from: without a
// window manager to do that, keys after the box would reach no window.
static int runBox(QMessageBox &box)
{
    const QPointer<QWidget> owner = box.parentWidget();
    const int result = box.exec();
    if (owner && owner->isVisible())
        owner->window()->activateWindow();
    return result;
}

static QString appTitle()
{
    const QString name = QApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("TarnPromotion") : name;
}

void QtPrompter::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, appTitle(), text, QMessageBox::Ok, parentWindow());
    runBox(box);
}

void QtPrompter::warning(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, appTitle(), text, QMessageBox::Ok, parentWindow());
    runBox(box);
}

void QtPrompter::error(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, appTitle(), text, QMessageBox::Ok, parentWindow());
    runBox(box);
}

bool QtPrompter::confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, appTitle(), text, QMessageBox::Yes | QMessageBox::No,
        parentWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return runBox(box) == QMessageBox::Yes;
}

MsgButton QtPrompter::ask(const QString &text, MsgButtons buttons, int helpContext)
{
    (void)helpContext; // Qt message boxes have no help context
    struct Map
    {
        MsgButton ours;
        QMessageBox::StandardButton qt;
    };
    static const Map map[] = {
        { mbYes, QMessageBox::Yes },
        { mbNo, QMessageBox::No },
        { mbOK, QMessageBox::Ok },
        { mbCancel, QMessageBox::Cancel },
        { mbAbort, QMessageBox::Abort },
        { mbRetry, QMessageBox::Retry },
        { mbIgnore, QMessageBox::Ignore },
        { mbAll, QMessageBox::YesToAll },
        { mbNoToAll, QMessageBox::NoToAll },
        { mbYesToAll, QMessageBox::YesToAll },
        { mbHelp, QMessageBox::Help },
    };
    QMessageBox::StandardButtons qtButtons;
    for (const Map &m : map)
        if (buttons & m.ours)
            qtButtons |= m.qt;
    if (!qtButtons)
        qtButtons = QMessageBox::Ok;
    QMessageBox box(QMessageBox::Question, appTitle(), text, qtButtons, parentWindow());
    const int r = runBox(box);
    for (const Map &m : map)
        if (r == m.qt && (buttons & m.ours))
            return m.ours;
    return MsgButton(0);
}
