// Addresses from free text and from address-book cards, and cards and vCards
// from addresses.
#include "model/Person.h"
#include "model/QVAddress.h"
#include "model/QVAddressParsing.h"
#include "model/VCard.h"
#include "QtPrinters.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) { return text ? QString::fromUtf8(text) : QString(); }

// The expected fields of an address; null pointers are fields that must be
// absent from the dictionary.
struct Fields {
    const char *name = nullptr;
    const char *company = nullptr;
    const char *suiteApt = nullptr;
    const char *street = nullptr;
    const char *city = nullptr;
    const char *state = nullptr;
    const char *zip5 = nullptr;
    const char *zip4 = nullptr;
};

QVariantMap dictionaryOf(const Fields &fields)
{
    QVariantMap map;
    const auto put = [&map](const QString &key, const char *value) {
        if (value)
            map.insert(key, s(value));
    };
    put(QVAddressNameKey, fields.name);
    put(QVAddressCompanyKey, fields.company);
    put(QVAddressSuiteAptKey, fields.suiteApt);
    put(QVAddressStreetKey, fields.street);
    put(QVAddressCityKey, fields.city);
    put(QVAddressStateKey, fields.state);
    put(QVAddressZIP5Key, fields.zip5);
    put(QVAddressZIP4Key, fields.zip4);
    return map;
}

QByteArray fixture(const char *name)
{
    QFile file(tolvane::test::dataPath(s(name)));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QVariantMap postal(std::initializer_list<std::pair<QString, const char *>> values)
{
    QVariantMap map;
    for (const auto &[key, value] : values)
        map.insert(key, s(value));
    return map;
}

Person personWithAddress(const QVariantMap &address, const QString &label = kABHomeLabel)
{
    Person person;
    person.setValue(s("John"), kABFirstNameProperty);
    person.setValue(s("Smith"), kABLastNameProperty);
    ABMultiDictionaryValue addresses;
    addresses.setPrimaryIdentifier(addresses.addValue(address, label));
    person.setAddresses(addresses);
    return person;
}

} // namespace

// ---------------------------------------------------------------- free text

TEST(AddressWithString, LinesReadBottomUp)
{
    const struct {
        const char *text;
        Fields expected;
    } cases[] = {
        {"John Smith\n123 Main St\nSpringfield IL 62704",
         {.name = "John Smith", .street = "123 Main St", .city = "Springfield", .state = "IL", .zip5 = "62704"}},
        // A ZIP code on its own line joins the city line.
        {"Springfield IL\n62704", {.city = "Springfield", .state = "IL", .zip5 = "62704"}},
        {"Springfield IL 62704", {.city = "Springfield", .state = "IL", .zip5 = "62704"}},
        // A single line gives only city, state and ZIP; a two-word city.
        {"San Francisco CA 94103-1234", {.city = "San Francisco", .state = "CA", .zip5 = "94103", .zip4 = "1234"}},
        // Two words: the whole line is the city, as written.
        {"Springfield IL", {.city = "Springfield IL"}},
        {"Springfield\tIL", {.city = "Springfield\tIL"}},
        {"Springfield  IL", {.city = "Springfield  IL"}},
        // The first of two lines is the name only when it has no digit.
        {"Apt 4\n123 Main St\nSpringfield IL 62704",
         {.suiteApt = "Apt 4", .street = "123 Main St", .city = "Springfield", .state = "IL", .zip5 = "62704"}},
        // Three lines above the city line: company, suite, street.
        {"Acme Corp\nSuite 200\n123 Main St\nSpringfield IL 62704",
         {.company = "Acme Corp",
          .suiteApt = "Suite 200",
          .street = "123 Main St",
          .city = "Springfield",
          .state = "IL",
          .zip5 = "62704"}},
        // Five lines: name, company, suite, street, city line; the name is kept.
        {"John Smith\nAcme Corp\nSuite 200\n123 Main St\nSpringfield IL 62704",
         {.name = "John Smith",
          .company = "Acme Corp",
          .suiteApt = "Suite 200",
          .street = "123 Main St",
          .city = "Springfield",
          .state = "IL",
          .zip5 = "62704"}},
        // Six lines: the extra line joins the suite line, nothing is lost.
        {"John Smith\nAcme Corp\nAttn: Receiving\nSuite 200\n123 Main St\nSpringfield IL 62704",
         {.name = "John Smith",
          .company = "Acme Corp",
          .suiteApt = "Attn: Receiving, Suite 200",
          .street = "123 Main St",
          .city = "Springfield",
          .state = "IL",
          .zip5 = "62704"}},
        // Punctuation stays; a malformed ZIP is stored unchanged.
        {"Springfield, IL 6270x", {.city = "Springfield,", .state = "IL", .zip5 = "6270x"}},
        // CRLF line ends, stray spaces and blank lines (also at the end).
        {"  John Smith \r\n\r\n123 Main St\r\nSpringfield  IL 62704 \r\n\r\n",
         {.name = "John Smith", .street = "123 Main St", .city = "Springfield", .state = "IL", .zip5 = "62704"}},
        // A ZIP line with nothing above it.
        {"62704", {.zip5 = "62704"}},
        {"94103-1234", {.zip5 = "94103", .zip4 = "1234"}},
        // Nothing at all.
        {"\n \n\t\n", {}},
        {"", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(addressWithString(s(c.text)).plist(), dictionaryOf(c.expected));
    }
}

// ---------------------------------------------------------------- address-book cards

TEST(AddressWithABPerson, StreetLinesAreNeverLost)
{
    const struct {
        const char *street;
        Fields expected;
    } cases[] = {
        {"123 Main St", {.suiteApt = nullptr, .street = "123 Main St"}},
        // The last line is the delivery line.
        {"123 Main St\nApt 4", {.suiteApt = "123 Main St", .street = "Apt 4"}},
        {"Suite 5\r\n1 Main St\r\n", {.suiteApt = "Suite 5", .street = "1 Main St"}},
        // Three or more lines: the extra ones stay, in front of the suite line.
        {"Acme Receiving\nBuilding 7\nDock 3\n123 Main St",
         {.suiteApt = "Acme Receiving, Building 7, Dock 3", .street = "123 Main St"}},
        {"", {.street = ""}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.street);
        QVariantMap entry = postal({{kABAddressCityKey, "Springfield"}, {kABAddressStateKey, "IL"}});
        if (*c.street)
            entry.insert(kABAddressStreetKey, s(c.street));
        const std::optional<QVAddress> address = addressWithABPerson(personWithAddress(entry));
        ASSERT_TRUE(address);
        EXPECT_EQ(address->plist().value(QVAddressSuiteAptKey).toString(), s(c.expected.suiteApt));
        EXPECT_EQ(address->plist().contains(QVAddressSuiteAptKey), c.expected.suiteApt != nullptr);
        EXPECT_EQ(address->street(), s(c.expected.street));
        EXPECT_TRUE(address->plist().contains(QVAddressStreetKey));
        EXPECT_EQ(address->city(), s("Springfield"));
        EXPECT_EQ(address->state(), s("IL"));
    }
}

TEST(AddressWithABPerson, FieldsMissingFromTheCardAreNotStored)
{
    // A card address with only a street: city, state and ZIP are absent from
    // the address, not stored as empty texts.
    const std::optional<QVAddress> address =
        addressWithABPerson(personWithAddress(postal({{kABAddressStreetKey, "1 Main St"}})));
    ASSERT_TRUE(address);
    EXPECT_EQ(address->street(), s("1 Main St"));
    for (const QString &key : {QVAddressCityKey, QVAddressStateKey, QVAddressZIP5Key, QVAddressZIP4Key,
                               QVAddressSuiteAptKey, QVAddressCompanyKey, QVAddressPhoneKey, QVAddressEmailKey}) {
        EXPECT_FALSE(address->plist().contains(key)) << key.toStdString();
    }
}

TEST(AddressWithABPerson, CountriesThatMeanTheUnitedStatesAreDomestic)
{
    const struct {
        const char *country; // nullptr: no country in the card
        bool domestic;
    } cases[] = {
        {nullptr, true},
        {"", true},
        {"USA", true},
        {"U.S.A.", true},
        {"United States of America", true},
        {"Puerto Rico", true},
        {"Canada", false},
        {"Germany", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.country ? c.country : "(none)");
        QVariantMap entry = postal({{kABAddressStreetKey, "1 Main St"},
                                    {kABAddressCityKey, "Springfield"},
                                    {kABAddressStateKey, "IL"},
                                    {kABAddressZIPKey, "62701"}});
        if (c.country)
            entry.insert(kABAddressCountryKey, s(c.country));
        const std::optional<QVAddress> address = addressWithABPerson(personWithAddress(entry));
        ASSERT_TRUE(address);
        EXPECT_EQ(address->isDomestic(), c.domestic);
        EXPECT_EQ(address->country(), c.domestic ? s("United States") : s(c.country));
        EXPECT_EQ(address->internationalAddressLines().has_value(), !c.domestic);
    }
}

TEST(AddressWithABPerson, NameLabelIdentityAndCompany)
{
    Person person;
    person.setValue(s("Dr."), kABTitleProperty);
    person.setValue(s("Mary"), kABFirstNameProperty);
    person.setValue(s("Ann"), kABMiddleNameProperty);
    person.setValue(s("Van Dyke"), kABLastNameProperty);
    person.setValue(s("Jr."), kABSuffixProperty);
    person.setValue(s("Acme"), kABOrganizationProperty);
    person.setUniqueId(s("ABC-123"));
    ABMultiDictionaryValue addresses;
    addresses.addValue(postal({{kABAddressStreetKey, "1 Main St"}, {kABAddressZIPKey, "62701"}}), kABWorkLabel);
    person.setAddresses(addresses);

    const std::optional<QVAddress> address = addressWithABPerson(person, 0);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->name(), s("Dr. Mary Ann Van Dyke Jr."));
    EXPECT_EQ(address->firstName(), s("Mary"));
    EXPECT_EQ(address->lastName(), s("Van Dyke"));
    EXPECT_EQ(address->company(), s("Acme"));
    EXPECT_EQ(address->abLabel(), kABWorkLabel);
    EXPECT_EQ(address->abUniqueId(), s("ABC-123"));
    EXPECT_EQ(address->ZIP5(), s("62701"));
}

TEST(AddressWithABPerson, OrganizationOnlyPersonIsNamedByItsOrganization)
{
    Person person;
    person.setValue(s("Acme Widgets"), kABOrganizationProperty);
    ABMultiDictionaryValue addresses;
    addresses.addValue(postal({{kABAddressStreetKey, "500 Industrial Way"}}), kABWorkLabel);
    person.setAddresses(addresses);

    const std::optional<QVAddress> address = addressWithABPerson(person);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->name(), s("Acme Widgets"));
    EXPECT_EQ(address->lastName(), s("Acme Widgets"));
    EXPECT_FALSE(address->plist().contains(QVAddressCompanyKey));
    EXPECT_FALSE(address->plist().contains(QVAddressFirstNameKey));
}

TEST(AddressWithABPerson, ZIPIsReadWithChecks)
{
    const struct {
        const char *zip;
        const char *zip5; // nullptr: not stored
        const char *zip4;
    } cases[] = {
        {"62704-1234", "62704", "1234"}, {"627041234", "62704", nullptr},
        {"62704", "62704", nullptr},     {"6270", nullptr, nullptr}, // fewer than 5 characters: nothing
        {"62704-12", "62704", nullptr},                              // the add-on is checked
        {"6270a-1234", nullptr, "1234"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.zip);
        const std::optional<QVAddress> address =
            addressWithABPerson(personWithAddress(postal({{kABAddressZIPKey, c.zip}})));
        ASSERT_TRUE(address);
        EXPECT_EQ(address->plist().value(QVAddressZIP5Key).toString(), s(c.zip5));
        EXPECT_EQ(address->plist().contains(QVAddressZIP5Key), c.zip5 != nullptr);
        EXPECT_EQ(address->plist().value(QVAddressZIP4Key).toString(), s(c.zip4));
        EXPECT_EQ(address->plist().contains(QVAddressZIP4Key), c.zip4 != nullptr);
    }
}

TEST(AddressWithABPerson, ForeignAddressLines)
{
    Person person;
    person.setValue(s("Jean"), kABFirstNameProperty);
    person.setValue(s("Tremblay"), kABLastNameProperty);
    person.setValue(s("Maple Ltd"), kABOrganizationProperty);
    ABMultiDictionaryValue addresses;
    addresses.addValue(postal({{kABAddressStreetKey, "100 Queen St W\nSuite 5"},
                               {kABAddressCityKey, "Toronto"},
                               {kABAddressStateKey, "ON"},
                               {kABAddressZIPKey, "M5H 2N2"},
                               {kABAddressCountryKey, "Canada"}}),
                       kABWorkLabel);
    person.setAddresses(addresses);

    const std::optional<QVAddress> address = addressWithABPerson(person);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->country(), s("Canada"));
    EXPECT_EQ(address->internationalAddressLines(),
              (QStringList{s("Maple Ltd"), s("100 Queen St W"), s("Suite 5"), s("Toronto ON M5H 2N2")}));
    EXPECT_EQ(address->company(), s("Maple Ltd"));
    EXPECT_EQ(address->formattedAddress(),
              s("Jean Tremblay\nMaple Ltd\n100 Queen St W\nSuite 5\nToronto ON M5H 2N2\nCanada"));

    // Written to a card (the company is the organization and heads the
    // street lines) and read again, the address keeps its lines: the company
    // line is not doubled.
    const std::optional<QVAddress> again = addressWithABPerson(abPerson(*address));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->internationalAddressLines(), address->internationalAddressLines());
    EXPECT_EQ(again->company(), s("Maple Ltd"));
    EXPECT_EQ(again->formattedAddress(), address->formattedAddress());
}

TEST(AddressWithABPerson, WhichAddressAndNoAddress)
{
    Person person;
    EXPECT_FALSE(addressWithABPerson(person));
    EXPECT_FALSE(addressWithABPerson(person, 0));

    ABMultiDictionaryValue addresses;
    addresses.addValue(postal({{kABAddressCityKey, "First"}}), kABHomeLabel);
    const QString second = addresses.addValue(postal({{kABAddressCityKey, "Second"}}), kABWorkLabel);
    addresses.addValue(postal({{kABAddressCityKey, "Third"}}), kABOtherLabel);
    person.setAddresses(addresses);

    // Without a primary entry the last one is taken.
    EXPECT_EQ(addressWithABPerson(person)->city(), s("Third"));
    addresses.setPrimaryIdentifier(second);
    person.setAddresses(addresses);
    EXPECT_EQ(addressWithABPerson(person)->city(), s("Second"));
    EXPECT_EQ(addressWithABPerson(person)->abLabel(), kABWorkLabel);

    EXPECT_EQ(addressWithABPerson(person, 0)->city(), s("First"));
    EXPECT_FALSE(addressWithABPerson(person, 3));
    EXPECT_FALSE(addressWithABPerson(person, -1));
}

TEST(AddressWithABPerson, PhoneAndEmailOnlyFromThePrimaryEntry)
{
    Person person = personWithAddress(postal({{kABAddressCityKey, "Springfield"}}));
    ABMultiStringValue phones;
    phones.addValue(s("555-0100"), kABHomeLabel);
    const QString mobile = phones.addValue(s("555-0199"), kABPhoneMobileLabel);
    person.setPhones(phones);
    ABMultiStringValue emails;
    emails.setPrimaryIdentifier(emails.addValue(s("john@example.com"), kABHomeLabel));
    person.setEmails(emails);

    std::optional<QVAddress> address = addressWithABPerson(person);
    ASSERT_TRUE(address);
    EXPECT_FALSE(address->plist().contains(QVAddressPhoneKey));
    EXPECT_EQ(address->email(), s("john@example.com"));

    phones.setPrimaryIdentifier(mobile);
    person.setPhones(phones);
    address = addressWithABPerson(person);
    EXPECT_EQ(address->phone(), s("555-0199"));
}

// ---------------------------------------------------------------- address to card

TEST(AbPersonWithLabel, NameIsSplitIntoFirstMiddleAndLast)
{
    const struct {
        const char *name;
        const char *first;
        const char *middle;
        const char *last;
    } cases[] = {
        {"mary ann van dyke", "Mary", "Ann", "Van Dyke"}, {"MARY ANN VAN DER BERG", "Mary", "Ann", "Van Der Berg"},
        {"john q public", "John", "Q", "Public"},         {"john smith", "John", nullptr, "Smith"},
        {"madonna", "Madonna", nullptr, nullptr},         {"", nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QVAddress address;
        address.setName(s(c.name));
        const Person person = abPersonWithLabel(address, kABWorkLabel);
        EXPECT_EQ(person.firstName(), s(c.first));
        EXPECT_EQ(person.middleName(), s(c.middle));
        EXPECT_EQ(person.lastName(), s(c.last));
    }
}

TEST(AbPersonWithLabel, DomesticAddressPhoneAndEmail)
{
    QVAddress address;
    address.setName(s("John Smith"));
    address.setCompany(s("Acme"));
    address.setSuiteApt(s("Suite 5"));
    address.setStreet(s("1 Main St"));
    address.setCity(s("Springfield"));
    address.setState(s("IL"));
    address.setZIP(s("62701-1234"));
    address.setPhone(s("(217) 555-0100"));
    address.setEmail(s("john@example.com"));

    const Person person = abPersonWithLabel(address, kABWorkLabel);
    EXPECT_EQ(person.organization(), s("Acme"));
    ASSERT_EQ(person.addresses().count(), 1);
    EXPECT_EQ(person.addresses().primaryIndex(), 0);
    EXPECT_EQ(person.addresses().labelAtIndex(0), kABWorkLabel);
    EXPECT_EQ(person.addresses().valueAtIndex(0),
              postal({{kABAddressCountryCodeKey, "us"},
                      {kABAddressStreetKey, "Suite 5\n1 Main St"},
                      {kABAddressCityKey, "Springfield"},
                      {kABAddressStateKey, "IL"},
                      {kABAddressZIPKey, "62701-1234"}}));
    ASSERT_EQ(person.phones().count(), 1);
    EXPECT_EQ(person.phones().valueAtIndex(0), s("(217) 555-0100"));
    EXPECT_EQ(person.phones().labelAtIndex(0), kABWorkLabel);
    EXPECT_EQ(person.phones().primaryIndex(), 0);
    ASSERT_EQ(person.emails().count(), 1);
    EXPECT_EQ(person.emails().valueAtIndex(0), s("john@example.com"));
    EXPECT_EQ(person.emails().primaryIndex(), 0);

    // abPerson uses the home label; no phone or e-mail gives no entry.
    QVAddress bare;
    bare.setCity(s("Springfield"));
    const Person home = abPerson(bare);
    EXPECT_EQ(home.addresses().labelAtIndex(0), kABHomeLabel);
    EXPECT_EQ(home.phones().count(), 0);
    EXPECT_EQ(home.emails().count(), 0);
}

TEST(AbPersonWithLabel, ForeignAddress)
{
    QVAddress address;
    address.setName(s("Jean Tremblay"));
    address.setCountry(s("Canada"));
    address.setInternationalAddressLines(QStringList{s("100 Queen St W"), s("Toronto ON M5H 2N2")});

    const Person person = abPerson(address);
    EXPECT_EQ(person.addresses().valueAtIndex(0),
              postal({{kABAddressStreetKey, "100 Queen St W\nToronto ON M5H 2N2"}, {kABAddressCountryKey, "Canada"}}));
}

TEST(AbPersonWithLabel, CardAndVCardGiveTheAddressBack)
{
    QVAddress address;
    address.setName(s("John Smith"));
    address.setCompany(s("Acme; Sons, Inc."));
    address.setSuiteApt(s("Suite 5"));
    address.setStreet(s("1 Main St"));
    address.setCity(s("Springfield"));
    address.setState(s("IL"));
    address.setZIP(s("62701-1234"));
    address.setPhone(s("(217) 555-0100"));
    address.setEmail(s("john@example.com"));

    const auto check = [&address](const QVAddress &back) {
        for (const QString &key : {QVAddressNameKey, QVAddressFirstNameKey, QVAddressLastNameKey, QVAddressCompanyKey,
                                   QVAddressSuiteAptKey, QVAddressStreetKey, QVAddressCityKey, QVAddressStateKey,
                                   QVAddressZIP5Key, QVAddressZIP4Key, QVAddressPhoneKey, QVAddressEmailKey}) {
            if (address.plist().contains(key)) {
                EXPECT_EQ(back.objectForKey(key), address.objectForKey(key)) << key.toStdString();
            }
        }
        EXPECT_EQ(back.country(), s("United States"));
        EXPECT_EQ(back.abLabel(), kABHomeLabel);
    };

    const std::optional<QVAddress> fromCard = addressWithABPerson(abPerson(address));
    ASSERT_TRUE(fromCard);
    check(*fromCard);

    QString error;
    const std::optional<Person> person = personWithVCardRepresentation(vCardRepresentation(address), &error);
    ASSERT_TRUE(person) << error.toStdString();
    const std::optional<QVAddress> fromVCard = addressWithABPerson(*person);
    ASSERT_TRUE(fromVCard);
    check(*fromVCard);
}

TEST(AbPersonWithLabel, CardOfAnAddressSurvivesItsVCard)
{
    // A domestic address without state and ZIP, and a foreign one: the card
    // read back from the vCard is the card that was written.
    QVAddress domestic;
    domestic.setName(s("jane q public"));
    domestic.setStreet(s("1 Main St"));
    domestic.setCity(s("Springfield"));
    domestic.setPhone(s("555-0100"));

    QVAddress foreign;
    foreign.setName(s("Jean Tremblay"));
    foreign.setCompany(s("Maple Ltd"));
    foreign.setCountry(s("Canada"));
    foreign.setInternationalAddressLines(QStringList{s("100 Queen St W"), s("Toronto ON M5H 2N2")});
    foreign.setEmail(s("jean@example.ca"));

    for (const QVAddress &address : {domestic, foreign}) {
        SCOPED_TRACE(address.name().toStdString());
        const Person person = abPerson(address);
        QString error;
        const std::optional<Person> back = personWithVCardRepresentation(vCardRepresentation(person), &error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_EQ(*back, person);
    }
}

TEST(AddressWithABPerson, FromHandWrittenVCard)
{
    QString error;
    const std::optional<QList<Person>> people =
        peopleWithVCardRepresentation(fixture("vcard30-hand-written.vcf"), &error);
    ASSERT_TRUE(people) << error.toStdString();
    ASSERT_EQ(people->size(), 2);

    // The preferred work address, country "USA".
    const std::optional<QVAddress> mary = addressWithABPerson(people->at(0));
    ASSERT_TRUE(mary);
    EXPECT_EQ(mary->country(), s("United States"));
    EXPECT_EQ(mary->name(), s("Dr. Mary Ann Van Dyke Jr."));
    EXPECT_EQ(mary->company(), s("Dyke, Brook & Sons"));
    EXPECT_EQ(mary->suiteApt(), s("Suite 210"));
    EXPECT_EQ(mary->street(), s("1600 Amphitheatre Pkwy"));
    EXPECT_EQ(mary->formattedZIP(), s("94043-1351"));
    EXPECT_EQ(mary->phone(), s("(650) 555-0199"));
    EXPECT_EQ(mary->email(), s("mary.home@example.org"));
    EXPECT_EQ(mary->abLabel(), kABWorkLabel);
    EXPECT_EQ(mary->abUniqueId(), s("5A1B2C3D-0000-4000-8000-00000000ABCD:ABPerson"));

    // The organization-only card.
    const std::optional<QVAddress> acme = addressWithABPerson(people->at(1));
    ASSERT_TRUE(acme);
    EXPECT_EQ(acme->formattedAddress(), s("Acme Widgets\nDock 4\n500 Industrial Way\nDayton OH 45402"));
    EXPECT_EQ(acme->abUniqueId(), s("acme-0001"));
}
