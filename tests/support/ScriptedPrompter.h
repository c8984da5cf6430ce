#pragma once

#include "Prompter.h"

#include <QList>
#include <QString>
#include <QStringList>

// A prompter for tests: records every prompt and answers confirmations from a queue
// (default answer when the queue is empty: No / the first button offered).
// Installs itself as the current prompter while it lives.
class ScriptedPrompter : public Prompter
{
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;

    struct Prompt
    {
        enum Kind { Message, Warning, Error, Confirm, Ask } kind;
        QString text;
        MsgButtons buttons = 0;
    };

    // Answers for the next confirm() calls, in order.
    void answerConfirm(bool yes) { m_confirmAnswers.append(yes); }
    // Answers for the next ask() calls (a MsgButton, or 0 for "closed").
    void answerAsk(MsgButton button) { m_askAnswers.append(button); }

    const QList<Prompt> &prompts() const { return m_prompts; }
    QStringList texts() const;               // every prompt's text, in order
    QString lastText() const;
    int count() const { return int(m_prompts.size()); }
    void clear() { m_prompts.clear(); }

    void message(const QString &text) override;
    void warning(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    MsgButton ask(const QString &text, MsgButtons buttons, int helpContext) override;

private:
    QList<Prompt> m_prompts;
    QList<bool> m_confirmAnswers;
    QList<MsgButton> m_askAnswers;
};
