#include "model/VCard.h"

#include "model/StringAdditions.h"
#include "model/Windows1252.h"
#include "platform/BoundedFileRead.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>

namespace {

// ---------------------------------------------------------------- common parts

struct Parameter {
    QByteArray name;          // upper case
    QList<QByteArray> values; // unquoted, as written
};

struct Property {
    qsizetype line = 0; // first physical line, counted from 1
    QByteArray group;   // upper case, empty when none
    QByteArray name;    // upper case
    QList<Parameter> parameters;
    QByteArray value; // as written (still encoded and escaped)

    QByteArray firstParameterValue(const QByteArray &parameterName) const
    {
        for (const Parameter &parameter : parameters) {
            if (parameter.name == parameterName && !parameter.values.isEmpty())
                return parameter.values.first();
        }
        return QByteArray();
    }
    bool hasParameter(const QByteArray &parameterName) const
    {
        for (const Parameter &parameter : parameters) {
            if (parameter.name == parameterName)
                return true;
        }
        return false;
    }
    // Every TYPE value, upper case ("TYPE=home,pref", TYPE="home,pref" and
    // "HOME;PREF" alike).
    QList<QByteArray> types() const
    {
        QList<QByteArray> result;
        for (const Parameter &parameter : parameters) {
            if (parameter.name != "TYPE")
                continue;
            for (const QByteArray &value : parameter.values) {
                for (const QByteArray &type : value.split(','))
                    result << type.trimmed().toUpper();
            }
        }
        return result;
    }
};

bool isNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

bool isName(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (!isNameCharacter(c))
            return false;
    }
    return true;
}

// Splits at the separator wherever it is not inside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray &text, char separator)
{
    QList<QByteArray> parts;
    QByteArray current;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

qsizetype colonOutsideQuotes(const QByteArray &line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"')
            quoted = !quoted;
        else if (c == ':' && !quoted)
            return i;
    }
    return -1;
}

QByteArray unquoted(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith('"') && trimmed.endsWith('"'))
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

// A logical line being joined from physical lines. The header (name and
// parameters) is scanned only once, however many lines are joined, so that
// long runs of continuation lines cost linear time.
class LogicalLine
{
public:
    void start(const QByteArray &text)
    {
        m_text = text;
        m_scanned = 0;
        m_quoted = false;
        m_colon = -1;
        m_headerRead = false;
        m_quotedPrintable = false;
        scan();
    }
    void append(QByteArrayView text)
    {
        m_text += text;
        scan();
    }
    // A quoted-printable value ending in "=" continues on the next line.
    bool continuesAsQuotedPrintable() const { return m_quotedPrintable && m_text.endsWith('='); }
    void chop(qsizetype n) { m_text.chop(n); }
    const QByteArray &text() const { return m_text; }

private:
    void scan()
    {
        while (m_colon < 0 && m_scanned < m_text.size()) {
            const char c = m_text.at(m_scanned);
            if (c == '"')
                m_quoted = !m_quoted;
            else if (c == ':' && !m_quoted)
                m_colon = m_scanned;
            ++m_scanned;
        }
        if (m_colon >= 0 && !m_headerRead) {
            m_quotedPrintable = m_text.left(m_colon).toUpper().contains("QUOTED-PRINTABLE");
            m_headerRead = true;
        }
    }

    QByteArray m_text;
    qsizetype m_scanned = 0;
    bool m_quoted = false;
    qsizetype m_colon = -1;
    bool m_headerRead = false;
    bool m_quotedPrintable = false;
};

// ---------------------------------------------------------------- text values

std::optional<QByteArray> decodedQuotedPrintable(const QByteArray &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '=') {
            bytes += c;
            continue;
        }
        if (i == text.size() - 1)
            break; // a soft line break at the very end
        const int high = i + 1 < text.size() ? hexDigitValue(static_cast<unsigned char>(text.at(i + 1))) : -1;
        const int low = i + 2 < text.size() ? hexDigitValue(static_cast<unsigned char>(text.at(i + 2))) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += char(high * 16 + low);
        i += 2;
    }
    return bytes;
}

// Windows-1252 text; the five bytes the code page leaves undefined stand for
// the C1 controls of the same value, as the writers of such cards mean them.
QString fromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(tolvane::windows1252Character(byte).value_or(char16_t(byte)));
    }
    return text;
}

// The bytes of an inline picture: base64 with ENCODING=b (3.0) or BASE64
// (2.1), or a "data:" URI with ";base64,". Empty for a picture given
// by reference, one that does not decode, or one larger than the limit: a
// card reads without its picture rather than not at all.
QByteArray photoData(const Property &property)
{
    constexpr qsizetype kPictureLimit = 4 * 1024 * 1024;
    const QByteArray encoding = property.firstParameterValue("ENCODING").trimmed().toUpper();
    QByteArray encoded;
    if (encoding == "B" || encoding == "BASE64") {
        encoded = property.value;
    } else {
        const QByteArray marker = ";base64,";
        const qsizetype at = property.value.indexOf(marker);
        if (!property.value.startsWith("data:") || at < 0)
            return QByteArray();
        encoded = property.value.mid(at + marker.size());
    }
    encoded = encoded.simplified().replace(' ', QByteArray());
    if (encoded.size() > kPictureLimit / 3 * 4 + 4)
        return QByteArray();
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? decoded.decoded : QByteArray();
}

// The decoded text of a property: quoted-printable undone, bytes read in the
// property's character set, line ends made "\n". Still escaped.
std::optional<QString> decodedText(const Property &property, bool version21, QString &why)
{
    const QByteArray encoding = property.firstParameterValue("ENCODING").trimmed().toUpper();
    QByteArray bytes = property.value;
    if (encoding == "QUOTED-PRINTABLE") {
        const std::optional<QByteArray> decoded = decodedQuotedPrintable(bytes);
        if (!decoded) {
            why = QStringLiteral("damaged quoted-printable text in %1").arg(QString::fromLatin1(property.name));
            return std::nullopt;
        }
        bytes = *decoded;
    } else if (!encoding.isEmpty() && encoding != "7BIT" && encoding != "8BIT") {
        why = QStringLiteral("encoding %1 is not supported for %2")
                  .arg(QString::fromLatin1(encoding), QString::fromLatin1(property.name));
        return std::nullopt;
    }

    const QByteArray charset = property.firstParameterValue("CHARSET").trimmed().toUpper();
    std::optional<QString> text;
    if (charset.isEmpty() || charset == "UTF-8" || charset == "UTF8") {
        text = stringWithData(bytes, StringEncoding::UTF8);
        // vCard 2.1 files without CHARSET are often in the writer's Windows
        // code page.
        if (!text && charset.isEmpty() && version21)
            text = fromWindows1252(bytes);
    } else if (charset == "US-ASCII" || charset == "ASCII") {
        text = stringWithData(bytes, StringEncoding::ASCII);
    } else if (charset == "ISO-8859-1" || charset == "ISO8859-1" || charset == "LATIN1" || charset == "ISO_8859-1") {
        text = QString::fromLatin1(bytes);
    } else if (charset == "WINDOWS-1252" || charset == "CP1252") {
        text = fromWindows1252(bytes);
    } else {
        why = QStringLiteral("character set %1 is not supported").arg(QString::fromLatin1(charset));
        return std::nullopt;
    }
    if (!text) {
        why = QStringLiteral("%1 is not valid %2 text")
                  .arg(QString::fromLatin1(property.name),
                       charset.isEmpty() ? QStringLiteral("UTF-8") : QString::fromLatin1(charset));
        return std::nullopt;
    }
    if (text->contains(QChar(0))) {
        why = QStringLiteral("%1 contains a NUL character").arg(QString::fromLatin1(property.name));
        return std::nullopt;
    }
    text->replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text->replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Undoes the escapes "\\", "\,", "\;" and "\n" (also "\N"); any other
// backslash is kept as written.
QString unescaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            result += c;
            continue;
        }
        const QChar next = text.at(i + 1);
        if (next == QLatin1Char('n') || next == QLatin1Char('N')) {
            result += QLatin1Char('\n');
            ++i;
        } else if (next == QLatin1Char('\\') || next == QLatin1Char(',') || next == QLatin1Char(';')) {
            result += next;
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

// The components of a structured value (N, ADR, ORG), split at every ";"
// (or the separator given: "," for a list such as CATEGORIES) that is not
// escaped, each unescaped.
QStringList components(const QString &text, QChar separator = QLatin1Char(';'))
{
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            current += c;
            current += text.at(++i);
        } else if (c == separator) {
            parts << unescaped(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts << unescaped(current);
    return parts;
}

QString component(const QStringList &parts, qsizetype index)
{
    return index < parts.size() ? parts.at(index).trimmed() : QString();
}

// ---------------------------------------------------------------- labels

struct LabelType {
    const QString *label;
    const char *types; // as written, comma-separated
};

const QList<LabelType> &labelTypes()
{
    static const QList<LabelType> table = {
        {&kABPhoneHomeFAXLabel, "HOME,FAX"},
        {&kABPhoneWorkFAXLabel, "WORK,FAX"},
        {&kABHomeLabel, "HOME"},
        {&kABWorkLabel, "WORK"},
        {&kABOtherLabel, "OTHER"},
        {&kABPhoneMobileLabel, "CELL"},
        {&kABPhoneMainLabel, "MAIN"},
        {&kABPhonePagerLabel, "PAGER"},
    };
    return table;
}

// Types that say what kind of value it is rather than whose it is.
bool isKindType(const QByteArray &type)
{
    static const QList<QByteArray> kinds = {"PREF", "VOICE", "INTERNET", "X400", "DOM",   "INTL", "POSTAL", "PARCEL",
                                            "MSG",  "BBS",   "MODEM",    "ISDN", "VIDEO", "PCS",  "CAR"};
    return kinds.contains(type);
}

QString labelForTypes(const QList<QByteArray> &types)
{
    for (const LabelType &entry : labelTypes()) {
        const QList<QByteArray> wanted = QByteArray(entry.types).split(',');
        bool all = true;
        for (const QByteArray &type : wanted)
            all = all && types.contains(type);
        if (all)
            return *entry.label;
    }
    for (const QByteArray &type : types) {
        if (isName(type) && !isKindType(type))
            return QString::fromLatin1(type).toLower();
    }
    return kABOtherLabel;
}

QByteArray typesForLabel(const QString &label)
{
    for (const LabelType &entry : labelTypes()) {
        if (*entry.label == label)
            return entry.types;
    }
    const QByteArray own = label.toLatin1();
    if (label.isEmpty() || own.size() != label.size() || !isName(own) || isKindType(own.toUpper()))
        return QByteArray();
    return own;
}

// ---------------------------------------------------------------- reading

bool hasUnpairedSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

class Reader
{
public:
    std::optional<QList<Person>> read(QByteArray data);
    QString error;
    // Cards without UID / X-ABUID get this followed by ":" and the card's
    // position in the data as their id; when empty, a new identifier.
    QString uniqueIdBase;

private:
    bool fail(qsizetype line, const QString &message)
    {
        error = line > 0 ? QStringLiteral("vCard line %1: %2").arg(line).arg(message) : message;
        return false;
    }
    bool parseProperty(const QByteArray &line, qsizetype lineNumber, Property &property);
    bool handleLine(const QByteArray &line, qsizetype lineNumber);
    bool finishCard(qsizetype endLine);

    QList<Person> m_people;
    bool m_inCard = false;
    bool m_version21 = false; // the card being read has said VERSION:2.1
    qsizetype m_cardLine = 0;
    QList<Property> m_properties;
};

bool Reader::parseProperty(const QByteArray &line, qsizetype lineNumber, Property &property)
{
    const qsizetype colon = colonOutsideQuotes(line);
    if (colon < 0)
        return fail(lineNumber, QStringLiteral("no \":\" between the property name and its value"));
    property.line = lineNumber;
    property.value = line.mid(colon + 1);

    const QList<QByteArray> parts = splitOutsideQuotes(line.left(colon), ';');
    QByteArray name = parts.first().trimmed();
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0) {
        property.group = name.left(dot).toUpper();
        name = name.mid(dot + 1);
        if (!isName(property.group))
            return fail(lineNumber,
                        QStringLiteral("bad property group \"%1\"").arg(QString::fromUtf8(property.group.left(40))));
    }
    if (!isName(name))
        return fail(lineNumber, QStringLiteral("bad property name \"%1\"").arg(QString::fromUtf8(name.left(40))));
    property.name = name.toUpper();

    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray text = parts.at(i).trimmed();
        if (text.isEmpty())
            continue;
        const qsizetype equals = text.indexOf('=');
        Parameter parameter;
        if (equals < 0) {
            // vCard 2.1 writes bare values: HOME;PREF;QUOTED-PRINTABLE.
            const QByteArray value = text.toUpper();
            const bool isEncoding =
                value == "QUOTED-PRINTABLE" || value == "BASE64" || value == "B" || value == "7BIT" || value == "8BIT";
            parameter.name = isEncoding ? QByteArray("ENCODING") : QByteArray("TYPE");
            parameter.values << unquoted(text);
        } else {
            parameter.name = text.left(equals).trimmed().toUpper();
            if (!isName(parameter.name))
                return fail(
                    lineNumber,
                    QStringLiteral("bad parameter name \"%1\"").arg(QString::fromUtf8(parameter.name.left(40))));
            for (const QByteArray &value : splitOutsideQuotes(text.mid(equals + 1), ','))
                parameter.values << unquoted(value);
        }
        property.parameters << parameter;
    }
    return true;
}

bool Reader::handleLine(const QByteArray &line, qsizetype lineNumber)
{
    if (line.trimmed().isEmpty())
        return true;
    Property property;
    if (!parseProperty(line, lineNumber, property)) {
        if (!m_inCard)
            error = QStringLiteral("vCard line %1: text outside a card").arg(lineNumber);
        return false;
    }
    const bool isBegin = property.name == "BEGIN";
    const bool isEnd = property.name == "END";
    const QByteArray value = property.value.trimmed().toUpper();
    if (!m_inCard) {
        if (!isBegin || value != "VCARD")
            return fail(lineNumber, QStringLiteral("text outside a card (a card begins with BEGIN:VCARD)"));
        if (m_people.size() >= kVCardMaximumCardCount)
            return fail(lineNumber, QStringLiteral("more than %1 cards").arg(kVCardMaximumCardCount));
        m_inCard = true;
        m_version21 = false;
        m_cardLine = lineNumber;
        m_properties.clear();
        return true;
    }
    if (isBegin)
        return fail(lineNumber, QStringLiteral("BEGIN inside the card that begins on line %1").arg(m_cardLine));
    if (isEnd) {
        if (value != "VCARD")
            return fail(lineNumber,
                        QStringLiteral("END:%1 where END:VCARD was expected").arg(QString::fromUtf8(value.left(40))));
        m_inCard = false;
        return finishCard(lineNumber);
    }
    if (m_properties.size() >= kVCardMaximumPropertyCount)
        return fail(lineNumber, QStringLiteral("card has more than %1 properties").arg(kVCardMaximumPropertyCount));
    if (property.name == "VERSION")
        m_version21 = value == "2.1";
    m_properties << property;
    return true;
}

bool Reader::finishCard(qsizetype endLine)
{
    Q_UNUSED(endLine);
    const Property *versionProperty = nullptr;
    for (const Property &property : std::as_const(m_properties)) {
        if (property.name == "VERSION") {
            versionProperty = &property;
            break;
        }
    }
    if (!versionProperty)
        return fail(m_cardLine, QStringLiteral("card has no VERSION"));
    const QByteArray version = versionProperty->value.trimmed();
    if (version != "2.1" && version != "3.0")
        return fail(versionProperty->line,
                    QStringLiteral("vCard version %1 is not supported").arg(QString::fromUtf8(version.left(20))));
    const bool version21 = version == "2.1";

    Person person;
    person.setUniqueId(QString());
    QString fullName;
    QString uid;
    QString abuid;
    bool haveName = false;
    bool haveOrganization = false;
    bool haveJobTitle = false;

    struct PendingAddress {
        QByteArray group;
        QVariantMap value;
        QString label;
        bool preferred;
    };
    QList<PendingAddress> addresses;
    QHash<QByteArray, QString> countryCodes;
    struct PendingText {
        QString value;
        QString label;
        bool preferred;
    };
    QList<PendingText> phones;
    QList<PendingText> emails;

    static const QList<QByteArray> used = {"N",     "FN",      "ORG", "TITLE",   "ADR",       "TEL",
                                           "EMAIL", "X-ABUID", "UID", "X-ABADR", "CATEGORIES"};
    QStringList categories;
    QByteArray imageData;
    for (const Property &property : std::as_const(m_properties)) {
        if (property.name == "PHOTO") {
            if (imageData.isEmpty())
                imageData = photoData(property);
            continue;
        }
        if (!used.contains(property.name))
            continue;
        QString why;
        const std::optional<QString> text = decodedText(property, version21, why);
        if (!text)
            return fail(property.line, why);
        const QList<QByteArray> types = property.types();
        const bool preferred = types.contains("PREF") || property.hasParameter("PREF");

        if (property.name == "N" && !haveName) {
            haveName = true;
            const QStringList parts = components(*text);
            person.setValue(component(parts, 0), kABLastNameProperty);
            person.setValue(component(parts, 1), kABFirstNameProperty);
            person.setValue(component(parts, 2), kABMiddleNameProperty);
            person.setValue(component(parts, 3), kABTitleProperty);
            person.setValue(component(parts, 4), kABSuffixProperty);
        } else if (property.name == "FN" && fullName.isEmpty()) {
            fullName = unescaped(*text).trimmed();
        } else if (property.name == "ORG" && !haveOrganization) {
            haveOrganization = true;
            person.setValue(component(components(*text), 0), kABOrganizationProperty);
        } else if (property.name == "TITLE" && !haveJobTitle) {
            haveJobTitle = true;
            person.setValue(unescaped(*text).trimmed(), kABJobTitleProperty);
        } else if (property.name == "ADR") {
            // Post-office box; extended address; street; locality; region;
            // postal code; country. The extended address (apartment, suite)
            // goes above the street line, a post-office box below it.
            const QStringList parts = components(*text);
            QStringList streetLines;
            for (const QString &line : {component(parts, 1), component(parts, 2), component(parts, 0)}) {
                if (!line.isEmpty())
                    streetLines << line;
            }
            QVariantMap value;
            const auto put = [&value](const QString &key, const QString &part) {
                if (!part.isEmpty())
                    value.insert(key, part);
            };
            put(kABAddressStreetKey, streetLines.join(QLatin1Char('\n')));
            put(kABAddressCityKey, component(parts, 3));
            put(kABAddressStateKey, component(parts, 4));
            put(kABAddressZIPKey, component(parts, 5));
            put(kABAddressCountryKey, component(parts, 6));
            addresses << PendingAddress{property.group, value, labelForTypes(types), preferred};
        } else if (property.name == "X-ABADR") {
            if (!property.group.isEmpty())
                countryCodes.insert(property.group, unescaped(*text).trimmed());
        } else if (property.name == "TEL" || property.name == "EMAIL") {
            const QString value = unescaped(*text).trimmed();
            if (!value.isEmpty())
                (property.name == "TEL" ? phones : emails) << PendingText{value, labelForTypes(types), preferred};
        } else if (property.name == "X-ABUID" && abuid.isEmpty()) {
            abuid = unescaped(*text).trimmed();
        } else if (property.name == "UID" && uid.isEmpty()) {
            uid = unescaped(*text).trimmed();
        } else if (property.name == "CATEGORIES") {
            for (const QString &category : components(*text, QLatin1Char(','))) {
                const QString name = category.trimmed();
                if (!name.isEmpty() && !categories.contains(name))
                    categories << name;
            }
        }
    }

    // A card that gives its name only as FN.
    if (person.composedName().isEmpty() && !fullName.isEmpty() && fullName != person.organization())
        person.setValue(fullName, kABFirstNameProperty);

    person.setCategories(categories);
    person.setImageData(imageData);
    if (!abuid.isEmpty())
        person.setUniqueId(abuid);
    else if (!uid.isEmpty())
        person.setUniqueId(uid);
    else if (!uniqueIdBase.isEmpty())
        person.setUniqueId(uniqueIdBase + QLatin1Char(':') + QString::number(m_people.size()));
    else
        person.setUniqueId(newABIdentifier());

    // PREF marks the primary entry; without one the first entry is primary.
    const auto primaryIndex = [](const auto &entries) {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (entries.at(i).preferred)
                return i;
        }
        return qsizetype(0);
    };
    {
        ABMultiDictionaryValue multiValue;
        for (PendingAddress &address : addresses) {
            const QString code = countryCodes.value(address.group);
            if (!address.group.isEmpty() && !code.isEmpty())
                address.value.insert(kABAddressCountryCodeKey, code);
            multiValue.addValue(address.value, address.label);
        }
        if (!addresses.isEmpty())
            multiValue.setPrimaryIdentifier(multiValue.identifierAtIndex(primaryIndex(addresses)));
        person.setAddresses(multiValue);
    }
    const auto multiValueOf = [&primaryIndex](const QList<PendingText> &entries) {
        ABMultiStringValue multiValue;
        for (const PendingText &entry : entries)
            multiValue.addValue(entry.value, entry.label);
        if (!entries.isEmpty())
            multiValue.setPrimaryIdentifier(multiValue.identifierAtIndex(primaryIndex(entries)));
        return multiValue;
    };
    person.setPhones(multiValueOf(phones));
    person.setEmails(multiValueOf(emails));

    m_people << person;
    return true;
}

std::optional<QList<Person>> Reader::read(QByteArray data)
{
    if (data.size() > kVCardMaximumDataSize) {
        fail(0, QStringLiteral("vCard data larger than %1 bytes").arg(kVCardMaximumDataSize));
        return std::nullopt;
    }
    // UTF-16 files (with their byte order mark) are read as the same text in
    // UTF-8; a UTF-8 byte order mark is dropped.
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        const std::optional<QString> text = stringWithData(data, StringEncoding::UTF16);
        if (!text || hasUnpairedSurrogate(*text)) {
            fail(0, QStringLiteral("vCard data is not valid UTF-16 text"));
            return std::nullopt;
        }
        data = text->toUtf8();
    } else if (data.startsWith("\xEF\xBB\xBF")) {
        data.remove(0, 3);
    }
    if (data.contains('\0')) {
        fail(0, QStringLiteral("vCard data contains NUL bytes"));
        return std::nullopt;
    }

    // Physical lines (CRLF, LF or CR) joined into logical lines: a line that
    // begins with a space or a tab continues the one above, without that
    // character in vCard 3.0 and with it in a card that has said it is
    // vCard 2.1 (which folds only at white space, as RFC 822 does); a
    // quoted-printable value ending in "=" continues on the next line
    // whatever it begins with.
    LogicalLine logical;
    qsizetype logicalLine = 0;
    bool haveLogical = false;
    qsizetype lineCount = 0;
    qsizetype position = 0;
    while (position < data.size()) {
        qsizetype end = position;
        while (end < data.size() && data.at(end) != '\n' && data.at(end) != '\r')
            ++end;
        const QByteArrayView physical = QByteArrayView(data).sliced(position, end - position);
        if (end < data.size() && data.at(end) == '\r' && end + 1 < data.size() && data.at(end + 1) == '\n')
            ++end;
        position = end + 1;
        if (++lineCount > kVCardMaximumLineCount) {
            fail(0, QStringLiteral("vCard data has more than %1 lines").arg(kVCardMaximumLineCount));
            return std::nullopt;
        }

        if (haveLogical && logical.continuesAsQuotedPrintable()) {
            logical.chop(1);
            logical.append(physical);
            continue;
        }
        if (haveLogical && !physical.isEmpty() && (physical.front() == ' ' || physical.front() == '\t')) {
            logical.append(m_inCard && m_version21 ? physical : physical.sliced(1));
            continue;
        }
        if (haveLogical && !handleLine(logical.text(), logicalLine))
            return std::nullopt;
        logical.start(physical.toByteArray());
        logicalLine = lineCount;
        haveLogical = true;
    }
    if (haveLogical && !handleLine(logical.text(), logicalLine))
        return std::nullopt;

    if (m_inCard) {
        fail(m_cardLine, QStringLiteral("card is not closed by END:VCARD"));
        return std::nullopt;
    }
    if (m_people.isEmpty()) {
        fail(0, QStringLiteral("no vCard found (a card begins with BEGIN:VCARD)"));
        return std::nullopt;
    }
    return m_people;
}

// ---------------------------------------------------------------- writing

QByteArray escaped(const QString &text)
{
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QString result;
    result.reserve(normalized.size());
    for (const QChar c : std::as_const(normalized)) {
        if (c == QLatin1Char('\\'))
            result += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            result += QLatin1String("\\n");
        else if (c == QLatin1Char(','))
            result += QLatin1String("\\,");
        else if (c == QLatin1Char(';'))
            result += QLatin1String("\\;");
        else
            result += c;
    }
    return result.toUtf8();
}

// One content line with CRLF, folded so that no line is longer than 75
// octets; a fold never falls inside a UTF-8 sequence.
void appendFolded(QByteArray &out, const QByteArray &line)
{
    constexpr qsizetype kLimit = 75;
    qsizetype position = 0;
    bool first = true;
    do {
        const qsizetype room = first ? kLimit : kLimit - 1;
        qsizetype length = qMin(room, line.size() - position);
        if (position + length < line.size()) {
            while (length > 1 && (static_cast<unsigned char>(line.at(position + length)) & 0xC0) == 0x80)
                --length;
        }
        if (!first)
            out += ' ';
        out += line.mid(position, length);
        out += "\r\n";
        position += length;
        first = false;
    } while (position < line.size());
}

QByteArray typeParameter(const QByteArray &types, bool preferred, const QByteArray &kind = QByteArray())
{
    QList<QByteArray> all;
    if (!kind.isEmpty())
        all << kind;
    if (!types.isEmpty())
        all << types;
    if (preferred)
        all << "PREF";
    return all.isEmpty() ? QByteArray() : ";TYPE=" + all.join(',');
}

void appendCard(QByteArray &out, const Person &person)
{
    appendFolded(out, "BEGIN:VCARD");
    appendFolded(out, "VERSION:3.0");
    appendFolded(out,
                 "N:" + escaped(person.lastName()) + ';' + escaped(person.firstName()) + ';' +
                     escaped(person.middleName()) + ';' + escaped(person.title()) + ';' + escaped(person.suffix()));
    const QString name = person.composedName();
    appendFolded(out, "FN:" + escaped(name.isEmpty() ? person.organization() : name));
    if (!person.organization().isEmpty())
        appendFolded(out, "ORG:" + escaped(person.organization()));
    if (!person.jobTitle().isEmpty())
        appendFolded(out, "TITLE:" + escaped(person.jobTitle()));

    int group = 0;
    const ABMultiDictionaryValue &addresses = person.addresses();
    for (qsizetype i = 0; i < addresses.count(); ++i) {
        const QVariantMap value = addresses.valueAtIndex(i);
        const QString code = value.value(kABAddressCountryCodeKey).toString();
        const QByteArray prefix = code.isEmpty() ? QByteArray() : "item" + QByteArray::number(++group) + '.';
        const bool preferred = addresses.identifierAtIndex(i) == addresses.primaryIdentifier();
        const auto part = [&value](const QString &key) { return escaped(value.value(key).toString()); };
        appendFolded(out,
                     prefix + "ADR" + typeParameter(typesForLabel(addresses.labelAtIndex(i)), preferred) + ":;;" +
                         part(kABAddressStreetKey) + ';' + part(kABAddressCityKey) + ';' + part(kABAddressStateKey) +
                         ';' + part(kABAddressZIPKey) + ';' + part(kABAddressCountryKey));
        if (!code.isEmpty())
            appendFolded(out, prefix + "X-ABADR:" + escaped(code));
    }
    const auto appendTexts = [&out](const ABMultiStringValue &values, const QByteArray &name, const QByteArray &kind) {
        for (qsizetype i = 0; i < values.count(); ++i) {
            const bool preferred = values.identifierAtIndex(i) == values.primaryIdentifier();
            appendFolded(out,
                         name + typeParameter(typesForLabel(values.labelAtIndex(i)), preferred, kind) + ':' +
                             escaped(values.valueAtIndex(i)));
        }
    };
    appendTexts(person.phones(), "TEL", QByteArray());
    appendTexts(person.emails(), "EMAIL", "INTERNET");
    if (!person.categories().isEmpty()) {
        QByteArray list;
        for (const QString &category : person.categories())
            list += (list.isEmpty() ? "" : ",") + escaped(category);
        appendFolded(out, "CATEGORIES:" + list);
    }
    if (!person.uniqueId().isEmpty()) {
        appendFolded(out, "UID:" + escaped(person.uniqueId()));
        appendFolded(out, "X-ABUID:" + escaped(person.uniqueId()));
    }
    if (!person.imageData().isEmpty())
        appendFolded(out, "PHOTO;ENCODING=b:" + person.imageData().toBase64());
    appendFolded(out, "END:VCARD");
}

} // namespace

std::optional<QList<Person>> peopleWithVCardRepresentation(const QByteArray &data, QString *error,
                                                           const QString &uniqueIdBase)
{
    Reader reader;
    reader.uniqueIdBase = uniqueIdBase;
    std::optional<QList<Person>> people = reader.read(data);
    if (!people && error)
        *error = reader.error;
    return people;
}

std::optional<Person> personWithVCardRepresentation(const QByteArray &data, QString *error)
{
    const std::optional<QList<Person>> people = peopleWithVCardRepresentation(data, error);
    if (!people)
        return std::nullopt;
    return people->first();
}

QByteArray vCardRepresentation(const Person &person)
{
    QByteArray out;
    appendCard(out, person);
    return out;
}

QByteArray vCardRepresentation(const QList<Person> &people)
{
    QByteArray out;
    for (const Person &person : people)
        appendCard(out, person);
    return out;
}

std::optional<QByteArray> vCardFileData(const QString &path, QString *error)
{
    return readRegularFileAtMost(path, kVCardMaximumDataSize, error);
}

QImage vCardPicture(const QByteArray &imageData)
{
    QBuffer buffer;
    buffer.setData(imageData);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kVCardMaximumPictureAllocation);
    return reader.read();
}
