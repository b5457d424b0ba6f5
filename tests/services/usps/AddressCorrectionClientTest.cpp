// QVGLZCommandCenter, the address-correction client, against the fake
// address-correction service (and the fake USPS Web Tools for the military
// fall-back): the lines sent (country line, ZIP padding, name and company
// rules, the four-line window, quotes and accents, "&"), the credentials and
// headers (never the pass phrase), the reply mapping with the capitalisation
// rules, return codes, the military rules, the refusals (empty input, no
// host, empty reply, text that is not XML, an HTML page, no templates) and
// both routes.
#include "services/QVRHOLabelServerCommandCenter.h"
#include "platform/Bundle.h"
#include "services/usps/QVGLZCommandCenter.h"

#include "../LabelServerTestSupport.h"
#include "ConsoleCapture.h"
#include "FakeAddressCorrectionServer.h"
#include "USPSWebToolsTestSupport.h"

#include <QDir>
#include <QFile>

using namespace tolvane::test;

namespace {

class AddressCorrectionTest : public USPSWebToolsFixture
{
protected:
    void SetUp() override
    {
        USPSWebToolsFixture::SetUp();
        QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt);
        account = std::make_shared<FakePostageAccount>();
        setPostageServerAccount(account);
        ASSERT_TRUE(service.isListening());
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setString(service.host(), QVLabelServiceServerDefaultsKey);
        defaults.setString(QStringLiteral("7654321"), QVTolvaneUserDefaultsKey);
        glz = QVGLZCommandCenter::commandCenter();
        glz->setRequestTimeoutMilliseconds(10000);
    }
    void TearDown() override
    {
        QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt);
        setPostageServerAccount(nullptr);
        USPSWebToolsFixture::TearDown();
    }
    QMap<QString, QString> sentFields() const
    {
        const auto last = service.lastReceived();
        return last ? last->fields : QMap<QString, QString>();
    }
    static QString text(std::initializer_list<const char *> lines)
    {
        QStringList list;
        for (const char *line : lines)
            list << QString::fromUtf8(line);
        return list.join(QLatin1Char('\n'));
    }

    FakeAddressCorrectionServer service;
    std::shared_ptr<FakePostageAccount> account;
    std::shared_ptr<QVGLZCommandCenter> glz;
};

TEST_F(AddressCorrectionTest, LinesAreSentByTheirRules)
{
    struct Case {
        QString input;
        QMap<QString, QString> sent; // the ADDRESS fields that are not empty
        QString name;
        QString company;
    } cases[] = {
        // A short ZIP is padded in the line sent.
        {text({"12345 Main St", "Anytown CA 9021"}),
         {{QStringLiteral("ADDRESS2"), QStringLiteral("12345 MAIN ST")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("ANYTOWN CA 09021")}},
         QString(),
         QString()},
        // A country line naming the United States is not sent.
        {text({"1 Main St", "Town ST 12345", "U.S.A."}),
         {{QStringLiteral("ADDRESS2"), QStringLiteral("1 MAIN ST")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("TOWN ST 12345")}},
         QString(),
         QString()},
        // Five lines: name and company taken, the last three sent.
        {text({"Name", "Company", "1 Main St", "Suite 2", "Town ST 12345-6789"}),
         {{QStringLiteral("ADDRESS1"), QStringLiteral("1 MAIN ST")},
          {QStringLiteral("ADDRESS2"), QStringLiteral("SUITE 2")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("TOWN ST 12345-6789")}},
         QStringLiteral("NAME"),
         QStringLiteral("COMPANY")},
        // Four lines: only a name.
        {text({"Name", "1 Main St", "Suite 2", "Town ST 12345"}),
         {{QStringLiteral("ADDRESS1"), QStringLiteral("1 MAIN ST")},
          {QStringLiteral("ADDRESS2"), QStringLiteral("SUITE 2")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("TOWN ST 12345")}},
         QStringLiteral("NAME"),
         QString()},
        // Three lines whose first holds a digit: no name.
        {text({"1 Main St", "Suite 4", "Town ST 12345"}),
         {{QStringLiteral("ADDRESS1"), QStringLiteral("1 MAIN ST")},
          {QStringLiteral("ADDRESS2"), QStringLiteral("SUITE 4")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("TOWN ST 12345")}},
         QString(),
         QString()},
        // Three lines without a digit in the first: a name.
        {text({"Ann Smith", "1 Main St", "Town ST 12345"}),
         {{QStringLiteral("ADDRESS2"), QStringLiteral("1 MAIN ST")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("TOWN ST 12345")}},
         QStringLiteral("ANN SMITH"),
         QString()},
        // Six lines: at most four are sent; white space collapsed, empty
        // lines dropped, symbols made spaces, quotes straightened, accents
        // dropped, "&" kept inside its value.
        {text({"Name", "Firm", "  Attn:   R\u00e9ception  ", "", "AT&T \u2018Bldg\u2019 \u201cB\u201d", "1 Main St $5",
               "Town ST 12345"}),
         {{QStringLiteral("ADDRESS0"), QStringLiteral("ATTN: RECEPTION")},
          {QStringLiteral("ADDRESS1"), QStringLiteral("AT&T 'BLDG' \"B\"")},
          {QStringLiteral("ADDRESS2"), QStringLiteral("1 MAIN ST 5")},
          {QStringLiteral("ADDRESS3"), QStringLiteral("TOWN ST 12345")}},
         QStringLiteral("NAME"),
         QStringLiteral("FIRM")},
    };
    for (const Case &c : cases) {
        const auto address = glz->standardizedAddressWithString(c.input);
        ASSERT_TRUE(address) << c.input.toStdString() << ": " << glz->lastErrorDescription().toStdString();
        QMap<QString, QString> sent = sentFields();
        for (const QString &key : sent.keys()) {
            if (!key.startsWith(QLatin1String("ADDRESS")) || sent.value(key).isEmpty())
                sent.remove(key);
        }
        EXPECT_EQ(sent, c.sent) << c.input.toStdString();
        EXPECT_EQ(address->name(), c.name) << c.input.toStdString();
        EXPECT_EQ(address->company(), c.company) << c.input.toStdString();
        EXPECT_EQ(address->country(), QStringLiteral("United States"));
    }
}

TEST_F(AddressCorrectionTest, TheRequestCarriesVersionAndAccountButNeverThePassPhrase)
{
    ASSERT_TRUE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
    const auto last = service.lastReceived();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->request.path(), QByteArray(kAddressCorrectionPath));
    EXPECT_EQ(last->request.method, QByteArray("GET"));
    // The version and the build number, as the About box shows them.
    EXPECT_EQ(last->fields.value(QStringLiteral("USER")),
              QStringLiteral("%1 (%2)").arg(Bundle::version(), Bundle::bundleVersion()));
    EXPECT_FALSE(Bundle::bundleVersion().isEmpty());
    EXPECT_EQ(last->fields.value(QStringLiteral("SERIAL")), QStringLiteral("7654321"));
    EXPECT_EQ(last->request.header("Tolvane-Account"), QByteArray("1234567"));
    EXPECT_TRUE(last->request.header("Tolvane-Account-Passphrase").isNull());
    const QByteArray passPhrase = account->passPhrase.toUtf8();
    for (const auto &[name, value] : last->request.headers)
        EXPECT_FALSE(value.contains(passPhrase) || value.contains(QUrl::toPercentEncoding(account->passPhrase)))
            << name.constData();
    EXPECT_FALSE(last->request.target.contains(QUrl::toPercentEncoding(account->passPhrase)));
    // The placeholders of the account never reach the service.
    EXPECT_FALSE(last->request.target.contains("tolvane"));
}

TEST_F(AddressCorrectionTest, RepliesAreCapitalisedUnlessUpperCaseIsAsked)
{
    struct Case {
        const char *street;
        const char *expected;
    } cases[] = {
        {"1ST AVE", "1st Ave"},
        {"PO BOX 12", "PO Box 12"},
        {"MAIN ST NW", "Main St NW"},
        {"12TH ST SE", "12th St SE"},
        {"100 LENFANT PLZ SW", "100 L'Enfant Plz SW"},
        {"RR 2 BOX 7", "RR 2 Box 7"},
        {"PMB 33 US HIGHWAY 1", "PMB 33 US Highway 1"},
        {"1 N%20MAIN ST", "1 N Main St"},
    };
    for (const Case &c : cases) {
        service.setResponseElements(
            QByteArray("<ReturnCode>31</ReturnCode><AddrLine1>") + c.street +
            "</AddrLine1><City>SAINT LOUIS</City><State>mo</State><ZIP5>63101</ZIP5><ZIP4>1234</ZIP4>");
        const auto address = glz->standardizedAddressWithString(text({"1 Main St", "St Louis MO 63101"}), false);
        ASSERT_TRUE(address);
        EXPECT_EQ(address->street(), QString::fromLatin1(c.expected)) << c.street;
        EXPECT_EQ(address->city(), QStringLiteral("Saint Louis"));
        EXPECT_EQ(address->state(), QStringLiteral("MO"));
        EXPECT_EQ(address->ZIP5(), QStringLiteral("63101"));
        EXPECT_EQ(address->ZIP4(), QStringLiteral("1234"));
    }
    const auto upper = glz->standardizedAddressWithString(text({"1 Main St", "St Louis MO 63101"}), true);
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->street(), QStringLiteral("1 N MAIN ST"));
    EXPECT_EQ(upper->state(), QStringLiteral("mo"));
    EXPECT_EQ(betterCapitalizedString(QStringLiteral("3RD AND 12TH")), QStringLiteral("3rd And 12th"));
}

TEST_F(AddressCorrectionTest, ReturnCodesStayWithTheirTexts)
{
    struct Case {
        const char *code;
        const char *description;
    } cases[] = {{"31", "The address was confirmed."},
                 {"32", "The address was confirmed."},
                 {"22", "The address matched only inexactly."},
                 {"25", "The address matched only inexactly."},
                 {"11", ""}};
    for (const Case &c : cases) {
        service.setResponseElements(
            QByteArray("<ReturnCode>") + c.code +
            "</ReturnCode><AddrLine1>1 MAIN ST</AddrLine1><City>TOWN</City><State>ST</State><ZIP5>12345</ZIP5>");
        const auto address = glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"}));
        ASSERT_TRUE(address) << c.code;
        EXPECT_EQ(glz->lastErrorCode(), QString::fromLatin1(c.code));
        EXPECT_EQ(glz->lastErrorDescription(), QString::fromLatin1(c.description));
    }
}

TEST_F(AddressCorrectionTest, TheLastLineFillsAMissingCityOrState)
{
    service.setResponseElements("<ReturnCode>22</ReturnCode><AddrLine1>1 MAIN ST</AddrLine1>"
                                "<AddrLineLast>SAINT CHARLES MO 63301</AddrLineLast>");
    const auto address = glz->standardizedAddressWithString(text({"1 Main St", "St Charles MO 63301"}), false);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->city(), QStringLiteral("Saint Charles"));
    EXPECT_EQ(address->state(), QStringLiteral("MO"));
    EXPECT_EQ(address->ZIP5(), QStringLiteral("63301"));
    // An "&" in the reply's text is the service's plain character.
    service.setResponseElements("<ReturnCode>31</ReturnCode><Company>AT&T</Company><AddrLine1>1 MAIN ST</AddrLine1>"
                                "<City>TOWN</City><State>ST</State><ZIP5>12345</ZIP5>");
    const auto firm = glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"}));
    ASSERT_TRUE(firm);
    EXPECT_EQ(firm->company(), QStringLiteral("AT&T"));
}

TEST_F(AddressCorrectionTest, MilitaryZIPAndCityMismatches)
{
    struct Case {
        bool errorOnMismatch;
        const char *replyZIP;
        const char *replyCity;
        const char *code;
        const char *description;
    } cases[] = {
        {true, "09013", "APO", "-1", "ZIP code mismatch: 09012 vs 09013"},
        {false, "09013", "APO", "31", "The address was confirmed."},
        {true, "09012", "FPO", "-1", "City mismatch: APO vs Fpo"},
        {true, "09012", "apo", "31", "The address was confirmed."},
    };
    for (const Case &c : cases) {
        UserDefaults::standardUserDefaults().setBool(c.errorOnMismatch, QVErrorOnZIPMismatchDefaultsKey);
        service.setResponseElements(
            QByteArray("<ReturnCode>31</ReturnCode><AddrLine1>UNIT 2050 BOX 4190</AddrLine1><City>") + c.replyCity +
            "</City><State>AE</State><ZIP5>" + c.replyZIP + "</ZIP5>");
        const auto address = glz->standardizedAddressWithString(text({"Unit 2050 Box 4190", "APO AE 09012"}), false);
        ASSERT_TRUE(address);
        EXPECT_EQ(glz->lastErrorCode(), QString::fromLatin1(c.code)) << c.replyZIP << c.replyCity;
        EXPECT_EQ(glz->lastErrorDescription(), QString::fromLatin1(c.description));
        // Military cities are upper case.
        EXPECT_EQ(address->city(), QString::fromLatin1(c.replyCity).toUpper());
    }
}

TEST_F(AddressCorrectionTest, MilitaryLinesCanBeKeptWithCityAndStateFromUSPS)
{
    UserDefaults::standardUserDefaults().setBool(true, QVPreserveDomesticAddressLinesForAPODefaultsKey);
    server.setReply("CityStateLookup",
                    "<CityStateLookupResponse><ZipCode ID=\"0\"><Zip5>09012</Zip5><City>APO</City>"
                    "<State>AE</State></ZipCode></CityStateLookupResponse>");
    service.setResponseElements("<ReturnCode>11</ReturnCode><AddrLine1>SOMETHING ELSE</AddrLine1>");
    const auto address =
        glz->standardizedAddressWithString(text({"Sgt Ann Smith", "Unit 2050 Box 4190", "APO AE 09012-4190"}), false);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->street(), QStringLiteral("Unit 2050 Box 4190"));
    EXPECT_EQ(address->suiteApt(), QString());
    EXPECT_EQ(address->city(), QStringLiteral("APO"));
    EXPECT_EQ(address->state(), QStringLiteral("AE"));
    EXPECT_EQ(address->ZIP5(), QStringLiteral("09012"));
    EXPECT_EQ(address->ZIP4(), QStringLiteral("4190"));
    EXPECT_EQ(address->name(), QStringLiteral("Sgt Ann Smith"));
    EXPECT_EQ(glz->lastErrorCode(), QStringLiteral("31"));
    EXPECT_EQ(sent(QStringLiteral("Zip5")), QStringLiteral("09012"));

    // Without an answer from USPS the service's code stays.
    server.setErrorReply("CityStateLookup", "-2147219399", "Invalid Zip Code.");
    ASSERT_TRUE(glz->standardizedAddressWithString(text({"Unit 2050 Box 4190", "APO AE 09012"}), false));
    EXPECT_EQ(glz->lastErrorCode(), QStringLiteral("11"));
}

TEST_F(AddressCorrectionTest, ReformattedZIPsJoinTheLineAbove)
{
    UserDefaults::standardUserDefaults().setBool(true, QVReformatZIPDefaultsKey);
    ASSERT_TRUE(glz->standardizedAddressWithString(text({"1 Main St", "Anytown CA", "9021"})));
    EXPECT_EQ(sentFields().value(QStringLiteral("ADDRESS3")), QStringLiteral("ANYTOWN CA 09021"));
    EXPECT_EQ(sentFields().value(QStringLiteral("ADDRESS2")), QStringLiteral("1 MAIN ST"));
}

TEST_F(AddressCorrectionTest, RefusalsLeaveTheirReason)
{
    struct Case {
        std::optional<QByteArray> reply; // nothing: the connection is closed
        const char *code;
        const char *descriptionStart;
    } cases[] = {
        {QByteArray(), "", "Addrelle response was empty."},
        {QByteArray("<Addrelle_Response><ReturnCode>31"), "", "Unable to parse string as XML content"},
        {QByteArray("<html><head><title>Error</title><style>p {}</style></head><body><p>Service &amp; host "
                    "unavailable</p></body></html>"),
         "", "Error Service & host unavailable"},
    };
    for (const Case &c : cases) {
        service.setRawReply(*c.reply);
        ConsoleCapture console;
        EXPECT_FALSE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
        EXPECT_EQ(glz->lastErrorCode(), QString::fromLatin1(c.code));
        EXPECT_TRUE(glz->lastErrorDescription().startsWith(QString::fromLatin1(c.descriptionStart)))
            << glz->lastErrorDescription().toStdString();
    }
    service.http().setReply(kAddressCorrectionPath,
                            ScriptedReply{200, {}, {}, 0, ScriptedReply::Action::CloseBeforeReply});
    EXPECT_FALSE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
    EXPECT_TRUE(glz->lastErrorCode().startsWith(QLatin1Char('-')));

    // Empty input: nothing sent, both fields empty.
    const int before = service.received().size();
    EXPECT_FALSE(glz->standardizedAddressWithString(QString()));
    EXPECT_EQ(glz->lastErrorCode(), QString());
    EXPECT_EQ(glz->lastErrorDescription(), QString());
    // No label-server host: nothing sent.
    UserDefaults::standardUserDefaults().removeObjectForKey(QVLabelServiceServerDefaultsKey);
    EXPECT_FALSE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
    EXPECT_FALSE(glz->lastErrorDescription().isEmpty());
    EXPECT_EQ(service.received().size(), before);
}

TEST_F(AddressCorrectionTest, MissingTemplatesAreAnErrorNotAnExit)
{
    QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt, true);
    EXPECT_FALSE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
    EXPECT_EQ(glz->lastErrorDescription(), QStringLiteral("couldn't load the GLZAPI"));
    EXPECT_TRUE(service.received().isEmpty());
    // Once they can be loaded, standardisation works.
    QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt);
    EXPECT_TRUE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
}

TEST_F(AddressCorrectionTest, TheOlderRouteGoesToItsOwnHost)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(true, QVGLZUseV1DefaultsKey);
    defaults.removeObjectForKey(QVLabelServiceServerDefaultsKey);
    EXPECT_FALSE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
    EXPECT_TRUE(service.received().isEmpty());
    defaults.setString(service.host(), QVGLZServerAddressDefaultsKey);
    const auto address = glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"}));
    ASSERT_TRUE(address) << glz->lastErrorDescription().toStdString();
    EXPECT_EQ(service.lastReceived()->request.path(), QByteArray(kAddressCorrectionV1Path));
    EXPECT_TRUE(glz->usingSSL());
    EXPECT_EQ(address->street(), QStringLiteral("1 MAIN ST"));
}

TEST_F(AddressCorrectionTest, StandardizingAnAddressReplacesItsFields)
{
    QVAddress address;
    address.setName(QStringLiteral("Ann Smith"));
    address.setStreet(QStringLiteral("1 Main St"));
    address.setCity(QStringLiteral("Town"));
    address.setState(QStringLiteral("ST"));
    address.setZIP5(QStringLiteral("12345"));
    address.setPhone(QStringLiteral("5551234567"));
    EXPECT_TRUE(glz->standardizeAddress(address));
    EXPECT_EQ(address.street(), QStringLiteral("1 MAIN ST"));
    EXPECT_EQ(address.city(), QStringLiteral("TOWN"));
    EXPECT_EQ(address.name(), QStringLiteral("Ann Smith"));
    EXPECT_EQ(address.phone(), QStringLiteral("5551234567"));
    service.setRawReply("");
    const QVAddress before = address;
    EXPECT_FALSE(glz->standardizeAddress(address));
    EXPECT_EQ(address, before);
}

TEST_F(AddressCorrectionTest, TheLogFileHoldsRequestsWithoutTheAccountNumber)
{
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::standardUserDefaults().setString(QStringLiteral("file"), QVGLZLoggingDefaultsKey);
    glz = QVGLZCommandCenter::commandCenter();
    QFile::remove(glz->logFilePath());
    ASSERT_TRUE(glz->standardizedAddressWithString(text({"1 Main St", "Town ST 12345"})));
    QFile log(glz->logFilePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    EXPECT_TRUE(logged.contains("\n--\n"));
    EXPECT_TRUE(logged.contains("ADDRESS3=TOWN%20ST%2012345"));
    EXPECT_FALSE(logged.contains("7654321"));
    log.close();
    QFile::remove(glz->logFilePath());
}

} // namespace
