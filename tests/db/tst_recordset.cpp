#include "DataLink.h"
#include "DataSource.h"
#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "SilentAbort.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

#include <memory>

namespace {

struct Row
{
    QVariant code;
    QVariant qty;
    QVariant price;
};

// A record set of CODE text(10), QTY integer, PRICE number, filled in memory.
std::unique_ptr<RecordSet> makeSet(const QList<Row> &rows, const QString &name = "CDS_TEST")
{
    auto rs = std::make_unique<RecordSet>(name);
    rs->addField("CODE", FieldType::String, 10, QStringLiteral("代號"));
    rs->addField("QTY", FieldType::Integer);
    rs->addField("PRICE", FieldType::Number);
    rs->open();
    for (const Row &r : rows) {
        rs->append();
        rs->field(0)->setValue(r.code);
        rs->field(1)->setValue(r.qty);
        rs->field(2)->setValue(r.price);
        rs->post();
    }
    rs->first();
    return rs;
}

std::unique_ptr<RecordSet> makeCodes(const QStringList &codes)
{
    QList<Row> rows;
    for (const QString &c : codes)
        rows.append({c.isNull() ? QVariant() : QVariant(c), {}, {}});
    return makeSet(rows);
}

// Every row shown, a pending new row included.
QStringList codesInOrder(const RecordSet &rs)
{
    QStringList out;
    for (int i = 0; i < rs.recordCount(); ++i)
        out << (rs.isNullAt(i, 0) ? QStringLiteral("<null>") : rs.valueAt(i, 0).toString());
    return out;
}

// Counts what a data link is told.
struct CountingLink : DataLink
{
    int active = 0, editing = 0, data = 0, scrolled = 0, record = 0;
    std::function<void()> onAny;
    void activeChanged() override { ++active, hook(); }
    void editingChanged() override { ++editing, hook(); }
    void dataSetChanged() override { ++data, hook(); }
    void dataSetScrolled() override { ++scrolled, hook(); }
    void recordChanged(Field *) override { ++record, hook(); }
    void hook()
    {
        if (onAny)
            onAny();
    }
    int total() const { return active + editing + data + scrolled + record; }
};

} // namespace

class TestRecordSet : public QObject
{
    Q_OBJECT

private slots:
    // Cursor flags as the navigation buttons read them: a table of moves from open.
    void cursorFlags_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("recNo");
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::newRow("open") << 3 << "" << 0 << true << false;
        QTest::newRow("next") << 3 << "n" << 1 << false << false;
        QTest::newRow("prior back onto first keeps bof clear") << 3 << "np" << 0 << false << false;
        QTest::newRow("a further prior sets bof") << 3 << "npp" << 0 << true << false;
        QTest::newRow("last") << 3 << "l" << 2 << false << true;
        QTest::newRow("next onto last keeps eof clear") << 3 << "nn" << 2 << false << false;
        QTest::newRow("a further next sets eof") << 3 << "nnn" << 2 << false << true;
        QTest::newRow("first after last") << 3 << "lf" << 0 << true << false;
        QTest::newRow("moveBy past end") << 3 << "+9" << 2 << false << true;
        QTest::newRow("moveBy before start") << 3 << "l-9" << 0 << true << false;
        QTest::newRow("one row, next") << 1 << "n" << 0 << false << true;
        QTest::newRow("one row, next, prior") << 1 << "np" << 0 << true << false;
        QTest::newRow("empty open") << 0 << "" << -1 << true << true;
        QTest::newRow("empty after every move") << 0 << "npflr" << -1 << true << true;
        QTest::newRow("setRecNo") << 3 << "r" << 2 << false << false;
    }
    void cursorFlags()
    {
        QFETCH(int, rows);
        QFETCH(QString, moves);
        QStringList codes;
        for (int i = 0; i < rows; ++i)
            codes << QStringLiteral("C%1").arg(i);
        auto rs = makeCodes(codes);
        rs->loadFromBytes(rs->saveToBytes()); // flags as after an open, not after the fill
        for (int i = 0; i < moves.size(); ++i) {
            switch (moves[i].toLatin1()) {
            case 'n': rs->next(); break;
            case 'p': rs->prior(); break;
            case 'f': rs->first(); break;
            case 'l': rs->last(); break;
            case 'r': rs->setRecNo(2); break;
            case '+': rs->moveBy(moves.mid(i + 1, 1).toInt()), ++i; break;
            case '-': rs->moveBy(-moves.mid(i + 1, 1).toInt()), ++i; break;
            }
        }
        QTEST(rs->recNo(), "recNo");
        QTEST(rs->bof(), "bof");
        QTEST(rs->eof(), "eof");
        QCOMPARE(rs->isEmpty(), rows == 0);
    }

    // AfterOpen then AfterScroll (not on an empty open); AfterScroll after every
    // navigation call, after append before it returns, after dropping a new row, after
    // delete; not after cancelling an edit.
    void afterScrollEvents()
    {
        auto rs = makeCodes({"A", "B", "C"});
        QStringList log;
        rs->AfterOpen = [&](RecordSet &) { log << "open"; };
        rs->AfterScroll = [&](RecordSet &r) { log << QStringLiteral("scroll%1").arg(r.recNo()); };
        const QByteArray saved = rs->saveToBytes();
        rs->loadFromBytes(saved);
        QCOMPARE(log, QStringList({"open", "scroll0"}));

        log.clear();
        rs->next();
        rs->next();
        rs->next(); // at the end: no move, still a navigation call
        rs->first();
        QVERIFY(rs->locate("CODE", "B"));
        QVERIFY(!rs->locate("CODE", "nothing"));
        QCOMPARE(log, QStringList({"scroll1", "scroll2", "scroll2", "scroll0", "scroll1"}));

        log.clear();
        int scrollsDuringAppend = -1;
        rs->BeforeInsert = [&](RecordSet &) { scrollsDuringAppend = int(log.size()); };
        rs->append();
        QCOMPARE(scrollsDuringAppend, 0);
        QCOMPARE(log, QStringList({"scroll3"})); // fired before append returned
        rs->cancel();
        QCOMPARE(log, QStringList({"scroll3", "scroll1"})); // back on the row before

        log.clear();
        rs->edit();
        rs->fieldByName("CODE")->setAsString("X");
        rs->cancel();
        QCOMPARE(log, QStringList());
        QCOMPARE(rs->fieldByName("CODE")->asString(), QStringLiteral("B"));

        rs->deleteRecord();
        QCOMPARE(log, QStringList({"scroll1"}));
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "C"}));

        auto empty = makeCodes({});
        QStringList emptyLog;
        empty->AfterOpen = [&](RecordSet &) { emptyLog << "open"; };
        empty->AfterScroll = [&](RecordSet &) { emptyLog << "scroll"; };
        empty->loadFromBytes(empty->saveToBytes());
        QCOMPARE(emptyLog, QStringList({"open"}));
    }

    // Leaving an unchanged new row drops it (and that is a move); a changed one is
    // posted. New-record defaults do not count as changes.
    void leavingPendingRows()
    {
        auto rs = makeCodes({"A", "B"});
        rs->OnNewRecord = [](RecordSet &r) { r.fieldByName("QTY")->setAsInteger(1); };
        int scrolls = 0;
        rs->AfterScroll = [&](RecordSet &) { ++scrolls; };

        rs->append();
        QVERIFY(!rs->modified());
        QCOMPARE(rs->fieldByName("QTY")->asInteger(), 1);
        QCOMPARE(rs->recordCount(), 3); // shown, though not posted
        QCOMPARE(rs->recNo(), 2);
        QCOMPARE(rs->valueAt(2, 1).toInt(), 1);
        scrolls = 0;
        rs->first();
        QCOMPARE(rs->recordCount(), 2); // dropped
        QCOMPARE(scrolls, 2);           // the drop, then the move
        QCOMPARE(rs->state(), DataSetState::Browse);

        rs->append();
        rs->fieldByName("CODE")->setAsString("C");
        QVERIFY(rs->modified());
        QVERIFY(rs->locate("CODE", "A"));
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "B", "C"}));

        // Appending while appending starts over with a fresh row.
        rs->append();
        rs->append();
        QCOMPARE(codesInOrder(*rs).size(), 4);
        rs->cancel();
        QCOMPARE(codesInOrder(*rs).size(), 3);

        // An edited but unchanged row is cancelled when left, a changed one posted.
        rs->first();
        rs->edit();
        rs->next();
        QCOMPARE(rs->state(), DataSetState::Browse);
        rs->edit();
        rs->fieldByName("CODE")->setAsString("B2");
        rs->first();
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "B2", "C"}));
    }

    // Cancelling a new row returns to the row that was current before, with its flags.
    void cancelReturnsToRowBefore_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("useInsert");
        QTest::addColumn<int>("recNo");
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::newRow("append after open") << "" << false << 0 << true << false;
        QTest::newRow("append from middle") << "n" << false << 1 << false << false;
        QTest::newRow("insert from middle") << "n" << true << 1 << false << false;
        QTest::newRow("append after last") << "l" << false << 2 << false << true;
    }
    void cancelReturnsToRowBefore()
    {
        QFETCH(QString, before);
        QFETCH(bool, useInsert);
        auto rs = makeCodes({"A", "B", "C"});
        rs->first();
        for (const QChar c : before)
            c == 'n' ? rs->next() : rs->last();
        useInsert ? rs->insert() : rs->append();
        QCOMPARE(rs->state(), DataSetState::Insert);
        QCOMPARE(rs->recNo(), useInsert ? 1 : 3);
        rs->cancel();
        QTEST(rs->recNo(), "recNo");
        QTEST(rs->bof(), "bof");
        QTEST(rs->eof(), "eof");
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "B", "C"}));
    }

    void editOnEmptyAppends()
    {
        auto rs = makeCodes({});
        int scrolls = 0;
        rs->AfterScroll = [&](RecordSet &) { ++scrolls; };
        rs->edit();
        QCOMPARE(rs->state(), DataSetState::Insert);
        QCOMPARE(scrolls, 1);
        // A set whose only row is being typed has no posted rows.
        rs->fieldByName("CODE")->setAsString("X");
        QCOMPARE(rs->recordCount(), 1);
        QVERIFY(rs->isEmpty());
        QCOMPARE(rs->recNo(), 0);
        QCOMPARE(rs->displayTextAt(0, 0), QStringLiteral("X"));
        rs->cancel();
        QVERIFY(rs->isEmpty());
        QVERIFY(rs->bof() && rs->eof());
    }

    // The validate handler reads the new value; a throw restores the earlier one.
    void validateRules_data()
    {
        QTest::addColumn<int>("outcome"); // 0 accept, 1 SilentAbort, 2 DbError
        QTest::newRow("accepted") << 0;
        QTest::newRow("silent abort") << 1;
        QTest::newRow("error") << 2;
    }
    void validateRules()
    {
        QFETCH(int, outcome);
        auto rs = makeSet({{"A", 5, 10.0}});
        Field *qty = rs->fieldByName("QTY");
        Field *price = rs->fieldByName("PRICE");
        qint64 seen = -1;
        qty->onValidate = [&](Field &f) {
            seen = f.asInteger();
            price->setAsFloat(f.asInteger() * 3.0); // a rule that assigns another field
            if (outcome == 1)
                throw SilentAbort();
            if (outcome == 2)
                throw DbError("refused");
        };
        rs->edit();
        bool silent = false, error = false;
        try {
            qty->setAsInteger(4);
        } catch (const SilentAbort &) {
            silent = true;
        } catch (const DbError &e) {
            error = e.message() == "refused";
        }
        QCOMPARE(seen, 4);
        QCOMPARE(silent, outcome == 1);
        QCOMPARE(error, outcome == 2);
        QCOMPARE(qty->asInteger(), outcome == 0 ? 4 : 5);
        QCOMPARE(price->asFloat(), 12.0); // the rule's own assignment stays
        QCOMPARE(rs->state(), DataSetState::Edit);
        rs->post();
        QCOMPARE(rs->valueAt(0, 1).toLongLong(), outcome == 0 ? 4 : 5);
    }

    // A throw in a "before" event cancels that action and leaves the set as it was.
    void beforeEventsCancel()
    {
        auto rs = makeCodes({"A", "B"});
        rs->next();
        rs->BeforeInsert = [](RecordSet &) { throw SilentAbort(); };
        QVERIFY_THROWS_EXCEPTION(SilentAbort, rs->append());
        QVERIFY_THROWS_EXCEPTION(SilentAbort, rs->insert());
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(rs->recNo(), 1);
        QCOMPARE(rs->state(), DataSetState::Browse);

        rs->BeforePost = [](RecordSet &r) {
            r.fieldByName("QTY")->setAsInteger(0); // kept: the row stays in editing
            throw SilentAbort();
        };
        rs->edit();
        rs->fieldByName("CODE")->setAsString("B2");
        QVERIFY_THROWS_EXCEPTION(SilentAbort, rs->post());
        QCOMPARE(rs->state(), DataSetState::Edit);
        QCOMPARE(rs->fieldByName("CODE")->asString(), QStringLiteral("B2"));
        QCOMPARE(rs->valueAt(1, 0).toString(), QStringLiteral("B2")); // the buffer, shown
        // A navigation that must post the row fails the same way and does not move.
        QVERIFY_THROWS_EXCEPTION(SilentAbort, rs->first());
        QCOMPARE(rs->recNo(), 1);
        rs->cancel();

        rs->BeforeDelete = [](RecordSet &) { throw DbError("no"); };
        QVERIFY_THROWS_EXCEPTION(DbError, rs->deleteRecord());
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "B"}));
    }

    void requiredFields_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("refused");
        QTest::newRow("null") << QVariant() << true;
        QTest::newRow("empty text") << QVariant(QString("")) << true;
        QTest::newRow("blank text is a value") << QVariant(QString(" ")) << false;
        QTest::newRow("text") << QVariant(QString("P1")) << false;
    }
    void requiredFields()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, refused);
        RecordSet rs("CDS_REQ");
        rs.addField("PROD_ID", FieldType::String, 20, QStringLiteral("商品編號"), true);
        rs.addField("QTY", FieldType::Integer, 0, {}, true);
        rs.open();
        rs.append();
        rs.fieldByName("QTY")->setAsInteger(1);
        rs.fieldByName("PROD_ID")->setValue(value);
        QString message;
        try {
            rs.post();
        } catch (const DbError &e) {
            message = e.message();
        }
        QCOMPARE(message, refused ? QStringLiteral("Field '商品編號' must have a value") : QString());
        QCOMPARE(rs.state(), refused ? DataSetState::Insert : DataSetState::Browse);
        // A required number without a value names the field by its name (no label).
        if (!refused) {
            rs.edit();
            rs.fieldByName("QTY")->clear();
            QVERIFY_THROWS_EXCEPTION(DbError, rs.post());
            try {
                rs.post();
            } catch (const DbError &e) {
                QCOMPARE(e.message(), QStringLiteral("Field 'QTY' must have a value"));
            }
        }
    }

    // Locate: first match in the current order, with every option combination, on an
    // indexed and a non-indexed field (binary search and scan must agree).
    void locate_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("indexed");
        QTest::addColumn<QString>("found"); // the CODE of the row found, empty: none
        const int ci = loCaseInsensitive, pk = loPartialKey;
        for (const bool idx : {false, true}) {
            const char *tag = idx ? "indexed" : "scan";
            auto row = [&](const char *name) {
                return &QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(tag, name)));
            };
            *row("exact") << "abc" << 0 << idx << "abc";
            *row("exact is case-sensitive") << "ABC" << 0 << idx << "ABC";
            *row("exact needs the whole value") << "ab" << 0 << idx << "";
            *row("case-insensitive whole") << "aBc" << ci << idx << (idx ? "ABC" : "abc");
            *row("prefix is case-sensitive") << "Ab" << pk << idx << "Abd";
            *row("ci prefix") << "ab" << (ci | pk) << idx << (idx ? "ABC" : "abc");
            *row("ci prefix CJK") << "統一" << (ci | pk) << idx << "統一麥香";
            *row("ci prefix folds non-ASCII") << "ÄPFEL" << (ci | pk) << idx << "äpfelsaft";
            // An ASCII key and a text whose first character folds to ASCII (KELVIN SIGN).
            *row("ci prefix, text folding to ASCII") << "KEL" << (ci | pk) << idx
                                                     << "\u212Aelvin";
            *row("ci prefix longer than the texts") << "abcd" << (ci | pk) << idx << "";
            *row("prefix no match") << "zz" << (ci | pk) << idx << "";
            *row("empty prefix matches the first row") << "" << (ci | pk) << idx
                                                        << (idx ? "<null>" : "abc");
        }
    }
    void locate()
    {
        QFETCH(QString, value);
        QFETCH(int, options);
        QFETCH(bool, indexed);
        QFETCH(QString, found);
        auto rs = makeCodes({"abc", "ABC", "Abd", "統一麥香", "äpfelsaft", QString(), "abc",
                             "\u212Aelvin"});
        if (indexed)
            rs->setIndexFieldName("code");
        rs->last();
        const int before = rs->recNo();
        const bool ok = rs->locate("CODE", value, LocateOptions(options));
        QCOMPARE(ok, !found.isEmpty());
        if (ok) {
            const QString code = rs->fieldByName("CODE")->isNull()
                                     ? QStringLiteral("<null>")
                                     : rs->fieldByName("CODE")->asString();
            QCOMPARE(code, found);
            // It is the first match in the current order (checked with QString's rules).
            auto matches = [&](QString cell) {
                if (cell.isNull())
                    cell = QStringLiteral(""); // a null reads as an empty text
                const bool ci = options & loCaseInsensitive;
                const QString a = ci ? cell.toCaseFolded() : cell;
                const QString b = ci ? value.toCaseFolded() : value;
                return (options & loPartialKey) ? a.startsWith(b) : a == b;
            };
            QVERIFY(matches(rs->displayTextAt(rs->recNo(), 0)));
            for (int i = 0; i < rs->recNo(); ++i)
                QVERIFY2(!matches(rs->displayTextAt(i, 0)), qPrintable(QString::number(i)));
        } else {
            QCOMPARE(rs->recNo(), before); // no match: the cursor stays
        }
    }

    // Numbers: whole values compare as numbers, prefixes by the display text.
    void locateNumbers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("recNo");
        QTest::newRow("number as number") << "PRICE" << QVariant("12.50") << 0 << 1;
        QTest::newRow("number from a double") << "PRICE" << QVariant(100.0) << 0 << 2;
        QTest::newRow("number prefix by text") << "PRICE" << QVariant("10") << int(loPartialKey)
                                               << 2;
        QTest::newRow("number not a number") << "PRICE" << QVariant("abc") << 0 << -1;
        QTest::newRow("empty finds null") << "PRICE" << QVariant("") << 0 << 3;
        QTest::newRow("integer") << "QTY" << QVariant("12") << 0 << 1;
        QTest::newRow("integer not whole") << "QTY" << QVariant("12.5") << 0 << -1;
        QTest::newRow("integer prefix") << "QTY" << QVariant("-") << int(loPartialKey) << 3;
    }
    void locateNumbers()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(int, options);
        for (const bool indexed : {false, true}) {
            auto rs = makeSet({{"A", 3, 3.0},
                               {"B", 12, 12.5},
                               {"C", 100, 100.0},
                               {"D", -7, QVariant()}});
            if (indexed) {
                rs->setIndexFieldName("CODE"); // same order, CODE indexed
                if (options == 0)
                    rs->setIndexFieldName(field);
            }
            const bool ok = rs->locate(field, value, LocateOptions(options));
            QFETCH(int, recNo);
            QCOMPARE(ok, recNo >= 0);
            if (ok)
                QCOMPARE(rs->fieldByName("CODE")->asString(), QString(QChar('A' + recNo)));
        }
    }

    // A prefix typed over a number field sorted by its own index finds the first row, in
    // that order, whose shown text begins with it (long runs of equal values, nulls,
    // zeros of both signs, negative and fractional values).
    void locateNumberPrefixOnItsIndex()
    {
        QRandomGenerator rng(42);
        const QList<QVariant> prices = {QVariant(), 0.0, -0.0, 1.0, 10.0, 12.0, 12.5, 120.0,
                                        125.0, 1250.0, 99.0, -1.0, -12.5, 0.5, 1e6};
        const QList<QVariant> qtys = {QVariant(), 0, 1, 12, 120, -1, -12, 7, 1200, 99999};
        QList<Row> rows;
        for (int i = 0; i < 3000; ++i)
            rows.append({QString::number(i), qtys[rng.bounded(int(qtys.size()))],
                         prices[rng.bounded(int(prices.size()))]});
        auto rs = makeSet(rows);
        const QStringList keys = {"", "1", "12", "12.", "12.5", "125", "-", "-1", "-12.", "0",
                                  "0.", "9", "99", "100", "x"};
        for (const char *field : {"PRICE", "QTY"}) {
            rs->setIndexFieldName(field);
            const int f = rs->fieldByName(field)->index();
            for (const QString &key : keys) {
                for (const int options : {int(loPartialKey),
                                          int(loPartialKey | loCaseInsensitive)}) {
                    int expected = -1;
                    for (int i = 0; i < rs->recordCount() && expected < 0; ++i) {
                        const QString shown = rs->displayTextAt(i, f); // a null shows ""
                        if (QString(shown.isNull() ? QStringLiteral("") : shown).startsWith(key))
                            expected = i;
                    }
                    rs->last();
                    const int before = rs->recNo();
                    const bool ok = rs->locate(field, key, LocateOptions(options));
                    QCOMPARE(ok, expected >= 0);
                    QVERIFY2(rs->recNo() == (ok ? expected : before),
                             qPrintable(QStringLiteral("%1 '%2': %3, expected %4")
                                            .arg(field, key)
                                            .arg(rs->recNo())
                                            .arg(expected)));
                }
            }
        }
    }

    // Index order: folded, then code points, nulls first, ties in earlier order;
    // numbers as numbers; posting keeps the order; no index returns to load order.
    void indexOrder()
    {
        auto rs = makeSet({{"b", 2, 10.0},
                           {"B", 1, 9.5},
                           {"a", 3, -1.0},
                           {QVariant(), 4, 100.0},
                           {"á", 5, 2.0},
                           {"A", 6, QVariant()},
                           {"b", 7, 10.0}});
        rs->setIndexFieldName("CODE");
        QCOMPARE(codesInOrder(*rs), QStringList({"<null>", "A", "a", "B", "b", "b", "á"}));
        QCOMPARE(rs->valueAt(4, 1).toInt(), 2); // equal keys: earlier row first
        QCOMPARE(rs->valueAt(5, 1).toInt(), 7);

        rs->setIndexFieldName("PRICE");
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "a", "á", "B", "b", "b", "<null>"}));

        // Posting a changed or new row moves it to its place, and it stays current.
        rs->first();
        rs->edit();
        rs->fieldByName("PRICE")->setAsFloat(50);
        rs->post();
        QCOMPARE(rs->fieldByName("CODE")->asString(), QStringLiteral("A"));
        QCOMPARE(rs->recNo(), 5);
        rs->append();
        rs->fieldByName("CODE")->setAsString("N");
        rs->fieldByName("PRICE")->setAsFloat(10);
        rs->post();
        QCOMPARE(rs->recNo(), 5); // after both 10s: ties keep load order
        QCOMPARE(codesInOrder(*rs), QStringList({"a", "á", "B", "b", "b", "N", "A", "<null>"}));

        rs->setIndexName(QString());
        QCOMPARE(codesInOrder(*rs), QStringList({"b", "B", "a", "<null>", "á", "A", "b", "N"}));
        QCOMPARE(rs->fieldByName("CODE")->asString(), QStringLiteral("N"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->setIndexName("missing"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->setIndexFieldName("NOFIELD"));
    }

    // Large sets with long shared prefixes go through every stage of the index sort;
    // the order must equal an independent reference: folded code points (Qt's own
    // folding), then code points, nulls first, ties in load order.
    void indexOrderMatchesReference_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("maxTail"); // short tails: many repeated texts
        QTest::newRow("small runs") << 300 << 1u << 8;
        QTest::newRow("radix runs") << 6000 << 2u << 8;
        QTest::newRow("radix runs, other seed") << 6000 << 3u << 8;
        QTest::newRow("many repeats") << 6000 << 4u << 2;
    }
    void indexOrderMatchesReference()
    {
        QFETCH(int, rows);
        QFETCH(quint32, seed);
        QFETCH(int, maxTail);
        QRandomGenerator rng(seed);
        const QStringList prefixes = {QStringLiteral("統一企業股份有限公司 "),
                                      QStringLiteral("Kirin Lager "), QStringLiteral("ΣΟΦΊΑ σοφία "),
                                      QStringLiteral(""), QStringLiteral("a")};
        const QList<QChar> alphabet = {u'a', u'A', u'b', u'B', u'Ä', u'ä', u'σ', u'ς', u'Σ',
                                       QChar(0x212A), u'k', u'K', u'統', u'一', u' ', u'1',
                                       QChar(0)};
        QList<Row> data;
        QList<QString> texts;
        for (int i = 0; i < rows; ++i) {
            QString t;
            if (rng.bounded(20) == 0) {
                texts << QString();
                data.append({QVariant(), i, {}});
                continue;
            }
            t = prefixes[rng.bounded(int(prefixes.size()))];
            if (rng.bounded(10) == 0)
                t = t.repeated(12); // past the depth where the comparison takes over
            const int tail = rng.bounded(maxTail);
            for (int k = 0; k < tail; ++k)
                t += alphabet[rng.bounded(int(alphabet.size()))];
            texts << t;
            data.append({t, i, double(rng.bounded(1000))});
        }
        auto rs = std::make_unique<RecordSet>();
        rs->addField("CODE", FieldType::String, 0);
        rs->addField("QTY", FieldType::Integer);
        rs->addField("PRICE", FieldType::Number);
        rs->open();
        for (const Row &r : data) {
            rs->append();
            rs->field(0)->setValue(r.code);
            rs->field(1)->setValue(r.qty);
            rs->field(2)->setValue(r.price);
            rs->post();
        }
        rs->setIndexFieldName("CODE");

        QList<int> expected(rows);
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const QString &x = texts[a];
            const QString &y = texts[b];
            if (x.isNull() || y.isNull())
                return x.isNull() && !y.isNull();
            const QList<uint> fx = x.toCaseFolded().toUcs4(), fy = y.toCaseFolded().toUcs4();
            if (fx != fy)
                return fx < fy;
            return x.toUcs4() < y.toUcs4();
        });
        QList<int> actual;
        for (int i = 0; i < rs->recordCount(); ++i)
            actual << rs->valueAt(i, 1).toInt();
        QCOMPARE(actual, expected);

        // Locate on the index (binary search), by scan in load order and by scan in the
        // order of another field's index agree with a plain search of the rows in the
        // current order, for every option combination.
        QStringList keys;
        for (int k = 0; k < 25; ++k) {
            const QString t = texts[rng.bounded(rows)];
            const QString key = t.left(rng.bounded(int(t.size()) + 1));
            keys << (rng.bounded(2) ? key.toUpper() : key);
        }
        for (const char *index : {"CODE", "", "PRICE"}) {
            rs->setIndexFieldName(QString::fromLatin1(index));
            QList<QList<uint>> cells, folded;
            for (int i = 0; i < rs->recordCount(); ++i) {
                const QString cell = rs->valueAt(i, 0).toString();
                cells << cell.toUcs4();
                folded << cell.toCaseFolded().toUcs4();
            }
            for (const int options : {0, int(loCaseInsensitive), int(loPartialKey),
                                      int(loCaseInsensitive | loPartialKey)}) {
                const bool ci = options & loCaseInsensitive;
                for (const QString &key : keys) {
                    const QList<uint> q = (ci ? key.toCaseFolded() : key).toUcs4();
                    int want = -1;
                    for (int i = 0; i < int(cells.size()) && want < 0; ++i) {
                        const QList<uint> &c = ci ? folded[i] : cells[i];
                        if ((options & loPartialKey) ? c.mid(0, q.size()) == q : c == q)
                            want = i;
                    }
                    rs->last();
                    const bool found = rs->locate("CODE", key, LocateOptions(options));
                    QCOMPARE(found, want >= 0);
                    if (found)
                        QCOMPARE(rs->recNo(), want);
                }
            }
        }
    }

    // Index definitions by name, kept across close and open.
    void namedIndexes()
    {
        auto rs = makeCodes({"c", "a", "b"});
        rs->addIndex("idIndex", "CODE");
        rs->setIndexName("idindex");
        QCOMPARE(rs->indexFieldName(), QStringLiteral("CODE"));
        QCOMPARE(codesInOrder(*rs), QStringList({"a", "b", "c"}));
        rs->loadFromBytes(rs->saveToBytes()); // saved in the shown order, reopened indexed
        QCOMPARE(rs->indexName(), QStringLiteral("idIndex"));
        QCOMPARE(codesInOrder(*rs), QStringList({"a", "b", "c"}));
        rs->clearIndexes();
        QCOMPARE(rs->indexName(), QString());
        QCOMPARE(rs->indexFieldName(), QString());
    }

    // cancelUpdates undoes every change since the rows were loaded.
    void cancelUpdates()
    {
        auto rs = makeCodes({"A", "B", "C", "D"});
        rs->loadFromBytes(rs->saveToBytes()); // these rows are "as loaded"
        rs->setRecNo(1);
        rs->edit();
        rs->fieldByName("CODE")->setAsString("B2");
        rs->post();
        rs->edit();
        rs->fieldByName("CODE")->setAsString("B3");
        rs->post();
        rs->setRecNo(2);
        rs->edit();
        rs->fieldByName("CODE")->setAsString("C2");
        rs->post();
        rs->deleteRecord(); // C2: an edited row, then deleted
        rs->first();
        rs->deleteRecord();
        rs->append();
        rs->fieldByName("CODE")->setAsString("E");
        rs->post();
        rs->insert();
        rs->fieldByName("CODE")->setAsString("F"); // pending
        QCOMPARE(codesInOrder(*rs), QStringList({"B3", "D", "F", "E"}));
        int scrolls = 0;
        rs->AfterScroll = [&](RecordSet &) { ++scrolls; };
        rs->cancelUpdates();
        QCOMPARE(codesInOrder(*rs), QStringList({"A", "B", "C", "D"}));
        QCOMPARE(rs->state(), DataSetState::Browse);
        QCOMPARE(scrolls, 1); // a pending new row was discarded
        // Discarding an edit alone is no move.
        rs->setRecNo(3);
        rs->edit();
        rs->fieldByName("CODE")->setAsString("D2");
        scrolls = 0;
        rs->cancelUpdates();
        QCOMPARE(scrolls, 0);
        QCOMPARE(rs->recNo(), 3);
        QCOMPARE(rs->fieldByName("CODE")->asString(), QStringLiteral("D"));
    }

    // Texts of up to seven bytes are held apart from longer ones: values, edits across
    // that length, undo, copies, files, order and search must not tell them apart.
    void shortAndLongTexts()
    {
        const QStringList codes = {"1234567", "12345678", "瓶瓶", "瓶瓶瓶", QString(), "a",
                                   "ABCDEFGHIJ"};
        auto shown = [](const QStringList &list) {
            QStringList out;
            for (const QString &c : list)
                out << (c.isNull() ? QStringLiteral("<null>") : c);
            return out;
        };
        auto rs = makeCodes(codes);
        rs->loadFromBytes(rs->saveToBytes()); // these rows are "as loaded"
        QCOMPARE(codesInOrder(*rs), shown(codes));

        // Each row takes the next row's text: short to long, long to short, to null.
        QStringList rotated = codes.mid(1) + codes.mid(0, 1);
        for (int i = 0; i < codes.size(); ++i) {
            rs->setRecNo(i);
            rs->edit();
            rs->fieldByName("CODE")->setValue(rotated[i].isNull() ? QVariant()
                                                                  : QVariant(rotated[i]));
            rs->post();
        }
        QCOMPARE(codesInOrder(*rs), shown(rotated));
        // A text set to itself, and a short text replaced by another of the same length.
        rs->setRecNo(1);
        rs->edit();
        rs->fieldByName("CODE")->setAsString(rs->fieldByName("CODE")->asString());
        rs->fieldByName("CODE")->setAsString("瓶瓶罐");
        rs->post();
        rotated[1] = "瓶瓶罐";
        QCOMPARE(codesInOrder(*rs), shown(rotated));

        RecordSet copy("CDS_COPY");
        copy.copyFrom(*rs);
        QCOMPARE(codesInOrder(copy), shown(rotated));
        RecordSet file("CDS_FILE");
        file.loadFromBytes(rs->saveToBytes());
        QCOMPARE(codesInOrder(file), shown(rotated));

        rs->cancelUpdates();
        QCOMPARE(codesInOrder(*rs), shown(codes));
        rs->setIndexFieldName("CODE");
        QCOMPARE(codesInOrder(*rs), QStringList({"<null>", "1234567", "12345678", "a",
                                                 "ABCDEFGHIJ", "瓶瓶", "瓶瓶瓶"}));
        QVERIFY(rs->locate("CODE", "12345678"));
        QCOMPARE(rs->recNo(), 2);
        QVERIFY(rs->locate("CODE", "瓶瓶", loCaseInsensitive | loPartialKey));
        QCOMPARE(rs->recNo(), 5);
        QVERIFY(rs->locate("CODE", "abcdefghij", loCaseInsensitive));
        QCOMPARE(rs->recNo(), 4);
    }

    void copyFrom()
    {
        auto source = makeSet({{"A", 1, 1.5}, {"B", 2, QVariant()}, {"C", 3, 3.0}});
        source->fieldByName("PRICE")->setDisplayDecimals(2);
        source->setIndexFieldName("CODE");
        source->last();
        source->append(); // a pending new row is not part of the copy
        source->fieldByName("CODE")->setAsString("Z");

        RecordSet copy("CDS_COPY");
        int opens = 0;
        copy.AfterOpen = [&](RecordSet &) { ++opens; };
        copy.copyFrom(*source);
        QCOMPARE(opens, 1);
        QVERIFY(copy.active());
        QCOMPARE(copy.fieldCount(), 3);
        QCOMPARE(copy.field(0)->displayLabel(), QStringLiteral("代號"));
        QCOMPARE(copy.fieldByName("PRICE")->displayDecimals(), 2);
        QCOMPARE(codesInOrder(copy), QStringList({"A", "B", "C"}));
        QCOMPARE(copy.recNo(), 0);
        QVERIFY(copy.bof());
        QVERIFY(copy.isNullAt(1, 2));
        QCOMPARE(copy.displayTextAt(0, 2), QStringLiteral("1.50"));
        // The copy is independent of its source.
        copy.edit();
        copy.field(0)->setAsString("A2");
        copy.post();
        QCOMPARE(source->valueAt(0, 0).toString(), QStringLiteral("A"));

        // Declared fields of the target are matched by name and converted.
        RecordSet declared;
        declared.addField("PRICE", FieldType::String, 3);
        declared.addField("code", FieldType::String, 10);
        declared.addField("OTHER", FieldType::Integer);
        declared.copyFrom(*source);
        QCOMPARE(declared.fieldCount(), 3);
        QCOMPARE(declared.valueAt(0, 0).toString(), QStringLiteral("1.5"));
        QCOMPARE(declared.valueAt(2, 1).toString(), QStringLiteral("C"));
        QVERIFY(declared.isNullAt(0, 2));
        QVERIFY(declared.isNullAt(1, 0));
    }

    // Suspended display updates: counted, nothing told meanwhile, one dataSetChanged.
    void disableControls()
    {
        auto rs = makeCodes({"A", "B"});
        DataSource ds;
        ds.setDataSet(rs.get());
        CountingLink link;
        link.setDataSource(&ds);
        link.active = 0;
        rs->disableControls();
        rs->disableControls();
        int scrolls = 0;
        rs->AfterScroll = [&](RecordSet &) { ++scrolls; };
        rs->next();
        rs->edit();
        rs->field(0)->setAsString("B2");
        rs->post();
        rs->enableControls();
        QCOMPARE(link.total(), 0);
        QVERIFY(rs->controlsDisabled());
        rs->enableControls();
        QVERIFY(!rs->controlsDisabled());
        QCOMPARE(scrolls, 1); // events still run
        QCOMPARE(link.data, 1);
        QCOMPARE(link.editing, 1);
        QCOMPARE(link.scrolled + link.record + link.active, 0);
        rs->enableControls(); // unbalanced: ignored
        QCOMPARE(link.data, 1);
    }

    // Notifications reach the links of every data source on the set.
    void notifications()
    {
        auto rs = makeCodes({"A", "B"});
        DataSource ds;
        CountingLink link;
        link.setDataSource(&ds);
        QCOMPARE(link.active, 1);
        QVERIFY(!link.DataLink::active()); // no record set yet
        ds.setDataSet(rs.get());
        QCOMPARE(link.active, 2);
        QVERIFY(link.DataLink::active());
        rs->next();
        QCOMPARE(link.scrolled, 1);
        rs->edit();
        QVERIFY(link.editing == 1 && link.DataLink::editing());
        rs->field(0)->setAsString("X");
        QCOMPARE(link.record, 1);
        rs->post();
        QCOMPARE(link.editing, 2);
        rs->close();
        QCOMPARE(link.active, 3);
        QVERIFY(!link.DataLink::active());
        RecordSet other;
        ds.setDataSet(&other); // re-pointing re-notifies
        QCOMPARE(link.active, 4);
    }

    // Destroying a record set or a data source detaches everything: no dangling links.
    void lifetimes()
    {
        auto rs = makeCodes({"A"});
        auto ds = std::make_unique<DataSource>();
        ds->setDataSet(rs.get());
        CountingLink link;
        link.setDataSource(ds.get());
        rs.reset();
        QCOMPARE(ds->dataSet(), nullptr);
        QCOMPARE(link.dataSet(), nullptr);
        QVERIFY(!link.DataLink::active());

        auto rs2 = makeCodes({"B"});
        ds->setDataSet(rs2.get());
        const int before = link.active;
        ds.reset();
        QCOMPARE(link.active, before + 1);
        QCOMPARE(link.dataSource(), nullptr);
        rs2->next(); // the record set no longer knows the destroyed source
        link.setDataSource(nullptr);

        // A link that detaches itself, or another link, while being told.
        DataSource ds3;
        ds3.setDataSet(rs2.get());
        CountingLink a, b, c;
        a.setDataSource(&ds3);
        b.setDataSource(&ds3);
        c.setDataSource(&ds3);
        a.onAny = [&] {
            a.setDataSource(nullptr);
            b.setDataSource(nullptr);
        };
        a.scrolled = b.scrolled = c.scrolled = 0;
        rs2->first();
        QCOMPARE(b.scrolled, 0);
        QCOMPARE(c.scrolled, 1);
        rs2->first();
        QCOMPARE(c.scrolled, 2);

        // A link that destroys its data source while being told.
        auto ds4 = std::make_unique<DataSource>();
        ds4->setDataSet(rs2.get());
        CountingLink d, e;
        d.setDataSource(ds4.get());
        e.setDataSource(ds4.get());
        d.onAny = [&] { ds4.reset(); };
        rs2->first();
        QCOMPARE(e.dataSource(), nullptr);
        QCOMPARE(d.dataSource(), nullptr);
    }

    // Field values, conversions and display texts.
    void fieldValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("assigned");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("null");
        QTest::newRow("number shortest") << "PRICE" << QVariant(12.5) << "12.5" << false;
        QTest::newRow("number 15 digits") << "PRICE" << QVariant(0.1 + 0.2) << "0.3" << false;
        QTest::newRow("number from text") << "PRICE" << QVariant(" 7.25 ") << "7.25" << false;
        QTest::newRow("number emptied") << "PRICE" << QVariant("") << "" << true;
        QTest::newRow("integer from text") << "QTY" << QVariant("42") << "42" << false;
        QTest::newRow("integer from double rounds") << "QTY" << QVariant(2.6) << "3" << false;
        QTest::newRow("text cut to size in characters")
            << "CODE" << QVariant(QStringLiteral("一二三四五六七八九十壹")) << "一二三四五六七八九十"
            << false;
        QTest::newRow("text from number") << "CODE" << QVariant(3.0) << "3" << false;
        QTest::newRow("text keeps blanks") << "CODE" << QVariant(" A ") << " A " << false;
        QTest::newRow("null") << "CODE" << QVariant() << "" << true;
    }
    void fieldValues()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, assigned);
        auto rs = makeSet({{"A", 1, 1.0}});
        rs->edit();
        Field *f = rs->fieldByName(field);
        f->setValue(assigned);
        QTEST(f->asString(), "text");
        QTEST(f->isNull(), "null");
        rs->post();
        QTEST(rs->displayTextAt(0, f->index()), "text");
        QTEST(f->displayText(), "text");
    }

    void conversionErrors()
    {
        auto rs = makeSet({{"12x", 1, 1.0}});
        rs->edit();
        QVERIFY_THROWS_EXCEPTION(DbError, rs->fieldByName("QTY")->setAsString("abc"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->fieldByName("QTY")->setAsString("1.5"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->fieldByName("PRICE")->setAsString("1,5"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->fieldByName("CODE")->asInteger());
        QCOMPARE(rs->fieldByName("QTY")->asInteger(), 1); // unchanged by the refusals
        rs->cancel();
        QVERIFY_THROWS_EXCEPTION(DbError, rs->fieldByName("CODE")->setAsString("x"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->fieldByName("NOPE"));
        QCOMPARE(rs->findField("nope"), nullptr);
        QCOMPARE(rs->findField("price"), rs->field(2));
        rs->close();
        QVERIFY(rs->fieldByName("CODE")->isNull());
        QVERIFY_THROWS_EXCEPTION(DbError, rs->first());
        QVERIFY_THROWS_EXCEPTION(DbError, rs->locate("CODE", "A"));
        rs->setReadOnly(true);
        rs->open();
        QVERIFY(!rs->canModify());
        QVERIFY_THROWS_EXCEPTION(DbError, rs->append());
        QVERIFY_THROWS_EXCEPTION(DbError, rs->deleteRecord());
    }

    // A control keeps its Field pointer across a reload that replaces the fields.
    void replacedFieldsDoNotDangle()
    {
        auto rs = makeCodes({"A"});
        RecordSet plain;
        plain.copyFrom(*rs);
        Field *old = plain.field(0);
        QCOMPARE(old->asString(), QStringLiteral("A"));
        RecordSet other;
        other.addField("X", FieldType::Integer);
        other.open();
        other.append();
        other.field(0)->setAsInteger(9);
        other.post();
        plain.copyFrom(other);
        QCOMPARE(plain.field(0)->asInteger(), 9);
        QVERIFY(old->isNull()); // replaced: reads nothing, points at nothing freed
        QCOMPARE(old->asString(), QString());
        QVERIFY_THROWS_EXCEPTION(DbError, old->setAsString("x"));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
