#include "model/TemplateSubstitution.h"

#include <algorithm>
#include <utility>

QString stringByRemovingPrefix(const QString &text, const QString &prefix)
{
    if (!prefix.isEmpty() && text.startsWith(prefix, Qt::CaseSensitive))
        return text.mid(prefix.size());
    return text;
}

QString stringByRemovingSuffix(const QString &text, const QString &suffix)
{
    if (!suffix.isEmpty() && text.endsWith(suffix, Qt::CaseSensitive))
        return text.left(text.size() - suffix.size());
    return text;
}

QString stringByRemovingSurroundingWhitespace(const QString &text)
{
    const CharacterSet set = CharacterSet::whitespaceAndNewlineCharacterSet();
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && set.characterIsMember(text.at(start)))
        ++start;
    while (end > start && set.characterIsMember(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QString stringByRemovingString(const QString &text, const QString &substring)
{
    if (substring.isEmpty() || !qv_containsString(text, substring))
        return text;
    return text.split(substring).join(QString());
}

QString stringByReplacingAllOccurrencesOfString(const QString &text, const QString &search, const QString &replacement)
{
    QString result = text;
    replaceAllOccurrencesOfString(result, search, replacement);
    return result;
}

QString stringByReplacingCharactersInSet(const QString &text, const CharacterSet &set, const QString &replacement)
{
    if (!containsCharacterInSet(text, set))
        return text;
    QString result = text;
    replaceAllOccurrencesOfCharactersInSet(result, set, replacement);
    return result;
}

void replaceAllOccurrencesOfCharactersInSet(QString &text, const CharacterSet &set, const QString &replacement)
{
    // One pass into a new text: replacing in place would move the rest of
    // the text at every match.
    QString result;
    result.reserve(text.size());
    bool replaced = false;
    for (const QChar c : std::as_const(text)) {
        if (set.characterIsMember(c)) {
            result.append(replacement);
            replaced = true;
        } else {
            result.append(c);
        }
    }
    if (replaced)
        text = std::move(result);
}

QString stringByPerformingReplacement(const QString &text, const CharacterReplacementFunction &replacement,
                                      const CharacterSet &characters, qsizetype start, qsizetype length)
{
    start = std::clamp<qsizetype>(start, 0, text.size());
    length = std::clamp<qsizetype>(length, 0, text.size() - start);
    QString working = text;
    qsizetype position = start;
    qsizetype end = start + length;
    while (position < end) {
        if (!characters.characterIsMember(working.at(position))) {
            ++position;
            continue;
        }
        const std::optional<QString> inserted = replacement ? replacement(working, position, 1) : std::nullopt;
        if (!inserted) {
            ++position;
            continue;
        }
        working.replace(position, 1, *inserted);
        position += inserted->size();
        end += inserted->size() - 1;
    }
    return working;
}

QString stringByPerformingReplacement(const QString &text, const CharacterReplacementFunction &replacement,
                                      const CharacterSet &characters)
{
    return stringByPerformingReplacement(text, replacement, characters, 0, text.size());
}

QVariant variableSubstitutionInDictionary(const QString &key, const QVariantMap &dictionary, bool removeUndefinedKeys)
{
    const auto it = dictionary.constFind(key);
    if (it != dictionary.constEnd())
        return it.value();
    if (removeUndefinedKeys)
        return QVariant(QString(""));
    return QVariant();
}

namespace {

bool matchesAt(const QString &text, qsizetype position, const QString &delimiter)
{
    return position + delimiter.size() <= text.size() &&
        QStringView(text).mid(position, delimiter.size()).compare(delimiter, Qt::CaseInsensitive) == 0;
}

} // namespace

QString stringByReplacingKeys(const QString &text, const QString &startingDelimiter, const QString &endingDelimiter,
                              const KeyLookupFunction &lookup)
{
    if (startingDelimiter.isEmpty() || endingDelimiter.isEmpty() || !lookup)
        return text;

    const qsizetype length = text.size();
    QString result;
    result.reserve(length);
    bool substituted = false;
    qsizetype position = 0;
    while (position < length) {
        // Text up to the next start delimiter.
        qsizetype found = text.indexOf(startingDelimiter, position, Qt::CaseInsensitive);
        if (found < 0)
            found = length;
        result.append(QStringView(text).mid(position, found - position));
        position = found;

        // The start delimiter.
        const qsizetype startAt = position;
        const bool hasStart = matchesAt(text, position, startingDelimiter);
        if (hasStart)
            position += startingDelimiter.size();

        // The key: text up to the next end delimiter (or the end of the text).
        const qsizetype keyAt = position;
        qsizetype keyEnd = position < length ? text.indexOf(endingDelimiter, position, Qt::CaseInsensitive) : length;
        if (keyEnd < 0)
            keyEnd = length;
        const bool hasKey = keyEnd > keyAt;
        position = keyEnd;

        // The end delimiter.
        const qsizetype endAt = position;
        const bool hasEnd = matchesAt(text, position, endingDelimiter);
        if (hasEnd)
            position += endingDelimiter.size();

        if (hasKey) {
            const QVariant value = lookup(text.mid(keyAt, keyEnd - keyAt));
            if (value.typeId() == QMetaType::QString) {
                result.append(value.toString());
                substituted = true;
                continue;
            }
        }
        // Not substituted: everything found is copied as it stands.
        if (hasStart)
            result.append(QStringView(text).mid(startAt, startingDelimiter.size()));
        if (hasKey)
            result.append(QStringView(text).mid(keyAt, keyEnd - keyAt));
        if (hasEnd)
            result.append(QStringView(text).mid(endAt, endingDelimiter.size()));
    }
    return substituted ? result : text;
}

QString stringByReplacingKeysInDictionary(const QString &text, const QVariantMap &dictionary,
                                          const QString &startingDelimiter, const QString &endingDelimiter,
                                          bool removeUndefinedKeys)
{
    return stringByReplacingKeys(text, startingDelimiter, endingDelimiter, [&](const QString &key) {
        return variableSubstitutionInDictionary(key, dictionary, removeUndefinedKeys);
    });
}

QString stringByReplacingKeysInDictionary(const QString &text, const QVariantMap &dictionary,
                                          const QString &startingDelimiter, const QString &endingDelimiter)
{
    return stringByReplacingKeysInDictionary(text, dictionary, startingDelimiter, endingDelimiter, false);
}
