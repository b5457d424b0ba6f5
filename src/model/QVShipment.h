#pragma once
// QVShipment: the record of one mail piece that the whole application passes
// around. The main window edits it, pricing fills it, printing reads it, the
// mailing log stores it, the XML interface and the shipment sources build it.
// It is a dictionary of named values under the key constants below (each
// constant's text is its own name unless given otherwise) plus the
// force-retail flag; it adds typed accessors, change notification,
// re-pricing on demand, a property-list form and a deep copy.
//
// Values are loosely typed: prices are Decimal values while the record lives
// and their text in the property-list form, so readers of price keys accept
// both. A record held by several owners (the main window, a notification) is
// held through std::shared_ptr.
#include "model/QVAddress.h"
#include "platform/Decimal.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>

// General keys.
inline const QString QVShipmentFromAddressKey = QStringLiteral("QVShipmentFromAddressKey");
inline const QString QVShipmentToAddressKey = QStringLiteral("QVShipmentToAddressKey");
inline const QString QVShipmentPrintDateKey = QStringLiteral("QVShipmentPrintDateKey");
inline const QString QVShipmentShipDateKey = QStringLiteral("QVShipmentShipDateKey");
inline const QString QVShipmentPriceKey = QStringLiteral("QVShipmentPriceKey");
inline const QString QVShipmentWeightUnitKey = QStringLiteral("QVShipmentWeightUnitKey");
inline const QString QVShipmentWeightNumberKey = QStringLiteral("QVShipmentWeightNumberKey");
inline const QString QVShipmentCarrierKey = QStringLiteral("QVShipmentCarrierKey");
inline const QString QVShipmentRectangularKey = QStringLiteral("QVShipmentRectangularKey");
inline const QString QVShipmentMeasurementUnitKey = QStringLiteral("QVShipmentMeasurementUnitKey");
inline const QString QVShipmentLengthMeasurementKey = QStringLiteral("QVShipmentLengthMeasurementKey");
inline const QString QVShipmentWidthMeasurementKey = QStringLiteral("QVShipmentWidthMeasurementKey");
inline const QString QVShipmentHeightMeasurementKey = QStringLiteral("QVShipmentHeightMeasurementKey");
inline const QString QVShipmentDeliveryStatusKey = QStringLiteral("QVShipmentDeliveryStatusKey");
inline const QString QVShipmentCostCenterKey = QStringLiteral("QVShipmentCostCenterKey");
inline const QString QVShipmentInvoiceNumberKey = QStringLiteral("QVShipmentInvoiceNumberKey");
inline const QString QVShipmentDescriptionKey = QStringLiteral("QVShipmentDescriptionKey");
inline const QString QVShipmentValueKey = QStringLiteral("QVShipmentValueKey");
inline const QString QVShipmentVoidKey = QStringLiteral("QVShipmentVoidKey");
inline const QString QVShipmentRubberStamp1Key = QStringLiteral("QVShipmentRubberStamp1Key");
inline const QString QVShipmentRubberStamp2Key = QStringLiteral("QVShipmentRubberStamp2Key");
inline const QString QVShipmentCountryOfOriginKey = QStringLiteral("QVShipmentCountryOfOriginKey");

// Delivery status values.
inline const QString QVShipmentDeliveredStatus = QStringLiteral("QVShipmentDeliveredStatus");
inline const QString QVShipmentUndeliveredStatus = QStringLiteral("QVShipmentUndeliveredStatus");
inline const QString QVShipmentDeliveryExceptionStatus = QStringLiteral("QVShipmentDeliveryExceptionStatus");

// Customs keys.
inline const QString QVUSPSShipmentCustomsBarcodeNumberKey = QStringLiteral("QVUSPSShipmentCustomsBarcodeNumberKey");
inline const QString QVUSPSShipmentCustomsSDRValueKey = QStringLiteral("QVUSPSShipmentCustomsSDRValueKey");
inline const QString QVUSPSShipmentCustomsFormTypeKey = QStringLiteral("QVUSPSShipmentCustomsFormTypeKey");
inline const QString QVUSPSShipmentCustomsFormSendersNameKey =
    QStringLiteral("QVUSPSShipmentCustomsFormSendersNameKey");
inline const QString QVUSPSShipmentCustomsFormAgreementKey = QStringLiteral("QVUSPSShipmentCustomsFormAgreementKey");
inline const QString QVUSPSShipmentCustomsFormContentTypeKey =
    QStringLiteral("QVUSPSShipmentCustomsFormContentTypeKey");
inline const QString QVUSPSShipmentCustomsInvoiceNumberKey = QStringLiteral("QVUSPSShipmentCustomsInvoiceNumberKey");
inline const QString QVUSPSShipmentCustomsLicenseNumberKey = QStringLiteral("QVUSPSShipmentCustomsLicenseNumberKey");
inline const QString QVUSPSShipmentCustomsCertificateNumberKey =
    QStringLiteral("QVUSPSShipmentCustomsCertificateNumberKey");
inline const QString QVUSPSShipmentCustomsAESITNKey = QStringLiteral("QVUSPSShipmentCustomsAESITNKey");
inline const QString QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey =
    QStringLiteral("QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey");
inline const QString QVUSPSShipmentCustomsFormCommentsKey = QStringLiteral("QVUSPSShipmentCustomsFormCommentsKey");

// Customs form types.
inline const QString QVUSPSShipmentNoCustomsFormType = QStringLiteral("QVUSPSShipmentNoCustomsFormType");
inline const QString QVUSPSShipment2976FCMICustomsFormType = QStringLiteral("QVUSPSShipment2976FCMICustomsFormType");
inline const QString QVUSPSShipment2976PMICustomsFormType = QStringLiteral("QVUSPSShipment2976PMICustomsFormType");
inline const QString QVUSPSShipment2976APMICustomsFormType = QStringLiteral("QVUSPSShipment2976APMICustomsFormType");
inline const QString QVUSPSShipment2976AEMICustomsFormType = QStringLiteral("QVUSPSShipment2976AEMICustomsFormType");
inline const QString QVUSPSShipmentGEMCustomsFormType = QStringLiteral("QVUSPSShipmentGEMCustomsFormType");
inline const QString QVUSPSShipment2976CustomsFormType = QStringLiteral("QVUSPSShipment2976CustomsFormType");
inline const QString QVUSPSShipment2976ACustomsFormType = QStringLiteral("QVUSPSShipment2976ACustomsFormType");

// Customs content types.
inline const QString QVUSPSShipmentCustomsFormSampleContentType = QStringLiteral("Sample");
inline const QString QVUSPSShipmentCustomsFormGiftContentType = QStringLiteral("Gift");
inline const QString QVUSPSShipmentCustomsFormDocumentsContentType = QStringLiteral("Documents");
inline const QString QVUSPSShipmentCustomsFormOtherContentType = QStringLiteral("Other");
inline const QString QVUSPSShipmentCustomsFormMerchandiseContentType = QStringLiteral("Merchandise");
inline const QString QVUSPSShipmentCustomsFormReturnedGoodsContentType = QStringLiteral("Return");

// Customs items: the list and the keys of its item dictionaries.
inline const QString QVShipmentItemsKey = QStringLiteral("QVShipmentContentsKey");
inline const QString QVShipmentItemQuantityKey = QStringLiteral("QVShipmentItemQuantityKey");
inline const QString QVShipmentItemWeightUnitKey = QStringLiteral("QVShipmentItemWeightUnitKey");
inline const QString QVShipmentItemWeightNumberKey = QStringLiteral("QVShipmentItemWeightNumberKey");
inline const QString QVShipmentItemDescriptionKey = QStringLiteral("QVShipmentItemDescriptionKey");
inline const QString QVShipmentItemValueKey = QStringLiteral("QVShipmentItemValueKey");
inline const QString QVShipmentItemCountryOfOriginKey = QStringLiteral("QVShipmentItemCountryOfOriginKey");
inline const QString QVShipmentItemHSTariffNumberKey = QStringLiteral("QVShipmentItemHSTariffNumberKey");

// USPS keys.
inline const QString QVUSPSShipmentServiceStandardsKey = QStringLiteral("QVUSPSShipmentServiceStandardsKey");
inline const QString QVUSPSShipmentDeliveryDaysKey = QStringLiteral("QVUSPSShipmentDeliveryDaysKey");
inline const QString QVUSPSShipmentRateClassKey = QStringLiteral("QVUSPSShipmentRateClassKey");
inline const QString QVUSPSShipmentPostageKey = QStringLiteral("QVUSPSShipmentPostageKey");
inline const QString QVUSPSShipmentOriginalPostageKey = QStringLiteral("QVUSPSShipmentOriginalPostageKey");
inline const QString QVUSPSShipmentConfirmationServiceKey = QStringLiteral("QVUSPSShipmentConfirmationServiceKey");
inline const QString QVUSPSShipmentConfirmationServicePriceKey =
    QStringLiteral("QVUSPSShipmentConfirmationServicePriceKey");
inline const QString QVUSPSShipmentRateClassificationKey = QStringLiteral("QVUSPSShipmentRateClassificationKey");
inline const QString QVUSPSShipmentCubicPricingKey = QStringLiteral("QVUSPSShipmentCubicPricingKey");
inline const QString QVUSPSShipmentCubicTierKey = QStringLiteral("QVUSPSShipmentCubicTierKey");
inline const QString QVUSPSShipmentOptionalServicesKey = QStringLiteral("QVUSPSShipmentOptionalServicesKey");
inline const QString QVUSPSShipmentOptionalServicesPriceKey = QStringLiteral("QVUSPSShipmentOptionalServicesPriceKey");
inline const QString QVUSPSShipmentCashOnDeliveryAmountKey = QStringLiteral("QVUSPSShipmentCashOnDeliveryAmountKey");
inline const QString QVUSPSShipmentMailedFromZIP5Key = QStringLiteral("QVUSPSShipmentMailedFromZIP5Key");
inline const QString QVUSPSShipmentPICKey = QStringLiteral("QVUSPSShipmentPICKey");
inline const QString QVUSPSShipmentRDCKey = QStringLiteral("QVUSPSShipmentRDCKey");
inline const QString QVUSPSShipmentMailerIDKey = QStringLiteral("QVUSPSShipmentMailerIDKey");
inline const QString QVUSPSShipmentBarcodeNumberKey = QStringLiteral("QVUSPSShipmentBarcodeNumberKey");
inline const QString QVUSPSShipmentDisplayLabelNumberKey = QStringLiteral("QVUSPSShipmentDisplayLabelNumberKey");
inline const QString QVUSPSShipmentDisplayLabelBannerKey = QStringLiteral("QVUSPSShipmentDisplayLabelBannerKey");
inline const QString QVUSPSShipmentConfirmKey = QStringLiteral("QVUSPSShipmentConfirmKey");
inline const QString QVUSPSShipmentZoneKey = QStringLiteral("QVUSPSShipmentZoneKey");
inline const QString QVUSPSShipmentSizeKey = QStringLiteral("QVUSPSShipmentSizeKey");
inline const QString QVUSPSShipmentMachinableKey = QStringLiteral("QVUSPSShipmentMachinableKey");
inline const QString QVUSPSShipmentIntraBMCEligibleKey = QStringLiteral("QVUSPSShipmentIntraBMCEligibleKey");
inline const QString QVUSPSShipmentPostageEnabledKey = QStringLiteral("QVUSPSShipmentPostageEnabledKey");
inline const QString QVUSPSShipmentInsuranceTypeKey = QStringLiteral("QVUSPSShipmentInsuranceTypeKey");
inline const QString QVUSPSShipmentInsurancePriceKey = QStringLiteral("QVUSPSShipmentInsurancePriceKey");
inline const QString QVUSPSShipmentExpressMailOptionsKey = QStringLiteral("QVUSPSShipmentExpressMailOptionsKey");
inline const QString QVUSPSShipmentStealthPostageKey = QStringLiteral("QVUSPSShipmentStealthPostageKey");
inline const QString QVUSPSShipmentReplyPostageKey = QStringLiteral("QVUSPSShipmentReplyPostageKey");

// Insurance types.
inline const QString QVUSPSShipmentNoInsuranceType = QStringLiteral("0");
inline const QString QVUSPSShipmentUSPSInsuranceType = QStringLiteral("1");
inline const QString QVUSPSShipmentUPICInsuranceType = QStringLiteral("2");
inline const QString QVUSPSShipmentTolvaneInsuranceType = QStringLiteral("3");

// Express Mail options: the keys of the options dictionary and their values.
inline const QString QVUSPSShipmentExpressMailSignatureRequiredKey =
    QStringLiteral("QVUSPSShipmentExpressMailSignatureRequiredKey");
inline const QString QVUSPSShipmentExpressMailSaturdayDeliveryKey =
    QStringLiteral("QVUSPSShipmentExpressMailSaturdayDeliveryKey");
inline const QString QVUSPSShipmentExpressMailSundayDeliveryKey =
    QStringLiteral("QVUSPSShipmentExpressMailSundayDeliveryKey");
inline const QString QVUSPSShipmentExpressMailHolidayDeliveryKey =
    QStringLiteral("QVUSPSShipmentExpressMailHolidayDeliveryKey");
inline const QString QVUSPSShipmentExpressMailWaiverOfSignatureOptionKey = QStringLiteral("WaiverOfSignature");
inline const QString QVUSPSShipmentExpressMailNoHolidayOptionKey = QStringLiteral("NoHoliday");
inline const QString QVUSPSShipmentExpressMailNoWeekendOptionKey = QStringLiteral("NoWeekend");

// Postage-account keys, written when postage is bought.
inline const QString QVUSPSShipmentRHOAccountKey = QStringLiteral("QVUSPSShipmentRHOAccountKey");
inline const QString QVUSPSShipmentRHOPieceCountKey = QStringLiteral("QVUSPSShipmentRHOPieceCountKey");
inline const QString QVUSPSShipmentRHODeviceIDKey = QStringLiteral("QVUSPSShipmentRHODeviceIDKey");
inline const QString QVUSPSShipmentRHOBalanceKey = QStringLiteral("QVUSPSShipmentRHOBalanceKey");
inline const QString QVUSPSShipmentRHOTessaroCountKey = QStringLiteral("QVUSPSShipmentRHOTessaroCountKey");
inline const QString QVUSPSShipmentRHOIndiciumDataKey = QStringLiteral("QVUSPSShipmentRHOIndiciumDataKey");
inline const QString QVUSPSShipmentRHOTransactionTypeKey = QStringLiteral("QVUSPSShipmentRHOTransactionTypeKey");

// Transaction types.
inline const QString QVUSPSShipmentRHOStampTransaction = QStringLiteral("Stamp");
inline const QString QVUSPSShipmentRHOCorrectionTransaction = QStringLiteral("Correction");
inline const QString QVUSPSShipmentRHOPurchaseTransaction = QStringLiteral("Purchase");
inline const QString QVUSPSShipmentRHOTessaroTransaction = QStringLiteral("Tessaro");

// Origin server.
inline const QString QVUSPSShipmentOriginServerKey = QStringLiteral("QVUSPSShipmentOriginServerKey");
inline const QString QVUSPSShipmentOriginTolvane = QStringLiteral("QVUSPSShipmentOriginTolvane");
inline const QString QVUSPSShipmentOriginBriskoOne = QStringLiteral("QVUSPSShipmentOriginBriskoOne");

// Web-store keys.
inline const QString QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey =
    QStringLiteral("QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey");
inline const QString QVUSPSShipmentRHOWebStoreIdKey = QStringLiteral("QVUSPSShipmentRHOWebStoreIdKey");
inline const QString QVUSPSShipmentRHOWebStoreNameKey = QStringLiteral("QVUSPSShipmentRHOWebStoreNameKey");

// Change notification and the USPS carrier name.
inline const QString QVShipmentDidChangeNotification = QStringLiteral("QVShipmentDidChangeNotification");
inline const QString QVUSPSCarrier = QStringLiteral("QVUSPSCarrier");

class QVShipment;

// Pricing of a record. The rate layer registers the real pricer at start-up
// (QVShipment::setPricer); without one, re-pricing does nothing.
class QVShipmentPricer
{
public:
    virtual ~QVShipmentPricer() = default;
    // Brings the record into a priceable state and prices it. It writes
    // through the record (setObject/removeObjectForKey, which post a change
    // notification) or quietly (setObjectQuietly/removeObjectQuietly, which
    // post nothing), and ends with setTotalPrice().
    virtual void updatePricing(QVShipment &shipment) = 0;
};

class QVShipment : public std::enable_shared_from_this<QVShipment>
{
public:
    // An empty record.
    QVShipment();
    // A record over the given pairs (initWithDictionary:copyItems:); the
    // values are Qt values, so the record never shares them with the caller.
    explicit QVShipment(const QVariantMap &dictionary, bool copyItems = false);
    virtual ~QVShipment() = default;

    // A record rebuilt from its property-list form (or any dictionary).
    static std::shared_ptr<QVShipment> shipmentWithDictionary(const QVariantMap &dictionary);
    // A copy: equal to this record, independent of it, not forced to retail
    // rates.
    std::shared_ptr<QVShipment> copy() const;
    // Does nothing.
    void readFromDefaults(const QVariant &defaults) {}

    // ---- access
    // The stored value, or an invalid QVariant.
    QVariant objectForKey(const QString &key) const;
    // The stored value, or the default when nothing is stored.
    QVariant objectForKey(const QString &key, const QVariant &defaultObject) const;
    // Stores a value. An invalid value is refused (logged "tried to set nil
    // object for <key>"). A value equal to the stored one changes nothing.
    // Otherwise the value is stored, the record re-prices when asked, and
    // QVShipmentDidChangeNotification is posted on the default notification
    // centre with the record as object (notification.object.get<QVShipment>()).
    void setObject(const QVariant &value, const QString &key, bool updatePricing = false);
    // Removes a value: nothing happens when none is stored; otherwise it is
    // removed, the record re-prices when asked, and the change is posted.
    void removeObjectForKey(const QString &key, bool updatePricing = false);
    // Key-value access of scripting and bindings: every dictionary key, with
    // notification and without re-pricing.
    QVariant valueForUndefinedKey(const QString &key) const { return objectForKey(key); }
    void setValueForUndefinedKey(const QVariant &value, const QString &key) { setObject(value, key); }

    // The dictionary itself. Writes into mutableDictionary() post nothing and
    // do not re-price (pricing uses it for its quiet stores).
    const QVariantMap &dictionary() const { return m_shipment; }
    QVariantMap &mutableDictionary()
    {
        m_hot.loaded = false;
        m_dimensionMemo.current = false;
        return m_shipment;
    }
    // Quiet stores of pricing: the value is stored (or removed) without a
    // notification and without re-pricing, as a write into
    // mutableDictionary() would, and seen by an open DestinationScope.
    void setObjectQuietly(const QVariant &value, const QString &key);
    void removeObjectQuietly(const QString &key);
    // A copy of the dictionary.
    QVariantMap privateDictionary() const { return m_shipment; }
    QString description() const;

    bool isEqualToShipment(const QVShipment &other) const
    {
        return isEqualStoredDictionary(m_shipment, other.privateDictionary());
    }
    friend bool operator==(const QVShipment &a, const QVShipment &b) { return a.isEqualToShipment(b); }

    // The property-list form kept in the mailing log: top-level decimals
    // become their text and the raw indicium data is left out.
    QVariantMap plist() const;

    // ---- typed accessors
    // Sender and recipient; for reply postage the two stored addresses are
    // exchanged.
    QVAddress fromAddress() const;
    QVAddress toAddress() const;
    bool isReplyPostage() const;
    bool isDomestic() const;
    // For reply postage the ZIP5 of fromAddress; otherwise the stored
    // QVUSPSShipmentMailedFromZIP5Key, or nothing.
    std::optional<QString> mailedFromZIP5() const;
    QString mailedToZIP5() const;
    QString mailedToState() const;
    // The stored total: a Decimal, or parsed from its text; zero otherwise
    // (also for text that is not a number).
    Decimal totalPrice() const;
    // Stores the total straight into the dictionary: no notification, no
    // re-pricing.
    void setTotalPrice(const Decimal &price);
    // The ship date in local time; now when none is stored.
    QDateTime shipCalendarDate() const;
    // Length, width and height (stored or 0) and the rectangular flag
    // (stored or true).
    QVariantMap dimensionDictionary() const;
    // A non-zero total and, for a domestic piece, a recipient city, two-letter
    // state and ZIP5.
    bool shippable() const;
    // "<recipient name> <yyyy-MM-dd h.mm.ss AM>", the proposed name of a saved
    // label; path separators in the name become "-".
    QString stringForProposedFilename(const QDateTime &now = QDateTime::currentDateTime()) const;

    // ---- pricing
    bool isForcedRetailRates() const { return m_forceRetailRates; }
    // A changed value is stored and the record re-prices; an equal value does
    // nothing. No notification is posted for the flag itself.
    void setForcedRetailRates(bool forced);
    // Stores the flag without re-pricing (for the pricer, which clears it).
    void setForceRetailRatesFlag(bool forced) { m_forceRetailRates = forced; }
    // Re-prices through the registered pricer (nothing without one).
    void _updatePricing();

    // While a scope of this kind lives (the pricer opens one for each
    // re-price), the recipient's address and what follows from it
    // (isDomestic, mailedToZIP5, mailedToState) are worked out once instead
    // of being rebuilt from the dictionary at every question, and the values
    // of the keys pricing reads are kept by key constant, so that reading
    // them (objectForKey with one of the constants of this header) compares
    // no text. A store of an address or of the reply-postage flag through
    // setObject, removeObjectForKey or the quiet stores renews the recipient;
    // a write of those keys straight into mutableDictionary() during the
    // scope is not seen by it. Asking for mutableDictionary() makes the
    // scope's other reads go to the dictionary again. Scopes may nest.
    class DestinationScope
    {
    public:
        explicit DestinationScope(const QVShipment &shipment);
        ~DestinationScope();
        DestinationScope(const DestinationScope &) = delete;
        DestinationScope &operator=(const DestinationScope &) = delete;

    private:
        const QVShipment &m_shipment;
    };

    // Registers the pricer used by every record (nullptr removes it).
    static void setPricer(std::shared_ptr<QVShipmentPricer> pricer);
    static std::shared_ptr<QVShipmentPricer> pricer();

private:
    struct Destination {
        QVAddress address;
        bool domestic = true;
        QString ZIP5;
        QString state;
    };
    void postDidChange();
    // The recipient as worked out now, or as kept by an open DestinationScope.
    Destination destination() const;
    void dropDestinationFor(const QString &key);

    // The recipient kept while a DestinationScope is open. A copy of a record
    // (or a record assigned over) starts without it: its dictionary is read
    // afresh.
    struct DestinationCache {
        std::optional<Destination> value;
        int scopes = 0;
        DestinationCache() = default;
        DestinationCache(const DestinationCache &) {}
        DestinationCache &operator=(const DestinationCache &)
        {
            value.reset();
            return *this;
        }
    };

    // The values of the keys pricing reads, by the key constant's slot
    // (QVShipment.cpp). Once loaded (when a DestinationScope opens) they
    // follow every store through the record, until mutableDictionary() is
    // asked for; they are read only while a scope is open. Not copied with
    // the record.
    static constexpr int kHotKeyCapacity = 48;
    struct HotValues {
        std::array<QVariant, kHotKeyCapacity> values;
        std::array<bool, kHotKeyCapacity> present{};
        bool loaded = false;
        bool reading = false;
        HotValues() = default;
        HotValues(const HotValues &) {}
        HotValues &operator=(const HotValues &)
        {
            loaded = false;
            return *this;
        }
    };
    void loadHotValues() const;
    // The slot of a key while the values are kept, else -1.
    int hotSlot(const QString &key) const;
    // Keeps a store (or, for an invalid value, a removal) in the slots.
    void noteHotValue(const QString &key, const QVariant &value);
    bool containsKey(const QString &key) const;

    // The recipient last worked out, kept between scopes while the record
    // holds the same address dictionary (shared, so any change is seen) and
    // the same reply-postage flag; and the dimension dictionary last made,
    // kept while the four values it was made from are the same.
    struct DestinationMemo {
        QVariantMap address;
        bool reply = false;
        std::optional<Destination> value;
        DestinationMemo() = default;
        DestinationMemo(const DestinationMemo &) {}
        DestinationMemo &operator=(const DestinationMemo &)
        {
            value.reset();
            return *this;
        }
    };
    struct DimensionMemo {
        std::array<QVariant, 4> from;
        std::optional<QVariantMap> value;
        // Nothing was stored into or removed from the record through its
        // stores, nor mutableDictionary() asked for, since the value was made
        // or confirmed (trusted only while a DestinationScope reads).
        bool current = false;
        DimensionMemo() = default;
        DimensionMemo(const DimensionMemo &) {}
        DimensionMemo &operator=(const DimensionMemo &)
        {
            value.reset();
            current = false;
            return *this;
        }
    };

    QVariantMap m_shipment;
    bool m_forceRetailRates = false;
    mutable DestinationCache m_destination;
    mutable HotValues m_hot;
    mutable DestinationMemo m_destinationMemo;
    mutable DimensionMemo m_dimensionMemo;
};

size_t qHash(const QVShipment &shipment, size_t seed = 0) noexcept;
