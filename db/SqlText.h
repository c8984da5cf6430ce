#pragma once

#include <QString>

// Statement-text helpers shared by every place that splices a value into SQL.

// The value with each single quote doubled, ready to stand between single quotes.
QString sqlEscape(const QString &value);
// The value between single quotes, its own quotes doubled.
QString sqlQuote(const QString &value);
// Named parameters (":NAME") of a statement replaced by "?", outside quoted texts,
// quoted identifiers and comments; names come back in their order of appearance,
// in upper case. A name may occur more than once.
QString sqlPositionalParams(const QString &text, QStringList *names);
