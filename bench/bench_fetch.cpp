// Rows per second of a plain fetch of the product browser's statement through the
// database layer, next to the Firebird client's own cursor loop over the same
// statement in the same run: the same rows in the same order, every value read, on an
// attachment opened beforehand (the timing starts at the statement, on both sides).
// - into a row sink: the layer hands each value over as it stands; the reference reads
//   each value out of the client's message buffer.
// - as texts: the layer turns each value into a QString; the reference does the same
//   conversions (UTF-8 to QString, numbers by the layer's own number format).

#include "BenchReport.h"
#include "TouchSink.h"

#include "ConnectionParams.h"
#include "Conversions.h"
#include "DbError.h"
#include "RowSink.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <firebird/Interface.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

static const char kBrowserSql[]
    = "select PROD_ID,PROD_BARCODE,PROD_NAME,PROVIDER_ID,PROVIDER_NAME,UNITNAME,PSALE_PRICE  "
      "from PRODUCT\nORDER BY PROD_BARCODE";

namespace {

double fetchWithSink(SqlConnection &c, qint64 *rows)
{
    SqlQuery q(&c);
    q.setText(QString::fromLatin1(kBrowserSql));
    QElapsedTimer t;
    t.start();
    q.open();
    TouchSink sink;
    q.fetchInto(sink, -1);
    *rows = sink.rows + (sink.sum < 0 ? 1 : 0);
    return t.nsecsElapsed() / 1e9;
}

double fetchWithTexts(SqlConnection &c, qint64 *rows)
{
    SqlQuery q(&c);
    q.setText(QString::fromLatin1(kBrowserSql));
    QElapsedTimer t;
    t.start();
    q.open();
    qint64 n = 0, chars = 0;
    for (; !q.eof(); q.next()) {
        for (int i = 0; i < 7; ++i)
            chars += q.asString(i).size();
        ++n;
    }
    *rows = n + (chars < 0 ? 1 : 0);
    return t.nsecsElapsed() / 1e9;
}

// The client's own loop: prepare, open a cursor in a read-only read-committed
// transaction, fetch every row into the statement's message buffer and read its values.
class ClientLoop
{
public:
    explicit ClientLoop(const QString &db)
        : m_master(Firebird::fb_get_master_interface())
        , m_status(m_master->getStatus())
    {
        Firebird::IUtil *util = m_master->getUtilInterface();
        Firebird::IXpbBuilder *dpb
            = util->getXpbBuilder(&m_status, Firebird::IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&m_status, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&m_status, isc_dpb_lc_ctype, "UTF8");
        dpb->insertInt(&m_status, isc_dpb_sql_dialect, 3);
        const QByteArray path = db.toLocal8Bit();
        m_attachment = m_master->getDispatcher()->attachDatabase(&m_status, path.constData(),
            dpb->getBufferLength(&m_status), dpb->getBuffer(&m_status));
        dpb->dispose();
    }
    ~ClientLoop()
    {
        if (m_attachment)
            m_attachment->detach(&m_status);
        m_status.dispose();
    }

    // texts: turn each value into a QString as the layer's texts do.
    double fetch(bool texts, qint64 *rows)
    {
        QElapsedTimer t;
        t.start();
        Firebird::IUtil *util = m_master->getUtilInterface();
        Firebird::IXpbBuilder *tpb
            = util->getXpbBuilder(&m_status, Firebird::IXpbBuilder::TPB, nullptr, 0);
        tpb->insertTag(&m_status, isc_tpb_read_committed);
        tpb->insertTag(&m_status, isc_tpb_rec_version);
        tpb->insertTag(&m_status, isc_tpb_read);
        Firebird::ITransaction *tra = m_attachment->startTransaction(
            &m_status, tpb->getBufferLength(&m_status), tpb->getBuffer(&m_status));
        tpb->dispose();
        Firebird::IStatement *stmt = m_attachment->prepare(
            &m_status, tra, 0, kBrowserSql, 3, Firebird::IStatement::PREPARE_PREFETCH_METADATA);
        Firebird::IMessageMetadata *meta = stmt->getOutputMetadata(&m_status);
        const unsigned columns = meta->getCount(&m_status);
        struct Column
        {
            unsigned type, offset, nullOffset;
        };
        std::vector<Column> cols;
        for (unsigned i = 0; i < columns; ++i)
            cols.push_back({ meta->getType(&m_status, i) & ~1u, meta->getOffset(&m_status, i),
                meta->getNullOffset(&m_status, i) });
        std::vector<unsigned char> buffer(meta->getMessageLength(&m_status));
        Firebird::IResultSet *cursor = stmt->openCursor(&m_status, tra, nullptr, nullptr, meta, 0);
        qint64 n = 0, touched = 0;
        while (cursor->fetchNext(&m_status, buffer.data()) == Firebird::IStatus::RESULT_OK) {
            for (const Column &c : cols) {
                short null;
                std::memcpy(&null, &buffer[c.nullOffset], sizeof null);
                if (null)
                    continue;
                const unsigned char *p = &buffer[c.offset];
                if (c.type == SQL_VARYING) {
                    unsigned short len;
                    std::memcpy(&len, p, sizeof len);
                    const char *data = reinterpret_cast<const char *>(p + sizeof len);
                    if (texts)
                        touched += QString::fromUtf8(data, len).size();
                    else
                        touched += len ? static_cast<unsigned char>(data[len - 1]) + len : 0;
                } else if (c.type == SQL_DOUBLE) {
                    double v;
                    std::memcpy(&v, p, sizeof v);
                    touched += texts ? formatNumber(v).size() : v > 0;
                }
            }
            ++n;
        }
        cursor->close(&m_status);
        stmt->free(&m_status);
        meta->release();
        tra->commit(&m_status);
        *rows = n + (touched < 0 ? 1 : 0);
        return t.nsecsElapsed() / 1e9;
    }

private:
    Firebird::IMaster *m_master;
    Firebird::ThrowStatusWrapper m_status;
    Firebird::IAttachment *m_attachment = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString data = qEnvironmentVariable("TARN_BENCH_DATA");
    for (const char *size : { "100000", "1000000" }) {
        const QString db = data + QStringLiteral("/products-%1.fdb").arg(QLatin1String(size));
        if (!QFileInfo::exists(db)) {
            std::printf("skipped: %s not found (scripts/bench makes it)\n", qPrintable(db));
            continue;
        }
        const std::string n = size;
        try {
            // Both attachments stay open throughout, so that they share the engine's
            // page cache; the two sides take turns, the best of two runs each.
            qint64 rows = 0, refRows = 0;
            double sink = 1e300, texts = 1e300, refSink = 1e300, refTexts = 1e300;
            ClientLoop client(db);
            SqlConnection c;
            c.setParams(ConnectionParams::embedded(db));
            c.open();
            fetchWithSink(c, &rows); // the caches, warm for both
            for (int run = 0; run < 2; ++run) {
                sink = std::min(sink, fetchWithSink(c, &rows));
                refSink = std::min(refSink, client.fetch(false, &refRows));
                texts = std::min(texts, fetchWithTexts(c, &rows));
                refTexts = std::min(refTexts, client.fetch(true, &refRows));
            }
            if (rows != refRows)
                std::printf(
                    "warning: %lld rows through the layer, %lld by the client\n", rows, refRows);
            benchReport("fetch " + n + " rows, db layer into row sink", rows / sink, "rows/s",
                refRows / refSink, "client loop");
            benchReport("fetch " + n + " rows, db layer as texts", rows / texts, "rows/s",
                refRows / refTexts, "client+texts");
        } catch (const DbError &e) {
            std::printf("error: %s\n", qPrintable(e.message()));
            return 1;
        } catch (const Firebird::FbException &e) {
            char text[512];
            Firebird::fb_get_master_interface()->getUtilInterface()->formatStatus(
                text, sizeof text, e.getStatus());
            std::printf("error: %s\n", text);
            return 1;
        }
    }
    return 0;
}
