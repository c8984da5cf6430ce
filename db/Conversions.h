#pragma once

#include <QString>

// Text forms of numbers as the tool shows and reads them.

// Shortest decimal text of a number with at most 15 significant digits
// ("12.5", "0.3", "100"); no thousands separator.
QString formatNumber(double value);
// True when the whole text is a floating-point number: optional blanks, an optional
// sign, digits with at most one decimal point, an optional exponent, optional blanks.
bool isNumberText(const QString &text);
// The text as a number, or fallback when it is not a number (see isNumberText).
double textToNumber(const QString &text, double fallback = 0.0);
