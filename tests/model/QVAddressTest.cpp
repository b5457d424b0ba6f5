// The address record: fields, ZIP parts, derived values, printed forms,
// comparisons, equality and the USPS service hooks.
#include "model/DataAdditions.h"
#include "model/QVAddress.h"
#include "model/ServiceHooks.h"

#include <gtest/gtest.h>

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }

QVAddress domesticAddress()
{
    QVAddress a;
    a.setFirstName(s("John"));
    a.setLastName(s("Smith"));
    a.setCompany(s("Acme"));
    a.setSuiteApt(s("Suite 5"));
    a.setStreet(s("1 Main St"));
    a.setCity(s("Springfield"));
    a.setState(s("IL"));
    a.setZIP(s("62701-1234"));
    return a;
}

// Restores the registered USPS services after a test.
struct USPSServicesGuard {
    ~USPSServicesGuard() { setUSPSAddressServices(nullptr); }
};

class FakeUSPS : public QVUSPSAddressServices
{
public:
    QString zoneFromOriginZIP(const QString &origin, const QString &destination) override
    {
        asked << origin + QLatin1Char('>') + destination;
        return QStringLiteral("4");
    }
    std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &address) override { return standardized; }
    QStringList asked;
    std::optional<QVAddress> standardized;
};

} // namespace

TEST(QVAddress, NewAddressAnswersEmptyTexts)
{
    const QVAddress a;
    using Getter = QString (QVAddress::*)() const;
    const Getter getters[] = {&QVAddress::firstName,
                              &QVAddress::lastName,
                              &QVAddress::company,
                              &QVAddress::suiteApt,
                              &QVAddress::street,
                              &QVAddress::city,
                              &QVAddress::state,
                              &QVAddress::ZIP5,
                              &QVAddress::ZIP4,
                              &QVAddress::ZIP2,
                              &QVAddress::country,
                              &QVAddress::phone,
                              &QVAddress::email,
                              &QVAddress::abLabel,
                              &QVAddress::abUniqueId,
                              &QVAddress::residentialIndicator,
                              &QVAddress::USPSCarrierRoute,
                              &QVAddress::name,
                              &QVAddress::formattedAddressWithoutName,
                              &QVAddress::formattedAddress,
                              &QVAddress::lossyZIP11};
    for (Getter getter : getters) {
        const QString value = (a.*getter)();
        EXPECT_TRUE(value.isEmpty());
        EXPECT_FALSE(value.isNull());
    }
    EXPECT_TRUE(a.isDomestic());
    EXPECT_FALSE(a.ZIP11().has_value());
    EXPECT_FALSE(a.associatedReferenceID().has_value());
    EXPECT_FALSE(a.associatedDescription().has_value());
    EXPECT_FALSE(a.internationalAddressLines().has_value());
    EXPECT_EQ(a.objectForKey(s("anything")), QVariant(s("")));
    EXPECT_TRUE(a.plist().isEmpty());
}

TEST(QVAddress, SettersStoreUnderTheirKeysAndIgnoreNoValue)
{
    QVAddress a;
    a.setCity(s("  Boston "));
    a.setCity(QString()); // no value: ignored
    a.setEmail(s(""));    // an empty text is stored
    a.setAssociatedReferenceID(s("INV-1"));
    EXPECT_EQ(a.plist(),
              (QVariantMap{{s("QVAddressCityKey"), s("  Boston ")},
                           {s("QVAddressEmailKey"), s("")},
                           {s("QVAddressAssociatedInvoiceNumberKey"), s("INV-1")}}));
    EXPECT_EQ(a.associatedReferenceID(), s("INV-1"));
}

TEST(QVAddress, SetZIPForms)
{
    struct Case {
        const char *zip;
        const char *zip5;
        const char *zip4;
    };
    const Case cases[] = {
        {"12345-6789", "12345", "6789"}, {"1234", "1234", "0000"}, // no "-": ZIP4 stays as it was
        {"12345-", "12345", ""},         {"1-2-3", "1", "2"},      {"abcde", "abcde", "0000"}, // unchecked
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.zip);
        QVAddress a;
        a.setZIP4(s("0000"));
        a.setZIP(s(c.zip));
        EXPECT_EQ(a.ZIP5(), s(c.zip5));
        EXPECT_EQ(a.ZIP4(), s(c.zip4));
    }
    QVAddress a;
    a.setZIP(s("1234"));
    EXPECT_EQ(a.formattedZIP(), s("1234"));
    EXPECT_FALSE(a.ZIP11().has_value());
    a.setZIP(QString());
    EXPECT_EQ(a.ZIP5(), s("1234"));
}

TEST(QVAddress, CheckedZIPSetters)
{
    struct Case {
        void (QVAddress::*setter)(const QString &);
        QString (QVAddress::*getter)() const;
        const char *text;
        bool stored;
    };
    const Case cases[] = {
        {&QVAddress::setZIP5, &QVAddress::ZIP5, "54321", true},
        {&QVAddress::setZIP5, &QVAddress::ZIP5, "1234a", false},
        {&QVAddress::setZIP5, &QVAddress::ZIP5, "123456", false},
        {&QVAddress::setZIP5, &QVAddress::ZIP5, "1234", false},
        {&QVAddress::setZIP5, &QVAddress::ZIP5, "", false},
        {&QVAddress::setZIP4, &QVAddress::ZIP4, "9876", true},
        {&QVAddress::setZIP4, &QVAddress::ZIP4, "987", false},
        {&QVAddress::setZIP4, &QVAddress::ZIP4, "98765", false},
        {&QVAddress::setZIP4, &QVAddress::ZIP4, "98-7", false},
        {&QVAddress::setZIP2, &QVAddress::ZIP2, "12", true},
        {&QVAddress::setZIP2, &QVAddress::ZIP2, "123", true},
        {&QVAddress::setZIP2, &QVAddress::ZIP2, "1", false},
        {&QVAddress::setZIP2, &QVAddress::ZIP2, "1234", false},
        {&QVAddress::setZIP2, &QVAddress::ZIP2, "1x", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        QVAddress a;
        a.setObject(s("old"), QVAddressZIP5Key);
        a.setObject(s("old"), QVAddressZIP4Key);
        a.setObject(s("old"), QVAddressZIP2Key);
        (a.*c.setter)(s(c.text));
        EXPECT_EQ((a.*c.getter)(), c.stored ? s(c.text) : s("old"));
    }
    QVAddress a;
    a.setZIP5(s("12345"));
    a.setZIP5(QString());
    EXPECT_EQ(a.ZIP5(), s("12345"));
}

TEST(QVAddress, ZIPForms)
{
    struct Case {
        const char *zip5, *zip4, *zip2;
        const char *zip11; // nullptr: none
        const char *lossy;
        const char *formatted;
    };
    const Case cases[] = {
        {"12345", "6789", "123", "12345678912", "12345678912", "12345-6789"},
        {"12345", "6789", "12", "12345678912", "12345678912", "12345-6789"},
        {"12345", "6789", "", nullptr, "123456789", "12345-6789"},
        {"12345", "", "", nullptr, "12345", "12345"},
        {"12345", "", "01", nullptr, "1234501", "12345"},
        {"", "6789", "01", nullptr, "678901", ""},
        {"1234", "6789", "", nullptr, "6789", "1234"},
        {"123456", "", "", nullptr, "", "12345"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.zip5) + "/" + c.zip4 + "/" + c.zip2);
        QVAddress a;
        a.setObject(s(c.zip5), QVAddressZIP5Key);
        a.setObject(s(c.zip4), QVAddressZIP4Key);
        a.setObject(s(c.zip2), QVAddressZIP2Key);
        if (c.zip11)
            EXPECT_EQ(a.ZIP11(), s(c.zip11));
        else
            EXPECT_FALSE(a.ZIP11().has_value());
        EXPECT_EQ(a.lossyZIP11(), s(c.lossy));
        EXPECT_EQ(a.formattedZIP(), s(c.formatted));
    }
    QVAddress foreign = domesticAddress();
    foreign.setCountry(s("Canada"));
    EXPECT_EQ(foreign.lossyZIP11(), s(""));
}

TEST(QVAddress, IntelligentMailRoutingCodeKeepsWholePartsOnly)
{
    // The lossy form gives 7, 6 or 4 digits where a part is missing or
    // malformed; the routing code keeps whole parts so the encoder takes it.
    struct Case {
        const char *zip5, *zip4, *zip2, *routing;
    };
    const Case cases[] = {
        {"12345", "6789", "123", "12345678912"},
        {"12345", "6789", "12", "12345678912"},
        {"12345", "6789", "", "123456789"},
        {"12345", "6789", "1", "123456789"},
        {"12345", "6789", "1A", "123456789"},
        {"12345", "", "01", "12345"},
        {"12345", "67", "01", "12345"},
        {"12345", "67A9", "01", "12345"},
        {"", "6789", "01", ""},
        {"1234", "6789", "", ""},
        {"1234A", "6789", "01", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.zip5) + "/" + c.zip4 + "/" + c.zip2);
        QVAddress a;
        a.setObject(s(c.zip5), QVAddressZIP5Key);
        a.setObject(s(c.zip4), QVAddressZIP4Key);
        a.setObject(s(c.zip2), QVAddressZIP2Key);
        EXPECT_EQ(a.intelligentMailRoutingCode(), s(c.routing));
        const qsizetype n = a.intelligentMailRoutingCode().size();
        EXPECT_TRUE(n == 0 || n == 5 || n == 9 || n == 11);
    }
    QVAddress foreign = domesticAddress();
    foreign.setCountry(s("Canada"));
    EXPECT_EQ(foreign.intelligentMailRoutingCode(), s(""));
}

TEST(QVAddress, TelephoneForms)
{
    struct Case {
        const char *phone, *bare, *ten, *fancy;
    };
    const Case cases[] = {
        {"1 (555) 123-4567", "5551234567", "5551234567", "(555) 123-4567"},
        {"(555) 123-4567", "5551234567", "5551234567", "(555) 123-4567"},
        {"555-1234", "5551234", "5551234000", ""},
        {"+1 555 123 4567 x89", "555123456789", "5551234567", ""},
        {"11 555", "1555", "1555000000", ""}, // only one leading 1 is dropped
        {"", "", "0000000000", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.phone);
        QVAddress a;
        a.setPhone(s(c.phone));
        EXPECT_EQ(a.phoneWithNoPunctuation(), s(c.bare));
        EXPECT_EQ(a.tenDigitPhoneNumber(), s(c.ten));
        EXPECT_EQ(a.fancyPhoneNumber(), s(c.fancy));
    }
}

TEST(QVAddress, NamesAndStates)
{
    QVAddress a;
    a.setFirstName(s("John"));
    EXPECT_EQ(a.name(), s("John"));
    QVAddress b;
    b.setLastName(s("Smith"));
    EXPECT_EQ(b.name(), s("Smith"));
    b.setFirstName(s("John"));
    EXPECT_EQ(b.name(), s("John Smith"));
    b.setName(s("J. Smith"));
    EXPECT_EQ(b.name(), s("J. Smith"));

    const std::pair<const char *, const char *> states[] = {{"n.y.", "ny"},     {"N", ""},       {"NY", "NY"},
                                                            {"New York", "Ne"}, {" 1c-A", "cA"}, {"", ""}};
    for (const auto &[state, two] : states) {
        QVAddress c;
        c.setState(s(state));
        EXPECT_EQ(c.twoLetterState(), s(two)) << state;
    }
}

TEST(QVAddress, DomesticTest)
{
    // Every domestic name that countries are known by is domestic; the
    // country text stays as it was written.
    const std::pair<const char *, bool> countries[] = {
        {"", true},
        {"United States", true},
        {"UNITED STATES", true},
        {"united states", true},
        {"USA", true},
        {"US", true},
        {"U.S.A.", true},
        {"u.s.", true},
        {"United States of America", true},
        {"Puerto Rico", true},
        {"GUAM", true},
        {"Canada", false},
        {"United Kingdom", false},
        {"U.S. Virgin Islands", false},
        {"Australia", false},
    };
    for (const auto &[country, domestic] : countries) {
        QVAddress a;
        a.setCountry(s(country));
        EXPECT_EQ(a.isDomestic(), domestic) << country;
        EXPECT_EQ(a.country(), s(country));
    }
}

TEST(QVAddress, PrintedForms)
{
    const QVAddress a = domesticAddress();
    EXPECT_EQ(a.formattedAddressWithoutName(), s("Acme\nSuite 5\n1 Main St\nSpringfield IL 62701-1234"));
    EXPECT_EQ(a.formattedAddress(), s("John Smith\nAcme\nSuite 5\n1 Main St\nSpringfield IL 62701-1234"));
    EXPECT_EQ(a.formattedAddressOnOneLine(), s("John Smith, Acme, Suite 5, 1 Main St, Springfield IL 62701-1234"));
    EXPECT_EQ(a.formattedAddressOnOneLineWithoutName(), s("Acme, Suite 5, 1 Main St, Springfield IL 62701-1234"));

    QVAddress noCompany = domesticAddress();
    noCompany.setCompany(s(""));
    noCompany.setSuiteApt(s(""));
    EXPECT_EQ(noCompany.formattedAddressWithoutName(), s("1 Main St\nSpringfield IL 62701-1234"));

    QVAddress foreign;
    foreign.setName(s("Anne Tremblay"));
    foreign.setCountry(s("Canada"));
    foreign.setCity(s("ignored abroad"));
    EXPECT_EQ(foreign.formattedAddressWithoutName(), s("Canada"));
    foreign.setInternationalAddressLines(QStringList{s("12 Rue Principale"), s(""), s("Montreal QC H2X 1Y4")});
    EXPECT_EQ(foreign.formattedAddress(), s("Anne Tremblay\n12 Rue Principale\nMontreal QC H2X 1Y4\nCanada"));
}

TEST(QVAddress, InternationalLinesMustBeTexts)
{
    QVAddress a;
    a.setInternationalAddressLines(QStringList{s("line 1")});
    EXPECT_FALSE(a.setInternationalAddressLines(QVariantList{s("x"), 5}));
    EXPECT_EQ(a.internationalAddressLines(), QStringList{s("line 1")});
    EXPECT_TRUE(a.setInternationalAddressLines(QVariantList{s("x"), s("y")}));
    EXPECT_EQ(a.internationalAddressLines(), (QStringList{s("x"), s("y")}));
    a.setObject(s("not a list"), QVAddressInternationalAddressLinesKey);
    EXPECT_FALSE(a.internationalAddressLines().has_value());
}

TEST(QVAddress, CaseInsensitiveComparisons)
{
    QVAddress a, b;
    a.setFirstName(s("john"));
    a.setLastName(s("SMITH"));
    b.setFirstName(s("John"));
    b.setLastName(s("smith"));
    EXPECT_EQ(a.nameCompare(b), 0);
    EXPECT_EQ(a.lastNameCompare(b), 0);
    EXPECT_EQ(a.firstNameCompare(b), 0);

    QVAddress c;
    c.setFirstName(s("adam"));
    c.setLastName(s("Smith"));
    EXPECT_EQ(a.lastNameCompare(c), 1); // "SMITH john" after "Smith adam"
    EXPECT_EQ(c.lastNameCompare(a), -1);
    EXPECT_EQ(c.firstNameCompare(a), -1);
    EXPECT_EQ(a.nameCompare(c), 1);
}

TEST(QVAddress, MergeReplacesRemovesAndKeepsOtherKeys)
{
    QVAddress a = domesticAddress();
    a.setValuesForKeysWithDictionary({{QVAddressCityKey, nullObject()},
                                      {QVAddressStateKey, s("NY")},
                                      {QVAddressZIP4Key, QVariant()},
                                      {s("SomeOtherKey"), s("kept")}});
    EXPECT_FALSE(a.plist().contains(QVAddressCityKey));
    EXPECT_FALSE(a.plist().contains(QVAddressZIP4Key));
    EXPECT_EQ(a.city(), s(""));
    EXPECT_EQ(a.state(), s("NY"));
    EXPECT_EQ(a.street(), s("1 Main St"));
    EXPECT_EQ(a.plist().value(s("SomeOtherKey")), QVariant(s("kept")));

    const QVAddress rebuilt = QVAddress::addressWithDictionary(a.plist());
    EXPECT_EQ(rebuilt, a);
    EXPECT_EQ(rebuilt.plist().value(s("SomeOtherKey")), QVariant(s("kept")));
}

TEST(QVAddress, EqualityHashAndCopy)
{
    const QVAddress a = domesticAddress();
    const QVAddress b = QVAddress::addressWithDictionary(a.plist());
    EXPECT_TRUE(a.isEqualToAddress(b));
    EXPECT_EQ(qHash(a), qHash(b));

    QVAddress copy = QVAddress::addressWithAddress(a);
    EXPECT_EQ(copy, a);
    copy.setCity(s("Chicago"));
    EXPECT_FALSE(copy == a);
    EXPECT_EQ(a.city(), s("Springfield"));

    QVAddress other = a;
    other.setObject(s("x"), s("Extra"));
    EXPECT_FALSE(other == a);
}

TEST(QVAddress, TextNeverEqualsANumber)
{
    // A dictionary read from elsewhere may hold a number where a text is
    // usual: the two addresses differ.
    const QVAddress text = QVAddress::addressWithDictionary({{QVAddressZIP5Key, s("12345")}});
    const QVAddress number = QVAddress::addressWithDictionary({{QVAddressZIP5Key, 12345}});
    EXPECT_FALSE(text == number);
    EXPECT_FALSE(number.isEqualToAddress(text));
    QVAddress lines;
    lines.setInternationalAddressLines(QStringList{s("1")});
    QVAddress numberLines;
    numberLines.setObject(QVariantList{1}, QVAddressInternationalAddressLinesKey);
    EXPECT_FALSE(lines == numberLines);
    QVAddress sameLines;
    sameLines.setObject(QStringList{s("1")}, QVAddressInternationalAddressLinesKey);
    EXPECT_TRUE(lines == sameLines); // a list of texts in either form
}

TEST(QVAddress, Titlecase)
{
    QVAddress a;
    a.setFirstName(s("JOHN"));
    a.setLastName(s("o'brien"));
    a.setStreet(s("123 MAIN st"));
    a.setCity(s("new\tyork"));
    a.titlecase();
    EXPECT_EQ(a.plist().value(QVAddressNameKey), QVariant(s("John O'brien")));
    EXPECT_EQ(a.street(), s("123 Main St"));
    EXPECT_EQ(a.city(), s("New\tYork"));
    EXPECT_EQ(a.company(), s(""));
}

TEST(QVAddress, USPSServicesWithoutProvider)
{
    QVAddress a = domesticAddress();
    const QVAddress before = a;
    EXPECT_EQ(a.USPSzoneToZIP(s("10001")), s("-1"));
    EXPECT_EQ(a.USPSzoneFromZIP(s("10001")), s("-1"));
    EXPECT_FALSE(a.USPSstandardize());
    EXPECT_EQ(a, before);
}

TEST(QVAddress, USPSServicesThroughProvider)
{
    USPSServicesGuard guard;
    auto usps = std::make_shared<FakeUSPS>();
    setUSPSAddressServices(usps);

    QVAddress a = domesticAddress();
    EXPECT_EQ(a.USPSzoneToZIP(s("10001")), s("4"));
    EXPECT_EQ(a.USPSzoneFromZIP(s("10001")), s("4"));
    EXPECT_EQ(usps->asked, (QStringList{s("62701>10001"), s("10001>62701")}));

    // No standardised form: unchanged.
    const QVAddress before = a;
    EXPECT_FALSE(a.USPSstandardize());
    EXPECT_EQ(a, before);

    QVAddress standardized;
    standardized.setStreet(s("1 MAIN ST"));
    standardized.setZIP4(s("9999"));
    usps->standardized = standardized;
    EXPECT_TRUE(a.USPSstandardize());
    EXPECT_EQ(a.street(), s("1 MAIN ST"));
    EXPECT_EQ(a.ZIP4(), s("9999"));
    EXPECT_EQ(a.city(), s("Springfield")); // keys the answer lacks stay
    EXPECT_EQ(a.company(), s("Acme"));
}
