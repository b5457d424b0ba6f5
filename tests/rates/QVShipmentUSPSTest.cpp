// USPS values derived from a shipment: class, destination and size tests,
// special-service eligibility, barcode and label texts, customs values and
// the weight and zone forms.
#include "rates/QVShipmentUSPS.h"

#include "QVShipmentTestFakes.h"
#include "model/QVWeight.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <gtest/gtest.h>

namespace {

class QVShipmentUSPSTest : public FakeAccountTest
{
protected:
    // A domestic piece of the class and size to the ZIP.
    static QVShipment piece(const QString &rateClass, const QString &size,
                            const QString &zip5 = QStringLiteral("10001"), const QString &state = QStringLiteral("NY"))
    {
        QVShipment shipment;
        shipment.setObject(domesticAddress(zip5, state), QVShipmentToAddressKey);
        shipment.setObject(QDateTime(QDate(2014, 9, 7), QTime(12, 0)), QVShipmentShipDateKey);
        if (!rateClass.isNull())
            shipment.setObject(rateClass, QVUSPSShipmentRateClassKey);
        if (!size.isNull())
            shipment.setObject(size, QVUSPSShipmentSizeKey);
        return shipment;
    }

    static void setDimensions(QVShipment &shipment, int length, int width, int height)
    {
        shipment.setObject(length, QVShipmentLengthMeasurementKey);
        shipment.setObject(width, QVShipmentWidthMeasurementKey);
        shipment.setObject(height, QVShipmentHeightMeasurementKey);
    }
};

// ---- Destination and class tests --------------------------------------------------

TEST_F(QVShipmentUSPSTest, MilitaryAndTerritoryDestinations)
{
    struct Case {
        QString zip;
        QString state;
        bool military;
        bool territory;
    } cases[] = {
        {QStringLiteral("09001"), QStringLiteral("AE"), true, false},
        {QStringLiteral("34001"), QStringLiteral("aa"), true, false},
        {QStringLiteral("96201"), QStringLiteral("AP"), true, false},
        {QStringLiteral("96799"), QStringLiteral("AS"), false, true},
        {QStringLiteral("96910"), QStringLiteral("GU"), false, true},
        {QStringLiteral("10001"), QStringLiteral("NY"), false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.zip.toStdString());
        const QVShipment shipment = piece(QVUSPSPriorityMail, QVUSPSRegularSize, c.zip, c.state);
        EXPECT_EQ(isMilitaryMail(shipment), c.military);
        EXPECT_EQ(isTerritoryMail(shipment), c.territory);
        EXPECT_EQ(isForcedConfirmationOnPriorityMail(shipment), !c.military && !c.territory);
    }

    // Abroad neither applies, whatever the state text.
    QVShipment abroad;
    QVariantMap address = foreignAddress(QStringLiteral("Canada"));
    address.insert(QVAddressStateKey, QStringLiteral("AE"));
    abroad.setObject(address, QVShipmentToAddressKey);
    EXPECT_FALSE(isMilitaryMail(abroad));
    EXPECT_FALSE(isTerritoryMail(abroad));
}

TEST_F(QVShipmentUSPSTest, ClassTests)
{
    EXPECT_TRUE(isPriorityMail(piece(QVUSPSPriorityMail, QVUSPSRegularSize)));
    EXPECT_TRUE(isPriorityMail(piece(QVUSPSPriorityMailFlatBoxRate, QVUSPSFlatRateBoxSize)));
    EXPECT_FALSE(isPriorityMail(piece(QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize)));
    EXPECT_FALSE(isPriorityMail(piece(QString(), QVUSPSRegularSize)));
    EXPECT_TRUE(isExpressMail(piece(QVUSPSExpressMailFlatRate, QVUSPSFlatRateEnvelopeSize)));
    EXPECT_FALSE(isExpressMail(piece(QVUSPSIntlExpressMailIntl, QVUSPSRegularSize)));
    EXPECT_TRUE(isGlobalExpressMail(piece(QVUSPSIntlGlobalExpressMail, QVUSPSRegularSize)));
    EXPECT_TRUE(isPackageServices(piece(QVUSPSMediaMail, QVUSPSRegularSize)));
    EXPECT_TRUE(isPackageServices(piece(QVUSPSParcelSelect, QVUSPSRegularSize)));
    EXPECT_FALSE(isPackageServices(piece(QVUSPSFirstClassMail, QVUSPSRegularSize)));
    EXPECT_FALSE(isPackageServices(piece(QString(), QVUSPSRegularSize)));
}

TEST_F(QVShipmentUSPSTest, PackageNumberAndDiscount)
{
    // A First-Class package carries a number and gets the commercial price.
    QVShipment package = piece(QVUSPSFirstClassMail, QVUSPSRegularSize);
    EXPECT_TRUE(shouldContainPIC(package));
    EXPECT_TRUE(isEligibleForDomesticDiscount(package));
    EXPECT_FALSE(shouldContainConfirm(package));

    // A First-Class letter carries neither, but a tracing barcode.
    QVShipment letter = piece(QVUSPSFirstClassMail, QVUSPSLetterSize);
    EXPECT_FALSE(shouldContainPIC(letter));
    EXPECT_FALSE(isEligibleForDomesticDiscount(letter));
    EXPECT_TRUE(shouldContainConfirm(letter));

    // A Priority Mail flat with electronic delivery confirmation is a tracked,
    // discounted piece.
    QVShipment flat = piece(QVUSPSPriorityMail, QVUSPSLargeEnvelopeSize);
    EXPECT_FALSE(shouldContainPIC(flat));
    flat.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    EXPECT_TRUE(shouldContainPIC(flat));
    EXPECT_TRUE(isEligibleForDomesticDiscount(flat));

    // Certified mail makes a flat a package but not a letter.
    QVShipment certifiedFlat = piece(QVUSPSFirstClassMail, QVUSPSLargeEnvelopeSize);
    setServices(certifiedFlat, {QVUSPSCertifiedMailService});
    EXPECT_TRUE(shouldContainPIC(certifiedFlat));
    setServices(letter, {QVUSPSCertifiedMailService});
    EXPECT_FALSE(shouldContainPIC(letter));

    // International: only Priority Mail Express International.
    QVShipment abroad;
    abroad.setObject(foreignAddress(QStringLiteral("Canada")), QVShipmentToAddressKey);
    abroad.setObject(QVUSPSIntlPriorityMailIntl, QVUSPSShipmentRateClassKey);
    abroad.setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    EXPECT_FALSE(shouldContainPIC(abroad));
    EXPECT_TRUE(isEligibleForIntlDiscount(abroad));
    EXPECT_FALSE(isEligibleForDomesticDiscount(abroad));
    abroad.setObject(QVUSPSIntlExpressMailIntl, QVUSPSShipmentRateClassKey);
    EXPECT_TRUE(shouldContainPIC(abroad));
    abroad.setObject(QVUSPSIntlMBag, QVUSPSShipmentRateClassKey);
    EXPECT_FALSE(isEligibleForIntlDiscount(abroad));

    // Military mail with a package number may use the integrated customs form.
    EXPECT_TRUE(isEligibleForDomesticIntegratedCustomsForms(
        piece(QVUSPSPriorityMail, QVUSPSRegularSize, QStringLiteral("09001"), QStringLiteral("AE"))));
    EXPECT_FALSE(isEligibleForDomesticIntegratedCustomsForms(package));
}

TEST_F(QVShipmentUSPSTest, TrackableUsingUSPS)
{
    QVShipment shipment = piece(QVUSPSFirstClassMail, QVUSPSRegularSize);
    EXPECT_FALSE(isTrackableUsingUSPS(shipment));
    shipment.setObject(QStringLiteral("9400111899223100000000"), QVUSPSShipmentPICKey);
    EXPECT_TRUE(isTrackableUsingUSPS(shipment));
    shipment.setObject(true, QVShipmentVoidKey);
    EXPECT_FALSE(isTrackableUsingUSPS(shipment));

    // Package services are tracked only with an electronic confirmation.
    QVShipment media = piece(QVUSPSMediaMail, QVUSPSRegularSize);
    media.setObject(QStringLiteral("9400111899223100000000"), QVUSPSShipmentPICKey);
    EXPECT_FALSE(isTrackableUsingUSPS(media));
    media.setObject(QVUSPSeSignatureConfirmation, QVUSPSShipmentConfirmationServiceKey);
    EXPECT_TRUE(isTrackableUsingUSPS(media));
}

TEST_F(QVShipmentUSPSTest, ForcedNonMachinableLetters)
{
    struct Case {
        int length, width, height;
        QString size;
        bool expected;
    } cases[] = {
        {1300, 10, 1000, QVUSPSLetterSize, true},  // 1.3 in single precision is just below 1.3
        {2500, 10, 1000, QVUSPSLetterSize, false}, // exactly 2.5
        {2600, 10, 1000, QVUSPSLetterSize, true},  {1200, 10, 1000, QVUSPSLetterSize, true},
        {2000, 10, 1000, QVUSPSLetterSize, false}, {1200, 10, 1000, QVUSPSLargeEnvelopeSize, false},
        {1200, 0, 1000, QVUSPSLetterSize, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        QVShipment shipment = piece(QVUSPSFirstClassMail, c.size);
        setDimensions(shipment, c.length, c.width, c.height);
        EXPECT_EQ(isForcedNonMachinable(shipment), c.expected);
    }
}

TEST_F(QVShipmentUSPSTest, StealthEligibility)
{
    QVShipment parcel = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
    EXPECT_TRUE(isEligibleForStealth(parcel));
    setServices(parcel, {QVUSPSHoldForPickupService, QVUSPSAdultSignatureService});
    EXPECT_TRUE(isEligibleForStealth(parcel));
    setServices(parcel, {QVUSPSHoldForPickupService, QVUSPSReturnReceiptService});
    EXPECT_FALSE(isEligibleForStealth(parcel));
    setServices(parcel, {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService});
    EXPECT_TRUE(isEligibleForStealth(parcel));

    EXPECT_FALSE(isEligibleForStealth(piece(QVUSPSFirstClassMail, QVUSPSLetterSize)));
    EXPECT_TRUE(isEligibleForStealth(piece(QVUSPSExpressMail, QVUSPSLetterSize)));
}

// ---- Special services --------------------------------------------------------------

TEST_F(QVShipmentUSPSTest, SpecialServiceEligibility)
{
    struct Case {
        const char *what;
        QString rateClass;
        QString size;
        QStringList services;
        QString service;
        bool adult;
        QString zip;
        QString state;
        bool expected;
    } cases[] = {
        {"certified with Priority",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSCertifiedMailService,
         false,
         {},
         {},
         true},
        {"certified with First-Class",
         QVUSPSFirstClassMail,
         QVUSPSLetterSize,
         {},
         QVUSPSCertifiedMailService,
         false,
         {},
         {},
         true},
        {"certified with Media Mail",
         QVUSPSMediaMail,
         QVUSPSRegularSize,
         {},
         QVUSPSCertifiedMailService,
         false,
         {},
         {},
         false},
        {"return receipt needs certified",
         QVUSPSFirstClassMail,
         QVUSPSLetterSize,
         {},
         QVUSPSReturnReceiptService,
         false,
         {},
         {},
         false},
        {"return receipt with certified",
         QVUSPSFirstClassMail,
         QVUSPSLetterSize,
         {QVUSPSCertifiedMailService},
         QVUSPSReturnReceiptService,
         false,
         {},
         {},
         true},
        {"restricted with certified",
         QVUSPSFirstClassMail,
         QVUSPSLetterSize,
         {QVUSPSCertifiedMailService},
         QVUSPSRestrictedDeliveryService,
         false,
         {},
         {},
         true},
        {"premium with Express",
         QVUSPSExpressMail,
         QVUSPSRegularSize,
         {},
         QVUSPSExpressMailPremiumService,
         false,
         {},
         {},
         true},
        {"10:30 with Express flat rate",
         QVUSPSExpressMailFlatRate,
         QVUSPSFlatRateEnvelopeSize,
         {},
         QVUSPSExpressMail1030AMService,
         false,
         {},
         {},
         true},
        {"premium with Priority",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSExpressMailPremiumService,
         false,
         {},
         {},
         false},
        {"pickup with Priority",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSHoldForPickupService,
         false,
         {},
         {},
         true},
        {"pickup refused with certified",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {QVUSPSCertifiedMailService},
         QVUSPSHoldForPickupService,
         false,
         {},
         {},
         false},
        {"pickup with First-Class package",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {},
         QVUSPSHoldForPickupService,
         false,
         {},
         {},
         true},
        {"pickup with First-Class flat",
         QVUSPSFirstClassMail,
         QVUSPSLargeEnvelopeSize,
         {},
         QVUSPSHoldForPickupService,
         false,
         {},
         {},
         false},
        {"pickup with Parcel Select",
         QVUSPSParcelSelect,
         QVUSPSRegularSize,
         {},
         QVUSPSHoldForPickupService,
         false,
         {},
         {},
         true},
        {"pickup with Media Mail",
         QVUSPSMediaMail,
         QVUSPSRegularSize,
         {},
         QVUSPSHoldForPickupService,
         false,
         {},
         {},
         false},
        {"delivery confirmation",
         QVUSPSMediaMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeDeliveryConfirmation,
         false,
         {},
         {},
         true},
        {"delivery confirmation to an exception ZIP",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeDeliveryConfirmation,
         false,
         QStringLiteral("96940"),
         QStringLiteral("FM"),
         false},
        {"delivery confirmation with Express",
         QVUSPSExpressMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeDeliveryConfirmation,
         false,
         {},
         {},
         false},
        {"signature confirmation",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeSignatureConfirmation,
         false,
         {},
         {},
         true},
        {"signature confirmation to military",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeSignatureConfirmation,
         false,
         QStringLiteral("09001"),
         QStringLiteral("AE"),
         false},
        {"adult signature without the account",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSAdultSignatureService,
         false,
         {},
         {},
         false},
        {"adult signature with the account",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSAdultSignatureService,
         true,
         {},
         {},
         true},
        {"adult signature restricted, Parcel Select",
         QVUSPSParcelSelect,
         QVUSPSRegularSize,
         {},
         QVUSPSAdultSignatureRestrictedService,
         true,
         {},
         {},
         true},
        {"adult signature with First-Class",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {},
         QVUSPSAdultSignatureService,
         true,
         {},
         {},
         false},
        {"adult signature to military",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSAdultSignatureService,
         true,
         QStringLiteral("09001"),
         QStringLiteral("AE"),
         false},
        {"a service without rule",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSInsuredMailService,
         false,
         {},
         {},
         false},
        {"no service", QVUSPSPriorityMail, QVUSPSRegularSize, {}, QString(), false, {}, {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        account->adult = c.adult;
        QVShipment shipment = piece(c.rateClass, c.size, c.zip.isNull() ? QStringLiteral("10001") : c.zip,
                                    c.state.isNull() ? QStringLiteral("NY") : c.state);
        if (!c.services.isEmpty())
            setServices(shipment, c.services);
        EXPECT_EQ(isEligibleForSpecialService(shipment, c.service), c.expected);
    }
}

TEST_F(QVShipmentUSPSTest, DomesticServicesAreRefusedAbroad)
{
    account->adult = true;
    QVShipment abroad;
    abroad.setObject(foreignAddress(QStringLiteral("Canada")), QVShipmentToAddressKey);
    abroad.setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    abroad.setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    for (const QString &service : {QVUSPSCertifiedMailService, QVUSPSHoldForPickupService, QVUSPSeSignatureConfirmation,
                                   QVUSPSAdultSignatureService, QVUSPSExpressMailPremiumService}) {
        SCOPED_TRACE(service.toStdString());
        EXPECT_FALSE(isEligibleForSpecialService(abroad, service));
    }
}

// The electronic delivery confirmation abroad is what the country rules
// offer: for First-Class Mail International parcels and for Priority Mail
// International flat-rate envelopes (the fixture's CANADA offers both, its
// UNITED KINGDOM neither).
class QVShipmentIntlServicesTest : public QVShipmentUSPSTest
{
protected:
    void SetUp() override
    {
        QVShipmentUSPSTest::SetUp();
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-fixture.dat").c_str()), 1);
    }
    void TearDown() override
    {
        LoadCountry2013FileAtPath(shipped("country2013.dat").c_str());
        QVShipmentUSPSTest::TearDown();
    }
};

TEST_F(QVShipmentIntlServicesTest, DeliveryConfirmationAbroad)
{
    struct Case {
        QString country;
        QString rateClass;
        QString size;
        bool expected;
    } cases[] = {
        {QStringLiteral("Canada"), QVUSPSIntlFirstClassMailIntl, QVUSPSRegularSize, true},
        {QStringLiteral("CANADA"), QVUSPSIntlPriorityMailIntl, QVUSPSFlatRateEnvelopeSize, true},
        {QStringLiteral("Canada"), QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, false},
        {QStringLiteral("Canada"), QVUSPSIntlFirstClassMailIntl, QVUSPSLetterSize, false},
        {QStringLiteral("United Kingdom"), QVUSPSIntlFirstClassMailIntl, QVUSPSRegularSize, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.country + c.rateClass + c.size).toStdString());
        QVShipment shipment;
        shipment.setObject(foreignAddress(c.country), QVShipmentToAddressKey);
        shipment.setObject(c.rateClass, QVUSPSShipmentRateClassKey);
        shipment.setObject(c.size, QVUSPSShipmentSizeKey);
        shipment.setObject(QDateTime(QDate(2014, 3, 1), QTime(12, 0)), QVShipmentShipDateKey);
        EXPECT_EQ(isEligibleForSpecialService(shipment, QVUSPSeDeliveryConfirmation), c.expected);
        EXPECT_FALSE(isEligibleForSpecialService(shipment, QVUSPSeSignatureConfirmation));
    }
}

TEST_F(QVShipmentUSPSTest, ServiceLists)
{
    QVShipment shipment = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
    EXPECT_FALSE(isEligibleForSpecialServices(shipment, std::nullopt));
    EXPECT_TRUE(isEligibleForSpecialServices(shipment, QStringList()));
    EXPECT_TRUE(
        isEligibleForSpecialServices(shipment, QStringList{QVUSPSHoldForPickupService, QVUSPSeDeliveryConfirmation}));
    EXPECT_FALSE(
        isEligibleForSpecialServices(shipment, QStringList{QVUSPSHoldForPickupService, QVUSPSReturnReceiptService}));
    EXPECT_TRUE(isEligibleForConfirmationServices(shipment));
    EXPECT_FALSE(isEligibleForConfirmationServices(piece(QVUSPSExpressMail, QVUSPSRegularSize)));
}

// ---- Barcode and label texts -----------------------------------------------------

TEST_F(QVShipmentUSPSTest, PackageBarcodeData)
{
    QVShipment shipment = piece(QVUSPSPriorityMail, QVUSPSRegularSize, QStringLiteral("02134"));
    EXPECT_FALSE(impbBarcode(shipment));

    shipment.setObject(QStringLiteral("9205590100130471010801"), QVUSPSShipmentPICKey);
    EXPECT_EQ(impbBarcode(shipment), QStringLiteral("42002134*9205590100130471010801"));

    shipment.setObject(QStringLiteral("420021349205590100130471010801"), QVUSPSShipmentPICKey);
    EXPECT_EQ(impbBarcode(shipment), QStringLiteral("420021349205590100130471010801"));

    shipment.setObject(QStringLiteral("EJ123456785US"), QVUSPSShipmentPICKey);
    EXPECT_EQ(impbBarcode(shipment), QStringLiteral("EJ123456785US"));

    shipment.setObject(QStringLiteral("stored"), QVUSPSShipmentBarcodeNumberKey);
    EXPECT_EQ(impbBarcode(shipment), QStringLiteral("stored"));
}

TEST_F(QVShipmentUSPSTest, HumanReadableNumbers)
{
    struct Case {
        QString pic;
        QString customs;
        std::optional<QString> expected;
    } cases[] = {
        {QStringLiteral("420021349205590100130471010801"), {}, QStringLiteral("420 02134 9205 5901 0013 0471 0108 01")},
        {QStringLiteral("9205590100130471010801"), {}, QStringLiteral("9205 5901 0013 0471 0108 01")},
        {{}, QStringLiteral("LZ123456789US"), QStringLiteral("LZ 123 456 789 US")},
        {QStringLiteral("EJ123456785US"), QStringLiteral("LZ123456789US"), QStringLiteral("EJ 123 456 785 US")},
        {QStringLiteral("CP123456785US"), {}, QStringLiteral("CP 123 456 785 US")},
        {{}, {}, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.pic + c.customs).toStdString());
        QVShipment shipment = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
        if (!c.pic.isNull())
            shipment.setObject(c.pic, QVUSPSShipmentPICKey);
        if (!c.customs.isNull())
            shipment.setObject(c.customs, QVUSPSShipmentCustomsBarcodeNumberKey);
        EXPECT_EQ(humanReadableBarcodeText(shipment), c.expected);
    }

    QVShipment shown = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
    shown.setObject(QStringLiteral("9205590100130471010801"), QVUSPSShipmentPICKey);
    shown.setObject(QStringLiteral("as printed"), QVUSPSShipmentDisplayLabelNumberKey);
    EXPECT_EQ(humanReadableBarcodeText(shown), QStringLiteral("as printed"));
}

TEST_F(QVShipmentUSPSTest, ServiceLine)
{
    QVShipment express = piece(QVUSPSExpressMail, QVUSPSRegularSize);
    EXPECT_EQ(eServiceTextString(express), QStringLiteral("USPS TRACKING #"));
    express.setObject(QVariantMap{{QVUSPSShipmentExpressMailSignatureRequiredKey, true}},
                      QVUSPSShipmentExpressMailOptionsKey);
    EXPECT_EQ(eServiceTextString(express), QStringLiteral("USPS SIGNATURE TRACKING #"));

    QVShipment priority = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
    priority.setObject(QVUSPSeSignatureConfirmation, QVUSPSShipmentConfirmationServiceKey);
    EXPECT_EQ(eServiceTextString(priority), QStringLiteral("USPS SIGNATURE TRACKING #"));
    priority.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    EXPECT_EQ(eServiceTextString(priority), QStringLiteral("USPS TRACKING #"));

    // No confirmation and no services: the package rule.
    EXPECT_EQ(eServiceTextString(piece(QVUSPSMediaMail, QVUSPSRegularSize)), QStringLiteral("USPS TRACKING #"));
    EXPECT_EQ(eServiceTextString(piece(QVUSPSFirstClassMail, QVUSPSLetterSize)), QString());

    QVShipment adult = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
    setServices(adult, {QVUSPSHoldForPickupService, QVUSPSAdultSignatureService});
    EXPECT_EQ(eServiceTextString(adult), QStringLiteral("USPS ADULT SIGNATURE"));
    setServices(adult, {QVUSPSAdultSignatureRestrictedService});
    EXPECT_EQ(eServiceTextString(adult), QStringLiteral("USPS ADULT SIG/RESTR DEL"));
    setServices(adult, {QVUSPSHoldForPickupService});
    EXPECT_EQ(eServiceTextString(adult), QString());

    adult.setObject(QStringLiteral("BANNER"), QVUSPSShipmentDisplayLabelBannerKey);
    EXPECT_EQ(eServiceTextString(adult), QStringLiteral("BANNER"));
    EXPECT_EQ(eServiceTextStringWithLongString(adult, false), QString());
    EXPECT_EQ(electronicRateApprovedString(adult), QString());
}

TEST_F(QVShipmentUSPSTest, ServiceBanners)
{
    QVShipment priority = piece(QVUSPSPriorityMailFlatRate, QVUSPSFlatRateEnvelopeSize);
    EXPECT_EQ(serviceBanner(priority), QStringLiteral("PRIORITY MAIL\u00AE"));
    EXPECT_EQ(shortServiceBanner(priority), QStringLiteral("PRIORITY MAIL"));
    priority.setObject(QStringLiteral("2"), QVUSPSShipmentDeliveryDaysKey);
    EXPECT_EQ(serviceBanner(priority), QStringLiteral("PRIORITY MAIL 2-DAY\u2122"));
    EXPECT_EQ(shortServiceBanner(priority), QStringLiteral("PRIORITY MAIL 2-DAY"));

    QVShipment express = piece(QVUSPSExpressMail, QVUSPSRegularSize);
    express.setObject(QStringLiteral("1"), QVUSPSShipmentDeliveryDaysKey);
    EXPECT_EQ(serviceBanner(express), QStringLiteral("PRIORITY MAIL EXPRESS 1-DAY\u2122"));
    EXPECT_EQ(shortServiceBanner(express), QStringLiteral("PM EXPRESS 1-DAY"));

    EXPECT_FALSE(serviceBanner(piece(QVUSPSFirstClassMail, QVUSPSRegularSize)));
    EXPECT_FALSE(shortServiceBanner(piece(QVUSPSFirstClassMail, QVUSPSRegularSize)));
}

TEST_F(QVShipmentUSPSTest, ExpressMailOptionLines)
{
    struct Case {
        bool saturday, sunday, holiday;
        const char *line;
    } cases[] = {
        {true, true, true, "NORMAL DELIVERY"},       {false, false, true, "NO WEEKEND DELIVERY"},
        {true, true, false, "NO HOLIDAY DELIVERY"},  {false, false, false, "NO WEEKEND OR HOLIDAY DELIVERY"},
        {false, true, true, "NO SATURDAY DELIVERY"}, {true, false, true, "NO SUNDAY DELIVERY"},
        {false, true, false, "SUNDAY DELIVERY"},     {true, false, false, "NO SUNDAY OR HOLIDAY DELIVERY"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        QVShipment shipment = piece(QVUSPSExpressMail, QVUSPSRegularSize);
        shipment.setObject(QVariantMap{{QVUSPSShipmentExpressMailSaturdayDeliveryKey, c.saturday},
                                       {QVUSPSShipmentExpressMailSundayDeliveryKey, c.sunday},
                                       {QVUSPSShipmentExpressMailHolidayDeliveryKey, c.holiday},
                                       {QVUSPSShipmentExpressMailSignatureRequiredKey, c.saturday}},
                           QVUSPSShipmentExpressMailOptionsKey);
        EXPECT_EQ(
            expressMailOptionStrings(shipment),
            (QStringList{QString::fromLatin1(c.line),
                         c.saturday ? QStringLiteral("SIGNATURE REQUIRED") : QStringLiteral("WAIVER OF SIGNATURE")}));
    }
    EXPECT_EQ(expressMailOptionStrings(piece(QVUSPSExpressMail, QVUSPSRegularSize)),
              (QStringList{QStringLiteral("NO WEEKEND OR HOLIDAY DELIVERY"), QStringLiteral("WAIVER OF SIGNATURE")}));
}

// ---- Customs ---------------------------------------------------------------------

QVariantMap item(const QVariant &quantity, const QVariant &weight, const QVariant &value)
{
    return {{QVShipmentItemQuantityKey, quantity},
            {QVShipmentItemWeightNumberKey, weight},
            {QVShipmentItemValueKey, value},
            {QVShipmentItemDescriptionKey, QStringLiteral("Book")}};
}

TEST_F(QVShipmentUSPSTest, CustomsValuesAndSummary)
{
    QVShipment shipment;
    shipment.setObject(foreignAddress(QStringLiteral("Canada")), QVShipmentToAddressKey);
    EXPECT_EQ(customsSummaryString(shipment), QStringLiteral("None"));
    EXPECT_EQ(customsWeightInOunces(shipment), QStringLiteral("0"));
    EXPECT_EQ(customsValue(shipment), Decimal::zero());

    shipment.setObject(QVUSPSShipment2976ACustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    shipment.setObject(QVUSPSShipmentCustomsFormReturnedGoodsContentType, QVUSPSShipmentCustomsFormContentTypeKey);
    shipment.setObject(QVariantList{item(1, QStringLiteral("4"), QStringLiteral("1000.25")),
                                    item(QStringLiteral("1"), 2, QVariant::fromValue(Decimal(23425, -2))),
                                    item(1, QStringLiteral("3 oz"), QStringLiteral("not a number"))},
                       QVShipmentItemsKey);
    EXPECT_EQ(customsWeightInOunces(shipment), QStringLiteral("9"));
    EXPECT_EQ(customsValue(shipment), Decimal::fromString(QStringLiteral("1234.50")));
    EXPECT_EQ(customsSummaryStringForShipment(shipment),
              QStringLiteral("2976-A: 3 items, 9 oz, $1,234.50, Returned Goods"));

    shipment.setObject(QVUSPSShipmentGEMCustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    shipment.setObject(QVUSPSShipmentCustomsFormGiftContentType, QVUSPSShipmentCustomsFormContentTypeKey);
    shipment.setObject(QVariantList{item(1, 12, QStringLiteral("5"))}, QVShipmentItemsKey);
    EXPECT_EQ(customsSummaryString(shipment), QStringLiteral("GEM: 1 item, 12 oz, $5.00, Gift"));

    shipment.setObject(QVUSPSShipment2976PMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    shipment.setObject(QStringLiteral("Seeds"), QVUSPSShipmentCustomsFormContentTypeKey);
    shipment.setObject(QVariantList{item(2, 12, QStringLiteral("5"))}, QVShipmentItemsKey);
    EXPECT_EQ(customsSummaryString(shipment), QStringLiteral("2976: 2 items, 12 oz, $5.00, Seeds"));
}

TEST_F(QVShipmentUSPSTest, RemovingCustomsPostsOncePerStoredKeyAndKeepsSDRAndITN)
{
    auto shipment = std::make_shared<QVShipment>();
    const QStringList removed = {QVUSPSShipmentCustomsFormCommentsKey, QVUSPSShipmentCustomsFormTypeKey,
                                 QVShipmentItemsKey, QVUSPSShipmentCustomsInvoiceNumberKey};
    for (const QString &key : removed)
        shipment->setObject(QStringLiteral("x"), key);
    shipment->setObject(QStringLiteral("12.5"), QVUSPSShipmentCustomsSDRValueKey);
    shipment->setObject(QStringLiteral("X20140101"), QVUSPSShipmentCustomsAESITNKey);

    QStringList order;
    QVariantMap before = shipment->dictionary();
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVShipmentDidChangeNotification, shipment, [&](const Notification &) {
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                if (!shipment->dictionary().contains(it.key()))
                    order.append(it.key());
            }
            before = shipment->dictionary();
        });
    removeAllCustomsInformation(*shipment);
    EXPECT_EQ(order, removed);
    EXPECT_EQ(shipment->dictionary().size(), 2);
    EXPECT_TRUE(shipment->dictionary().contains(QVUSPSShipmentCustomsSDRValueKey));
    EXPECT_TRUE(shipment->dictionary().contains(QVUSPSShipmentCustomsAESITNKey));
}

// ---- Weight and zone -------------------------------------------------------------

TEST_F(QVShipmentUSPSTest, WeightsNeverLoseAFraction)
{
    struct Case {
        QString number;
        QString unit;
        const char *ounces;
    } cases[] = {
        {QStringLiteral("2.75"), QVPoundUnitString, "44"}, {QStringLiteral("2"), QVPoundUnitString, "32"},
        {QStringLiteral("0.1"), QVPoundUnitString, "2"},   {QStringLiteral("1.5"), QVPoundUnitString, "24"},
        {QStringLiteral("12"), QVOunceUnitString, "12"},   {QStringLiteral("2.5"), QVOunceUnitString, "3"},
        {QStringLiteral("12"), QStringLiteral("kg"), "0"}, {QStringLiteral("abc"), QVPoundUnitString, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.number + c.unit).toStdString());
        QVShipment shipment = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
        shipment.setObject(c.number, QVShipmentWeightNumberKey);
        shipment.setObject(c.unit, QVShipmentWeightUnitKey);
        EXPECT_EQ(weightInOunces(shipment), QString::fromLatin1(c.ounces));
    }
}

TEST_F(QVShipmentUSPSTest, TenthsOfAnOunce)
{
    struct Case {
        QString rateClass;
        QString size;
        QString ounces;
        int tenths;
        const char *pretty;
    } cases[] = {
        {QVUSPSFirstClassMail, QVUSPSRegularSize, QStringLiteral("16"), 159, "15.9"},
        {QVUSPSPriorityMail, QVUSPSRegularSize, QStringLiteral("16"), 160, "16"},
        {QVUSPSFirstClassMail, QVUSPSLargeEnvelopeSize, QStringLiteral("4"), 40, "4"},
        {QVUSPSFirstClassMail, QVUSPSLetterSize, QStringLiteral("4"), 35, "3.5"},
        {QVUSPSIntlFirstClassMailIntl, QVUSPSPostcardSize, QStringLiteral("4"), 35, "3.5"},
        {QVUSPSFirstClassMail, QVUSPSLetterSize, QStringLiteral("3"), 30, "3"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tenths);
        QVShipment shipment = piece(c.rateClass, c.size);
        shipment.setObject(c.ounces, QVShipmentWeightNumberKey);
        shipment.setObject(QVOunceUnitString, QVShipmentWeightUnitKey);
        EXPECT_EQ(weightInTenthOunces(shipment), c.tenths);
        EXPECT_EQ(prettyWeightInOunces(shipment), QString::fromLatin1(c.pretty));
    }
}

TEST_F(QVShipmentUSPSTest, ZonesAndGirth)
{
    QVShipment shipment = piece(QVUSPSPriorityMail, QVUSPSRegularSize);
    EXPECT_EQ(zoneInt(shipment), 0);
    shipment.setObject(QStringLiteral("Local"), QVUSPSShipmentZoneKey);
    EXPECT_EQ(zoneInt(shipment), 0);
    EXPECT_EQ(zoneNumberString(shipment), QStringLiteral("0"));
    shipment.setObject(QStringLiteral("-1"), QVUSPSShipmentZoneKey);
    EXPECT_EQ(zoneInt(shipment), -1);
    EXPECT_EQ(zoneNumberString(shipment), QStringLiteral("-1"));
    shipment.setObject(QStringLiteral("8"), QVUSPSShipmentZoneKey);
    EXPECT_EQ(zoneNumberString(shipment), QStringLiteral("8"));

    EXPECT_EQ(lengthPlusGirth(shipment), 0);
    setDimensions(shipment, 10, 30, 5);
    EXPECT_EQ(lengthPlusGirth(shipment), 30 + 2 * 10 + 2 * 5);
    setDimensions(shipment, 10, 30, 0);
    EXPECT_EQ(lengthPlusGirth(shipment), 0);
}

} // namespace
