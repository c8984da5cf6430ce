#include "TestDatabase.h"

#include "DemoData.h"

#include "DbError.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QDir>

static QString tempBase()
{
    // CTest points this at a folder inside the build tree; elsewhere the system's.
    const QString base = qEnvironmentVariable("TARN_TEST_TMP");
    if (!base.isEmpty()) {
        QDir().mkpath(base);
        return base + QStringLiteral("/tarn-XXXXXX");
    }
    return QDir::tempPath() + QStringLiteral("/tarn-XXXXXX");
}

TestDatabase::TestDatabase(int products)
    : m_dir(tempBase())
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder");
        return;
    }
    try {
        const ConnectionParams p = params();
        DemoData::createDatabase(p);
        m_connection = std::make_unique<SqlConnection>();
        m_connection->setParams(p);
        m_connection->open();
        if (products > 0) {
            DemoData::CatalogueOptions options;
            options.products = products;
            DemoData::fillCatalogue(*m_connection, options);
        }
    } catch (const DbError &e) {
        m_error = e.message();
        m_connection.reset();
    }
}

TestDatabase::~TestDatabase()
{
    m_connection.reset();
}

bool TestDatabase::isValid() const
{
    return m_connection != nullptr;
}

QString TestDatabase::error() const
{
    return m_error;
}

QString TestDatabase::dir() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TestDatabase::path() const
{
    return dir() + QStringLiteral("test.fdb");
}

ConnectionParams TestDatabase::params() const
{
    return ConnectionParams::embedded(path());
}

SqlConnection &TestDatabase::connection()
{
    return *m_connection;
}

void TestDatabase::exec(const QString &sql)
{
    m_connection->executeImmediate(sql);
}

QString TestDatabase::scalar(const QString &sql)
{
    SqlQuery q(m_connection.get());
    q.setText(sql);
    q.open();
    const QString v = q.eof() ? QString() : q.asString(0);
    q.close();
    return v;
}

QString TestDatabase::writeConnectionFile(const QString &folder) const
{
    QString f = folder.isEmpty() ? dir() : folder;
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    const QString ini = f + QStringLiteral("dbxconnections.ini");
    DemoData::writeConnectionFile(ini, path());
    return ini;
}
