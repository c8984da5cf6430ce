#include "DbError.h"

DbError::DbError(QString message, QString statement, long gdsCode)
    : m_message(std::move(message))
    , m_statement(std::move(statement))
    , m_gdsCode(gdsCode)
    , m_utf8(m_message.toUtf8())
{
    if (gdsCode)
        m_codes.append(gdsCode);
}

bool DbError::hasCode(long code) const
{
    return m_codes.contains(code);
}

void DbError::addCode(long code)
{
    if (!m_gdsCode)
        m_gdsCode = code;
    if (!m_codes.contains(code))
        m_codes.append(code);
}
