#pragma once
// Name constants of the domestic USPS vocabulary: piece sizes, mail classes
// and special services. Each text equals the constant's own name; the texts
// are stored in shipments, in the mailing log and in user defaults, so they
// are part of the stored formats and must never change.
#include <QString>

// ---- Piece sizes (in declaration order) ---------------------------------
inline const QString QVUSPSLetterSize = QStringLiteral("QVUSPSLetterSize");
inline const QString QVUSPSLargeEnvelopeSize = QStringLiteral("QVUSPSLargeEnvelopeSize");
inline const QString QVUSPSPostcardSize = QStringLiteral("QVUSPSPostcardSize");
inline const QString QVUSPSRegularSize = QStringLiteral("QVUSPSRegularSize");
inline const QString QVUSPSLargeSize = QStringLiteral("QVUSPSLargeSize");
inline const QString QVUSPSOversizeSize = QStringLiteral("QVUSPSOversizeSize");
inline const QString QVUSPSFlatRateEnvelopeSize = QStringLiteral("QVUSPSFlatRateEnvelopeSize");
inline const QString QVUSPSFlatRateBoxSize = QStringLiteral("QVUSPSFlatRateBoxSize");
inline const QString QVUSPSLargeFlatRateBoxSize = QStringLiteral("QVUSPSLargeFlatRateBoxSize");
inline const QString QVUSPSSmallFlatRateBoxSize = QStringLiteral("QVUSPSSmallFlatRateBoxSize");
inline const QString QVUSPSFlatRatePaddedEnvelopeSize = QStringLiteral("QVUSPSFlatRatePaddedEnvelopeSize");
inline const QString QVUSPSFlatRateLegalEnvelopeSize = QStringLiteral("QVUSPSFlatRateLegalEnvelopeSize");
inline const QString QVUSPSRegionalRateBoxASize = QStringLiteral("QVUSPSRegionalRateBoxASize");
inline const QString QVUSPSRegionalRateBoxBSize = QStringLiteral("QVUSPSRegionalRateBoxBSize");
inline const QString QVUSPSRegionalRateBoxCSize = QStringLiteral("QVUSPSRegionalRateBoxCSize");
inline const QString QVUSPSGiftCardFlatRateEnvelopeSize = QStringLiteral("QVUSPSGiftCardFlatRateEnvelopeSize");
inline const QString QVUSPSWindowFlatRateEnvelopeSize = QStringLiteral("QVUSPSWindowFlatRateEnvelopeSize");
inline const QString QVUSPSSmallFlatRateEnvelopeSize = QStringLiteral("QVUSPSSmallFlatRateEnvelopeSize");
inline const QString QVUSPSCardboardSmallFlatRateEnvelopeSize =
    QStringLiteral("QVUSPSCardboardSmallFlatRateEnvelopeSize");
inline const QString QVUSPSLargeFlatRateBoardGameBoxSize = QStringLiteral("QVUSPSLargeFlatRateBoardGameBoxSize");
inline const QString QVUSPSLargeFlatRateVideoBoxSize = QStringLiteral("QVUSPSLargeFlatRateVideoBoxSize");
inline const QString QVUSPSNonrectangularParcelSize = QStringLiteral("QVUSPSNonrectangularParcelSize");

// ---- Domestic mail classes (rate-class names) ---------------------------
inline const QString QVUSPSFirstClassMail = QStringLiteral("QVUSPSFirstClassMail");
inline const QString QVUSPSPriorityMail = QStringLiteral("QVUSPSPriorityMail");
// The five flat-rate names are aliases of Priority Mail and Priority Mail
// Express; no rate-class object is ever made with one of them.
inline const QString QVUSPSPriorityMailFlatRate = QStringLiteral("QVUSPSPriorityMailFlatRate");
inline const QString QVUSPSPriorityMailFlatBoxRate = QStringLiteral("QVUSPSPriorityMailFlatBoxRate");
inline const QString QVUSPSPriorityMailLargeFlatBoxRate = QStringLiteral("QVUSPSPriorityMailLargeFlatBoxRate");
inline const QString QVUSPSPriorityMailSmallFlatBoxRate = QStringLiteral("QVUSPSPriorityMailSmallFlatBoxRate");
inline const QString QVUSPSExpressMail = QStringLiteral("QVUSPSExpressMail");
inline const QString QVUSPSExpressMailFlatRate = QStringLiteral("QVUSPSExpressMailFlatRate");
inline const QString QVUSPSMediaMail = QStringLiteral("QVUSPSMediaMail");
inline const QString QVUSPSLibraryMail = QStringLiteral("QVUSPSLibraryMail");
inline const QString QVUSPSBoundPrintedMatter = QStringLiteral("QVUSPSBoundPrintedMatter");
inline const QString QVUSPSParcelPost = QStringLiteral("QVUSPSParcelPost");
inline const QString QVUSPSParcelSelect = QStringLiteral("QVUSPSParcelSelect");
inline const QString QVUSPSStandardPost = QStringLiteral("QVUSPSStandardPost");
inline const QString QVUSPSCriticalMail = QStringLiteral("QVUSPSCriticalMail");

// ---- Electronic confirmation and special services -----------------------
inline const QString QVUSPSeDeliveryConfirmation = QStringLiteral("QVUSPSeDeliveryConfirmation");
inline const QString QVUSPSeSignatureConfirmation = QStringLiteral("QVUSPSeSignatureConfirmation");
inline const QString QVUSPSRegisteredMailService = QStringLiteral("QVUSPSRegisteredMailService");
inline const QString QVUSPSInsuredMailService = QStringLiteral("QVUSPSInsuredMailService");
inline const QString QVUSPSCertifiedMailService = QStringLiteral("QVUSPSCertifiedMailService");
inline const QString QVUSPSRestrictedDeliveryService = QStringLiteral("QVUSPSRestrictedDeliveryService");
inline const QString QVUSPSCertificateOfMailingService = QStringLiteral("QVUSPSCertificateOfMailingService");
inline const QString QVUSPSReturnReceiptService = QStringLiteral("QVUSPSReturnReceiptService");
inline const QString QVUSPSReturnReceiptForMerchandiseService =
    QStringLiteral("QVUSPSReturnReceiptForMerchandiseService");
inline const QString QVUSPSCashOnDeliveryService = QStringLiteral("QVUSPSCashOnDeliveryService");
inline const QString QVUSPSAdultSignatureService = QStringLiteral("QVUSPSAdultSignatureService");
inline const QString QVUSPSAdultSignatureRestrictedService = QStringLiteral("QVUSPSAdultSignatureRestrictedService");
inline const QString QVUSPSHoldForPickupService = QStringLiteral("QVUSPSHoldForPickupService");
inline const QString QVUSPSExpressMailPremiumService = QStringLiteral("QVUSPSExpressMailPremiumService");
inline const QString QVUSPSExpressMail1030AMService = QStringLiteral("QVUSPSExpressMail1030AMService");
