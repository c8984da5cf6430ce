#pragma once

#include <exception>

// Ends an action without a message. Record-set "before" events and field validate
// handlers throw it to cancel the action; the general error report ignores it.
class SilentAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};
