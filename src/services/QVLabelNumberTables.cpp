#include "services/QVLabelNumberTables.h"

#include "model/QVShipment.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

QString containerTypeForSize(const QString &size)
{
    static const QHash<QString, QString> sizeMap{
        {QVUSPSLetterSize, QStringLiteral("Letter")},
        {QVUSPSPostcardSize, QStringLiteral("Card")},
        {QVUSPSLargeEnvelopeSize, QStringLiteral("Flat")},
        {QVUSPSRegularSize, QStringLiteral("Parcel")},
        {QVUSPSNonrectangularParcelSize, QStringLiteral("IrregularParcel")},
        {QVUSPSOversizeSize, QStringLiteral("OversizedParcel")},
        {QVUSPSFlatRateBoxSize, QStringLiteral("MediumFlatRateBox")},
        {QVUSPSFlatRateEnvelopeSize, QStringLiteral("FlatRateEnvelope")},
        {QVUSPSLargeFlatRateBoxSize, QStringLiteral("LargeFlatRateBox")},
        {QVUSPSSmallFlatRateBoxSize, QStringLiteral("SmallFlatRateBox")},
        {QVUSPSFlatRatePaddedEnvelopeSize, QStringLiteral("FlatRatePaddedEnvelope")},
        {QVUSPSFlatRateLegalEnvelopeSize, QStringLiteral("FlatRateLegalEnvelope")},
        {QVUSPSRegionalRateBoxASize, QStringLiteral("RegionalRateBoxA")},
        {QVUSPSRegionalRateBoxBSize, QStringLiteral("RegionalRateBoxB")},
        {QVUSPSRegionalRateBoxCSize, QStringLiteral("RegionalRateBoxC")},
        {QVUSPSGiftCardFlatRateEnvelopeSize, QStringLiteral("FlatRateGiftCardEnvelope")},
        {QVUSPSWindowFlatRateEnvelopeSize, QStringLiteral("FlatRateWindowEnvelope")},
        {QVUSPSCardboardSmallFlatRateEnvelopeSize, QStringLiteral("FlatRateCardboardEnvelope")},
        {QVUSPSSmallFlatRateEnvelopeSize, QStringLiteral("SmallFlatRateEnvelope")},
        {QVUSPSLargeFlatRateBoardGameBoxSize, QStringLiteral("FlatRateLargeBoardGameBox")},
        {QVUSPSLargeFlatRateVideoBoxSize, QStringLiteral("LargeVideoFlatRateBox")},
    };
    return sizeMap.value(size, QStringLiteral("Parcel"));
}

const QHash<QString, QString> &labelServerMailClassMap()
{
    static const QHash<QString, QString> map{
        {QVUSPSFirstClassMail, QStringLiteral("First")},
        {QVUSPSPriorityMail, QStringLiteral("Priority")},
        {QVUSPSPriorityMailFlatRate, QStringLiteral("Priority")},
        {QVUSPSPriorityMailFlatBoxRate, QStringLiteral("Priority")},
        {QVUSPSPriorityMailLargeFlatBoxRate, QStringLiteral("Priority")},
        {QVUSPSPriorityMailSmallFlatBoxRate, QStringLiteral("Priority")},
        {QVUSPSExpressMail, QStringLiteral("Express")},
        {QVUSPSExpressMailFlatRate, QStringLiteral("Express")},
        {QVUSPSCriticalMail, QStringLiteral("CriticalMail")},
        {QVUSPSParcelSelect, QStringLiteral("ParcelSelect")},
        {QVUSPSStandardPost, QStringLiteral("StandardPost")},
        {QVUSPSMediaMail, QStringLiteral("MediaMail")},
        {QVUSPSLibraryMail, QStringLiteral("LibraryMail")},
        {QVUSPSBoundPrintedMatter, QStringLiteral("BoundPrintedMatter")},
        {QVUSPSIntlFirstClassMailIntl, QStringLiteral("FirstClassMailInternational")},
        {QVUSPSIntlPriorityMailIntl, QStringLiteral("PriorityMailInternational")},
        {QVUSPSIntlExpressMailIntl, QStringLiteral("ExpressMailInternational")},
    };
    return map;
}

QString mailClassForRateClass(const QString &rateClass)
{
    return labelServerMailClassMap().value(rateClass, QStringLiteral(""));
}

QString contentTypeValueForContentType(const QString &contentType)
{
    static const QHash<QString, QString> map{
        {QVUSPSShipmentCustomsFormDocumentsContentType, QStringLiteral("Documents")},
        {QVUSPSShipmentCustomsFormGiftContentType, QStringLiteral("Gift")},
        {QVUSPSShipmentCustomsFormMerchandiseContentType, QStringLiteral("Merchandise")},
        {QVUSPSShipmentCustomsFormOtherContentType, QStringLiteral("Other")},
        {QVUSPSShipmentCustomsFormReturnedGoodsContentType, QStringLiteral("ReturnedGoods")},
        {QVUSPSShipmentCustomsFormSampleContentType, QStringLiteral("Sample")},
    };
    return map.value(contentType, QStringLiteral("Other"));
}

bool isAllowedCityCharacter(QChar character)
{
    return character.isLetter() || character == QLatin1Char('-') || character == QLatin1Char('.') ||
        character == QLatin1Char(' ');
}

QString stringByRemovingFromCityDisAllowedCharacters(const QString &city)
{
    QString result;
    result.reserve(city.size());
    for (qsizetype i = 0; i < city.size(); ++i) {
        const QChar c = city.at(i);
        // A letter outside the basic plane is a surrogate pair.
        if (c.isHighSurrogate() && i + 1 < city.size() && city.at(i + 1).isLowSurrogate()) {
            if (QChar::isLetter(QChar::surrogateToUcs4(c, city.at(i + 1))))
                result += city.mid(i, 2);
            ++i;
            continue;
        }
        if (isAllowedCityCharacter(c))
            result += c;
    }
    return result;
}
