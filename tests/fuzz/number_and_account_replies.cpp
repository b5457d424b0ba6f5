// The label-number and account-information replies on any bytes: the
// label-number reply reader (number, refusal, the label texts copied into a
// shipment) and every reading of an account reply.
#include "FuzzSupport.h"
#include "model/QVShipment.h"
#include "model/XMLConversion.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOLabelNumberCommandCenter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    static QVRHOLabelNumberCommandCenter *numbers = QVRHOLabelNumberCommandCenter::commandCenter().get();
    QVariantMap response;
    if (numbers->labelNumberFromReply(bytes, &response)) {
        QVShipment shipment;
        takeValuesFromLNSResponseDict(shipment, response);
    }
    static QVRHOAccountInformationCommandCenter *account = QVRHOAccountInformationCommandCenter::commandCenter().get();
    const auto plist = rho_propertyListFromXMLFormatNoExceptions(bytes);
    if (!plist)
        return 0;
    account->setLastResponse(plist->value(QStringLiteral("AccountInformationResponse")).toMap());
    (void)account->blockedEMICountries();
    (void)account->insuranceAgreement();
    (void)account->tolvaneInsuranceAllowed();
    (void)account->adultSignature();
    (void)account->pmRegionalRateBox();
    (void)account->pmFlatRatePadded();
    (void)account->pmHalfPoundRate();
    (void)account->pmCubicPricing();
    (void)account->dateAdvance();
    (void)account->forceVLS();
    (void)account->vaultLimit();
    (void)account->purchaseLimit();
    for (const char *rateClass : {"QVUSPSPriorityMail", "QVUSPSExpressMail", "QVUSPSFirstClassMail"}) {
        for (const char *size : {"QVUSPSRegularSize", "QVUSPSLetterSize", "QVUSPSRegionalRateBoxASize"}) {
            (void)account->discountLevelForRateClassName(QString::fromLatin1(rateClass), QString::fromLatin1(size));
            (void)account->freeInsuranceThresholdForRateClassName(QString::fromLatin1(rateClass),
                                                                  QString::fromLatin1(size));
        }
    }
    return 0;
}
