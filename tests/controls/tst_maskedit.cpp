#include "MaskEdit.h"
#include "ScriptedPrompter.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

// The date box "!0000/99/99;1;_": what the program reads, what the user sees, and the
// refusal to leave a changed box without its year.
class TestMaskEdit : public QObject
{
    Q_OBJECT

private:
    struct Window
    {
        QWidget top;
        TMaskEdit *date = new TMaskEdit(&top);
        QLineEdit *other = new QLineEdit(&top);
        Window()
        {
            auto *layout = new QVBoxLayout(&top);
            layout->addWidget(date);
            layout->addWidget(other);
            top.show();
            QApplication::setActiveWindow(&top);
            QVERIFY(QTest::qWaitForWindowActive(&top));
            date->setFocus();
            date->setCursorPosition(0);
        }
    };

private slots:
    void typedText_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text"); // as the program reads it
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing") << ""
                                 << "    /  /  "
                                 << "____/__/__";
        QTest::newRow("whole date") << "20240105"
                                    << "2024/01/05"
                                    << "2024/01/05";
        QTest::newRow("year and a month digit") << "20241"
                                                << "2024/1 /  "
                                                << "2024/1_/__";
        QTest::newRow("slash ends the month") << "2024/1/5"
                                              << "2024/1 /5 "
                                              << "2024/1_/5_";
        QTest::newRow("slashes typed in place") << "2024/01/05"
                                                << "2024/01/05"
                                                << "2024/01/05";
        QTest::newRow("letters refused") << "20a2b4"
                                         << "2024/  /  "
                                         << "2024/__/__";
        QTest::newRow("too many digits") << "202401059"
                                         << "2024/01/05"
                                         << "2024/01/05";
        QTest::newRow("year only partly") << "20"
                                          << "20  /  /  "
                                          << "20__/__/__";
    }
    void typedText()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Window w;
        QTest::keyClicks(w.date, keys);
        QCOMPARE(w.date->text(), text);
        QCOMPARE(w.date->editText(), shown);
        QCOMPARE(w.date->text().size(), 10);
        QCOMPARE(w.date->isModified(), !keys.isEmpty());
    }

    void programText_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("text");
        QTest::newRow("date") << "2031/07/04"
                              << "2031/07/04";
        QTest::newRow("empty") << ""
                               << "    /  /  ";
        QTest::newRow("empty mask text") << "    /  /  "
                                         << "    /  /  ";
        QTest::newRow("blank inside stays in its place") << "2024/ 1/05"
                                                         << "2024/ 1/05";
        QTest::newRow("short") << "2024"
                               << "2024/  /  ";
        QTest::newRow("other separators") << "2024-01-05"
                                          << "2024/01/05";
        QTest::newRow("no digits") << "abcd/ef/gh"
                                   << "    /  /  ";
        QTest::newRow("too long") << "2024/01/0599"
                                  << "2024/01/05";
    }
    void programText()
    {
        QFETCH(QString, set);
        QFETCH(QString, text);
        TMaskEdit date;
        date.setText(set);
        QCOMPARE(date.text(), text);
        QString shown = text;
        for (int i : { 0, 1, 2, 3, 5, 6, 8, 9 })
            if (shown[i] == QLatin1Char(' '))
                shown[i] = QLatin1Char('_');
        QCOMPARE(date.editText(), shown);
        QVERIFY(!date.isModified());
        date.clear();
        QCOMPARE(date.text(), QStringLiteral("    /  /  "));
    }

    void deletingBlanksPositionsAndSkipsSlashes()
    {
        Window w;
        w.date->setText(QStringLiteral("2024/01/05"));
        w.date->setCursorPosition(10);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(w.date, Qt::Key_Backspace);
        QCOMPARE(w.date->text(), QStringLiteral("2024/0 /  "));
        QCOMPARE(w.date->cursorPosition(), 6);
        w.date->setCursorPosition(0);
        QTest::keyClick(w.date, Qt::Key_Delete);
        QCOMPARE(w.date->text(), QStringLiteral(" 024/0 /  "));
        // A selection typed over is blanked first; the digit lands at its start.
        w.date->setSelection(0, 10);
        QTest::keyClicks(w.date, QStringLiteral("1"));
        QCOMPARE(w.date->text(), QStringLiteral("1   /  /  "));
    }

    void pasteFillsPositionsFromTheCursor()
    {
        Window w;
        QApplication::clipboard()->setText(QStringLiteral("2031/07/04 and more"));
        QTest::keyClick(w.date, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.date->text(), QStringLiteral("2031/07/04"));
        QVERIFY(w.date->isModified());
    }

    void leavingWithoutTheYearIsRefused()
    {
        ScriptedPrompter prompter;
        Window w;
        w.date->setText(QStringLiteral("2031/07/04"));
        w.date->selectAll();
        QTest::keyClicks(w.date, QStringLiteral("20"));
        QTest::keyClick(w.date, Qt::Key_Tab);
        QVERIFY(w.date->hasFocus());
        QCOMPARE(prompter.texts(),
            QStringList {
                QStringLiteral("Invalid input value.  Use escape key to abandon changes") });
        QCOMPARE(w.date->cursorPosition(), 2); // at the first missing year digit

        w.other->setFocus(Qt::MouseFocusReason); // a click elsewhere is refused as well
        QVERIFY(w.date->hasFocus());
        QCOMPARE(prompter.count(), 2);

        // Escape puts back the text from before the change; then the box can be left.
        QTest::keyClick(w.date, Qt::Key_Escape);
        QCOMPARE(w.date->text(), QStringLiteral("2031/07/04"));
        QVERIFY(!w.date->isModified());
        QTest::keyClick(w.date, Qt::Key_Tab);
        QVERIFY(w.other->hasFocus());
        QCOMPARE(prompter.count(), 2);
    }

    void leavingIsAllowed_data()
    {
        QTest::addColumn<QString>("before"); // set by the program
        QTest::addColumn<QString>("keys"); // then typed at the start of the box
        QTest::newRow("year typed, month and day left empty") << ""
                                                              << "2031";
        QTest::newRow("incomplete text the user did not change") << "20"
                                                                 << "";
        QTest::newRow("empty box left alone") << ""
                                              << "";
    }
    void leavingIsAllowed()
    {
        QFETCH(QString, before);
        QFETCH(QString, keys);
        ScriptedPrompter prompter;
        Window w;
        w.date->setText(before);
        w.date->setCursorPosition(0);
        QTest::keyClicks(w.date, keys);
        QTest::keyClick(w.date, Qt::Key_Tab);
        QVERIFY(w.other->hasFocus());
        QCOMPARE(prompter.count(), 0);
    }

    void escapeWithoutChangeIsPassedOn()
    {
        Window w;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w.date, &escape);
        QVERIFY(!escape.isAccepted());
    }
};

QTEST_MAIN(TestMaskEdit)
#include "tst_maskedit.moc"
