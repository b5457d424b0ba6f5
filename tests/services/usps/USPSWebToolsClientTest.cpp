// QVUSPSAPI and QVUSPSCommandCenter, the USPS Web Tools client, against the
// fake Web Tools servers: building requests from the bundle's templates (the
// values made safe for the XML and the form, limits, unknown APIs), sending
// them to the plain or the secure host, reading replies (renamed confirmation
// elements, cut image fields, USPS errors, replies that are not XML), and
// the plain queries: city and state, service standards, address
// verification, international rates, APO/FPO restrictions, state
// abbreviations, holidays and the piece-size map.
#include "model/QVAddress.h"
#include "model/ServiceHooks.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ConsoleCapture.h"
#include "USPSWebToolsTestSupport.h"

#include <QDate>

using namespace tolvane::test;

namespace {

using USPSAPITest = USPSWebToolsFixture;
using USPSWebToolsClientTest = USPSWebToolsFixture;

QByteArray cityStateReply(const QByteArray &zip, const QByteArray &city, const QByteArray &state)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CityStateLookupResponse><ZipCode ID=\"0\"><Zip5>" + zip +
        "</Zip5><City>" + city + "</City><State>" + state + "</State></ZipCode></CityStateLookupResponse>";
}

TEST_F(USPSAPITest, ValuesAreMadeSafeForTheXMLAndTheForm)
{
    struct Case {
        QString value;
        QString inRequestXML; // as filled into the template
        QString inDocument;   // as the server reads it
    } cases[] = {
        {QStringLiteral("A&B"), QStringLiteral("A%26amp;B"), QStringLiteral("A&B")},
        {QStringLiteral("%26"), QStringLiteral("%2526"), QStringLiteral("%26")},
        {QStringLiteral("AT&T <Sales> \"x\" 'y'"),
         QStringLiteral("AT%26amp;T %26lt;Sales%26gt; %26quot;x%26quot; %26apos;y%26apos;"),
         QStringLiteral("AT&T <Sales> \"x\" 'y'")},
        {QStringLiteral("100% + 1 = 2 #4/5"), QStringLiteral("100%25 + 1 = 2 #4/5"),
         QStringLiteral("100% + 1 = 2 #4/5")},
        {QStringLiteral("Zo\u00eb <%Zip5%>"), QStringLiteral("Zo\u00eb %26lt;%25Zip5%25%26gt;"),
         QStringLiteral("Zoe <%Zip5%>")},
    };
    server.setReply("CityStateLookup", cityStateReply("63301", "SAINT CHARLES", "MO"));
    for (const Case &c : cases) {
        auto api =
            QVUSPSAPI::apiWithAPI(QStringLiteral("CityStateLookup"), QVariantMap{{QStringLiteral("Zip5"), c.value}});
        ASSERT_TRUE(api);
        EXPECT_TRUE(api->requestXML().contains(QStringLiteral("<Zip5>") + c.inRequestXML + QStringLiteral("</Zip5>")))
            << api->requestXML().toStdString();
        ASSERT_TRUE(client->postAPI(*api));
        EXPECT_EQ(sent(QStringLiteral("Zip5")), c.inDocument) << c.value.toStdString();
    }
}

TEST_F(USPSAPITest, TheFormBodyNamesTheAPIAndCarriesTheCredentials)
{
    auto field = QVUSPSAPI::apiWithAPI(QStringLiteral("TrackV2Field"),
                                       QVariantMap{{QStringLiteral("ID"), QStringLiteral("EJ123")}});
    ASSERT_TRUE(field);
    const QByteArray body = field->requestDataForUserID(QStringLiteral("USER&1"), QStringLiteral("PW"));
    EXPECT_TRUE(body.startsWith("API=TrackV2&XML=")) << body.constData();
    EXPECT_EQ(field->requestXML(),
              QStringLiteral("<TrackFieldRequest USERID=\"USER%26amp;1\" PASSWORD=\"PW\"><TrackID "
                             "ID=\"EJ123\"></TrackID></TrackFieldRequest>"));
    // Only letters, digits, "-._~" and "%" travel unescaped.
    for (char c : body.mid(body.indexOf("&XML=") + 5))
        EXPECT_TRUE(QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789%-._~").contains(c)) << c;

    auto summary =
        QVUSPSAPI::apiWithAPI(QStringLiteral("TrackV2"), QVariantMap{{QStringLiteral("ID"), QStringLiteral("EJ1")}});
    ASSERT_TRUE(summary);
    EXPECT_TRUE(summary->requestDataForUserID(QStringLiteral("U"), QStringLiteral("P")).startsWith("API=TrackV2&XML="));
    EXPECT_EQ(summary->responseStartString(), QStringLiteral("TrackResponse"));
    EXPECT_EQ(summary->limit(), 10);
    EXPECT_FALSE(summary->isSecure());
}

TEST_F(USPSAPITest, RequestsThatCannotBeBuiltAreRefusedWithAConsoleLine)
{
    {
        ConsoleCapture console;
        EXPECT_FALSE(QVUSPSAPI::apiWithAPI(QStringLiteral("NoSuchAPI"), QVariantMap()));
        EXPECT_TRUE(console.lines().contains(QStringLiteral(" no api by that name")));
    }
    {
        ConsoleCapture console;
        QList<QVariantMap> ids;
        for (int i = 0; i < 11; ++i)
            ids.append({{QStringLiteral("ID"), QString::number(i)}});
        EXPECT_FALSE(QVUSPSAPI::apiWithAPI(QStringLiteral("TrackV2Field"), ids));
        EXPECT_TRUE(console.lines().contains(QStringLiteral("too many API body requests for TrackV2Field")));
        ids.removeLast();
        EXPECT_TRUE(QVUSPSAPI::apiWithAPI(QStringLiteral("TrackV2Field"), ids));
    }
    // An entry without a limit builds nothing; a missing list builds nothing.
    QVUSPSAPI::setAPIDictionaryForTesting(
        QVariantMap{{QStringLiteral("NoLimit"),
                     QVariantMap{{QStringLiteral("request"),
                                  QVariantMap{{QStringLiteral("body"), QStringLiteral("<a/>")},
                                              {QStringLiteral("wrapper"), QStringLiteral("<%body%>")}}}}}});
    EXPECT_FALSE(QVUSPSAPI::apiWithAPI(QStringLiteral("NoLimit"), QVariantMap()));
    QVUSPSAPI::setAPIDictionaryForTesting(std::nullopt, true);
    EXPECT_FALSE(QVUSPSAPI::APIDictionary());
    EXPECT_FALSE(QVUSPSAPI::apiWithAPI(QStringLiteral("TrackV2"), QVariantMap()));
    EXPECT_EQ(
        client->serviceStandardFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001"), QVUSPSPriorityMail),
        QStringLiteral("N/A"));
    EXPECT_EQ(server.receivedCount(), 0);
}

TEST_F(USPSAPITest, PlaceholdersWithoutAValueAreRemovedFromBodiesOnly)
{
    QVUSPSAPI::setAPIDictionaryForTesting(
        QVariantMap{{QStringLiteral("Two"),
                     QVariantMap{{QStringLiteral("request"),
                                  QVariantMap{{QStringLiteral("body"), QStringLiteral("<B><%a%>|<%b%></B>")},
                                              {QStringLiteral("wrapper"),
                                               QStringLiteral("<W u=\"<%userid%>\" x=\"<%other%>\"><%body%></W>")},
                                              {QStringLiteral("limit"), 2}}}}}});
    auto api = QVUSPSAPI::apiWithAPI(
        QStringLiteral("Two"),
        QList<QVariantMap>{{{QStringLiteral("a"), 1}}, {{QStringLiteral("b"), QStringLiteral("y")}}});
    ASSERT_TRUE(api);
    EXPECT_EQ(api->requestXML(), QStringLiteral("<W u=\"<%userid%>\" x=\"<%other%>\"><B>1|</B><B>|y</B></W>"));
    api->requestDataForUserID(QStringLiteral("me"), QString());
    EXPECT_EQ(api->requestXML(), QStringLiteral("<W u=\"me\" x=\"\"><B>1|</B><B>|y</B></W>"));
}

TEST_F(USPSWebToolsClientTest, SecureAPIsGoOverHTTPSAndOthersOverHTTP)
{
    server.setReply(
        "TrackV2",
        "<TrackResponse><TrackInfo ID=\"1\"><TrackSummary>On its way</TrackSummary></TrackInfo></TrackResponse>");
    server.setReply("CustomsCN22V2Certify",
                    "<CustomsCN22V2CertifyResponse><CustomsBarcodeNumber>LC1</CustomsBarcodeNumber></"
                    "CustomsCN22V2CertifyResponse>");
    const auto tracked = client->trackResponseForID(QStringLiteral("1"));
    ASSERT_TRUE(tracked);
    EXPECT_EQ(uspsValueForKeyPath(*tracked, QStringLiteral("TrackResponse.TrackInfo.TrackSummary")).toString(),
              QStringLiteral("On its way"));
    ASSERT_TRUE(server.lastReceived());
    EXPECT_FALSE(server.lastReceived()->secure);
    const RecordedRequest plain = server.lastReceived()->request;
    EXPECT_EQ(plain.method, QByteArray("POST"));
    EXPECT_EQ(plain.path(), QByteArray("/ShippingAPI.dll"));
    EXPECT_EQ(plain.header("content-type"), QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
    EXPECT_EQ(server.lastReceived()->document.attributes.value(QStringLiteral("USERID")),
              QStringLiteral("417KQWZT5816"));

    auto api = QVUSPSAPI::apiWithAPI(QStringLiteral("CustomsCN22V2Certify"), QVariantMap());
    ASSERT_TRUE(api);
    EXPECT_TRUE(client->postAPI(*api));
    EXPECT_TRUE(server.lastReceived()->secure);
}

TEST_F(USPSWebToolsClientTest, HostsComeFromTheSettings)
{
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    // Registered values: USPS's public hosts.
    ASSERT_TRUE(defaults.registerBundleDefaults());
    EXPECT_EQ(QVUSPSCommandCenter::commandCenter()->server(), QStringLiteral("production.shippingapis.com"));
    EXPECT_EQ(QVUSPSCommandCenter::commandCenter()->secureServer(), QStringLiteral("secure.shippingapis.com"));
    QVCommandCenter::resetSharedInstancesForTesting();
    defaults.setBool(true, QVUseUSPSSecureStagingDefaultsKey);
    defaults.setString(QStringLiteral("staging.example:8443"), QVUSPSWebToolsStagingServerDefaultsKey);
    defaults.setString(QStringLiteral("plain.example"), QVUSPSWebToolsServerDefaultsKey);
    EXPECT_EQ(QVUSPSCommandCenter::commandCenter()->secureServer(), QStringLiteral("staging.example:8443"));
    EXPECT_EQ(QVUSPSCommandCenter::commandCenter()->server(), QStringLiteral("plain.example"));
    EXPECT_EQ(QVUSPSCommandCenter::commandCenter()->path(), QStringLiteral("/ShippingAPI.dll"));
}

TEST_F(USPSWebToolsClientTest, RepliesThatAreNotRepliesFail)
{
    server.setReply("TrackV2", "<TrackResponse><TrackInfo>");
    EXPECT_FALSE(client->trackResponseForID(QStringLiteral("1")));
    EXPECT_TRUE(client->lastErrorDescription().startsWith(QStringLiteral("Unable to parse string as XML content")))
        << client->lastErrorDescription().toStdString();

    server.http().setReply(kUSPSWebToolsPath, ScriptedReply{200, {}, {}, 0, ScriptedReply::Action::CloseBeforeReply});
    EXPECT_FALSE(client->trackResponseForID(QStringLiteral("1")));
    EXPECT_TRUE(client->lastErrorCode().startsWith(QLatin1Char('-'))) << client->lastErrorCode().toStdString();
    EXPECT_FALSE(client->lastErrorDescription().isEmpty());
}

TEST_F(USPSWebToolsClientTest, ConfirmationRepliesLoseTheDotsOfTheirElementNames)
{
    QVUSPSAPI::setAPIDictionaryForTesting(std::nullopt);
    auto confirm = QVUSPSAPI::apiWithAPI(QStringLiteral("DeliveryConfirmationPICV3"), QVariantMap());
    ASSERT_TRUE(confirm);
    const QByteArray reply =
        "<DeliveryConfirmationPICV3.0Response><DeliveryConfirmationNumber>42</DeliveryConfirmationNumber>"
        "</DeliveryConfirmationPICV3.0Response>";
    QString error;
    const auto plist = QVUSPSCommandCenter::propertyListForReply(reply, *confirm, &error);
    ASSERT_TRUE(plist) << error.toStdString();
    EXPECT_EQ(
        uspsValueForKeyPath(*plist, confirm->responseStartString() + QStringLiteral(".DeliveryConfirmationNumber")),
        QVariant(QStringLiteral("42")));
    // Other APIs keep the names as they come.
    auto track =
        QVUSPSAPI::apiWithAPI(QStringLiteral("TrackV2"), QVariantMap{{QStringLiteral("ID"), QStringLiteral("1")}});
    ASSERT_TRUE(track);
    const auto kept = QVUSPSCommandCenter::propertyListForReply(reply, *track, &error);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->contains(QStringLiteral("DeliveryConfirmationPICV3.0Response")));
}

TEST_F(USPSWebToolsClientTest, ImageFieldsAreCutOutAndPutBack)
{
    auto api = QVUSPSAPI::apiWithAPI(QStringLiteral("CustomsCP72V3"), QVariantMap());
    ASSERT_TRUE(api);
    QString text = QStringLiteral(
        "<R><CP72V3Page1Image>AAAA</CP72V3Page1Image><N>1</N><CP72V3Page2Image>BB<CP72V3InstructionsImage>CC");
    const QVariantMap cut = client->manuallyParseFields(QVUSPSCommandCenter::cutFieldsForAPI(api->api()), text, *api);
    EXPECT_EQ(cut, (QVariantMap{{QStringLiteral("CustomsCP72V3Response.CP72V3Page1Image"), QStringLiteral("AAAA")}}));
    // Opening tags without a closing tag stay in the text.
    EXPECT_EQ(text, QStringLiteral("<R><N>1</N><CP72V3Page2Image>BB<CP72V3InstructionsImage>CC"));

    const QByteArray reply =
        "<CustomsCP72V3Response><CustomsBarcodeNumber>CP1</CustomsBarcodeNumber>"
        "<CP72V3Page1Image>QUJD</CP72V3Page1Image><CP72V3InstructionsImage>REVG</CP72V3InstructionsImage>"
        "</CustomsCP72V3Response>";
    QString error;
    const auto plist = QVUSPSCommandCenter::propertyListForReply(reply, *api, &error);
    ASSERT_TRUE(plist) << error.toStdString();
    EXPECT_EQ(uspsValueForKeyPath(*plist, QStringLiteral("CustomsCP72V3Response.CP72V3Page1Image")),
              QVariant(QStringLiteral("QUJD")));
    EXPECT_EQ(uspsValueForKeyPath(*plist, QStringLiteral("CustomsCP72V3Response.CP72V3InstructionsImage")),
              QVariant(QStringLiteral("REVG")));
    EXPECT_EQ(uspsValueForKeyPath(*plist, QStringLiteral("CustomsCP72V3Response.CustomsBarcodeNumber")),
              QVariant(QStringLiteral("CP1")));
    EXPECT_EQ(QVUSPSCommandCenter::cutFieldsForAPI(QStringLiteral("CustomsCN22V2Certify")),
              (QStringList{QStringLiteral("CN22V2FormImage"), QStringLiteral("CN22V2InstructionsImage")}));
    EXPECT_EQ(QVUSPSCommandCenter::cutFieldsForAPI(QStringLiteral("GlobalExpressMailLabel")),
              QStringList{QStringLiteral("GEMLabel")});
    EXPECT_EQ(QVUSPSCommandCenter::cutFieldsForAPI(QStringLiteral("ExpressMailLabel")),
              (QStringList{QStringLiteral("EMLabel"), QStringLiteral("EMReceipt")}));
    EXPECT_TRUE(QVUSPSCommandCenter::cutFieldsForAPI(QStringLiteral("TrackV2")).isEmpty());
}

TEST_F(USPSWebToolsClientTest, CityAndStateUseTheSecondAccountForOneRequest)
{
    server.setReply("CityStateLookup", cityStateReply("63301", "SAINT CHARLES", "MO"));
    const auto found = client->cityAndStateForZIP(QStringLiteral("63301"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->value(QStringLiteral("City")), QVariant(QStringLiteral("SAINT CHARLES")));
    EXPECT_EQ(found->value(QStringLiteral("State")), QVariant(QStringLiteral("MO")));
    EXPECT_EQ(sent(QStringLiteral("Zip5")), QStringLiteral("63301"));
    EXPECT_EQ(server.lastReceived()->document.attributes.value(QStringLiteral("USERID")),
              QStringLiteral("528HVRNE2047"));
    EXPECT_EQ(server.lastReceived()->document.attributes.value(QStringLiteral("PASSWORD")),
              QStringLiteral("615RB58ZC384"));
    EXPECT_EQ(client->userid(), QStringLiteral("417KQWZT5816"));
    EXPECT_EQ(client->password(), QStringLiteral("482KD31MP907"));

    // Errors, of the whole reply or of the ZIP code; the main account is back.
    server.setErrorReply("CityStateLookup", "80040B1A", "Authorization failure");
    EXPECT_FALSE(client->cityAndStateForZIP(QStringLiteral("63301")));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("80040B1A"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Authorization failure"));
    EXPECT_EQ(client->userid(), QStringLiteral("417KQWZT5816"));
    server.setReply("CityStateLookup",
                    "<CityStateLookupResponse><ZipCode ID=\"0\"><Error><Number>-2147219399</Number>"
                    "<Description>Invalid Zip Code.</Description></Error></ZipCode></CityStateLookupResponse>");
    EXPECT_FALSE(client->cityAndStateForZIP(QStringLiteral("00000")));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Invalid Zip Code."));
    EXPECT_EQ(client->password(), QStringLiteral("482KD31MP907"));
    // A missing ZIP is never sent.
    const int before = server.receivedCount();
    EXPECT_FALSE(client->cityAndStateForZIP(QString()));
    EXPECT_EQ(server.receivedCount(), before);
}

TEST_F(USPSWebToolsClientTest, ServiceStandardsAreDaysOrNA)
{
    struct Case {
        QString mailClass;
        QByteArray api;
        QByteArray days; // empty: no reply scripted
        QString expected;
    } cases[] = {
        {QVUSPSPriorityMail, "PriorityMail", "1", QStringLiteral("1 day")},
        {QVUSPSPriorityMail, "PriorityMail", "2", QStringLiteral("2 days")},
        {QVUSPSFirstClassMail, "FirstClassMail", "3", QStringLiteral("3 days")},
        {QVUSPSMediaMail, "StandardB", "8", QStringLiteral("8 days")},
        {QVUSPSParcelSelect, "StandardB", "", QStringLiteral("N/A")},
    };
    for (const Case &c : cases) {
        if (c.days.isEmpty())
            server.setErrorReply(c.api, "-2147219400", "Invalid ZIP");
        else
            server.setReply(c.api,
                            "<" + c.api +
                                "Response><OriginZip>633</OriginZip><DestinationZip>100</DestinationZip>"
                                "<Days>" +
                                c.days + "</Days></" + c.api + "Response>");
        EXPECT_EQ(client->serviceStandardFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001"), c.mailClass),
                  c.expected)
            << c.mailClass.toStdString();
        EXPECT_EQ(server.lastReceived()->api, c.api);
        EXPECT_EQ(sent(QStringLiteral("OriginZip")), QStringLiteral("63301"));
        EXPECT_EQ(sent(QStringLiteral("DestinationZip")), QStringLiteral("10001"));
    }
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Invalid ZIP"));
    const int before = server.receivedCount();
    EXPECT_EQ(client->serviceStandardFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001"), QVUSPSExpressMail),
              QStringLiteral("N/A"));
    EXPECT_EQ(server.receivedCount(), before);
}

TEST_F(USPSWebToolsClientTest, AddressVerificationAnswersAVerifiedCopy)
{
    server.setReply(
        "Verify",
        "<AddressValidateResponse><Address ID=\"0\"><FirmName>AT&amp;T</FirmName><Address2>6406 IVY LN</Address2>"
        "<City>GREENBELT</City><State>MD</State><Zip5>20770</Zip5><Zip4>1441</Zip4>"
        "<ReturnText>Default address: more information is needed.</ReturnText></Address></AddressValidateResponse>");
    QVAddress address;
    address.setName(QStringLiteral("Ann Smith"));
    address.setCompany(QStringLiteral("AT&T"));
    address.setStreet(QStringLiteral("6406 Ivy Ln. #5/B"));
    address.setCity(QStringLiteral("Greenbelt"));
    address.setState(QStringLiteral("md"));
    const auto verified = client->addresssByStandardizingAddress(address);
    ASSERT_TRUE(verified) << client->lastErrorDescription().toStdString();
    EXPECT_EQ(server.lastReceived()->api, QByteArray("Verify"));
    EXPECT_EQ(sent(QStringLiteral("FirmName")), QStringLiteral("AT&T"));
    EXPECT_EQ(sent(QStringLiteral("Address2")), QStringLiteral("6406 Ivy Ln  #5/B"));
    EXPECT_EQ(sent(QStringLiteral("State")), QStringLiteral("md"));
    EXPECT_EQ(verified->company(), QStringLiteral("AT&T"));
    EXPECT_EQ(verified->street(), QStringLiteral("6406 IVY LN"));
    EXPECT_EQ(verified->suiteApt(), QString());
    EXPECT_EQ(verified->city(), QStringLiteral("GREENBELT"));
    EXPECT_EQ(verified->ZIP5(), QStringLiteral("20770"));
    EXPECT_EQ(verified->ZIP4(), QStringLiteral("1441"));
    EXPECT_EQ(verified->name(), QStringLiteral("Ann Smith"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Default address: more information is needed."));

    // Through the model: the registered services merge the verified form.
    registerUSPSAddressServices();
    QVAddress merged = address;
    EXPECT_TRUE(merged.USPSstandardize());
    EXPECT_EQ(merged.street(), QStringLiteral("6406 IVY LN"));

    server.setReply("Verify",
                    "<AddressValidateResponse><Address ID=\"0\"><Error><Number>-2147219401</Number>"
                    "<Description>Address Not Found.</Description></Error></Address></AddressValidateResponse>");
    EXPECT_FALSE(merged.USPSstandardize());
    EXPECT_EQ(merged.street(), QStringLiteral("6406 IVY LN"));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-2147219401"));
    EXPECT_FALSE(client->addresssByStandardizingAddress(address, QStringLiteral("Other")));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Unrecognized standardize method"));
    setUSPSAddressServices(nullptr);
}

TEST_F(USPSWebToolsClientTest, InternationalRatesAndMilitaryRestrictions)
{
    server.setReply(
        "IntlRate",
        "<IntlRateResponse><Package ID=\"0\"><Prohibitions>Coins</Prohibitions></Package></IntlRateResponse>");
    struct Case {
        QString size;
        QString mailType;
    } cases[] = {{QVUSPSIntlEnvelopeSize, QStringLiteral("envelope")},
                 {QVUSPSIntlPostcardsOrAerogrammesSize, QStringLiteral("postcards or aerogrammes")},
                 {QVUSPSIntlMatterForTheBlindSize, QStringLiteral("matter for the blind")},
                 {QVUSPSIntlPackageSize, QStringLiteral("package")}};
    for (const Case &c : cases) {
        const auto reply = client->internationalRateResponseForCountry(QStringLiteral("Canada"), 7, c.size);
        ASSERT_TRUE(reply);
        EXPECT_EQ(uspsValueForKeyPath(*reply, QStringLiteral("IntlRateResponse.Package.Prohibitions")),
                  QVariant(QStringLiteral("Coins")));
        EXPECT_EQ(sent(QStringLiteral("MailType")), c.mailType);
        EXPECT_EQ(sent(QStringLiteral("Ounces")), QStringLiteral("7"));
        EXPECT_EQ(sent(QStringLiteral("Pounds")), QStringLiteral("0"));
    }

    UserDefaults::standardUserDefaults().setString(QStringLiteral("63301"), QVMailedFromZIP5DefaultsKey);
    server.setReply("RateV4",
                    "<RateV4Response><Package ID=\"0\"><ZipOrigination>63301</ZipOrigination>"
                    "<Restrictions>A1. Mail addressed to Army Post Offices is restricted.</Restrictions>"
                    "</Package></RateV4Response>");
    EXPECT_EQ(client->apoRestrictionsForZIP(QStringLiteral("09012")),
              std::optional<QString>(QStringLiteral("A1. Mail addressed to Army Post Offices is restricted.")));
    EXPECT_EQ(sent(QStringLiteral("ZipOrigination")), QStringLiteral("63301"));
    EXPECT_EQ(sent(QStringLiteral("ZipDestination")), QStringLiteral("09012"));
    EXPECT_EQ(sent(QStringLiteral("Service")), QStringLiteral("PRIORITY"));
    server.setReply("RateV4", "<RateV4Response><Package ID=\"0\"><Postage/></Package></RateV4Response>");
    EXPECT_FALSE(client->apoRestrictionsForZIP(QStringLiteral("09012")));
}

TEST_F(USPSWebToolsClientTest, StateAbbreviationsComeFromTheBundle)
{
    struct Case {
        const char *name;
        const char *abbreviation; // nullptr: not listed
    } cases[] = {{"New York", "NY"},
                 {"district of columbia", "DC"},
                 {"PUERTO RICO", "PR"},
                 {"Armed Forces Pacific", "AP"},
                 {"Armed Forces Europe", "AE"},
                 {"Guam", "GU"},
                 {"Narnia", nullptr},
                 {"", nullptr}};
    for (const Case &c : cases) {
        const auto found = client->stateAbbreviationForName(QString::fromUtf8(c.name));
        if (c.abbreviation) {
            EXPECT_EQ(found, std::optional<QString>(QString::fromLatin1(c.abbreviation))) << c.name;
            EXPECT_EQ(client->lastErrorDescription(), QString());
        } else {
            EXPECT_FALSE(found) << c.name;
            EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Invalid state/possesion"));
        }
    }
}

TEST_F(USPSWebToolsClientTest, HolidaysComeFromTheBundleUntilReplaced)
{
    const QVariantMap holidays = client->allHolidays();
    ASSERT_FALSE(holidays.isEmpty());
    EXPECT_EQ(holidays.value(QStringLiteral("Christmas Day 2026")), QVariant(QStringLiteral("2026-12-25")));
    EXPECT_EQ(holidays.value(QStringLiteral("Thanksgiving Day 2026")), QVariant(QStringLiteral("2026-11-26")));
    for (auto holiday = holidays.cbegin(); holiday != holidays.cend(); ++holiday)
        EXPECT_TRUE(QDate::fromString(holiday.value().toString(), QStringLiteral("yyyy-MM-dd")).isValid())
            << holiday.key().toStdString();
    client->setAllHolidays({{QStringLiteral("Feed Day"), QStringLiteral("2027-01-02")}});
    EXPECT_EQ(client->allHolidays(), (QVariantMap{{QStringLiteral("Feed Day"), QStringLiteral("2027-01-02")}}));
}

TEST_F(USPSWebToolsClientTest, PieceSizesMapToContainers)
{
    const auto &map = QVUSPSCommandCenter::sizeMap();
    EXPECT_EQ(map.value(QVUSPSLetterSize), QStringLiteral("VARIABLE"));
    EXPECT_EQ(map.value(QVUSPSLargeEnvelopeSize), QStringLiteral("VARIABLE"));
    EXPECT_EQ(map.value(QVUSPSFlatRateBoxSize), QStringLiteral("FLATRATEBOX"));
    EXPECT_EQ(map.value(QVUSPSFlatRateEnvelopeSize), QStringLiteral("FLATRATEENV"));
    EXPECT_EQ(map.value(QVUSPSLargeFlatRateBoxSize), QStringLiteral("LGFLATRATEBOX"));
    EXPECT_EQ(map.value(QVUSPSSmallFlatRateBoxSize), QStringLiteral("SMFLATRATEBOX"));
    EXPECT_FALSE(map.contains(QVUSPSRegionalRateBoxASize));
}

TEST_F(USPSWebToolsClientTest, ZonesAreForwardedToTheZoneChartClient)
{
    // No zone-chart server is set: the zone-chart client answers "-1".
    registerUSPSAddressServices();
    EXPECT_EQ(uspsZoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("-1"));
    EXPECT_EQ(client->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("-1"));
    EXPECT_EQ(server.receivedCount(), 0);
    setUSPSAddressServices(nullptr);
}

} // namespace
