#include "Prompter.h"

#include "QtPrompter.h"

static Prompter *g_current = nullptr;

Prompter &Prompter::current()
{
    static QtPrompter qtPrompter;
    return g_current ? *g_current : qtPrompter;
}

void Prompter::setCurrent(Prompter *p)
{
    g_current = p;
}
