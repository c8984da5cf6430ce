#include "SqlText.h"

#include <QStringList>

QString sqlEscape(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString sqlQuote(const QString &value)
{
    return QLatin1Char('\'') + sqlEscape(value) + QLatin1Char('\'');
}

static bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QString sqlPositionalParams(const QString &text, QStringList *names)
{
    QString out;
    out.reserve(text.size());
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text or identifier: copy through to the closing quote
            // (a doubled quote stays inside).
            int j = i + 1;
            while (j < n) {
                if (text.at(j) == c) {
                    if (j + 1 < n && text.at(j + 1) == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = qMin(j + 1, n);
            out += QStringView(text).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
            int j = int(text.indexOf(QLatin1Char('\n'), i));
            if (j < 0)
                j = n;
            out += QStringView(text).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && text.at(i + 1) == QLatin1Char('*')) {
            int j = int(text.indexOf(QLatin1String("*/"), i + 2));
            j = j < 0 ? n : j + 2;
            out += QStringView(text).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char(':') && i + 1 < n && isNameChar(text.at(i + 1))
                   && (i == 0 || !isNameChar(text.at(i - 1)))) {
            int j = i + 1;
            while (j < n && isNameChar(text.at(j)))
                ++j;
            if (names)
                names->append(text.mid(i + 1, j - i - 1).toUpper());
            out += QLatin1Char('?');
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
