#include "model/QVAddressParsing.h"

#include "model/QVCountry.h"
#include "model/StringAdditions.h"
#include "model/VCard.h"

#include <QRegularExpression>

namespace {

const QString kUnitedStates = QStringLiteral("United States");

// The lines of the text, each trimmed, blank ones left out.
QStringList nonBlankLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : componentsSeparatedByLineSeparators(text)) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}

// A ZIP code written on a line of its own: digits and "-" only.
bool isZIPLine(const QString &line)
{
    static const CharacterSet zipCharacters([](char16_t c) { return c == u'-' || QChar(c).isDigit(); });
    return !line.isEmpty() && !containsCharacterInSet(line, zipCharacters.invertedSet());
}

bool containsDigit(const QString &text)
{
    return containsCharacterInSet(text, CharacterSet::decimalDigitCharacterSet());
}

} // namespace

QVAddress addressWithString(const QString &text)
{
    QVAddress address;
    QStringList lines = nonBlankLines(text);
    if (lines.isEmpty())
        return address;

    // A ZIP code on a line of its own joins the city line above it.
    if (isZIPLine(lines.last())) {
        if (lines.size() == 1) {
            address.setZIP(lines.last());
            return address;
        }
        const QString zip = lines.takeLast();
        lines.last() += QLatin1Char(' ') + zip;
    }

    // "city state ZIP"; a line of fewer words is the city as written.
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const QString lastLine = lines.takeLast();
    const QStringList words = lastLine.split(spaces, Qt::SkipEmptyParts);
    if (words.size() >= 3) {
        address.setZIP(words.at(words.size() - 1));
        address.setState(words.at(words.size() - 2));
        address.setCity(words.mid(0, words.size() - 2).join(QLatin1Char(' ')));
    } else {
        address.setCity(lastLine);
    }

    if (lines.size() == 2 && !containsDigit(lines.first())) {
        address.setName(lines.takeFirst());
    } else if (lines.size() >= 4) {
        // Name, company, suite and street; lines between the company and the
        // street line are part of the suite line.
        address.setName(lines.takeFirst());
        address.setCompany(lines.takeFirst());
        address.setStreet(lines.takeLast());
        address.setSuiteApt(lines.join(QStringLiteral(", ")));
        return address;
    }
    if (!lines.isEmpty())
        address.setStreet(lines.takeLast());
    if (!lines.isEmpty())
        address.setSuiteApt(lines.takeLast());
    if (!lines.isEmpty())
        address.setCompany(lines.takeLast());
    return address;
}

std::optional<QVAddress> addressWithABPerson(const Person &person)
{
    const ABMultiDictionaryValue &addresses = person.addresses();
    if (addresses.count() == 0)
        return std::nullopt;
    qsizetype index = addresses.primaryIndex();
    if (index < 0)
        index = addresses.count() - 1;
    return addressWithABPerson(person, index);
}

std::optional<QVAddress> addressWithABPerson(const Person &person, qsizetype addressIndex)
{
    const ABMultiDictionaryValue &addresses = person.addresses();
    if (addressIndex < 0 || addressIndex >= addresses.count())
        return std::nullopt;
    const QVariantMap entry = addresses.valueAtIndex(addressIndex);
    const auto entryText = [&entry](const QString &key) { return entry.value(key).toString(); };

    QVAddress address;
    address.setABLabel(addresses.labelAtIndex(addressIndex));
    if (!person.uniqueId().isEmpty())
        address.setABUniqueId(person.uniqueId());

    const QString country = entryText(kABAddressCountryKey);
    const bool domestic = country.isEmpty() || QVCountry::isCountryStringUSA(country);
    address.setCountry(domestic ? kUnitedStates : country);

    const QString name = person.composedName();
    if (!person.firstName().isEmpty())
        address.setFirstName(person.firstName());
    if (!person.lastName().isEmpty())
        address.setLastName(person.lastName());
    const QString organization = person.organization();
    QString company;
    if (name.isEmpty()) {
        if (!organization.isEmpty()) {
            address.setName(organization);
            address.setLastName(organization);
        }
    } else {
        address.setName(name);
        if (!organization.isEmpty()) {
            address.setCompany(organization);
            company = organization;
        }
    }

    const QString street = entryText(kABAddressStreetKey);
    const QString city = entryText(kABAddressCityKey);
    const QString state = entryText(kABAddressStateKey);
    const QString zip = entryText(kABAddressZIPKey);

    if (!domestic) {
        // The company heads the lines, unless the street already begins with
        // it (a card written from a foreign address carries the company both
        // as its organization and as the first street line).
        QStringList lines = nonBlankLines(street);
        if (!company.isEmpty() && (lines.isEmpty() || lines.first() != company.trimmed()))
            lines.prepend(company);
        QStringList lastLine;
        for (const QString &part : {city, state, zip}) {
            if (!part.trimmed().isEmpty())
                lastLine << part.trimmed();
        }
        if (!lastLine.isEmpty())
            lines << lastLine.join(QLatin1Char(' '));
        address.setInternationalAddressLines(lines);
    } else {
        // The last line of the street is the delivery line, the one above it
        // the suite or apartment; lines above that stay in front of the suite
        // line rather than being lost.
        QStringList lines = nonBlankLines(street);
        address.setStreet(lines.isEmpty() ? QString(QLatin1String("")) : lines.takeLast());
        if (!lines.isEmpty())
            address.setSuiteApt(lines.join(QStringLiteral(", ")));
        address.setCity(city);
        address.setState(state);
        if (zip.size() >= 5) {
            if (zip.contains(QLatin1Char('-'))) {
                const QStringList pieces = zip.split(QLatin1Char('-'));
                address.setZIP5(pieces.at(0));
                address.setZIP4(pieces.at(1));
            } else {
                address.setZIP5(zip.left(5));
            }
        }
    }

    const auto primaryText = [](const ABMultiStringValue &values) {
        const qsizetype index = values.primaryIndex();
        return index >= 0 ? values.valueAtIndex(index) : QString();
    };
    const QString phone = primaryText(person.phones());
    if (!phone.isNull())
        address.setPhone(phone);
    const QString email = primaryText(person.emails());
    if (!email.isNull())
        address.setEmail(email);
    return address;
}

Person abPersonWithLabel(const QVAddress &address, const QString &label)
{
    Person person;

    // Name: first, middle and last name; with four or more words the third
    // and later ones make the last name ("mary ann van dyke").
    static const QRegularExpression spaces(QStringLiteral(" +"));
    QStringList words = address.name().split(spaces, Qt::SkipEmptyParts);
    if (words.size() >= 4)
        words = QStringList{words.at(0), words.at(1), words.mid(2).join(QLatin1Char(' '))};
    if (words.size() == 3)
        person.setValue(capitalizedWords(words.takeAt(1)), kABMiddleNameProperty);
    if (words.size() == 2)
        person.setValue(capitalizedWords(words.takeAt(1)), kABLastNameProperty);
    if (words.size() == 1)
        person.setValue(capitalizedWords(words.at(0)), kABFirstNameProperty);

    person.setValue(address.company(), kABOrganizationProperty);

    QVariantMap postal;
    const auto put = [&postal](const QString &key, const QString &value) {
        if (!value.isEmpty())
            postal.insert(key, value);
    };
    if (address.isDomestic()) {
        put(kABAddressCountryCodeKey, QStringLiteral("us"));
        QStringList streetLines;
        for (const QString &line : {address.suiteApt(), address.street()}) {
            if (!line.isEmpty())
                streetLines << line;
        }
        put(kABAddressStreetKey, streetLines.join(QLatin1Char('\n')));
        put(kABAddressCityKey, address.city());
        put(kABAddressStateKey, address.state());
        put(kABAddressZIPKey, address.formattedZIP());
    } else {
        const std::optional<QStringList> lines = address.internationalAddressLines();
        if (lines && !lines->isEmpty())
            put(kABAddressStreetKey, lines->join(QLatin1Char('\n')));
        put(kABAddressCountryKey, address.country());
    }
    ABMultiDictionaryValue addresses;
    addresses.setPrimaryIdentifier(addresses.addValue(postal, label));
    person.setAddresses(addresses);

    if (!address.phone().isEmpty()) {
        ABMultiStringValue phones;
        phones.setPrimaryIdentifier(phones.addValue(address.phone(), label));
        person.setPhones(phones);
    }
    if (!address.email().isEmpty()) {
        ABMultiStringValue emails;
        emails.setPrimaryIdentifier(emails.addValue(address.email(), label));
        person.setEmails(emails);
    }
    return person;
}

Person abPerson(const QVAddress &address) { return abPersonWithLabel(address, kABHomeLabel); }

QByteArray vCardRepresentation(const QVAddress &address) { return vCardRepresentation(abPerson(address)); }
