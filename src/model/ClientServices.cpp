#include "model/ClientServices.h"

#include "model/QVShipment.h"
#include "platform/ServiceSlot.h"
#include "platform/UserDefaults.h"

#include <QSet>
#include <QStringList>
#include <QVariantList>

namespace {

// The account-information client before any response has arrived: every
// setting missing, so each answer is the client's own default.
class NoAccountInformation final : public QVAccountInformationServices
{
public:
    bool pmCubicPricing() override { return false; }
    bool adultSignature() override { return true; }
    bool pmRegionalRateBox() override { return true; }
    bool disableParcelSelect() override { return false; }
    bool standardPost() override { return false; }
    bool pmHalfPoundRate() override { return true; }

    // The account's levels of Priority Mail, Priority Mail Express and the
    // international classes default to 1 (commercial base), as does the
    // First-Class package level; Parcel Select is always 1; any other class
    // (First-Class letters, cards and flats among them) is retail. The texts
    // are those of the rate-class and piece-size name constants.
    int discountLevelForRateClassName(const QString &rateClassName, const QString &size) override
    {
        static const QSet<QString> priorityNames = {
            QStringLiteral("QVUSPSPriorityMail"),
            QStringLiteral("QVUSPSPriorityMailFlatRate"),
            QStringLiteral("QVUSPSPriorityMailFlatBoxRate"),
            QStringLiteral("QVUSPSPriorityMailLargeFlatBoxRate"),
            QStringLiteral("QVUSPSPriorityMailSmallFlatBoxRate"),
        };
        static const QSet<QString> expressNames = {
            QStringLiteral("QVUSPSExpressMail"),
            QStringLiteral("QVUSPSExpressMailFlatRate"),
        };
        const bool regular = size == QLatin1String("QVUSPSRegularSize");
        if (priorityNames.contains(rateClassName) || expressNames.contains(rateClassName))
            return 1;
        if (rateClassName == QLatin1String("QVUSPSFirstClassMail"))
            return regular ? 1 : 0;
        if (rateClassName == QLatin1String("QVUSPSIntlPriorityMailIntl") ||
            rateClassName == QLatin1String("QVUSPSIntlExpressMailIntl"))
            return 1;
        if (rateClassName == QLatin1String("QVUSPSIntlFirstClassMailIntl"))
            return regular ? 1 : 0;
        if (rateClassName == QLatin1String("QVUSPSParcelSelect"))
            return 1;
        return 0;
    }
};

class NoLabelServer final : public QVLabelServerServices
{
public:
    Decimal VLSPrice(const QVShipment &) override { return Decimal::zero(); }
};

class DefaultsPartnerLabelService final : public QVPartnerLabelServices
{
public:
    bool isAllowed() override
    {
        return UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("briskoOneEnabled"));
    }
    bool isAuthenticated() override { return true; }
};

// The bits of the services that the mail-category table reads. The texts are
// those of the service-name constants of the rate classes, which are stored
// in shipments as they are.
class KnownBitsServiceMask final : public QVShipmentServiceMask
{
public:
    int tolvaneOptionalService(const QVShipment &shipment) override
    {
        QStringList names;
        const QVariant confirmation = shipment.objectForKey(QVUSPSShipmentConfirmationServiceKey);
        if (confirmation.typeId() == QMetaType::QString)
            names.append(confirmation.toString());
        const QVariant services = shipment.objectForKey(QVUSPSShipmentOptionalServicesKey);
        if (services.canConvert<QVariantList>()) {
            for (const QVariant &service : services.toList()) {
                if (service.typeId() == QMetaType::QString)
                    names.append(service.toString());
            }
        }
        int mask = 0;
        if (names.contains(QStringLiteral("QVUSPSExpressMailPremiumService")))
            mask |= 0x8000;
        if (names.contains(QStringLiteral("QVUSPSHoldForPickupService")))
            mask |= 0x80000;
        return mask;
    }
};

class PlainPaperPrinterSetup final : public QVPrinterSetupServices
{
public:
    QString labelTypeForEnvelope(bool) override { return QVPlainPaperLabel; }
};

using AccountSlot = ServiceSlot<QVAccountInformationServices, NoAccountInformation>;
using LabelServerSlot = ServiceSlot<QVLabelServerServices, NoLabelServer>;
using PartnerSlot = ServiceSlot<QVPartnerLabelServices, DefaultsPartnerLabelService>;
using MaskSlot = ServiceSlot<QVShipmentServiceMask, KnownBitsServiceMask>;
using PrinterSlot = ServiceSlot<QVPrinterSetupServices, PlainPaperPrinterSetup>;

} // namespace

void setAccountInformationServices(std::shared_ptr<QVAccountInformationServices> services)
{
    AccountSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVAccountInformationServices> accountInformationServices() { return AccountSlot::shared().current(); }

void setLabelServerServices(std::shared_ptr<QVLabelServerServices> services)
{
    LabelServerSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVLabelServerServices> labelServerServices() { return LabelServerSlot::shared().current(); }

void setPartnerLabelServices(std::shared_ptr<QVPartnerLabelServices> services)
{
    PartnerSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVPartnerLabelServices> partnerLabelServices() { return PartnerSlot::shared().current(); }

void setShipmentServiceMask(std::shared_ptr<QVShipmentServiceMask> mask)
{
    MaskSlot::shared().registered = std::move(mask);
}

std::shared_ptr<QVShipmentServiceMask> shipmentServiceMask() { return MaskSlot::shared().current(); }

int tolvaneOptionalService(const QVShipment &shipment)
{
    return shipmentServiceMask()->tolvaneOptionalService(shipment);
}

void setPrinterSetupController(std::shared_ptr<QVPrinterSetupServices> controller)
{
    PrinterSlot::shared().registered = std::move(controller);
}

std::shared_ptr<QVPrinterSetupServices> printerSetupController() { return PrinterSlot::shared().current(); }
