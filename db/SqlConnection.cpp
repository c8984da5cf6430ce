#include "SqlConnection.h"

#include "SqlConnectionPrivate.h"
#include "SqlQuery.h"

#include <QDebug>
#include <QFileInfo>

#include <atomic>

using namespace Firebird;

static std::atomic<bool> g_trace{qEnvironmentVariableIntValue("TARN_TRACE_SQL") != 0};

static QByteArray dbCharSet(const ConnectionParams &p)
{
    return p.charSet.isEmpty() ? QByteArray("UTF8") : p.charSet.toUtf8();
}

static IXpbBuilder *makeDpb(fbapi::Status &status, const ConnectionParams &p, int pageSize)
{
    IXpbBuilder *dpb = fbapi::util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    const QByteArray user = p.userName.isEmpty() ? QByteArray("SYSDBA") : p.userName.toUtf8();
    dpb->insertString(&status, isc_dpb_user_name, user.constData());
    if (!p.password.isEmpty())
        dpb->insertString(&status, isc_dpb_password, p.password.toUtf8().constData());
    // "RoleName" is the placeholder value the connection file ships with: no role.
    if (!p.roleName.isEmpty() && p.roleName.compare(QLatin1String("RoleName"), Qt::CaseInsensitive))
        dpb->insertString(&status, isc_dpb_sql_role_name, p.roleName.toUtf8().constData());
    dpb->insertString(&status, isc_dpb_lc_ctype, dbCharSet(p).constData());
    dpb->insertInt(&status, isc_dpb_sql_dialect, p.sqlDialect);
    if (pageSize > 0) {
        dpb->insertInt(&status, isc_dpb_page_size, pageSize);
        dpb->insertString(&status, isc_dpb_set_db_charset, dbCharSet(p).constData());
    }
    return dpb;
}

void SqlConnectionPrivate::ensureOpen()
{
    if (attachment)
        return;
    if (!paramsLoaded) {
        params = ConnectionParams::load(connectionFile.isEmpty() ? defaultConnectionFile()
                                                                 : connectionFile,
                                        name);
        paramsLoaded = true;
    }
    if (params.database.isEmpty())
        throw DbError(QStringLiteral("Database parameter is empty for connection %1").arg(name));
    fbapi::Status status;
    IXpbBuilder *dpb = nullptr;
    try {
        dpb = makeDpb(status, params, 0);
        IProvider *prov = fbapi::master()->getDispatcher();
        const QByteArray db = params.database.toUtf8();
        attachment = prov->attachDatabase(&status, db.constData(), dpb->getBufferLength(&status),
                                          dpb->getBuffer(&status));
        prov->release();
        dpb->dispose();
    } catch (const FbException &e) {
        if (dpb)
            dpb->dispose();
        attachment = nullptr;
        throw fbapi::toDbError(e);
    }
    if (g_trace)
        qDebug().noquote() << "connected" << name << params.database;
}

ITransaction *SqlConnectionPrivate::startTransaction(TransIsolation isolation, bool readOnly)
{
    ensureOpen();
    fbapi::Status status;
    IXpbBuilder *tpb = nullptr;
    try {
        tpb = fbapi::util()->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
        switch (isolation) {
        case TransIsolation::ReadCommitted:
            tpb->insertTag(&status, isc_tpb_read_committed);
            tpb->insertTag(&status, isc_tpb_rec_version);
            break;
        case TransIsolation::Snapshot:
        case TransIsolation::RepeatableRead:
            // Both read one consistent view of the database; neither locks tables.
            tpb->insertTag(&status, isc_tpb_concurrency);
            break;
        }
        tpb->insertTag(&status, params.waitOnLocks ? isc_tpb_wait : isc_tpb_nowait);
        tpb->insertTag(&status, readOnly ? isc_tpb_read : isc_tpb_write);
        ITransaction *tra = attachment->startTransaction(&status, tpb->getBufferLength(&status),
                                                         tpb->getBuffer(&status));
        tpb->dispose();
        return tra;
    } catch (const FbException &e) {
        if (tpb)
            tpb->dispose();
        throw fbapi::toDbError(e);
    }
}

void SqlConnectionPrivate::endTransaction(ITransaction *&tra, bool commit)
{
    if (!tra)
        return;
    fbapi::Status status;
    try {
        if (commit)
            tra->commit(&status);
        else
            tra->rollback(&status);
        tra = nullptr;
    } catch (const FbException &e) {
        DbError err = fbapi::toDbError(e);
        if (commit) {
            // A failed commit leaves the transaction open: undo it so that nothing
            // half-done stays pending on the connection.
            try {
                tra->rollback(&status);
                tra = nullptr;
            } catch (const FbException &) {
                tra->release();
                tra = nullptr;
            }
        } else {
            tra->release();
            tra = nullptr;
        }
        throw err;
    }
}

SqlConnection::SqlConnection(QString connectionName)
    : m_d(std::make_unique<SqlConnectionPrivate>())
{
    m_d->name = std::move(connectionName);
}

SqlConnection::~SqlConnection()
{
    try {
        close();
    } catch (...) {
        // Closing at destruction reports nothing: the process or window is going.
    }
}

const QString &SqlConnection::connectionName() const
{
    return m_d->name;
}

void SqlConnection::setConnectionFile(const QString &path)
{
    m_d->connectionFile = path;
}

QString SqlConnection::connectionFile() const
{
    return m_d->connectionFile.isEmpty() ? defaultConnectionFile() : m_d->connectionFile;
}

void SqlConnection::setParams(const ConnectionParams &params)
{
    m_d->params = params;
    m_d->paramsLoaded = true;
}

const ConnectionParams &SqlConnection::params()
{
    if (!m_d->paramsLoaded) {
        m_d->params = ConnectionParams::load(connectionFile(), m_d->name);
        m_d->paramsLoaded = true;
    }
    return m_d->params;
}

bool SqlConnection::paramsLoaded() const
{
    return m_d->paramsLoaded;
}

void SqlConnection::open()
{
    m_d->ensureOpen();
}

void SqlConnection::close()
{
    if (!m_d->attachment)
        return;
    // Statements release their engine handles before the attachment goes.
    const auto queries = m_d->queries;
    for (SqlQueryPrivate *q : queries)
        SqlQuery::releaseHandles(q);
    if (m_d->transaction) {
        try {
            SqlConnectionPrivate::endTransaction(m_d->transaction, false);
        } catch (const DbError &) {
        }
    }
    fbapi::Status status;
    try {
        m_d->attachment->detach(&status);
        m_d->attachment = nullptr;
    } catch (const FbException &e) {
        m_d->attachment->release();
        m_d->attachment = nullptr;
        throw fbapi::toDbError(e);
    }
}

bool SqlConnection::connected() const
{
    return m_d->attachment != nullptr;
}

bool SqlConnection::inTransaction() const
{
    return m_d->transaction != nullptr;
}

void SqlConnection::startTransaction(int transactionId, TransIsolation isolation)
{
    (void)transactionId; // one explicit transaction per connection
    if (m_d->transaction)
        throw DbError(QStringLiteral("A transaction is already active on %1").arg(m_d->name));
    m_d->transaction = m_d->startTransaction(isolation);
}

void SqlConnection::commit()
{
    if (!m_d->transaction)
        throw DbError(QStringLiteral("No transaction is active on %1").arg(m_d->name));
    SqlConnectionPrivate::endTransaction(m_d->transaction, true);
}

void SqlConnection::rollback()
{
    if (!m_d->transaction)
        return;
    SqlConnectionPrivate::endTransaction(m_d->transaction, false);
}

void SqlConnection::executeImmediate(const QString &sql)
{
    SqlQuery q(this);
    q.setText(sql);
    q.execute();
}

void SqlConnection::createDatabase(const ConnectionParams &params, int pageSize)
{
    fbapi::Status status;
    IXpbBuilder *dpb = nullptr;
    try {
        dpb = makeDpb(status, params, pageSize);
        IProvider *prov = fbapi::master()->getDispatcher();
        const QByteArray db = params.database.toUtf8();
        IAttachment *att = prov->createDatabase(&status, db.constData(),
                                                dpb->getBufferLength(&status),
                                                dpb->getBuffer(&status));
        prov->release();
        dpb->dispose();
        dpb = nullptr;
        att->detach(&status);
    } catch (const FbException &e) {
        if (dpb)
            dpb->dispose();
        throw fbapi::toDbError(e);
    }
}

void SqlConnection::setTrace(bool on)
{
    g_trace = on;
}

bool SqlConnection::trace()
{
    return g_trace;
}
