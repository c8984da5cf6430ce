#pragma once

#include <QString>
#include <QByteArray>
#include <QList>

#include <exception>

// An error of the database engine, the client library or the record-set engine.
// message() is the component's own text, the one the general error report shows;
// statement() is the failing statement's text, kept for tracing only.
class DbError : public std::exception
{
public:
    explicit DbError(QString message, QString statement = {}, long gdsCode = 0);

    const QString &message() const { return m_message; }
    const QString &statement() const { return m_statement; }
    // The engine's primary error code (isc_...), 0 for errors raised by this layer.
    long gdsCode() const { return m_gdsCode; }
    // Every engine code of the status vector, for tests such as "is this a lock conflict".
    bool hasCode(long code) const;
    void addCode(long code);

    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QString m_statement;
    long m_gdsCode = 0;
    QList<long> m_codes;
    QByteArray m_utf8;
};
