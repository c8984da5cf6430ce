// libFuzzer target for the record-set file reader: any input is either refused with a
// DbError or read; what is read must write back and read again to the same content.
// Built with FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION, so that the checksum does not
// stop the fuzzer at the door.

#include "DbError.h"
#include "RecordSetFile.h"

#include <cstdlib>
#include <cstring>

namespace {

std::vector<uint32_t> allRows(uint32_t n)
{
    std::vector<uint32_t> rows(n);
    for (uint32_t i = 0; i < n; ++i)
        rows[i] = i;
    return rows;
}

QByteArray rewrite(const RecordSetFile::Content &c)
{
    std::vector<const Column *> cols;
    for (const Column &col : c.columns)
        cols.push_back(&col);
    return RecordSetFile::write(c.fields, cols, allRows(c.rows));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    RecordSetFile::Content content;
    try {
        content = RecordSetFile::read(input, QStringLiteral("fuzz.dat"));
    } catch (const DbError &) {
        return 0; // refused: fine
    }
    const QByteArray once = rewrite(content);
    RecordSetFile::Content again;
    try {
        again = RecordSetFile::read(once, QStringLiteral("rewritten.dat"));
    } catch (const DbError &) {
        std::abort(); // what was read must be writable and readable
    }
    if (rewrite(again) != once || again.rows != content.rows
        || again.fields.size() != content.fields.size())
        std::abort();
    return 0;
}
