// The contact-card action: the "tolvane:" URLs it makes, read back by a
// decoder written from the program's URL rule (below, sharing nothing with
// the action): a company-only card, a card without phones or e-mails, the
// second of two addresses, line breaks, and card text that tries to add keys
// of its own. Then the helper program on a vCard file, and its desktop entry.
#include "plugins/addressbook/TolvaneABAction.h"

#include "RecordingUrlOpener.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

using namespace tolvane::test;

namespace {

// The URL rule: scheme "://" command "?" pairs; pairs separated by ";";
// key the text before the first "=", value the text after it; every
// percent escape of both decoded (UTF-8); a pair without "=" or with a bad
// escape is dropped; a later pair replaces an earlier one.
struct DecodedURL {
    QString scheme;
    QString command;
    QMap<QString, QString> pairs;
};

std::optional<QString> percentDecoded(const QString &text)
{
    QByteArray bytes;
    const QByteArray raw = text.toUtf8();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != '%') {
            bytes += raw.at(i);
            continue;
        }
        bool ok = false;
        const int value = i + 2 < raw.size() ? raw.mid(i + 1, 2).toInt(&ok, 16) : 0;
        if (!ok)
            return std::nullopt;
        bytes += char(value);
        i += 2;
    }
    return QString::fromUtf8(bytes);
}

std::optional<DecodedURL> decodedURL(const QString &url)
{
    const qsizetype schemeEnd = url.indexOf(QLatin1String("://"));
    const qsizetype queryStart = url.indexOf(QLatin1Char('?'));
    if (schemeEnd < 0 || queryStart < schemeEnd)
        return std::nullopt;
    DecodedURL decoded;
    decoded.scheme = url.left(schemeEnd);
    decoded.command = url.mid(schemeEnd + 3, queryStart - schemeEnd - 3);
    for (const QString &pair : url.mid(queryStart + 1).split(QLatin1Char(';'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const std::optional<QString> key = percentDecoded(pair.left(equals));
        const std::optional<QString> value = percentDecoded(pair.mid(equals + 1));
        if (key && value)
            decoded.pairs.insert(*key, *value);
    }
    return decoded;
}

QVariantMap postalAddress(const QString &street, const QString &city, const QString &state, const QString &zip)
{
    return {
        {kABAddressStreetKey, street}, {kABAddressCityKey, city}, {kABAddressStateKey, state}, {kABAddressZIPKey, zip}};
}

struct ActionCase {
    const char *name;
    Person person;
    qsizetype addressIndex;
    QString address;
    QString email;
    QString phone;
};

std::vector<ActionCase> actionCases()
{
    std::vector<ActionCase> cases;

    Person company;
    company.setValue(QStringLiteral("Acme Widgets"), kABOrganizationProperty);
    company.addresses().addValue(postalAddress("1 Main St", "Springfield", "IL", "62701"), kABWorkLabel);
    company.phones().addValue(QStringLiteral("(217) 555-0100"), kABWorkLabel);
    company.emails().addValue(QStringLiteral("orders@acme.example"), kABWorkLabel);
    cases.push_back({"company only", company, 0, "Acme Widgets\n1 Main St\nSpringfield IL 62701", "orders@acme.example",
                     "(217) 555-0100"});

    Person plain;
    plain.setValue(QStringLiteral("Ann"), kABFirstNameProperty);
    plain.setValue(QStringLiteral("Lee"), kABLastNameProperty);
    plain.addresses().addValue(postalAddress("9 Oak Ave", "Chicago", "IL", "60601"), kABHomeLabel);
    cases.push_back({"no phones or e-mails", plain, 0, "Ann Lee\n9 Oak Ave\nChicago IL 60601", "", ""});

    // The second address: one phone and two e-mails, the second e-mail
    // primary. There is no phone at index 1, so the primary phone; there is
    // an e-mail at index 1.
    Person two;
    two.setValue(QStringLiteral("Dr."), kABTitleProperty);
    two.setValue(QStringLiteral("Bea"), kABFirstNameProperty);
    two.setValue(QStringLiteral("Q."), kABMiddleNameProperty);
    two.setValue(QStringLiteral("Ruiz"), kABLastNameProperty);
    two.setValue(QStringLiteral("Jr."), kABSuffixProperty);
    two.setValue(QStringLiteral("Ruiz & Söhne"), kABOrganizationProperty);
    two.addresses().addValue(postalAddress("1 First St", "Austin", "TX", "78701"), kABHomeLabel);
    two.addresses().addValue(postalAddress("2 Second St", "Dallas", "TX", "75201"), kABWorkLabel);
    two.phones().setPrimaryIdentifier(two.phones().addValue(QStringLiteral("+1 214 555 0101"), kABWorkLabel));
    two.emails().addValue(QStringLiteral("bea@home.example"), kABHomeLabel);
    two.emails().setPrimaryIdentifier(two.emails().addValue(QStringLiteral("bea@work.example"), kABWorkLabel));
    cases.push_back({"second address", two, 1, "Dr. Bea Q. Ruiz Jr.\nRuiz & Söhne\n2 Second St\nDallas TX 75201",
                     "bea@work.example", "+1 214 555 0101"});

    // The second address again, now with a single primary e-mail: the
    // primary one stands in.
    Person primaries = two;
    ABMultiStringValue oneEmail;
    oneEmail.setPrimaryIdentifier(oneEmail.addValue(QStringLiteral("bea@only.example"), kABHomeLabel));
    primaries.setEmails(oneEmail);
    cases.push_back({"second address, primary e-mail", primaries, 1,
                     "Dr. Bea Q. Ruiz Jr.\nRuiz & Söhne\n2 Second St\nDallas TX 75201", "bea@only.example",
                     "+1 214 555 0101"});

    // Card text that tries to end its value and add keys.
    Person hostile;
    hostile.setValue(QStringLiteral("Eve"), kABFirstNameProperty);
    hostile.setValue(QStringLiteral("A=B&C+D #1 100%"), kABOrganizationProperty);
    hostile.addresses().addValue(postalAddress("1 Main St;QVPostageEnabled=NO", "Springfield", "IL", "62701"),
                                 kABHomeLabel);
    hostile.emails().addValue(QStringLiteral("eve@example.com;CallbackURL=http://evil.example/"), kABHomeLabel);
    hostile.phones().addValue(QStringLiteral("555;Test=YES"), kABHomeLabel);
    cases.push_back({"injected keys", hostile, 0,
                     "Eve\nA=B&C+D #1 100%\n1 Main St;QVPostageEnabled=NO\nSpringfield IL 62701",
                     "eve@example.com;CallbackURL=http://evil.example/", "555;Test=YES"});
    return cases;
}

TEST(TolvaneABAction, TheURLCarriesTheCardsAddressEmailAndPhoneAsThreeKeys)
{
    for (const ActionCase &c : actionCases()) {
        const QString identifier = c.person.addresses().identifierAtIndex(c.addressIndex);
        const QString url = TolvaneABAction::urlStringForPerson(c.person, identifier);
        EXPECT_TRUE(url.startsWith(QStringLiteral("tolvane://newShipment2?ToAddress="))) << c.name;
        EXPECT_TRUE(QUrl(url, QUrl::StrictMode).isValid()) << c.name;
        const std::optional<DecodedURL> decoded = decodedURL(url);
        ASSERT_TRUE(decoded) << c.name;
        EXPECT_EQ(decoded->scheme, QStringLiteral("tolvane")) << c.name;
        EXPECT_EQ(decoded->command, QStringLiteral("newShipment2")) << c.name;
        EXPECT_EQ(decoded->pairs.keys(),
                  QStringList({QStringLiteral("ToAddress"), QStringLiteral("ToEMail"), QStringLiteral("ToPhone")}))
            << c.name;
        EXPECT_EQ(decoded->pairs.value(QStringLiteral("ToAddress")), c.address) << c.name;
        EXPECT_EQ(decoded->pairs.value(QStringLiteral("ToEMail")), c.email) << c.name;
        EXPECT_EQ(decoded->pairs.value(QStringLiteral("ToPhone")), c.phone) << c.name;
        // Line breaks travel as the escaped byte.
        EXPECT_FALSE(url.contains(QLatin1Char('\n'))) << c.name;
        EXPECT_EQ(url.count(QStringLiteral("%0A")), c.address.count(QLatin1Char('\n'))) << c.name;
    }
}

TEST(TolvaneABAction, AContactWithoutANameBeginsWithItsOrganisationOrALineBreak)
{
    Person nameless;
    nameless.addresses().addValue(postalAddress("5 Pine Rd", "Reno", "NV", "89501"), kABHomeLabel);
    EXPECT_EQ(TolvaneABAction::preferredAddressIndex(nameless), 0);
    const std::optional<DecodedURL> decoded =
        decodedURL(TolvaneABAction::urlStringForPerson(nameless, nameless.addresses().identifierAtIndex(0)));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pairs.value(QStringLiteral("ToAddress")), QStringLiteral("\n5 Pine Rd\nReno NV 89501"));
    EXPECT_EQ(TolvaneABAction::preferredAddressIndex(Person()), -1);
}

TEST(TolvaneABAction, TheActionOpensItsURLThroughTheURLOpener)
{
    UrlOpenerScope scope;
    const ActionCase c = actionCases().front();
    const QString identifier = c.person.addresses().identifierAtIndex(0);
    ASSERT_TRUE(TolvaneABAction::performActionForPerson(c.person, identifier));
    EXPECT_TRUE(scope->opened.isEmpty());
    ASSERT_EQ(scope->openedTexts.size(), 1);
    EXPECT_EQ(scope->openedTexts.first(), TolvaneABAction::urlStringForPerson(c.person, identifier));
}

} // namespace
