// Writes a few valid record-set files as the fuzzer's starting corpus.

#include "RecordSetFile.h"

#include <QFile>
#include <QString>

#include <cstdio>

static void save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);

    std::vector<RecordSetFile::FieldDef> fields(3);
    fields[0] = {QStringLiteral("PROMO_WORD"), FieldType::String, 20, QStringLiteral("前置"), true};
    fields[1] = {QStringLiteral("QTY"), FieldType::Integer, 0, {}, false};
    fields[2] = {QStringLiteral("PRICE"), FieldType::Number, 0, QStringLiteral("價"), false};
    std::vector<Column> cols;
    for (const auto &f : fields)
        cols.emplace_back(f.type);
    const char *words[] = {"PS", "促銷", "", "A'B"};
    for (int r = 0; r < 4; ++r) {
        cols[0].appendText(words[r], uint32_t(std::strlen(words[r])));
        if (r == 2)
            cols[1].appendNull();
        else
            cols[1].appendInteger(r * 1000 - 1);
        cols[2].appendNumber(r * 12.5);
    }
    std::vector<const Column *> ptrs;
    for (const Column &c : cols)
        ptrs.push_back(&c);
    save(dir + "/three-fields.dat", RecordSetFile::write(fields, ptrs, {0, 1, 2, 3}));
    save(dir + "/one-row.dat", RecordSetFile::write({fields[0]}, {ptrs[0]}, {1}));
    save(dir + "/no-rows.dat", RecordSetFile::write(fields, ptrs, {}));
    save(dir + "/no-fields.dat", RecordSetFile::write({}, {}, {}));
    return 0;
}
