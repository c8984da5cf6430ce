#pragma once

// Internal: the pieces of the Firebird client API that the connection and statement
// classes share. Not included by anything outside db/.

#include "DbError.h"

#include <firebird/Interface.h>

#include <QString>

namespace fbapi {

Firebird::IMaster *master();
Firebird::IUtil *util();

// A status wrapper that throws Firebird::FbException and frees itself.
class Status
{
public:
    Status() : m_wrapper(master()->getStatus()) {}
    ~Status() { m_wrapper.dispose(); }
    Status(const Status &) = delete;
    Status &operator=(const Status &) = delete;
    Firebird::ThrowStatusWrapper *operator&() { return &m_wrapper; }

private:
    Firebird::ThrowStatusWrapper m_wrapper;
};

// The engine's error (message text, every engine code) as a DbError.
DbError toDbError(const Firebird::FbException &e, const QString &statement = {});

// Maximum bytes per character of a character set id (for column sizes).
int bytesPerChar(unsigned charSet);

constexpr unsigned kCharSetNone = 0;
constexpr unsigned kCharSetOctets = 1;
constexpr unsigned kCharSetUtf8 = 4;

} // namespace fbapi
