#pragma once
// Reading the values of a Glimra document: the document converter gives an
// attribute and a text-only child element alike as a string, so every value
// here is read as text (trimmed, as element text is), and keywords ("YES",
// "NO", "TRUE", class and size names) compare ignoring case. A value of any
// other kind (an element with attributes or children) is no text.
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// Equal when a case-insensitive comparison finds no difference.
bool qv_isCaseInsensitiveEqualToString(const QString &text, const QString &keyword);

// The trimmed text of the entry, or nothing when it is absent or not text.
std::optional<QString> glimraText(const QVariantMap &map, const QString &key);
// The entry's text equals the keyword ignoring case; a missing value never
// equals a keyword.
bool glimraIs(const QVariantMap &map, const QString &key, const QString &keyword);

// The text with every character other than the decimal digits and "."
// removed ("$1,234.56" gives "1234.56").
QString removeCrapFromBalanceString(const QString &text);

// The upper-cased text for the keyword tables, by the rules of the root
// locale: "ıntlfirst" gives "INTLFIRST" as "intlfirst" does.
QString glimraUpper(const QString &text);

// A whole number of the text that fits an int, or nothing ("1e20" does not).
std::optional<int> glimraInteger(const QString &text);
