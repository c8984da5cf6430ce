#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "RecordSetFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

// Builds record-set files byte by byte, with a correct checksum unless told otherwise,
// so that each malformed case reaches the check it is meant for.
class Bytes
{
public:
    Bytes &raw(const QByteArray &b)
    {
        m_b.append(b);
        return *this;
    }
    Bytes &u8(quint8 v) { return raw(QByteArray(1, char(v))); }
    Bytes &u16(quint16 v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes &u32(quint32 v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes &u64(quint64 v) { return u32(quint32(v)).u32(quint32(v >> 32)); }
    Bytes &header(quint32 fields, quint32 rows, quint16 version = 1)
    {
        return raw(QByteArray("TRNRSET\x1a", 8)).u16(version).u16(0).u32(fields).u32(rows);
    }
    Bytes &field(const QByteArray &name, quint8 type, quint32 size, quint8 flags = 0,
                 const QByteArray &label = {})
    {
        return u16(quint16(name.size())).raw(name).u8(type).u8(flags).u32(size)
            .u16(quint16(label.size())).raw(label);
    }
    Bytes &text(const QByteArray &utf8) { return u32(quint32(utf8.size())).raw(utf8); }
    QByteArray done() const
    {
        QByteArray out = m_b;
        const quint32 crc = RecordSetFile::crc32(out.constData(), size_t(out.size()));
        for (int i = 0; i < 4; ++i)
            out.append(char((crc >> (8 * i)) & 0xFF));
        return out;
    }

private:
    QByteArray m_b;
};

// A record set as the site configuration and the demo data write it, with every kind
// of value.
std::unique_ptr<RecordSet> sample()
{
    auto rs = std::make_unique<RecordSet>("aCDS");
    rs->addField("PROMO_WORD", FieldType::String, 20, QStringLiteral("促銷前置"));
    rs->addField("QTY", FieldType::Integer);
    rs->addField("PRICE", FieldType::Number);
    rs->open();
    const QList<QVariantList> rows = {
        {QStringLiteral("  PS 促銷 "), std::numeric_limits<qint64>::min(), -0.000125},
        {QStringLiteral("O'Brien"), std::numeric_limits<qint64>::max(), 1e300},
        {QString(""), QVariant(), QVariant()},
        {QVariant(), 0, 12.5},
    };
    for (const QVariantList &r : rows) {
        rs->append();
        for (int f = 0; f < 3; ++f)
            rs->field(f)->setValue(r[f]);
        rs->post();
    }
    rs->field(0)->setRequired(true); // kept by the file, not checked by it
    return rs;
}

QString messageOf(const QByteArray &bytes)
{
    RecordSet rs;
    try {
        rs.loadFromBytes(bytes);
    } catch (const DbError &e) {
        if (rs.active())
            return QStringLiteral("(left open)");
        return e.message();
    }
    return QString();
}

} // namespace

class TestRecordSetFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Vantor.dat");
        auto rs = sample();
        rs->saveToFile(path);

        RecordSet loaded("aCDS");
        int opens = 0;
        loaded.AfterOpen = [&](RecordSet &) { ++opens; };
        loaded.loadFromFile(path);
        QCOMPARE(opens, 1);
        QVERIFY(loaded.active());
        QCOMPARE(loaded.recNo(), 0);
        QCOMPARE(loaded.fieldCount(), 3);
        const Field *word = loaded.field(0);
        QCOMPARE(word->fieldName(), QStringLiteral("PROMO_WORD"));
        QCOMPARE(word->dataType(), FieldType::String);
        QCOMPARE(word->size(), 20);
        QCOMPARE(word->displayLabel(), QStringLiteral("促銷前置"));
        QVERIFY(word->required());
        QCOMPARE(loaded.field(1)->dataType(), FieldType::Integer);
        QVERIFY(!loaded.field(1)->hasDisplayLabel());
        QCOMPARE(loaded.field(2)->dataType(), FieldType::Number);
        QCOMPARE(loaded.fieldByName("PROMO_WORD")->asString(), QStringLiteral("  PS 促銷 "));
        QCOMPARE(loaded.recordCount(), 4);
        for (int r = 0; r < 4; ++r) {
            for (int f = 0; f < 3; ++f) {
                QCOMPARE(loaded.isNullAt(r, f), rs->isNullAt(r, f));
                QCOMPARE(loaded.valueAt(r, f), rs->valueAt(r, f));
            }
        }
        QVERIFY(!loaded.isNullAt(2, 0)); // an empty text is not a null
        QVERIFY(loaded.isNullAt(3, 0));
        // The same content gives the same bytes.
        QCOMPARE(loaded.saveToBytes(), rs->saveToBytes());

        // A file without rows gives an empty record set, not an error.
        RecordSet empty;
        empty.addField("PROMO_WORD", FieldType::String, 20);
        empty.open();
        empty.saveToFile(path);
        loaded.loadFromFile(path);
        QVERIFY(loaded.isEmpty());
        QCOMPARE(loaded.fieldByName("PROMO_WORD")->asString(), QString());
    }

    // Foreign, damaged and hostile input: refused with a message saying what is wrong,
    // and the record set stays closed.
    void corruptInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray good = sample()->saveToBytes();
        QByteArray flipped = good;
        flipped[40] = char(flipped[40] ^ 0x20);
        QByteArray garbage = good.left(good.size() - 4);

        QTest::newRow("empty") << QByteArray() << "The data is not a record-set file";
        QTest::newRow("a text file") << QByteArray("PROMO_WORD=PS\r\n")
                                     << "The data is not a record-set file";
        QTest::newRow("magic only") << QByteArray("TRNRSET\x1a", 8)
                                    << "The data is damaged: it ends in the middle of the header";
        QTest::newRow("newer format") << Bytes().header(0, 0, 2).done()
                                      << "The data is a record-set file of format 2, which this "
                                         "program cannot read (it reads format 1)";
        QTest::newRow("a changed byte") << flipped
                                        << "The data is damaged: its checksum does not match its "
                                           "contents";
        QTest::newRow("cut short") << good.left(good.size() - 9)
                                   << "The data is damaged: its checksum does not match its "
                                      "contents";
        QTest::newRow("bytes after the rows")
            << Bytes().raw(garbage).raw("xyz").done()
            << "The data is damaged: it has 3 unexpected bytes after its rows";
        QTest::newRow("unknown header flags")
            << Bytes().raw(QByteArray("TRNRSET\x1a", 8)).u16(1).u16(1).u32(0).u32(0).done()
            << "The data is damaged: its header has unknown flags";
        QTest::newRow("huge field count") << Bytes().header(0xFFFFFFFF, 0).done()
                                          << "The data is damaged: it claims 4294967295 fields";
        QTest::newRow("fields missing") << Bytes().header(3, 0).field("A", 0, 5).done()
                                        << "The data is damaged: it ends in the middle of a field "
                                           "definition";
        QTest::newRow("rows that cannot fit")
            << Bytes().header(1, 0x7FFFFFFF).field("A", 1, 0).u8(0).done()
            << "The data is damaged: it claims 2147483647 rows that it cannot hold";
        QTest::newRow("rows without fields") << Bytes().header(0, 5).done()
                                             << "The data is damaged: it claims 5 rows that it "
                                                "cannot hold";
        QTest::newRow("empty field name") << Bytes().header(1, 0).field("", 0, 5).done()
                                          << "The data is damaged: field 1 has a name of 0 bytes";
        QTest::newRow("field twice") << Bytes().header(2, 0).field("A", 0, 5).field("a", 1, 0).done()
                                     << "The data is damaged: field 'a' is defined twice";
        QTest::newRow("unknown type") << Bytes().header(1, 0).field("A", 7, 0).done()
                                      << "The data is damaged: field 'A' has an unknown type 7";
        QTest::newRow("unknown field flags") << Bytes().header(1, 0).field("A", 0, 5, 0x80).done()
                                             << "The data is damaged: field 'A' has unknown flags";
        QTest::newRow("number with a size") << Bytes().header(1, 0).field("A", 2, 8).done()
                                            << "The data is damaged: field 'A' has an invalid "
                                               "size 8";
        QTest::newRow("name not UTF-8") << Bytes().header(1, 0).field("\xff\xfe", 0, 5).done()
                                        << "The data is damaged: a field name is not valid UTF-8";
        QTest::newRow("text past the end")
            << Bytes().header(1, 1).field("A", 0, 0).u8(0).u32(1000).raw("abc").done()
            << "The data is damaged: a text in row 1 runs past its end";
        QTest::newRow("text not UTF-8")
            << Bytes().header(1, 1).field("A", 0, 0).u8(0).text("a\xc3").done()
            << "The data is damaged: a text value is not valid UTF-8";
        QTest::newRow("text longer than its field")
            << Bytes().header(1, 1).field("A", 0, 2).u8(0).text("一二三").done()
            << "The data is damaged: a text in row 1 is longer than field 'A' allows";
        QTest::newRow("unknown null bits")
            << Bytes().header(1, 1).field("A", 1, 0).u8(0x02).u64(1).done()
            << "The data is damaged: row 1 has unknown bits in its null map";
        QTest::newRow("number cut") << Bytes().header(1, 1).field("A", 2, 0).u8(0).u32(7).done()
                                    << "The data is damaged: it ends in the middle of a number "
                                       "value";
    }
    void corruptInput()
    {
        QFETCH(QByteArray, bytes);
        QTEST(messageOf(bytes), "message");
    }

    // Every truncation and every single-byte change of a good file is refused, never
    // read wrongly and never a crash.
    void everyTruncationAndChangeRefused()
    {
        const QByteArray good = sample()->saveToBytes();
        QCOMPARE(messageOf(good), QString());
        for (int n = 0; n < good.size(); ++n)
            QVERIFY2(!messageOf(good.left(n)).isEmpty(), qPrintable(QString::number(n)));
        for (int i = 0; i < good.size(); ++i) {
            QByteArray b = good;
            b[i] = char(b[i] ^ 0x5A);
            const QString m = messageOf(b);
            QVERIFY2(!m.isEmpty() && m != "(left open)", qPrintable(QString::number(i)));
        }
    }

    // File errors name the file; a failed load leaves the record set closed, a failed
    // save leaves the old file as it was.
    void fileErrors()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        RecordSet rs;
        rs.loadFromBytes(sample()->saveToBytes());
        QVERIFY(rs.active());
        try {
            rs.loadFromFile(dir.filePath("Vantor.dat"));
            QFAIL("a missing file was read");
        } catch (const DbError &e) {
            QVERIFY2(e.message().startsWith("Cannot open file " + dir.filePath("Vantor.dat")),
                     qPrintable(e.message()));
        }
        QVERIFY(!rs.active());

        QFile foreign(dir.filePath("Vantor.dat"));
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("[Quillon]\r\nDatabase=x\r\n");
        foreign.close();
        try {
            rs.loadFromFile(dir.filePath("Vantor.dat"));
            QFAIL("a foreign file was read");
        } catch (const DbError &e) {
            QCOMPARE(e.message(), QStringLiteral("Vantor.dat is not a record-set file"));
        }
        QVERIFY(!rs.active());

        sample()->saveToFile(dir.filePath("Vantor.dat"));
        const QString missingFolder = dir.filePath("no/such/folder/Vantor.dat");
        QVERIFY_THROWS_EXCEPTION(DbError, sample()->saveToFile(missingFolder));
        rs.loadFromFile(dir.filePath("Vantor.dat")); // still the good file
        QCOMPARE(rs.recordCount(), 4);
    }
};

QTEST_GUILESS_MAIN(TestRecordSetFile)
#include "tst_recordsetfile.moc"
