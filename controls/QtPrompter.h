#pragma once

#include "Prompter.h"

// Prompts shown as Qt message boxes over the active window.
class QtPrompter : public Prompter
{
public:
    void message(const QString &text) override;
    void warning(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    MsgButton ask(const QString &text, MsgButtons buttons, int helpContext) override;
};
