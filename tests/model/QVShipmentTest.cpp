// The shipment record: stores and their notifications, the pricing hook,
// the property-list form, typed accessors and copies.
#include "model/QVShipment.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

#include <QTimeZone>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }

QVariant dec(qint64 mantissa, int exponent) { return QVariant::fromValue(Decimal(mantissa, exponent)); }

QVariantMap address(const char *name, const char *city, const char *state, const char *zip)
{
    QVAddress a;
    a.setName(s(name));
    a.setStreet(s("1 Main St"));
    a.setCity(s(city));
    a.setState(s(state));
    a.setZIP(s(zip));
    return a.plist();
}

// Counts what reaches the pricer and when.
class CountingPricer : public QVShipmentPricer
{
public:
    explicit CountingPricer(const int *notifications) : m_notifications(notifications) {}
    void updatePricing(QVShipment &shipment) override
    {
        ++calls;
        notificationsBeforeLastCall = *m_notifications;
        if (action)
            action(shipment);
    }
    int calls = 0;
    int notificationsBeforeLastCall = -1;
    std::function<void(QVShipment &)> action;

private:
    const int *m_notifications;
};

class QVShipmentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        observer = NotificationCenter::defaultCenter().addObserver(QVShipmentDidChangeNotification,
                                                                   [this](const Notification &n) {
                                                                       ++notifications;
                                                                       lastObject = n.object.get<QVShipment>();
                                                                   });
        pricer = std::make_shared<CountingPricer>(&notifications);
        QVShipment::setPricer(pricer);
    }
    void TearDown() override { QVShipment::setPricer(nullptr); }

    NotificationObserver observer;
    int notifications = 0;
    const QVShipment *lastObject = nullptr;
    std::shared_ptr<CountingPricer> pricer;
};

} // namespace

TEST_F(QVShipmentTest, StoringPostsOnlyRealChanges)
{
    QVShipment shipment;
    shipment.setObject(s("Letter"), QVUSPSShipmentSizeKey);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(lastObject, &shipment);

    shipment.setObject(s("Letter"), QVUSPSShipmentSizeKey, true); // equal: nothing
    shipment.setObject(QVariant(), QVUSPSShipmentSizeKey, true);  // no value: refused
    shipment.removeObjectForKey(QVUSPSShipmentZoneKey, true);     // missing: nothing
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(pricer->calls, 0);
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentSizeKey), QVariant(s("Letter")));

    // Decimals compare by amount: 5.60 equals a stored 5.6.
    shipment.setObject(dec(56, -1), QVUSPSShipmentPostageKey);
    shipment.setObject(dec(560, -2), QVUSPSShipmentPostageKey);
    EXPECT_EQ(notifications, 2);

    shipment.removeObjectForKey(QVUSPSShipmentSizeKey);
    EXPECT_EQ(notifications, 3);
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentSizeKey).isValid());
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentSizeKey, s("none")), QVariant(s("none")));

    // Key-value access reaches the dictionary with notification.
    shipment.setValueForUndefinedKey(s("Gift"), QVUSPSShipmentCustomsFormContentTypeKey);
    EXPECT_EQ(shipment.valueForUndefinedKey(QVUSPSShipmentCustomsFormContentTypeKey), QVariant(s("Gift")));
    EXPECT_EQ(notifications, 4);
    EXPECT_EQ(pricer->calls, 0);
}

TEST_F(QVShipmentTest, TextAndNumberAreDifferentValues)
{
    // A text never equals a number, even when it reads as one: storing the
    // text over the number is a change, and records holding either differ.
    QVShipment shipment;
    shipment.setObject(5, QVShipmentWeightNumberKey);
    shipment.setObject(s("5"), QVShipmentWeightNumberKey);
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(shipment.objectForKey(QVShipmentWeightNumberKey).typeId(), QMetaType::QString);
    shipment.setObject(true, QVUSPSShipmentMachinableKey);
    shipment.setObject(s("true"), QVUSPSShipmentMachinableKey);
    EXPECT_EQ(notifications, 4);

    const QVShipment withText(QVariantMap{{QVShipmentWeightNumberKey, s("5")}});
    const QVShipment withNumber(QVariantMap{{QVShipmentWeightNumberKey, 5}});
    EXPECT_FALSE(withText.isEqualToShipment(withNumber));
    const QVShipment nested(
        QVariantMap{{QVShipmentItemsKey, QVariantList{QVariantMap{{QVShipmentItemQuantityKey, s("1")}}}}});
    const QVShipment nestedNumber(
        QVariantMap{{QVShipmentItemsKey, QVariantList{QVariantMap{{QVShipmentItemQuantityKey, 1}}}}});
    EXPECT_FALSE(nested.isEqualToShipment(nestedNumber));

    // Numbers compare by value whatever their width; so do decimals.
    shipment.setObject(qint64(5), QVUSPSShipmentCubicTierKey);
    shipment.setObject(5, QVUSPSShipmentCubicTierKey);
    shipment.setObject(5.0, QVUSPSShipmentCubicTierKey);
    EXPECT_EQ(notifications, 5);
    EXPECT_TRUE(QVShipment(QVariantMap{{QVUSPSShipmentCubicTierKey, 5}})
                    .isEqualToShipment(QVShipment(QVariantMap{{QVUSPSShipmentCubicTierKey, qint64(5)}})));
}

TEST_F(QVShipmentTest, SharedRecordTravelsWithTheNotification)
{
    std::shared_ptr<const QVShipment> received;
    NotificationObserver keep = NotificationCenter::defaultCenter().addObserver(
        QVShipmentDidChangeNotification, [&](const Notification &n) { received = n.object.shared<QVShipment>(); });
    const auto shipment = QVShipment::shipmentWithDictionary({});
    shipment->setObject(s("x"), QVShipmentDescriptionKey);
    EXPECT_EQ(received, shipment);
    EXPECT_EQ(lastObject, shipment.get());
}

TEST_F(QVShipmentTest, PricingIsAskedOnlyWhenTheStoreSaysSo)
{
    QVShipment shipment;
    shipment.setObject(s("oz"), QVShipmentWeightUnitKey); // no pricing asked
    EXPECT_EQ(pricer->calls, 0);

    shipment.setObject(s("5"), QVShipmentWeightNumberKey, true);
    EXPECT_EQ(pricer->calls, 1);
    EXPECT_EQ(pricer->notificationsBeforeLastCall, 1); // priced before the change is posted
    EXPECT_EQ(notifications, 2);

    shipment.removeObjectForKey(QVShipmentWeightNumberKey, true);
    EXPECT_EQ(pricer->calls, 2);
    EXPECT_EQ(notifications, 3);

    // The force-retail flag re-prices on a change only, and posts nothing.
    shipment.setForcedRetailRates(true);
    EXPECT_EQ(pricer->calls, 3);
    shipment.setForcedRetailRates(true);
    EXPECT_EQ(pricer->calls, 3);
    EXPECT_TRUE(shipment.isForcedRetailRates());
    EXPECT_EQ(notifications, 3);

    // Creating, copying, reading and setting the total never price.
    const auto copy = shipment.copy();
    const auto rebuilt = QVShipment::shipmentWithDictionary(shipment.plist());
    shipment.setTotalPrice(Decimal(1));
    EXPECT_EQ(pricer->calls, 3);
    EXPECT_EQ(notifications, 3);

    shipment._updatePricing();
    EXPECT_EQ(pricer->calls, 4);
}

TEST_F(QVShipmentTest, PricerStoresThroughTheRecordPostButQuietStoresDoNot)
{
    pricer->action = [](QVShipment &priced) {
        priced.setObject(s("Parcel"), QVUSPSShipmentSizeKey);             // posts
        priced.mutableDictionary().insert(QVUSPSShipmentZoneKey, s("4")); // quiet
        priced.setForceRetailRatesFlag(false);
        priced.setTotalPrice(Decimal(725, -2)); // quiet
    };
    QVShipment shipment;
    shipment.setForcedRetailRates(true);
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(shipment.isForcedRetailRates());
    shipment.setObject(s("USPS"), QVShipmentCarrierKey, true);
    EXPECT_EQ(notifications, 2); // the pricer's store changed nothing this time
    EXPECT_EQ(shipment.totalPrice(), Decimal(725, -2));
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentZoneKey), QVariant(s("4")));
}

TEST(QVShipment, WithoutAPricerRepricingDoesNothing)
{
    QVShipment::setPricer(nullptr);
    QVShipment shipment;
    shipment.setObject(s("x"), QVShipmentDescriptionKey, true);
    shipment._updatePricing();
    EXPECT_EQ(shipment.dictionary().size(), 1);
}

TEST(QVShipment, PropertyListFormTurnsDecimalsIntoTextAndLeavesOutIndiciumData)
{
    QVShipment shipment;
    shipment.setObject(dec(5600, -3), QVUSPSShipmentPostageKey);
    shipment.setObject(QByteArray("\x01\x02\x03", 3), QVUSPSShipmentRHOIndiciumDataKey);
    shipment.setObject(QVariantList{dec(1, 0)}, QVUSPSShipmentOptionalServicesKey);
    shipment.setObject(true, QVUSPSShipmentMachinableKey);
    shipment.setTotalPrice(Decimal(1234, -2));

    const QVariantMap plist = shipment.plist();
    EXPECT_EQ(plist.value(QVUSPSShipmentPostageKey), QVariant(s("5.6")));
    EXPECT_EQ(plist.value(QVShipmentPriceKey), QVariant(s("12.34")));
    EXPECT_FALSE(plist.contains(s("QVUSPSShipmentRHOIndiciumDataKey")));
    EXPECT_EQ(plist.value(QVUSPSShipmentMachinableKey), QVariant(true));
    // Only top-level values are converted.
    EXPECT_EQ(plist.value(QVUSPSShipmentOptionalServicesKey).toList().at(0).metaType(), QMetaType::fromType<Decimal>());
    // The record itself keeps its indicium data.
    EXPECT_TRUE(shipment.objectForKey(QVUSPSShipmentRHOIndiciumDataKey).isValid());

    const auto rebuilt = QVShipment::shipmentWithDictionary(plist);
    EXPECT_EQ(rebuilt->totalPrice(), shipment.totalPrice());
    EXPECT_EQ(rebuilt->totalPrice(), Decimal(1234, -2));
}

TEST(QVShipment, TotalPriceForms)
{
    struct Case {
        const char *what;
        QVariant stored;
        Decimal expected;
    };
    const Case cases[] = {
        {"nothing", QVariant(), Decimal::zero()}, {"decimal", dec(199, -2), Decimal(199, -2)},
        {"text", s("1.99"), Decimal(199, -2)},    {"text that is not a number", s("abc"), Decimal::zero()},
        {"a real number", 1.99, Decimal::zero()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QVariantMap dictionary;
        if (c.stored.isValid())
            dictionary.insert(QVShipmentPriceKey, c.stored);
        const QVShipment shipment(dictionary);
        EXPECT_EQ(shipment.totalPrice(), c.expected);
        EXPECT_FALSE(shipment.totalPrice().isNaN());
    }
}

TEST(QVShipment, ReplyPostageSwapsTheAddresses)
{
    QVShipment shipment;
    shipment.setObject(address("Sender", "Boston", "MA", "02101"), QVShipmentFromAddressKey);
    shipment.setObject(address("Recipient", "Denver", "co", "80202"), QVShipmentToAddressKey);
    shipment.setObject(s("99999"), QVUSPSShipmentMailedFromZIP5Key);

    EXPECT_EQ(shipment.fromAddress().name(), s("Sender"));
    EXPECT_EQ(shipment.toAddress().name(), s("Recipient"));
    EXPECT_EQ(shipment.mailedFromZIP5(), s("99999"));
    EXPECT_EQ(shipment.mailedToZIP5(), s("80202"));
    EXPECT_EQ(shipment.mailedToState(), s("CO"));

    for (const QVariant &flag : {QVariant(true), QVariant(1), QVariant(s("YES"))}) {
        shipment.setObject(flag, QVUSPSShipmentReplyPostageKey);
        ASSERT_TRUE(shipment.isReplyPostage());
        EXPECT_EQ(shipment.toAddress().name(), s("Sender"));
        EXPECT_EQ(shipment.fromAddress().name(), s("Recipient"));
        EXPECT_EQ(shipment.mailedFromZIP5(), s("80202")); // the stored recipient's, not the stored key
        EXPECT_EQ(shipment.mailedToZIP5(), s("02101"));
    }
    shipment.setObject(s("NO"), QVUSPSShipmentReplyPostageKey);
    EXPECT_FALSE(shipment.isReplyPostage());

    EXPECT_FALSE(QVShipment().mailedFromZIP5().has_value());
}

TEST(QVShipment, DestinationScopeKeepsTheRecipientUntilAnAddressIsStored)
{
    QVShipment shipment;
    shipment.setObject(address("Sender", "Boston", "MA", "02101"), QVShipmentFromAddressKey);
    shipment.setObject(address("Recipient", "Denver", "co", "80202"), QVShipmentToAddressKey);
    {
        const QVShipment::DestinationScope outer(shipment);
        EXPECT_TRUE(shipment.isDomestic());
        EXPECT_EQ(shipment.mailedToZIP5(), s("80202"));
        EXPECT_EQ(shipment.mailedToState(), s("CO"));
        {
            const QVShipment::DestinationScope inner(shipment);
            // A stored recipient, and the reply-postage flag that swaps the
            // addresses, are seen at once, inside nested scopes too.
            QVariantMap abroad = address("Recipient", "Paris", "", "75001");
            abroad.insert(QVAddressCountryKey, s("France"));
            shipment.setObject(abroad, QVShipmentToAddressKey);
            EXPECT_FALSE(shipment.isDomestic());
            EXPECT_EQ(shipment.mailedToZIP5(), s("75001"));
            EXPECT_EQ(shipment.toAddress().city(), s("Paris"));
            shipment.setObject(true, QVUSPSShipmentReplyPostageKey);
            EXPECT_TRUE(shipment.isDomestic());
            EXPECT_EQ(shipment.mailedToState(), s("MA"));
            shipment.removeObjectForKey(QVUSPSShipmentReplyPostageKey);
        }
        // Still inside the outer scope, and a copy made now reads its own
        // dictionary.
        EXPECT_EQ(shipment.mailedToZIP5(), s("75001"));
        QVShipment copy(shipment);
        copy.mutableDictionary().insert(QVShipmentToAddressKey, address("Other", "Austin", "TX", "78701"));
        EXPECT_EQ(copy.mailedToZIP5(), s("78701"));
        EXPECT_TRUE(copy.isDomestic());
    }
    // After the scope, a quiet write is read straight from the dictionary.
    shipment.mutableDictionary().insert(QVShipmentToAddressKey, address("Recipient", "Austin", "tx", "78701"));
    EXPECT_TRUE(shipment.isDomestic());
    EXPECT_EQ(shipment.mailedToZIP5(), s("78701"));
    EXPECT_EQ(shipment.mailedToState(), s("TX"));
}

TEST(QVShipment, ValuesKeptInsideAScopeFollowEveryKindOfStore)
{
    QVShipment shipment(QVariantMap{{QVUSPSShipmentZoneKey, s("4")}});
    // A key text made here rather than the constant names the same value.
    const QString zoneText = QString::fromLatin1("QVUSPSShipmentZoneKey");
    const QVariant none = s("none");
    const std::pair<std::function<void()>, QVariant> steps[] = {
        {[] {}, s("4")},
        {[&] { shipment.setObject(s("5"), QVUSPSShipmentZoneKey); }, s("5")},
        {[&] { shipment.setObjectQuietly(s("6"), zoneText); }, s("6")},
        {[&] { shipment.removeObjectQuietly(QVUSPSShipmentZoneKey); }, QVariant()},
        {[&] { shipment.setObject(s("7"), zoneText); }, s("7")},
        {[&] { shipment.mutableDictionary().insert(QVUSPSShipmentZoneKey, s("8")); }, s("8")},
        {[&] { shipment.setObject(s("9"), QVUSPSShipmentZoneKey); }, s("9")},
        {[&] { shipment.removeObjectForKey(zoneText); }, QVariant()},
    };
    for (const bool scoped : {true, false}) {
        shipment.mutableDictionary().insert(QVUSPSShipmentZoneKey, s("4"));
        std::optional<QVShipment::DestinationScope> scope;
        if (scoped)
            scope.emplace(shipment);
        int step = 0;
        for (const auto &[store, expected] : steps) {
            store();
            for (const QString &key : {QVUSPSShipmentZoneKey, zoneText}) {
                EXPECT_EQ(shipment.objectForKey(key), expected)
                    << "step " << step << (scoped ? " in" : " out of") << " a scope";
                EXPECT_EQ(shipment.objectForKey(key, none), expected.isValid() ? expected : none) << "step " << step;
            }
            EXPECT_EQ(shipment.dictionary().value(QVUSPSShipmentZoneKey), expected) << "step " << step;
            ++step;
        }
    }
    // A scope opened after a write straight into the dictionary reads it.
    shipment.mutableDictionary().insert(QVUSPSShipmentZoneKey, s("3"));
    const QVShipment::DestinationScope again(shipment);
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentZoneKey), s("3"));
}

TEST(QVShipment, RecipientAndDimensionsFollowChangesMadeInPlace)
{
    QVShipment shipment;
    shipment.setObject(address("Recipient", "Denver", "CO", "80202"), QVShipmentToAddressKey);
    shipment.setObject(12, QVShipmentLengthMeasurementKey);
    EXPECT_EQ(shipment.mailedToZIP5(), s("80202"));
    EXPECT_EQ(shipment.dimensionDictionary().value(QVShipmentLengthMeasurementKey), 12);

    // The address dictionary replaced inside its stored value.
    QVariant &to = shipment.mutableDictionary()[QVShipmentToAddressKey];
    *static_cast<QVariantMap *>(to.data()) = address("Recipient", "Austin", "TX", "78701");
    EXPECT_EQ(shipment.mailedToZIP5(), s("78701"));
    {
        const QVShipment::DestinationScope scope(shipment);
        EXPECT_EQ(shipment.mailedToState(), s("TX"));
    }

    // A length of another type, and a changed one.
    shipment.mutableDictionary().insert(QVShipmentLengthMeasurementKey, 12.0);
    EXPECT_EQ(shipment.dimensionDictionary().value(QVShipmentLengthMeasurementKey).typeId(), QMetaType::Double);
    shipment.setObject(13, QVShipmentLengthMeasurementKey);
    EXPECT_EQ(shipment.dimensionDictionary().value(QVShipmentLengthMeasurementKey), 13);
    shipment.removeObjectForKey(QVShipmentLengthMeasurementKey);
    EXPECT_EQ(shipment.dimensionDictionary().value(QVShipmentLengthMeasurementKey), 0);
}

// Inside a scope (as pricing asks) the dimensions follow every kind of
// change: a store, a quiet store and removal, and a write in place.
TEST(QVShipment, DimensionsFollowChangesWithinAScope)
{
    QVShipment shipment;
    shipment.setObject(12, QVShipmentLengthMeasurementKey);
    const QVShipment::DestinationScope scope(shipment);
    EXPECT_EQ(shipment.dimensionDictionary().value(QVShipmentLengthMeasurementKey), 12);
    EXPECT_EQ(shipment.dimensionDictionary().value(QVShipmentLengthMeasurementKey), 12);

    const std::function<void()> changes[] = {
        [&] { shipment.setObject(13, QVShipmentLengthMeasurementKey); },
        [&] { shipment.setObjectQuietly(14, QVShipmentLengthMeasurementKey); },
        [&] { shipment.removeObjectQuietly(QVShipmentLengthMeasurementKey); },
        [&] { shipment.mutableDictionary().insert(QVShipmentLengthMeasurementKey, 16); },
        [&] { shipment.setObjectQuietly(false, QVShipmentRectangularKey); },
    };
    const QVariant lengths[] = {13, 14, 0, 16, 16};
    const QVariant rectangular[] = {true, true, true, true, false};
    for (size_t i = 0; i < std::size(changes); ++i) {
        changes[i]();
        const QVariantMap dimensions = shipment.dimensionDictionary();
        EXPECT_EQ(dimensions.value(QVShipmentLengthMeasurementKey), lengths[i]) << i;
        EXPECT_EQ(dimensions.value(QVShipmentRectangularKey), rectangular[i]) << i;
    }
}

TEST(QVShipment, CopyIsEqualIndependentAndNotForcedToRetail)
{
    QVShipment::setPricer(nullptr);
    QVShipment shipment;
    shipment.setObject(address("Recipient", "Denver", "CO", "80202"), QVShipmentToAddressKey);
    shipment.setObject(QVariantList{s("a")}, QVUSPSShipmentOptionalServicesKey);
    shipment.setObject(dec(5, 0), QVUSPSShipmentPostageKey);
    shipment.setForcedRetailRates(true);

    const auto copy = shipment.copy();
    EXPECT_TRUE(copy->isEqualToShipment(shipment));
    EXPECT_EQ(qHash(*copy), qHash(shipment));
    EXPECT_FALSE(copy->isForcedRetailRates());
    EXPECT_TRUE(shipment.isForcedRetailRates());

    copy->setObject(s("Other"), QVUSPSShipmentRateClassKey);
    QVariantMap to = copy->objectForKey(QVShipmentToAddressKey).toMap();
    to.insert(QVAddressCityKey, s("Aurora"));
    copy->setObject(to, QVShipmentToAddressKey);
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentRateClassKey).isValid());
    EXPECT_EQ(shipment.toAddress().city(), s("Denver"));
    EXPECT_FALSE(*copy == shipment);
}

TEST(QVShipment, ShipCalendarDate)
{
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = QVShipment().shipCalendarDate();
    EXPECT_GE(now, before);
    EXPECT_LE(now, QDateTime::currentDateTime());

    const QDateTime stored(QDate(2014, 9, 7), QTime(12, 0), QTimeZone::utc());
    const QVShipment withDate(QVariantMap{{QVShipmentShipDateKey, stored}});
    EXPECT_EQ(withDate.shipCalendarDate(), stored);
    EXPECT_EQ(withDate.shipCalendarDate().timeSpec(), Qt::LocalTime);

    const QVShipment withDay(QVariantMap{{QVShipmentShipDateKey, QDate(2014, 1, 26)}});
    EXPECT_EQ(withDay.shipCalendarDate(), QDateTime(QDate(2014, 1, 26), QTime(0, 0)));
}

TEST(QVShipment, DimensionDictionary)
{
    EXPECT_EQ(QVShipment().dimensionDictionary(),
              (QVariantMap{{QVShipmentLengthMeasurementKey, 0},
                           {QVShipmentWidthMeasurementKey, 0},
                           {QVShipmentHeightMeasurementKey, 0},
                           {QVShipmentRectangularKey, true}}));
    const QVShipment box(QVariantMap{{QVShipmentLengthMeasurementKey, 12},
                                     {QVShipmentRectangularKey, false},
                                     {QVShipmentDescriptionKey, s("not a dimension")}});
    EXPECT_EQ(box.dimensionDictionary(),
              (QVariantMap{{QVShipmentLengthMeasurementKey, 12},
                           {QVShipmentWidthMeasurementKey, 0},
                           {QVShipmentHeightMeasurementKey, 0},
                           {QVShipmentRectangularKey, false}}));
}

TEST(QVShipment, Shippable)
{
    struct Case {
        const char *what;
        QVariant price;
        QVariantMap recipient;
        bool shippable;
    };
    QVAddress abroad;
    abroad.setCountry(s("Canada"));
    const Case cases[] = {
        {"priced and complete", dec(5, 0), address("R", "Denver", "CO", "80202"), true},
        {"no price", QVariant(), address("R", "Denver", "CO", "80202"), false},
        {"zero price", dec(0, 0), address("R", "Denver", "CO", "80202"), false},
        {"no city", dec(5, 0), address("R", "", "CO", "80202"), false},
        {"one-letter state", dec(5, 0), address("R", "Denver", "C", "80202"), false},
        {"no ZIP", dec(5, 0), address("R", "Denver", "CO", ""), false},
        {"abroad without city", dec(5, 0), abroad.plist(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QVariantMap dictionary{{QVShipmentToAddressKey, c.recipient}};
        if (c.price.isValid())
            dictionary.insert(QVShipmentPriceKey, c.price);
        EXPECT_EQ(QVShipment(dictionary).shippable(), c.shippable);
    }
}

TEST(QVShipment, ProposedFilename)
{
    const QDateTime when(QDate(2014, 1, 26), QTime(15, 4, 5));
    QVShipment shipment;
    shipment.setObject(address("John Smith", "Denver", "CO", "80202"), QVShipmentToAddressKey);
    shipment.setObject(address("Sender", "Boston", "MA", "02101"), QVShipmentFromAddressKey);
    shipment.setObject(true, QVUSPSShipmentReplyPostageKey); // no exchange here
    EXPECT_EQ(shipment.stringForProposedFilename(when), s("John Smith 2014-01-26 3.04.05 PM"));

    shipment.setObject(address("A/B Corp", "Denver", "CO", "80202"), QVShipmentToAddressKey);
    EXPECT_EQ(shipment.stringForProposedFilename(QDateTime(QDate(2014, 9, 7), QTime(0, 30, 0))),
              s("A-B Corp 2014-09-07 12.30.00 AM"));
}

TEST(QVShipment, SavedFormSurvivesABinaryPropertyListRoundTrip)
{
    QVShipment shipment;
    shipment.setObject(address("Sender", "Boston", "MA", "02101-1234"), QVShipmentFromAddressKey);
    shipment.setObject(address("Recipient", "Denver", "CO", "80202"), QVShipmentToAddressKey);
    shipment.setObject(QDateTime(QDate(2014, 9, 7), QTime(10, 15, 30)), QVShipmentShipDateKey);
    shipment.setObject(dec(5600, -3), QVUSPSShipmentPostageKey);
    shipment.setObject(s("Priority Mail"), QVUSPSShipmentRateClassKey);
    shipment.setObject(true, QVUSPSShipmentMachinableKey);
    shipment.setObject(qint64(2), QVUSPSShipmentRateClassificationKey);
    shipment.setObject(
        QVariantList{QVariantMap{{QVShipmentItemDescriptionKey, s("Book")}, {QVShipmentItemQuantityKey, s("1")}}},
        QVShipmentItemsKey);
    shipment.setObject(QByteArray("indicium"), QVUSPSShipmentRHOIndiciumDataKey);
    shipment.setTotalPrice(Decimal(3125, -2));

    QString error;
    const auto bytes = writeBinaryPropertyList(shipment.plist(), &error);
    ASSERT_TRUE(bytes.has_value()) << error.toStdString();
    EXPECT_TRUE(bytes->startsWith("bplist00"));
    const auto read = readPropertyList(*bytes, &error);
    ASSERT_TRUE(read.has_value()) << error.toStdString();

    const auto rebuilt = QVShipment::shipmentWithDictionary(read->toMap());
    EXPECT_TRUE(rebuilt->isEqualToShipment(*QVShipment::shipmentWithDictionary(shipment.plist())));
    EXPECT_EQ(rebuilt->totalPrice(), Decimal(3125, -2));
    EXPECT_EQ(rebuilt->toAddress(), shipment.toAddress());
    EXPECT_EQ(rebuilt->fromAddress().formattedZIP(), s("02101-1234"));
    EXPECT_EQ(rebuilt->shipCalendarDate(), shipment.shipCalendarDate());
    EXPECT_EQ(rebuilt->objectForKey(QVUSPSShipmentPostageKey), QVariant(s("5.6")));
    EXPECT_FALSE(rebuilt->objectForKey(QVUSPSShipmentRHOIndiciumDataKey).isValid());
}

TEST(QVShipment, KeyTexts)
{
    const std::pair<const QString &, const char *> keys[] = {
        {QVShipmentItemsKey, "QVShipmentContentsKey"},
        {QVUSPSShipmentCustomsFormSampleContentType, "Sample"},
        {QVUSPSShipmentCustomsFormGiftContentType, "Gift"},
        {QVUSPSShipmentCustomsFormDocumentsContentType, "Documents"},
        {QVUSPSShipmentCustomsFormOtherContentType, "Other"},
        {QVUSPSShipmentCustomsFormMerchandiseContentType, "Merchandise"},
        {QVUSPSShipmentCustomsFormReturnedGoodsContentType, "Return"},
        {QVUSPSShipmentNoInsuranceType, "0"},
        {QVUSPSShipmentUSPSInsuranceType, "1"},
        {QVUSPSShipmentUPICInsuranceType, "2"},
        {QVUSPSShipmentTolvaneInsuranceType, "3"},
        {QVUSPSShipmentExpressMailWaiverOfSignatureOptionKey, "WaiverOfSignature"},
        {QVUSPSShipmentExpressMailNoHolidayOptionKey, "NoHoliday"},
        {QVUSPSShipmentExpressMailNoWeekendOptionKey, "NoWeekend"},
        {QVUSPSShipmentRHOStampTransaction, "Stamp"},
        {QVUSPSShipmentRHOCorrectionTransaction, "Correction"},
        {QVUSPSShipmentRHOPurchaseTransaction, "Purchase"},
        {QVUSPSShipmentRHOTessaroTransaction, "Tessaro"},
        {QVShipmentDidChangeNotification, "QVShipmentDidChangeNotification"},
        {QVUSPSCarrier, "QVUSPSCarrier"},
        {QVUSPSShipmentRHOIndiciumDataKey, "QVUSPSShipmentRHOIndiciumDataKey"},
        {QVShipmentPriceKey, "QVShipmentPriceKey"},
        {QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey,
         "QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey"},
        {QVUSPSShipment2976AEMICustomsFormType, "QVUSPSShipment2976AEMICustomsFormType"},
        {QVUSPSShipmentOriginBriskoOne, "QVUSPSShipmentOriginBriskoOne"},
    };
    for (const auto &[constant, text] : keys)
        EXPECT_EQ(constant, s(text));
}
