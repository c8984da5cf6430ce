#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

// The general error report. Every event handler of the tool runs through guard():
// an error's text goes to the current prompter's error box and the action ends
// there; a SilentAbort ends it without a message. No exception leaves guard().
class ErrorReport
{
public:
    // Runs action; returns false when it ended with an error or a silent abort.
    static bool guard(const std::function<void()> &action);
    // Shows the text of a caught exception (nothing for a SilentAbort).
    static void show(std::exception_ptr error);
    // The text the report shows for an exception.
    static QString textOf(std::exception_ptr error);
};

// Wraps a handler so that it runs through ErrorReport::guard, for Qt connections:
//   connect(button, &QAbstractButton::clicked, this, guarded([this] { Click(); }));
template<typename F>
auto guarded(F &&f)
{
    return [f = std::forward<F>(f)](auto &&...) { ErrorReport::guard(f); };
}
