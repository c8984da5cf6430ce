#include "ScriptedPrompter.h"

ScriptedPrompter::ScriptedPrompter()
{
    Prompter::setCurrent(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    Prompter::setCurrent(nullptr);
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Prompt &p : m_prompts)
        out.append(p.text);
    return out;
}

QString ScriptedPrompter::lastText() const
{
    return m_prompts.isEmpty() ? QString() : m_prompts.last().text;
}

void ScriptedPrompter::message(const QString &text)
{
    m_prompts.append({Prompt::Message, text, mbOK});
}

void ScriptedPrompter::warning(const QString &text)
{
    m_prompts.append({Prompt::Warning, text, mbOK});
}

void ScriptedPrompter::error(const QString &text)
{
    m_prompts.append({Prompt::Error, text, mbOK});
}

bool ScriptedPrompter::confirm(const QString &text)
{
    m_prompts.append({Prompt::Confirm, text, mbYes | mbNo});
    return m_confirmAnswers.isEmpty() ? false : m_confirmAnswers.takeFirst();
}

MsgButton ScriptedPrompter::ask(const QString &text, MsgButtons buttons, int helpContext)
{
    (void)helpContext;
    m_prompts.append({Prompt::Ask, text, buttons});
    if (!m_askAnswers.isEmpty())
        return m_askAnswers.takeFirst();
    for (unsigned bit = 1; bit; bit <<= 1)
        if (buttons & bit)
            return MsgButton(bit);
    return MsgButton(0);
}
