#include "plugins/addressbook/TolvaneABAction.h"

#include "platform/UrlOpener.h"

#include <QStringList>

namespace {

// Left bare: letters, digits, "-._~" and the marks "!*'()/?:@$," that URLs
// carry as they are; everything else (the pair delimiters ";=&+", "#", "%",
// white space, line breaks, non-ASCII) is escaped.
QString escaped(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value, QByteArrayLiteral("!*'()/?:@$,")));
}

// The entry at `index`, else the primary one, else empty.
QString valueAtIndexElsePrimary(const ABMultiStringValue &values, qsizetype index)
{
    if (index < 0 || index >= values.count())
        index = values.primaryIndex();
    if (index < 0 || index >= values.count())
        return QString();
    return values.valueAtIndex(index);
}

QString nameLine(const Person &person)
{
    QString text;
    if (!person.title().isEmpty())
        text += person.title() + QLatin1Char(' ');
    text += person.firstName();
    for (const QString &part : {person.middleName(), person.lastName(), person.suffix()}) {
        if (!part.isEmpty())
            text += QLatin1Char(' ') + part;
    }
    return text;
}

} // namespace

QString formattedAddressFromDictionary(const QVariantMap &address)
{
    const auto part = [&address](const QString &key) { return address.value(key).toString().trimmed(); };
    QStringList lines;
    if (!part(kABAddressStreetKey).isEmpty())
        lines << part(kABAddressStreetKey);
    QStringList cityLine;
    for (const QString &key : {kABAddressCityKey, kABAddressStateKey, kABAddressZIPKey}) {
        if (!part(key).isEmpty())
            cityLine << part(key);
    }
    if (!cityLine.isEmpty())
        lines << cityLine.join(QLatin1Char(' '));
    if (!part(kABAddressCountryKey).isEmpty())
        lines << part(kABAddressCountryKey);
    return lines.join(QLatin1Char('\n'));
}

qsizetype TolvaneABAction::preferredAddressIndex(const Person &person)
{
    const ABMultiDictionaryValue &addresses = person.addresses();
    if (addresses.isEmpty())
        return -1;
    const qsizetype primary = addresses.primaryIndex();
    return primary >= 0 ? primary : 0;
}

QString TolvaneABAction::urlStringForPerson(const Person &person, const QString &identifier)
{
    const ABMultiDictionaryValue &addresses = person.addresses();
    const qsizetype index = addresses.indexForIdentifier(identifier);

    QString address = nameLine(person);
    if (!person.organization().isEmpty()) {
        if (!address.isEmpty())
            address += QLatin1Char('\n');
        address += person.organization();
    }
    address += QLatin1Char('\n');
    address += formattedAddressFromDictionary(addresses.valueAtIndex(index));
    address.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));

    return QStringLiteral("tolvane://newShipment2?ToAddress=") + escaped(address) + QStringLiteral(";ToEMail=") +
        escaped(valueAtIndexElsePrimary(person.emails(), index)) + QStringLiteral(";ToPhone=") +
        escaped(valueAtIndexElsePrimary(person.phones(), index));
}

bool TolvaneABAction::performActionForPerson(const Person &person, const QString &identifier)
{
    // As text: a QUrl would lowercase the command.
    return openUrlText(urlStringForPerson(person, identifier));
}
