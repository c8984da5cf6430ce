#pragma once

#include <QString>

// Message-box buttons (bits), as confirmations offer them.
enum MsgButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
using MsgButtons = unsigned;

// Every message box and confirmation of the tool goes through the current prompter,
// so that tests can answer them without a person. The real one shows Qt message
// boxes; tests install a scripted one.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // Plain message with one OK button.
    virtual void message(const QString &text) = 0;
    // Warning box with one OK button (input errors found in the database).
    virtual void warning(const QString &text) = 0;
    // The general error report's box.
    virtual void error(const QString &text) = 0;
    // Yes/No question: Yes is the default button, Escape answers No. True only on Yes.
    virtual bool confirm(const QString &text) = 0;
    // Confirmation with chosen buttons; returns the button pressed (one bit), or 0
    // when the box was closed without a button.
    virtual MsgButton ask(const QString &text, MsgButtons buttons, int helpContext) = 0;

    // The prompter in use; a QtPrompter unless another was installed.
    static Prompter &current();
    // Installs p (not owned); null returns to the QtPrompter.
    static void setCurrent(Prompter *p);
};
