#pragma once
// Removing and replacing substrings and characters, and filling templates:
// texts that hold keys between a start and an end delimiter (most callers use
// "<%" and "%>") whose places take values from a dictionary.
//
// Every function returns a new text; the receiver is never changed, except by
// replaceAllOccurrencesOfCharactersInSet(), which works in place.
#include "model/StringAdditions.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <optional>

// Without the prefix / suffix when the text starts / ends with it
// (case-sensitive); otherwise the text itself.
QString stringByRemovingPrefix(const QString &text, const QString &prefix);
QString stringByRemovingSuffix(const QString &text, const QString &suffix);
// Trimmed of white space and line breaks at both ends.
QString stringByRemovingSurroundingWhitespace(const QString &text);
// Every occurrence of the substring removed.
QString stringByRemovingString(const QString &text, const QString &substring);
// Every occurrence replaced, left to right, the search going on behind the
// inserted text; an empty searched text changes nothing.
QString stringByReplacingAllOccurrencesOfString(const QString &text, const QString &search, const QString &replacement);
// Each character of the set replaced separately by the replacement.
QString stringByReplacingCharactersInSet(const QString &text, const CharacterSet &set, const QString &replacement);
// The same in place.
void replaceAllOccurrencesOfCharactersInSet(QString &text, const CharacterSet &set, const QString &replacement);

// Called for each character of the set found: the working text (with the
// earlier replacements in it), the position of the character in it and its
// length (1). Answers the replacement, or nothing to keep the character.
using CharacterReplacementFunction =
    std::function<std::optional<QString>(const QString &working, qsizetype position, qsizetype length)>;

// Runs the function for every character of the set within [start, start +
// length) of the text (clamped to the text); on a replacement the search goes
// on behind the inserted text and the end of the range moves with the change
// in length.
QString stringByPerformingReplacement(const QString &text, const CharacterReplacementFunction &replacement,
                                      const CharacterSet &characters, qsizetype start, qsizetype length);
// The same over the whole text.
QString stringByPerformingReplacement(const QString &text, const CharacterReplacementFunction &replacement,
                                      const CharacterSet &characters);

// Look-up of template substitution: the value for a key, or an invalid
// QVariant for none. Only a text value is substituted; any other value
// leaves the key and its delimiters in place.
using KeyLookupFunction = std::function<QVariant(const QString &key)>;

// The dictionary's value for the key; when there is none, the empty text if
// undefined keys are to be removed, else nothing.
QVariant variableSubstitutionInDictionary(const QString &key, const QVariantMap &dictionary, bool removeUndefinedKeys);

// Template substitution through a look-up function. Delimiters match without
// regard to case; values are inserted as they are and never scanned again;
// a start delimiter without an end delimiter has the rest of the text looked
// up as its key.
QString stringByReplacingKeys(const QString &text, const QString &startingDelimiter, const QString &endingDelimiter,
                              const KeyLookupFunction &lookup);

QString stringByReplacingKeysInDictionary(const QString &text, const QVariantMap &dictionary,
                                          const QString &startingDelimiter, const QString &endingDelimiter,
                                          bool removeUndefinedKeys);
// Undefined keys left in place.
QString stringByReplacingKeysInDictionary(const QString &text, const QVariantMap &dictionary,
                                          const QString &startingDelimiter, const QString &endingDelimiter);
