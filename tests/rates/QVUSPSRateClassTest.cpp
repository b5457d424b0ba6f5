// Rate years, shared rate-class objects, the vocabulary tables and the size
// rules of the domestic rate classes.
#include "rates/QVUSPSRateClass.h"

#include "QVUSPSRateClassFakes.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "platform/UserDefaults.h"

#include <QDate>
#include <QTime>

#include <gtest/gtest.h>

#include <iterator>
#include <utility>

namespace {

class QVUSPSRateClassTest : public FakeAccountTest
{
protected:
    static QDateTime day(int y, int m, int d, int hour = 12) { return QDateTime(QDate(y, m, d), QTime(hour, 0)); }

    static QVariantMap dimensions(int length, int height, int width)
    {
        return {{QVShipmentLengthMeasurementKey, length},
                {QVShipmentHeightMeasurementKey, height},
                {QVShipmentWidthMeasurementKey, width},
                {QVShipmentRectangularKey, true}};
    }

    static QStringList names(const QList<QVUSPSRateClass *> &classes)
    {
        QStringList list;
        for (const QVUSPSRateClass *rateClass : classes)
            list.append(rateClass->name());
        return list;
    }
};

const QStringList kPackageAndFlatRateSizes = {
    QVUSPSRegularSize,
    QVUSPSFlatRateBoxSize,
    QVUSPSLargeFlatRateBoxSize,
    QVUSPSFlatRateEnvelopeSize,
    QVUSPSSmallFlatRateBoxSize,
    QVUSPSFlatRatePaddedEnvelopeSize,
    QVUSPSFlatRateLegalEnvelopeSize,
    QVUSPSRegionalRateBoxASize,
    QVUSPSRegionalRateBoxBSize,
    QVUSPSRegionalRateBoxCSize,
    QVUSPSGiftCardFlatRateEnvelopeSize,
    QVUSPSWindowFlatRateEnvelopeSize,
    QVUSPSSmallFlatRateEnvelopeSize,
    QVUSPSCardboardSmallFlatRateEnvelopeSize,
    QVUSPSLargeFlatRateVideoBoxSize,
};

// ---- Rate years ------------------------------------------------------------

TEST_F(QVUSPSRateClassTest, RateYearFollowsTheDateAroundTheSeptember2014Change)
{
    const QVUSPSRateYear *jan = &QVUSPSJan2014RateClass::classObject();
    const QVUSPSRateYear *sep = &QVUSPSSep2014RateClass::classObject();
    struct Case {
        QDateTime date;
        const QVUSPSRateYear *year;
    } cases[] = {
        {day(2014, 9, 6, 23), jan}, {day(2014, 9, 7, 0), sep}, {day(2014, 9, 7), sep},
        {day(2014, 8, 30), jan},    {day(2014, 10, 1), sep},   {day(2015, 1, 1), sep},
        {day(2013, 6, 1), jan},     {day(2014, 1, 25), jan}, // before the January prices: still January 2014
        {day(2010, 12, 31), jan},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(&QVUSPSRateClass::ratesForDate(c.date), c.year) << c.date.toString().toStdString();
        // The same answer whichever class of the family is asked.
        EXPECT_EQ(&QVUSPSSep2014RateClass::ratesForDate(c.date), c.year);
    }
}

TEST_F(QVUSPSRateClassTest, UseSep14RatesDefaultMovesEveryDateToSeptember2014)
{
    const QVUSPSRateYear *sep = &QVUSPSSep2014RateClass::classObject();
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("useSep14Rates"));
    EXPECT_EQ(&QVUSPSRateClass::ratesForDate(day(2013, 6, 1)), sep);
    EXPECT_EQ(&QVUSPSRateClass::ratesForDate(day(2014, 9, 6)), sep);
    EXPECT_EQ(&QVUSPSRateClass::currentRates(), sep);

    UserDefaults::standardUserDefaults().setBool(false, QStringLiteral("useSep14Rates"));
    EXPECT_EQ(&QVUSPSRateClass::ratesForDate(day(2013, 6, 1)), &QVUSPSJan2014RateClass::classObject());
    // Never the base class, whatever today is.
    EXPECT_NE(&QVUSPSRateClass::currentRates(), &QVUSPSRateClass::classObject());
}

TEST_F(QVUSPSRateClassTest, EffectiveDatesAndClassNames)
{
    EXPECT_EQ(QVUSPSJan2014RateClass::classObject().effectiveDate(), QDateTime(QDate(2014, 1, 26), QTime(0, 1)));
    EXPECT_EQ(QVUSPSSep2014RateClass::classObject().effectiveDate(), QDateTime(QDate(2014, 9, 7), QTime(0, 1)));
    EXPECT_LT(QVUSPSRateClass::classObject().effectiveDate(), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    EXPECT_EQ(QVUSPSJan2014RateClass::classObject().className(), QStringLiteral("QVUSPSJan2014RateClass"));
    EXPECT_EQ(QVUSPSSep2014RateClass::classObject().className(), QStringLiteral("QVUSPSSep2014RateClass"));
    EXPECT_EQ(QVUSPSRateClass::classObject().className(), QStringLiteral("QVUSPSRateClass"));
}

// ---- Shared objects ----------------------------------------------------------

TEST_F(QVUSPSRateClassTest, RateClassObjectsAreSharedPerRateYearAndName)
{
    const QVUSPSRateYear &jan = QVUSPSJan2014RateClass::classObject();
    const QVUSPSRateYear &sep = QVUSPSSep2014RateClass::classObject();

    QVUSPSRateClass *priority = jan.rateClassWithName(QVUSPSPriorityMail);
    ASSERT_NE(priority, nullptr);
    EXPECT_EQ(jan.rateClassWithName(QVUSPSPriorityMail), priority);
    EXPECT_EQ(jan.priority(), priority);
    EXPECT_NE(sep.rateClassWithName(QVUSPSPriorityMail), priority);
    EXPECT_EQ(&priority->ratefoldClass(), &jan);
    EXPECT_EQ(&sep.priority()->ratefoldClass(), &sep);
    EXPECT_NE(dynamic_cast<QVUSPSJan2014RateClass *>(priority), nullptr);
    EXPECT_NE(dynamic_cast<QVUSPSSep2014RateClass *>(sep.priority()), nullptr);

    // Flat-rate names are aliases.
    for (const QString &alias : {QVUSPSPriorityMailFlatRate, QVUSPSPriorityMailFlatBoxRate,
                                 QVUSPSPriorityMailLargeFlatBoxRate, QVUSPSPriorityMailSmallFlatBoxRate})
        EXPECT_EQ(jan.rateClassWithName(alias), priority) << alias.toStdString();
    EXPECT_EQ(jan.rateClassWithName(QVUSPSExpressMailFlatRate), jan.expressMail());
    EXPECT_EQ(jan.expressMail()->name(), QVUSPSExpressMail);

    // First-Class Mail objects have their own class in every rate year.
    for (const QVUSPSRateYear *year : {&jan, &sep}) {
        QVUSPSRateClass *firstClass = year->rateClassWithName(QVUSPSFirstClassMail);
        EXPECT_NE(dynamic_cast<QVUSPSFirstClassMailRateClass *>(firstClass), nullptr);
        EXPECT_EQ(&firstClass->ratefoldClass(), year);
        EXPECT_EQ(year->firstClass(), firstClass);
    }

    // Nothing for no name; any other name gets an object.
    EXPECT_EQ(jan.rateClassWithName(QString()), nullptr);
    QVUSPSRateClass *unknown = jan.rateClassWithName(QStringLiteral("NoSuchClass"));
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->name(), QStringLiteral("NoSuchClass"));
    EXPECT_EQ(unknown->casualName(), QString());
    EXPECT_EQ(unknown->weightUnit(), QString());

    // The shortcut accessors.
    EXPECT_EQ(jan.mediaMail()->name(), QVUSPSMediaMail);
    EXPECT_EQ(jan.libraryMail()->name(), QVUSPSLibraryMail);
    EXPECT_EQ(jan.parcelSelect()->name(), QVUSPSParcelSelect);
    EXPECT_EQ(jan.standardPost()->name(), QVUSPSStandardPost);
    EXPECT_EQ(jan.boundPrintedMatter()->name(), QVUSPSBoundPrintedMatter);
    EXPECT_EQ(jan.parcelPost()->name(), QVUSPSParcelPost);
}

// ---- Vocabulary ----------------------------------------------------------------

TEST_F(QVUSPSRateClassTest, NameConstantsAreTheirOwnNames)
{
    // Stored in shipments, logs and user defaults: every text is exactly the
    // constant's own name.
#define NAME_IS_OWN_TEXT(constant) std::pair<QString, const char *>(constant, #constant)
    const std::pair<QString, const char *> constants[] = {
        NAME_IS_OWN_TEXT(QVUSPSLetterSize),
        NAME_IS_OWN_TEXT(QVUSPSLargeEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSPostcardSize),
        NAME_IS_OWN_TEXT(QVUSPSRegularSize),
        NAME_IS_OWN_TEXT(QVUSPSLargeSize),
        NAME_IS_OWN_TEXT(QVUSPSOversizeSize),
        NAME_IS_OWN_TEXT(QVUSPSFlatRateEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSFlatRateBoxSize),
        NAME_IS_OWN_TEXT(QVUSPSLargeFlatRateBoxSize),
        NAME_IS_OWN_TEXT(QVUSPSSmallFlatRateBoxSize),
        NAME_IS_OWN_TEXT(QVUSPSFlatRatePaddedEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSFlatRateLegalEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSRegionalRateBoxASize),
        NAME_IS_OWN_TEXT(QVUSPSRegionalRateBoxBSize),
        NAME_IS_OWN_TEXT(QVUSPSRegionalRateBoxCSize),
        NAME_IS_OWN_TEXT(QVUSPSGiftCardFlatRateEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSWindowFlatRateEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSSmallFlatRateEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSCardboardSmallFlatRateEnvelopeSize),
        NAME_IS_OWN_TEXT(QVUSPSLargeFlatRateBoardGameBoxSize),
        NAME_IS_OWN_TEXT(QVUSPSLargeFlatRateVideoBoxSize),
        NAME_IS_OWN_TEXT(QVUSPSNonrectangularParcelSize),
        NAME_IS_OWN_TEXT(QVUSPSFirstClassMail),
        NAME_IS_OWN_TEXT(QVUSPSPriorityMail),
        NAME_IS_OWN_TEXT(QVUSPSPriorityMailFlatRate),
        NAME_IS_OWN_TEXT(QVUSPSPriorityMailFlatBoxRate),
        NAME_IS_OWN_TEXT(QVUSPSPriorityMailLargeFlatBoxRate),
        NAME_IS_OWN_TEXT(QVUSPSPriorityMailSmallFlatBoxRate),
        NAME_IS_OWN_TEXT(QVUSPSExpressMail),
        NAME_IS_OWN_TEXT(QVUSPSExpressMailFlatRate),
        NAME_IS_OWN_TEXT(QVUSPSMediaMail),
        NAME_IS_OWN_TEXT(QVUSPSLibraryMail),
        NAME_IS_OWN_TEXT(QVUSPSBoundPrintedMatter),
        NAME_IS_OWN_TEXT(QVUSPSParcelPost),
        NAME_IS_OWN_TEXT(QVUSPSParcelSelect),
        NAME_IS_OWN_TEXT(QVUSPSStandardPost),
        NAME_IS_OWN_TEXT(QVUSPSCriticalMail),
        NAME_IS_OWN_TEXT(QVUSPSeDeliveryConfirmation),
        NAME_IS_OWN_TEXT(QVUSPSeSignatureConfirmation),
        NAME_IS_OWN_TEXT(QVUSPSRegisteredMailService),
        NAME_IS_OWN_TEXT(QVUSPSInsuredMailService),
        NAME_IS_OWN_TEXT(QVUSPSCertifiedMailService),
        NAME_IS_OWN_TEXT(QVUSPSRestrictedDeliveryService),
        NAME_IS_OWN_TEXT(QVUSPSCertificateOfMailingService),
        NAME_IS_OWN_TEXT(QVUSPSReturnReceiptService),
        NAME_IS_OWN_TEXT(QVUSPSReturnReceiptForMerchandiseService),
        NAME_IS_OWN_TEXT(QVUSPSCashOnDeliveryService),
        NAME_IS_OWN_TEXT(QVUSPSAdultSignatureService),
        NAME_IS_OWN_TEXT(QVUSPSAdultSignatureRestrictedService),
        NAME_IS_OWN_TEXT(QVUSPSHoldForPickupService),
        NAME_IS_OWN_TEXT(QVUSPSExpressMailPremiumService),
        NAME_IS_OWN_TEXT(QVUSPSExpressMail1030AMService),
    };
#undef NAME_IS_OWN_TEXT
    EXPECT_EQ(std::size(constants), std::size_t(52));
    for (const auto &[text, name] : constants)
        EXPECT_EQ(text, QLatin1String(name));
}

TEST_F(QVUSPSRateClassTest, PieceSizeDisplayNamesAndShapeCodes)
{
    struct Case {
        QString size;
        QString display;
        int shape;
    } cases[] = {
        {QVUSPSLetterSize, "Letter", 1},
        {QVUSPSLargeEnvelopeSize, "Large Envelope", 2},
        {QVUSPSPostcardSize, "Postcard", 7},
        {QVUSPSRegularSize, "Package", 3},
        {QVUSPSLargeSize, "Package", 3},
        {QVUSPSOversizeSize, "Oversized Package", 3},
        {QVUSPSFlatRateEnvelopeSize, "Flat Rate Envelope", 5},
        {QVUSPSFlatRateBoxSize, "Medium Flat Rate Box", 6},
        {QVUSPSLargeFlatRateBoxSize, "Large Flat Rate Box", 8},
        {QVUSPSSmallFlatRateBoxSize, "Small Flat Rate Box", 9},
        {QVUSPSFlatRatePaddedEnvelopeSize, "Flat Rate Padded Envelope", 10},
        {QVUSPSFlatRateLegalEnvelopeSize, "Legal Flat Rate Envelope", 11},
        {QVUSPSRegionalRateBoxASize, "Regional Rate Box A", 12},
        {QVUSPSRegionalRateBoxBSize, "Regional Rate Box B", 13},
        {QVUSPSRegionalRateBoxCSize, "Regional Rate Box C", 21},
        {QVUSPSGiftCardFlatRateEnvelopeSize, "Flat Rate Envelope", 14},
        {QVUSPSWindowFlatRateEnvelopeSize, "Flat Rate Envelope", 15},
        {QVUSPSSmallFlatRateEnvelopeSize, "Flat Rate Envelope", 16},
        {QVUSPSCardboardSmallFlatRateEnvelopeSize, "Flat Rate Envelope", 17},
        {QVUSPSLargeFlatRateBoardGameBoxSize, "", 20},
        {QVUSPSLargeFlatRateVideoBoxSize, "Large Flat Rate Video Box", 19},
        {QVUSPSNonrectangularParcelSize, "Package", 4},
        {"NoSuchSize", "", 0},
    };
    for (const Case &c : cases) {
        const QString display = QVUSPSRateClass::casualNameForMailpieceSize(c.size);
        EXPECT_EQ(display, c.display) << c.size.toStdString();
        EXPECT_FALSE(display.isNull()) << c.size.toStdString();
        EXPECT_EQ(QVUSPSRateClass::tolvaneShapeTypeForSize(c.size), c.shape) << c.size.toStdString();
    }
}

TEST_F(QVUSPSRateClassTest, MailClassTable)
{
    const QString none;
    struct Case {
        QString name;
        QString display;
        QString webTools;
        QString unit;
        int code;
        bool standardB;
    } cases[] = {
        {QVUSPSFirstClassMail, "First-Class Mail", "First Class", "oz", 1, false},
        {QVUSPSPriorityMail, "Priority Mail", "Priority", "oz", 2, false},
        {QVUSPSExpressMail, "Priority Mail Express", none, "oz", 3, false},
        {QVUSPSMediaMail, "Media Mail", "Media Mail", "lb", 24, true},
        {QVUSPSLibraryMail, "Library Mail", "Library Mail", "lb", 25, true},
        {QVUSPSBoundPrintedMatter, "Bound Printed Matter", "Bound Printed Matter", "oz", 23, true},
        {QVUSPSParcelPost, "Parcel Post", "Parcel Post", "lb", 6, true},
        {QVUSPSParcelSelect, "Parcel Select", "Parcel Select", "oz", 43, true},
        {QVUSPSStandardPost, "Standard Post", "Standard Post", "lb", 45, true},
        {QVUSPSCriticalMail, "Critical Mail", none, none, 44, false},
    };
    const QVUSPSRateYear &jan = QVUSPSJan2014RateClass::classObject();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(QVUSPSRateClass::casualNameForRateClassName(c.name), c.display);
        EXPECT_EQ(QVUSPSRateClass::webToolsNameForRateClassName(c.name), c.webTools);
        EXPECT_EQ(QVUSPSRateClass::webToolsNameForRateClassName(c.name).isNull(), c.webTools.isNull());
        EXPECT_EQ(QVUSPSRateClass::tolvaneClassTypeForRateClassName(c.name), c.code);
        QVUSPSRateClass *object = jan.rateClassWithName(c.name);
        EXPECT_EQ(object->casualName(), c.display);
        EXPECT_EQ(object->webToolsName(), c.webTools);
        EXPECT_EQ(object->weightUnit(), c.unit);
        EXPECT_EQ(object->weightUnit().isNull(), c.unit.isNull());
        EXPECT_EQ(object->isStandardB(), c.standardB);
    }
    EXPECT_EQ(QVOunceUnitString, QStringLiteral("oz"));

    // Flat-rate aliases: display name and code of their base class, no Web
    // Tools name.
    for (const QString &alias : {QVUSPSPriorityMailFlatRate, QVUSPSPriorityMailFlatBoxRate,
                                 QVUSPSPriorityMailLargeFlatBoxRate, QVUSPSPriorityMailSmallFlatBoxRate}) {
        EXPECT_EQ(QVUSPSRateClass::casualNameForRateClassName(alias), QStringLiteral("Priority Mail"));
        EXPECT_EQ(QVUSPSRateClass::tolvaneClassTypeForRateClassName(alias), 2);
        EXPECT_TRUE(QVUSPSRateClass::webToolsNameForRateClassName(alias).isNull());
    }
    EXPECT_EQ(QVUSPSRateClass::casualNameForRateClassName(QVUSPSExpressMailFlatRate),
              QStringLiteral("Priority Mail Express"));
    EXPECT_EQ(QVUSPSRateClass::tolvaneClassTypeForRateClassName(QVUSPSExpressMailFlatRate), 3);
    EXPECT_TRUE(QVUSPSRateClass::webToolsNameForRateClassName(QVUSPSExpressMailFlatRate).isNull());
    EXPECT_TRUE(QVUSPSRateClass::webToolsNameForRateClassName(QVUSPSExpressMail).isNull());

    EXPECT_TRUE(QVUSPSRateClass::casualNameForRateClassName(QStringLiteral("NoSuchClass")).isNull());
    EXPECT_EQ(QVUSPSRateClass::tolvaneClassTypeForRateClassName(QStringLiteral("NoSuchClass")), 0);
}

TEST_F(QVUSPSRateClassTest, ServiceNamesAndIds)
{
    const QString none;
    struct Case {
        QString service;
        QString display;
        QString shortName;
        int id;
    } cases[] = {
        {QVUSPSeDeliveryConfirmation, "USPS Tracking", "USPS Tracking", 512},
        {QVUSPSeSignatureConfirmation, "Signature Confirmation", "Signature Confirm", 8192},
        {QVUSPSRegisteredMailService, none, none, 0},
        {QVUSPSInsuredMailService, none, none, 0},
        {QVUSPSCertifiedMailService, "Certified Mail", none, 4},
        {QVUSPSRestrictedDeliveryService, "Restricted Delivery", none, 8},
        {QVUSPSCertificateOfMailingService, none, none, 0},
        {QVUSPSReturnReceiptService, "Return Receipt", none, 128},
        {QVUSPSReturnReceiptForMerchandiseService, none, none, 0},
        {QVUSPSCashOnDeliveryService, none, none, 0},
        {QVUSPSAdultSignatureService, "Adult Signature", none, 131072},
        {QVUSPSAdultSignatureRestrictedService, "Adult Signature Restricted Delivery", none, 262144},
        {QVUSPSHoldForPickupService, "Hold For Pickup", none, 524288},
        {QVUSPSExpressMailPremiumService, "Priority Mail Express Premium Service", none, 32768},
        {QVUSPSExpressMail1030AMService, "10:30 AM Delivery", none, 1048576},
        {"NoSuchService", none, none, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.service.toStdString());
        EXPECT_EQ(QVUSPSRateClass::casualNameForServiceName(c.service), c.display);
        EXPECT_EQ(QVUSPSRateClass::casualNameForServiceName(c.service).isNull(), c.display.isNull());
        EXPECT_EQ(QVUSPSRateClass::shortNameForConfirmationService(c.service), c.shortName);
        EXPECT_EQ(QVUSPSRateClass::shortNameForConfirmationService(c.service).isNull(), c.shortName.isNull());
        EXPECT_EQ(QVUSPSRateClass::tolvaneServiceIdForServiceName(c.service), c.id);
    }
}

TEST_F(QVUSPSRateClassTest, MenusAndTags)
{
    const QStringList &sizes = QVUSPSRateClass::sizes();
    ASSERT_EQ(sizes.size(), 16);
    EXPECT_EQ(sizes.first(), QVUSPSLetterSize);
    EXPECT_EQ(sizes.last(), QVUSPSLargeFlatRateVideoBoxSize);
    EXPECT_EQ(QVUSPSRateClass::tagForPieceSize(QVUSPSLargeEnvelopeSize), 7);
    EXPECT_EQ(QVUSPSRateClass::tagForPieceSize(QVUSPSOversizeSize), 4);
    EXPECT_EQ(QVUSPSRateClass::tagForPieceSize(QVUSPSLargeFlatRateVideoBoxSize), 15);
    EXPECT_EQ(QVUSPSRateClass::tagForPieceSize(QVUSPSNonrectangularParcelSize), QVNotFound);
    EXPECT_EQ(QVUSPSRateClass::tagForPieceSize(QVUSPSGiftCardFlatRateEnvelopeSize), QVNotFound);
    for (qsizetype tag = 0; tag < 16; ++tag)
        EXPECT_EQ(QVUSPSRateClass::tagForPieceSize(QVUSPSRateClass::pieceSizeForTag(tag)), tag);
    EXPECT_TRUE(QVUSPSRateClass::pieceSizeForTag(16).isNull());
    EXPECT_TRUE(QVUSPSRateClass::pieceSizeForTag(-1).isNull());

    const QStringList expectedClasses = {QVUSPSPriorityMail, QVUSPSFirstClassMail, QVUSPSMediaMail,  QVUSPSParcelSelect,
                                         QVUSPSStandardPost, QVUSPSLibraryMail,    QVUSPSExpressMail};
    EXPECT_EQ(QVUSPSRateClass::rateClassTags(), expectedClasses);
    for (qsizetype tag = 0; tag < expectedClasses.size(); ++tag) {
        EXPECT_EQ(QVUSPSRateClass::tagForRateClassName(expectedClasses.at(tag)), tag);
        EXPECT_EQ(QVUSPSRateClass::rateClassNameForTag(tag), expectedClasses.at(tag));
    }
    EXPECT_TRUE(QVUSPSRateClass::rateClassNameForTag(7).isNull());
    EXPECT_TRUE(QVUSPSRateClass::rateClassNameForTag(-1).isNull());
    EXPECT_EQ(QVUSPSRateClass::tagForRateClassName(QVUSPSBoundPrintedMatter), QVNotFound);
}

TEST_F(QVUSPSRateClassTest, FlatRateSizeSets)
{
    const QSet<QString> &flat = QVUSPSRateClass::priorityFlatRateSizes();
    EXPECT_EQ(flat.size(), 14);
    EXPECT_TRUE(flat.contains(QVUSPSRegionalRateBoxCSize));
    EXPECT_TRUE(flat.contains(QVUSPSCardboardSmallFlatRateEnvelopeSize));
    EXPECT_FALSE(flat.contains(QVUSPSLargeFlatRateBoardGameBoxSize));
    EXPECT_FALSE(flat.contains(QVUSPSRegularSize));

    const QSet<QString> &envelopes = QVUSPSRateClass::priorityFlatRateEnvelopeSizes();
    EXPECT_EQ(envelopes.size(), 9);
    EXPECT_TRUE(envelopes.contains(QVUSPSSmallFlatRateBoxSize));
    EXPECT_TRUE(envelopes.contains(QVUSPSLargeFlatRateVideoBoxSize));
    EXPECT_FALSE(envelopes.contains(QVUSPSFlatRateBoxSize));
    EXPECT_FALSE(envelopes.contains(QVUSPSLargeFlatRateBoxSize));
    EXPECT_TRUE(flat.contains(envelopes));
}

// ---- Sizes from dimensions -----------------------------------------------------

TEST_F(QVUSPSRateClassTest, SizesForDimensions)
{
    struct Case {
        const char *what;
        int length, height, width;
        QStringList expected;
    } cases[] = {
        {"letter, too tall for a postcard", 900, 600, 20, QStringList{QVUSPSLetterSize} + kPackageAndFlatRateSizes},
        {"postcard", 550, 410, 1, QStringList{QVUSPSPostcardSize, QVUSPSLetterSize} + kPackageAndFlatRateSizes},
        {"too thick for a letter", 900, 600, 26, QStringList{QVUSPSLargeEnvelopeSize} + kPackageAndFlatRateSizes},
        {"too long for a large envelope", 1501, 600, 26, kPackageAndFlatRateSizes},
        {"too small for a letter", 400, 300, 10, kPackageAndFlatRateSizes},
        // 37 + 2 x (18 + 18) = 109 inches
        {"oversize", 3601, 1800, 1800, QStringList{QVUSPSOversizeSize}},
        // 36 + 2 x (18 + 18) = 108 inches
        {"just below oversize", 3600, 1800, 1800, kPackageAndFlatRateSizes},
        {"no length", 0, 600, 20, QVUSPSRateClass::sizes()},
        {"negative width", 900, 600, -5, QVUSPSRateClass::sizes()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QVUSPSRateClass::sizesForDimensions(dimensions(c.length, c.height, c.width)), c.expected) << c.what;

    EXPECT_EQ(QVUSPSRateClass::sizesForDimensions(QVariantMap()), QVUSPSRateClass::sizes());
    // Sides given as text are read as integers too.
    const QVariantMap text = {{QVShipmentLengthMeasurementKey, QStringLiteral("3601")},
                              {QVShipmentHeightMeasurementKey, QStringLiteral("1800")},
                              {QVShipmentWidthMeasurementKey, QStringLiteral("1800")}};
    EXPECT_EQ(QVUSPSRateClass::sizesForDimensions(text), QStringList{QVUSPSOversizeSize});
}

TEST_F(QVUSPSRateClassTest, RegionalRateBoxesOnlyWhenTheAccountMayUseThem)
{
    account->regionalRateBox = false;
    const QStringList letter = QVUSPSRateClass::sizesForDimensions(dimensions(900, 600, 20));
    EXPECT_EQ(letter.size(), 1 + 15 - 3);
    const QStringList all = QVUSPSRateClass::sizesForDimensions(dimensions(0, 0, 0));
    EXPECT_EQ(all.size(), 16 - 3);
    for (const QStringList &list : {letter, all}) {
        EXPECT_FALSE(list.contains(QVUSPSRegionalRateBoxASize));
        EXPECT_FALSE(list.contains(QVUSPSRegionalRateBoxBSize));
        EXPECT_FALSE(list.contains(QVUSPSRegionalRateBoxCSize));
        EXPECT_TRUE(list.contains(QVUSPSRegularSize));
    }
    // Without a registered client the regional-rate boxes are allowed.
    setAccountInformationServices(nullptr);
    EXPECT_TRUE(QVUSPSRateClass::sizesForDimensions(dimensions(900, 600, 20)).contains(QVUSPSRegionalRateBoxBSize));
}

// ---- Classes for a size ----------------------------------------------------------

TEST_F(QVUSPSRateClassTest, RateClassesForEachSize)
{
    account->standardPostAllowed = true;
    // Menu tags: Priority 0, First-Class 1, Media 2, Parcel Select 3,
    // Standard Post 4, Library 5, Express 6; Bound Printed Matter has none.
    struct Case {
        QString size;
        QStringList classes;
        QList<qsizetype> tags;
    } cases[] = {
        {QVUSPSRegularSize,
         {QVUSPSPriorityMail, QVUSPSFirstClassMail, QVUSPSParcelSelect, QVUSPSStandardPost, QVUSPSLibraryMail,
          QVUSPSMediaMail, QVUSPSBoundPrintedMatter, QVUSPSExpressMail},
         {0, 1, 3, 4, 5, 2, QVNotFound, 6}},
        {QVUSPSOversizeSize, {QVUSPSParcelSelect, QVUSPSStandardPost}, {3, 4}},
        {QVUSPSLargeEnvelopeSize,
         {QVUSPSPriorityMail, QVUSPSFirstClassMail, QVUSPSLibraryMail, QVUSPSMediaMail, QVUSPSExpressMail},
         {0, 1, 5, 2, 6}},
        {QVUSPSLetterSize, {QVUSPSFirstClassMail}, {1}},
        {QVUSPSPostcardSize, {QVUSPSFirstClassMail}, {1}},
        {QVUSPSLargeSize,
         {QVUSPSPriorityMail, QVUSPSParcelSelect, QVUSPSStandardPost, QVUSPSLibraryMail, QVUSPSMediaMail,
          QVUSPSExpressMail},
         {0, 3, 4, 5, 2, 6}},
        {QVUSPSFlatRateEnvelopeSize, {QVUSPSPriorityMail, QVUSPSExpressMail}, {0, 6}},
        {QVUSPSFlatRateLegalEnvelopeSize, {QVUSPSPriorityMail, QVUSPSExpressMail}, {0, 6}},
        {QVUSPSFlatRatePaddedEnvelopeSize, {QVUSPSPriorityMail, QVUSPSExpressMail}, {0, 6}},
        {QVUSPSFlatRateBoxSize, {QVUSPSPriorityMail, QVUSPSExpressMail}, {0, 6}},
        {QVUSPSLargeFlatRateBoxSize, {QVUSPSPriorityMail}, {0}},
        {QVUSPSSmallFlatRateBoxSize, {QVUSPSPriorityMail}, {0}},
        {QVUSPSRegionalRateBoxCSize, {QVUSPSPriorityMail}, {0}},
        {QVUSPSCardboardSmallFlatRateEnvelopeSize, {QVUSPSPriorityMail}, {0}},
        {QVUSPSLargeFlatRateVideoBoxSize, {QVUSPSPriorityMail}, {0}},
        {QVUSPSNonrectangularParcelSize, {}, {}},
        {QVUSPSLargeFlatRateBoardGameBoxSize, {}, {}},
        {"NoSuchSize", {}, {}},
    };
    for (const QVUSPSRateYear *year :
         {&QVUSPSJan2014RateClass::classObject(), &QVUSPSSep2014RateClass::classObject()}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.size.toStdString());
            const QList<QVUSPSRateClass *> classes = year->rateClassesForSize(c.size);
            EXPECT_EQ(names(classes), c.classes);
            QList<qsizetype> tags;
            for (const QVUSPSRateClass *rateClass : classes) {
                tags.append(QVUSPSRateClass::tagForRateClassName(rateClass->name()));
                EXPECT_EQ(&rateClass->ratefoldClass(), year);
                EXPECT_EQ(year->rateClassWithName(rateClass->name()), rateClass);
            }
            EXPECT_EQ(tags, c.tags);
        }
    }
}

TEST_F(QVUSPSRateClassTest, AccountSettingsFilterTheClassesOnEveryCall)
{
    const QVUSPSRateYear &sep = QVUSPSSep2014RateClass::classObject();
    auto &defaults = UserDefaults::standardUserDefaults();

    // Standard Post needs the account's permission or Mail Innovations mode.
    account->standardPostAllowed = false;
    EXPECT_EQ(names(sep.rateClassesForSize(QVUSPSOversizeSize)), QStringList{QVUSPSParcelSelect});
    EXPECT_FALSE(names(sep.rateClassesForSize(QVUSPSRegularSize)).contains(QVUSPSStandardPost));
    defaults.setBool(true, QStringLiteral("upsMailInnovationsMode"));
    EXPECT_EQ(names(sep.rateClassesForSize(QVUSPSOversizeSize)), (QStringList{QVUSPSParcelSelect, QVUSPSStandardPost}));
    defaults.setBool(false, QStringLiteral("upsMailInnovationsMode"));

    // Parcel Select switched off by the account.
    account->standardPostAllowed = true;
    account->parcelSelectDisabled = true;
    EXPECT_EQ(names(sep.rateClassesForSize(QVUSPSOversizeSize)), QStringList{QVUSPSStandardPost});
    EXPECT_EQ(
        names(sep.rateClassesForSize(QVUSPSLargeSize)),
        (QStringList{QVUSPSPriorityMail, QVUSPSStandardPost, QVUSPSLibraryMail, QVUSPSMediaMail, QVUSPSExpressMail}));

    // Neither allowed: an oversize piece has no class at all, and asking
    // again (the cached list) still works and is unchanged by the filters.
    account->standardPostAllowed = false;
    EXPECT_TRUE(sep.rateClassesForSize(QVUSPSOversizeSize).isEmpty());
    EXPECT_TRUE(sep.rateClassesForSize(QVUSPSOversizeSize).isEmpty());
    account->parcelSelectDisabled = false;
    account->standardPostAllowed = true;
    EXPECT_EQ(names(sep.rateClassesForSize(QVUSPSOversizeSize)), (QStringList{QVUSPSParcelSelect, QVUSPSStandardPost}));
}

} // namespace
