#pragma once

#include "Prompter.h"

#include <QStringList>

// Benchmarks answer no box: messages are collected, never shown, and every question
// is answered No.
struct QuietPrompter : Prompter
{
    QStringList texts;
    void message(const QString &text) override { texts << text; }
    void warning(const QString &text) override { texts << text; }
    void error(const QString &text) override { texts << text; }
    bool confirm(const QString &text) override
    {
        texts << text;
        return false;
    }
    MsgButton ask(const QString &text, MsgButtons, int) override
    {
        texts << text;
        return MsgButton(0);
    }
};
