#include "FirebirdApi.h"

#include <vector>

namespace fbapi {

Firebird::IMaster *master()
{
    static Firebird::IMaster *m = Firebird::fb_get_master_interface();
    return m;
}

Firebird::IUtil *util()
{
    static Firebird::IUtil *u = master()->getUtilInterface();
    return u;
}

DbError toDbError(const Firebird::FbException &e, const QString &statement)
{
    Firebird::IStatus *st = e.getStatus();
    std::vector<char> buf(4096);
    util()->formatStatus(buf.data(), unsigned(buf.size() - 1), st);
    QString text = QString::fromUtf8(buf.data());
    if (text.trimmed().isEmpty())
        text = QStringLiteral("Database error");
    DbError err(text.trimmed(), statement);
    // Collect every engine code of the status vector.
    const intptr_t *v = st->getErrors();
    while (v && *v != isc_arg_end) {
        const intptr_t type = *v++;
        switch (type) {
        case isc_arg_gds:
            err.addCode(long(*v++));
            break;
        case isc_arg_cstring:
            v += 2;
            break;
        default:
            ++v; // string, number, interpreted, sql state, warning: one value each
            break;
        }
    }
    return err;
}

int bytesPerChar(unsigned charSet)
{
    switch (charSet) {
    case 3: // UNICODE_FSS
        return 3;
    case 4:  // UTF8
    case 69: // GB18030
        return 4;
    case 5:  // SJIS_0208
    case 6:  // EUCJ_0208
    case 44: // KSC_5601
    case 56: // BIG_5
    case 57: // GB_2312
    case 67: // GBK
    case 68: // CP943C
        return 2;
    default:
        return 1;
    }
}

} // namespace fbapi
