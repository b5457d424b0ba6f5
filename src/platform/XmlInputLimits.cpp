#include "platform/XmlInputLimits.h"

#include <QStringDecoder>

namespace {

// Scans characters of type C (bytes or UTF-16 units) for start tags.
char16_t unit(char c) { return char16_t(static_cast<unsigned char>(c)); }
char16_t unit(QChar c) { return c.unicode(); }

template <typename C> std::optional<QString> scan(const C *text, qsizetype length, int maximum)
{
    auto at = [&](qsizetype i) -> char16_t { return i < length ? unit(text[i]) : char16_t(0); };
    auto startsAt = [&](qsizetype i, const char *marker) {
        for (qsizetype k = 0; marker[k]; ++k) {
            if (at(i + k) != char16_t(static_cast<unsigned char>(marker[k])))
                return false;
        }
        return true;
    };
    // The position just after the next occurrence of the marker (or the end).
    auto skipPast = [&](qsizetype i, const char *marker) {
        while (i < length && !startsAt(i, marker))
            ++i;
        return i < length ? i + qsizetype(qstrlen(marker)) : length;
    };

    qsizetype i = 0;
    while (i < length) {
        if (at(i) != u'<') {
            ++i;
            continue;
        }
        if (startsAt(i, "<!--")) {
            i = skipPast(i + 4, "-->");
        } else if (startsAt(i, "<![CDATA[")) {
            i = skipPast(i + 9, "]]>");
        } else if (startsAt(i, "<?")) {
            i = skipPast(i + 2, "?>");
        } else if (startsAt(i, "<!") || startsAt(i, "</")) {
            i = skipPast(i + 2, ">");
        } else {
            // A start tag: every '=' outside a quoted value begins one
            // attribute's value.
            const qsizetype nameStart = i + 1;
            qsizetype nameEnd = nameStart;
            while (nameEnd < length && at(nameEnd) != u'>' && at(nameEnd) != u'/' && at(nameEnd) != u'=' &&
                   at(nameEnd) > u' ')
                ++nameEnd;
            int attributes = 0;
            char16_t quote = 0;
            for (i = nameEnd; i < length; ++i) {
                const char16_t c = at(i);
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == u'"' || c == u'\'') {
                    quote = c;
                } else if (c == u'>') {
                    break;
                } else if (c == u'=' && ++attributes > maximum) {
                    QString name;
                    for (qsizetype k = nameStart; k < nameEnd && k < nameStart + 40; ++k)
                        name.append(QChar(at(k)));
                    return QStringLiteral("The XML element <%1> carries more than %2 attributes.")
                        .arg(name)
                        .arg(maximum);
                }
            }
            ++i;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> xmlAttributeLimitError(const QByteArray &xml, int maximum)
{
    const bool wide = xml.startsWith("\xFE\xFF") || xml.startsWith("\xFF\xFE") ||
        (xml.size() >= 2 && (xml.at(0) == 0 || xml.at(1) == 0));
    if (!wide)
        return scan(xml.constData(), xml.size(), maximum);
    // UTF-16 or UTF-32: read as the XML reader would, then scan the text.
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(xml, u'<');
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf16));
    const QString text = decoder.decode(xml);
    return scan(text.constData(), text.size(), maximum);
}
