#include "app/shell/Appcast.h"

#include "platform/PropertyList.h"
#include "platform/XmlInputLimits.h"

#include <QXmlStreamReader>

namespace {

const QString kSparkleVersion = QStringLiteral("sparkle:version");
const QString kSparkleShortVersion = QStringLiteral("sparkle:shortVersionString");

void fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
}

// The text of the current element and its children, joined; the reader ends
// on the element's end.
std::optional<QString> elementText(QXmlStreamReader &reader, int depth)
{
    QString text;
    int level = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth + ++level > kAppcastMaximumDepth)
                return std::nullopt;
            break;
        case QXmlStreamReader::EndElement:
            if (level-- == 0)
                return text;
            break;
        case QXmlStreamReader::Characters:
            text += reader.text();
            break;
        default:
            break;
        }
    }
    return std::nullopt;
}

// Reads one item; the reader ends on the item's end. False when the document
// is refused.
bool readItem(QXmlStreamReader &reader, int depth, AppcastItem &item, QString *error)
{
    std::optional<QString> elementVersion, elementShortVersion;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement)
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (depth + 1 > kAppcastMaximumDepth) {
            fail(error, QStringLiteral("The update feed nests too deeply."));
            return false;
        }
        const QString name = reader.qualifiedName().toString();
        if (name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            item.enclosureURL = attributes.value(QLatin1String("url")).toString();
            item.version = attributes.value(kSparkleVersion).toString();
            item.shortVersionString = attributes.value(kSparkleShortVersion).toString();
        }
        const std::optional<QString> text = elementText(reader, depth + 1);
        if (!text) {
            if (!reader.hasError())
                fail(error, QStringLiteral("The update feed nests too deeply."));
            return false;
        }
        if (name == QLatin1String("title"))
            item.title = text->trimmed();
        else if (name == QLatin1String("link"))
            item.link = text->trimmed();
        else if (name == QLatin1String("description"))
            item.description = *text;
        else if (name == kSparkleVersion)
            elementVersion = text->trimmed();
        else if (name == kSparkleShortVersion)
            elementShortVersion = text->trimmed();
        else if (name.contains(QLatin1Char(':')))
            item.properties.insert(name, *text);
    }
    if (elementVersion)
        item.version = *elementVersion;
    if (elementShortVersion)
        item.shortVersionString = *elementShortVersion;
    return !reader.hasError();
}

} // namespace

std::optional<QList<AppcastItem>> readAppcast(const QByteArray &feed, QString *error)
{
    if (feed.size() > kAppcastMaximumSize) {
        fail(error, QStringLiteral("The update feed is larger than %1 bytes.").arg(kAppcastMaximumSize));
        return std::nullopt;
    }
    if (const std::optional<QString> tooMany = xmlAttributeLimitError(feed)) {
        fail(error, *tooMany);
        return std::nullopt;
    }
    QXmlStreamReader reader(feed);
    // The feed's prefixes are matched as written; an undeclared one is no
    // error.
    reader.setNamespaceProcessing(false);
    QList<AppcastItem> items;
    // The names of the open elements above the reader's position.
    QStringList open;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            fail(error, QStringLiteral("The update feed carries a document type declaration."));
            return std::nullopt;
        }
        if (token == QXmlStreamReader::EndElement) {
            open.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = reader.qualifiedName().toString();
        if (open.size() + 1 > kAppcastMaximumDepth) {
            fail(error, QStringLiteral("The update feed nests too deeply."));
            return std::nullopt;
        }
        if (name == QLatin1String("item") && open == QStringList{QStringLiteral("rss"), QStringLiteral("channel")}) {
            AppcastItem item;
            if (!readItem(reader, int(open.size()) + 1, item, error)) {
                if (reader.hasError())
                    fail(error, QStringLiteral("The update feed is not well-formed XML: %1").arg(reader.errorString()));
                return std::nullopt;
            }
            items.append(item);
            continue;
        }
        open.append(name);
    }
    if (reader.hasError()) {
        fail(error, QStringLiteral("The update feed is not well-formed XML: %1").arg(reader.errorString()));
        return std::nullopt;
    }
    return items;
}

std::optional<QVariantMap> readHolidayList(const QString &text, QString *error)
{
    QString reason;
    const std::optional<QVariant> list = readPropertyList(text.toUtf8(), &reason);
    if (!list) {
        fail(error, reason);
        return std::nullopt;
    }
    if (list->typeId() != QMetaType::QVariantMap) {
        fail(error, QStringLiteral("The holiday list is not a dictionary."));
        return std::nullopt;
    }
    const QVariantMap holidays = list->toMap();
    for (auto it = holidays.cbegin(); it != holidays.cend(); ++it) {
        if (it.value().typeId() != QMetaType::QString) {
            fail(error, QStringLiteral("The holiday “%1” is not a text.").arg(it.key()));
            return std::nullopt;
        }
    }
    return holidays;
}

std::optional<quint32> readMinimumToPrint(const QString &text, QString *error)
{
    const QString digits = text.trimmed();
    bool plain = !digits.isEmpty();
    for (const QChar c : digits)
        plain = plain && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    bool fits = false;
    const qulonglong value = plain ? digits.toULongLong(&fits) : 0;
    if (!plain || !fits || value > 0xFFFFFFFFull) {
        fail(error, QStringLiteral("The minimum version to print “%1” is not an unsigned 32-bit number.").arg(text));
        return std::nullopt;
    }
    return quint32(value);
}

namespace {

enum class PartKind { Number, Letters, Separator };

struct VersionPart {
    PartKind kind;
    QStringView text;
};

PartKind kindOf(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return PartKind::Number;
    if (c.isSpace() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_'))
        return PartKind::Separator;
    return PartKind::Letters;
}

QList<VersionPart> splitVersion(QStringView version)
{
    QList<VersionPart> parts;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= version.size(); ++i) {
        const PartKind kind = kindOf(version[start]);
        // Each separator is a part of its own; other runs join alike
        // characters.
        if (i == version.size() || kind == PartKind::Separator || kindOf(version[i]) != kind) {
            parts.append({kind, version.mid(start, i - start)});
            start = i;
        }
    }
    return parts;
}

// Runs of digits by value, however long.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int sign(int value) { return (value > 0) - (value < 0); }

} // namespace

int compareFeedVersions(const QString &a, const QString &b)
{
    const QList<VersionPart> partsA = splitVersion(a);
    const QList<VersionPart> partsB = splitVersion(b);
    const qsizetype common = std::min(partsA.size(), partsB.size());
    for (qsizetype i = 0; i < common; ++i) {
        const VersionPart &pa = partsA[i];
        const VersionPart &pb = partsB[i];
        if (pa.kind == pb.kind) {
            if (pa.kind == PartKind::Separator)
                continue;
            const int order = pa.kind == PartKind::Number ? compareNumbers(pa.text, pb.text) : pa.text.compare(pb.text);
            if (order != 0)
                return sign(order);
            continue;
        }
        // Letters are older than a number or a separator ("1.0b" < "1.0.1");
        // a number is newer than a separator.
        if (pa.kind == PartKind::Letters)
            return -1;
        if (pb.kind == PartKind::Letters)
            return 1;
        return pa.kind == PartKind::Number ? 1 : -1;
    }
    if (partsA.size() == partsB.size())
        return 0;
    // The longer one is newer unless what it adds begins with letters.
    const bool aLonger = partsA.size() > partsB.size();
    const VersionPart &next = aLonger ? partsA[common] : partsB[common];
    const int longerIsNewer = next.kind == PartKind::Letters ? -1 : 1;
    return aLonger ? longerIsNewer : -longerIsNewer;
}
