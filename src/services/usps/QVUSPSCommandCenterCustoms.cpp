// Customs forms and labels through USPS Web Tools: the CP72 customs
// declaration (up to five pages) and the CN22 customs label, the
// international First-Class, Priority and Express Mail labels, the domestic
// Express Mail label and the delivery or signature confirmation number.
// Each builds one set of variables from the shipment and reads the number
// (and images) from the reply. A sample asks the API's "Certify" form and
// writes no file; otherwise copies go into the application-support folder:
// "confs/<number>.cp72" (the pages, a binary property list: an array of
// each page's data), "confs/<number>.pdf" (a CN22 or an Express Mail label)
// and "emReceipts/<number>.pdf" (an Express Mail receipt). A number that is
// not a plain file name (letters, digits, "-" and "_" only) never names a
// file: the copy is then not written, and the console says so.
#include "model/NumericFormatters.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVXMLUtilities.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtDebug>

namespace {

QString textOrEmpty(const QVShipment &shipment, const QString &key)
{
    const QString value = shipmentText(shipment, key);
    return value.isNull() ? QStringLiteral("") : value;
}

QString itemText(const QVariantMap &item, const QString &key, const QString &missing)
{
    const QVariant value = item.value(key);
    if (!value.isValid() || value.isNull())
        return missing;
    return value.typeId() == QMetaType::QString ? value.toString() : uspsReplyText(value);
}

// The names of a party by the convention of these requests: without a
// company the person's name goes into the firm variable.
void addNames(QVariantMap &variables, const QVAddress &party, const QString &firstKey, const QString &firmKey)
{
    if (party.company().isEmpty()) {
        variables.insert(firstKey, QString());
        variables.insert(firmKey, party.name());
    } else {
        variables.insert(firstKey, party.name());
        variables.insert(firmKey, party.company());
    }
}

void addSender(QVariantMap &variables, const QVAddress &from)
{
    variables.insert(QStringLiteral("FromAddress1"), from.suiteApt());
    variables.insert(QStringLiteral("FromAddress2"), from.street());
    variables.insert(QStringLiteral("FromCity"), from.city());
    variables.insert(QStringLiteral("FromState"), from.state());
    variables.insert(QStringLiteral("FromZip5"), from.ZIP5());
    variables.insert(QStringLiteral("FromZip4"), from.ZIP4());
    variables.insert(QStringLiteral("FromPhone"), from.tenDigitPhoneNumber());
    variables.insert(QStringLiteral("FromUrbanization"), QString());
    variables.insert(QStringLiteral("FromCustomsReference"), QString());
}

// The sender and recipient of a customs form, but for the destination.
void addFormParties(QVariantMap &variables, const QVShipment &shipment)
{
    const QVAddress from = shipment.fromAddress();
    const QVAddress to = shipment.toAddress();
    variables.insert(QStringLiteral("Option"), QString());
    addNames(variables, from, QStringLiteral("FromFirstName"), QStringLiteral("FromFirm"));
    variables.insert(QStringLiteral("FromLastName"), QString());
    addSender(variables, from);
    addNames(variables, to, QStringLiteral("ToFirstName"), QStringLiteral("ToFirm"));
    variables.insert(QStringLiteral("ToLastName"), QString());
    variables.insert(QStringLiteral("ToFax"), QString());
    variables.insert(QStringLiteral("ToPhone"), to.phone());
}

QString countryRateName(const QString &text)
{
    const auto country = QVCountry::countryWithAnyName(text);
    return country ? country->rateName() : text;
}

enum class ItemCountry { None, AsStored, RateName };

// The "ShippingContents" records of at most `limit` items.
QVUSPSMarkup shippingContents(const QVShipment &shipment, qsizetype limit, ItemCountry country)
{
    QString records;
    const QVariantList items = shipment.objectForKey(QVShipmentItemsKey).toList();
    for (qsizetype i = 0; i < items.size() && i < limit; ++i) {
        const QVariantMap item = items[i].toMap();
        const auto line = [](const QString &tag, const QString &value) {
            return QVXMLUtilities::createXMLLineWithTag(tag, uspsTextValue(value), false);
        };
        const int weightNumber = int(longLongValue(itemText(item, QVShipmentItemWeightNumberKey, QStringLiteral("1"))));
        const QString unit = itemText(item, QVShipmentItemWeightUnitKey, QVOunceUnitString);
        const QVWeight weight = QVWeight::weightWithValue(float(weightNumber), unit).value_or(QVWeight());
        QString lines = line(QStringLiteral("Description"), itemText(item, QVShipmentItemDescriptionKey, QString())) +
            line(QStringLiteral("Quantity"), itemText(item, QVShipmentItemQuantityKey, QStringLiteral("1"))) +
            line(QStringLiteral("Value"), itemText(item, QVShipmentItemValueKey, QStringLiteral("0.00"))) +
            line(QStringLiteral("NetPounds"), QString::number(weight.poundsComponent())) +
            line(QStringLiteral("NetOunces"), QString::number(weight.ouncesComponent()));
        if (country != ItemCountry::None) {
            const QString origin = itemText(item, QVShipmentItemCountryOfOriginKey, QString());
            QString sent = origin;
            if (country == ItemCountry::RateName)
                sent =
                    QVCountry::isCountryStringUSA(origin) ? QStringLiteral("United States") : countryRateName(origin);
            lines +=
                line(QStringLiteral("HSTariffNumber"), itemText(item, QVShipmentItemHSTariffNumberKey, QString())) +
                line(QStringLiteral("CountryOfOrigin"), sent);
        }
        lines.chop(1);
        records += QVXMLUtilities::createXMLRecordWithTag(QStringLiteral("ItemDetail"), lines, false);
    }
    return QVUSPSMarkup{records};
}

void addGrossWeight(QVariantMap &variables, const QVShipment &shipment)
{
    const QVWeight gross(weightInOunces(shipment).toInt());
    variables.insert(QStringLiteral("GrossPounds"), QString::number(gross.poundsComponent()));
    variables.insert(QStringLiteral("GrossOunces"), QString::number(gross.ouncesComponent()));
}

QString postage(const QVShipment &shipment)
{
    if (!shipment.objectForKey(QVShipmentPriceKey).isValid())
        return QString();
    return twoDigitDollarFormatter().stringFromNumber(shipment.totalPrice());
}

// The recipient's address lines and where the piece goes: the destination
// variables are set, the country line removed.
QStringList destinationLines(QVariantMap &variables, const QVShipment &shipment)
{
    const QVAddress to = shipment.toAddress();
    QStringList lines = to.formattedAddress().split(QLatin1Char('\n'));
    if (isTerritoryMail(shipment)) {
        variables.insert(QStringLiteral("ToCountry"), QStringLiteral("United States"));
        variables.insert(QStringLiteral("ToAPOFPOZip5"), QString());
    } else if (isMilitaryMail(shipment)) {
        variables.insert(QStringLiteral("ToAPOFPOZip5"), to.ZIP5());
        variables.insert(QStringLiteral("ToCountry"), QString());
    } else {
        variables.insert(QStringLiteral("ToCountry"), lines.isEmpty() ? QString() : countryRateName(lines.takeLast()));
        variables.insert(QStringLiteral("ToAPOFPOZip5"), QString());
    }
    return lines;
}

// The last `count` lines, last first, as ToAddress<first + count - 1> down.
void addAddressLines(QVariantMap &variables, const QStringList &lines, int count, int first)
{
    for (int i = 0; i < count && i < lines.size(); ++i)
        variables.insert(QStringLiteral("ToAddress%1").arg(first + count - 1 - i), lines[lines.size() - 1 - i]);
}

std::optional<QVUSPSImage> imageAt(const QVariantMap &reply, const QString &keyPath)
{
    const QVariant text = uspsValueForKeyPath(reply, keyPath);
    if (text.typeId() != QMetaType::QString || text.toString().trimmed().isEmpty())
        return std::nullopt;
    QString error;
    const QByteArray data = decodeBase64(text.toString(), &error);
    if (!error.isEmpty() || data.isEmpty())
        return std::nullopt;
    return QVUSPSImage{data};
}

bool isPlainFileName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return plain.match(name).hasMatch();
}

// Writes a copy into the folder of the application-support folder.
void writeCopy(const QString &folderName, const QString &number, const QString &extension, const QByteArray &data)
{
    if (!isPlainFileName(number)) {
        qWarning().noquote()
            << QStringLiteral("No copy is kept of form number \"%1\": it is not a plain file name.").arg(number);
        return;
    }
    const QString support = applicationSupportDirectory();
    if (support.isEmpty())
        return;
    QDir folder(support);
    if (!folder.mkpath(folderName)) {
        qWarning().noquote() << QStringLiteral("The folder %1 could not be made.").arg(folder.filePath(folderName));
        return;
    }
    QSaveFile file(QDir(folder.filePath(folderName)).filePath(number + extension));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        qWarning().noquote()
            << QStringLiteral("The copy %1 could not be written: %2").arg(file.fileName(), file.errorString());
}

QString contentType(const QVShipment &shipment)
{
    const QString type = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeKey);
    return type.isEmpty() ? QVUSPSShipmentCustomsFormOtherContentType : type;
}

} // namespace

std::optional<QVariantMap> QVUSPSCommandCenter::postLabelAPI(const QString &api, const QVariantMap &variables,
                                                             QString *responseStart)
{
    auto request = QVUSPSAPI::apiWithAPI(api, variables);
    if (!request)
        return std::nullopt;
    *responseStart = request->responseStartString();
    const auto reply = postAPI(*request);
    if (!reply || noteUSPSError(*reply, reply->value(*responseStart)))
        return std::nullopt;
    return reply;
}

std::optional<QString> QVUSPSCommandCenter::cp72CustomsFormNumberAndLabels(QList<QVUSPSImage> *labels,
                                                                           std::optional<QVUSPSImage> *instructions,
                                                                           const QVShipment &shipment, bool sample)
{
    QVariantMap variables;
    const QStringList lines = destinationLines(variables, shipment);
    addAddressLines(variables, lines, 3, 3);
    const QVAddress to = shipment.toAddress();
    variables.insert(QStringLiteral("ToPostalCode"), QString());
    variables.insert(QStringLiteral("ToCity"), QString());
    if (!to.email().isEmpty())
        variables.insert(QStringLiteral("ToEmail"), to.email());
    variables.insert(QStringLiteral("ShippingContents"),
                     QVariant::fromValue(shippingContents(shipment, 5, ItemCountry::AsStored)));
    const QString type = contentType(shipment);
    if (type == QVUSPSShipmentCustomsFormMerchandiseContentType) {
        variables.insert(QStringLiteral("ContentType"), QVUSPSShipmentCustomsFormOtherContentType);
        variables.insert(QStringLiteral("ContentTypeOther"), QStringLiteral("merchandise"));
    } else if (type == QVUSPSShipmentCustomsFormReturnedGoodsContentType) {
        variables.insert(QStringLiteral("ContentType"), QVUSPSShipmentCustomsFormOtherContentType);
        variables.insert(QStringLiteral("ContentTypeOther"), QStringLiteral("returned goods"));
    } else {
        const QString other = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        variables.insert(QStringLiteral("ContentType"), type);
        variables.insert(QStringLiteral("ContentTypeOther"), other.isEmpty() ? QStringLiteral("other") : other);
    }
    addFormParties(variables, shipment);
    variables.insert(QStringLiteral("ToReference"), QString());
    variables.insert(QStringLiteral("NonDeliveryOption"), QStringLiteral("RETURN"));
    variables.insert(QStringLiteral("Postage"),
                     UserDefaults::standardUserDefaults().boolForKey(QVHideTotalPostageOn2976ADefaultsKey)
                         ? QString()
                         : postage(shipment));
    variables.insert(QStringLiteral("DeliveryType"), QStringLiteral("AIRMAIL"));
    variables.insert(QStringLiteral("Comments"), textOrEmpty(shipment, QVUSPSShipmentCustomsFormCommentsKey));
    variables.insert(QStringLiteral("LicenseNumber"), QString());
    variables.insert(QStringLiteral("CertificateNumber"), QString());
    variables.insert(QStringLiteral("InvoiceNumber"), textOrEmpty(shipment, QVShipmentInvoiceNumberKey));
    variables.insert(QStringLiteral("ImageType"), labels ? QStringLiteral("PDF") : QStringLiteral("None"));
    variables.insert(QStringLiteral("CustomerRefNo"), dunsNumber());
    addGrossWeight(variables, shipment);

    QString start;
    const auto reply = postLabelAPI(sample ? QStringLiteral("CustomsCP72V3Certify") : QStringLiteral("CustomsCP72V3"),
                                    variables, &start);
    if (!reply)
        return std::nullopt;
    const QString number = uspsReplyText(uspsValueForKeyPath(*reply, start + QStringLiteral(".CustomsBarcodeNumber")));
    if (labels) {
        labels->clear();
        QVariantList pages;
        for (int page = 1; page <= 5; ++page) {
            if (const auto image = imageAt(*reply, start + QStringLiteral(".CP72V3Page%1Image").arg(page))) {
                labels->append(*image);
                pages.append(image->data);
            }
        }
        if (!sample) {
            if (const auto archive = writeBinaryPropertyList(pages))
                writeCopy(QVUSPSCustomsFormsFolderName, number, QStringLiteral(".cp72"), *archive);
        }
    }
    if (instructions)
        *instructions = imageAt(*reply, start + QStringLiteral(".CP72V3InstructionsImage"));
    return number;
}

std::optional<QString> QVUSPSCommandCenter::cn22CustomsFormNumberAndLabel(std::optional<QVUSPSImage> *label,
                                                                          std::optional<QVUSPSImage> *instructions,
                                                                          const QVShipment &shipment, bool sample)
{
    QVariantMap variables;
    const QStringList lines = destinationLines(variables, shipment);
    addAddressLines(variables, lines, 4, 3);
    const QVAddress to = shipment.toAddress();
    variables.insert(QStringLiteral("ToEmail"), to.email());
    variables.insert(QStringLiteral("ShippingContents"),
                     QVariant::fromValue(shippingContents(shipment, 3, ItemCountry::None)));
    const QString type = contentType(shipment);
    variables.insert(QStringLiteral("ContentType"),
                     type == QVUSPSShipmentCustomsFormMerchandiseContentType ||
                             type == QVUSPSShipmentCustomsFormReturnedGoodsContentType
                         ? QVUSPSShipmentCustomsFormOtherContentType
                         : type);
    addFormParties(variables, shipment);
    variables.insert(QStringLiteral("HSTariffNumber"), QString());
    variables.insert(QStringLiteral("CountryOfOrigin"), QString());
    variables.insert(QStringLiteral("MailClass"),
                     shipmentText(shipment, QVUSPSShipmentRateClassKey) == QVUSPSIntlMBag ? QStringLiteral("MBAG")
                                                                                          : QString());
    variables.insert(QStringLiteral("ImageType"), label ? QStringLiteral("PDF") : QStringLiteral("None"));
    addGrossWeight(variables, shipment);

    QString start;
    const auto reply = postLabelAPI(sample ? QStringLiteral("CustomsCN22V2Certify") : QStringLiteral("CustomsCN22V2"),
                                    variables, &start);
    if (!reply)
        return std::nullopt;
    const QString number = uspsReplyText(uspsValueForKeyPath(*reply, start + QStringLiteral(".CustomsBarcodeNumber")));
    if (label) {
        *label = imageAt(*reply, start + QStringLiteral(".CN22V2FormImage"));
        if (*label && !sample)
            writeCopy(QVUSPSCustomsFormsFolderName, number, QStringLiteral(".pdf"), (*label)->data);
    }
    if (instructions)
        *instructions = imageAt(*reply, start + QStringLiteral(".CN22V2InstructionsImage"));
    return number;
}

std::optional<QString> QVUSPSCommandCenter::internationalLabel(const QString &api, QVariantMap *response,
                                                               const QVShipment &shipment)
{
    QVariantMap variables;
    const QStringList senderWords =
        shipmentText(shipment, QVUSPSShipmentCustomsFormSendersNameKey).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    variables.insert(QStringLiteral("FromFirstName"), senderWords.size() >= 2 ? senderWords.first() : QString());
    variables.insert(QStringLiteral("FromLastName"),
                     senderWords.size() >= 2 ? senderWords.mid(1).join(QLatin1Char(' ')) : QString());
    variables.insert(QStringLiteral("FromFirm"), shipment.fromAddress().company());
    addSender(variables, shipment.fromAddress());

    const QVAddress to = shipment.toAddress();
    addNames(variables, to, QStringLiteral("ToName"), QStringLiteral("ToFirm"));
    QStringList lines = to.formattedAddress().split(QLatin1Char('\n'));
    variables.insert(QStringLiteral("ToCountry"), lines.isEmpty() ? QString() : countryRateName(lines.takeLast()));
    variables.insert(QStringLiteral("ToCity"), lines.isEmpty() ? QString() : lines.takeLast());
    for (int i = 0; i < lines.size() && i < 3; ++i)
        variables.insert(QStringLiteral("ToAddress%1").arg(3 - i), lines[lines.size() - 1 - i]);
    for (const char *empty :
         {"ToProvince", "ToPostalCode", "ToFax", "ToCustomsReference", "Option", "ImageParameters", "ImageLayout"})
        variables.insert(QString::fromLatin1(empty), QString());
    variables.insert(QStringLiteral("ToPOBoxFlag"), QStringLiteral("N"));
    variables.insert(QStringLiteral("ToPhone"), to.phone());
    variables.insert(QStringLiteral("ToEmail"), to.email());
    variables.insert(QStringLiteral("ShippingContents"),
                     QVariant::fromValue(shippingContents(shipment, 5, ItemCountry::RateName)));
    variables.insert(QStringLiteral("Container"), sizeMap().value(shipmentText(shipment, QVUSPSShipmentSizeKey)));
    variables.insert(QStringLiteral("Postage"), postage(shipment));
    variables.insert(QStringLiteral("ContentType"), contentType(shipment));
    const QString other = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    variables.insert(QStringLiteral("ContentTypeOther"), other.isEmpty() ? QStringLiteral("Other") : other);
    variables.insert(QStringLiteral("Agreement"), QStringLiteral("Y"));
    variables.insert(QStringLiteral("InvoiceNumber"), textOrEmpty(shipment, QVShipmentInvoiceNumberKey));
    variables.insert(QStringLiteral("NonDeliveryOption"), QStringLiteral("RETURN"));
    variables.insert(QStringLiteral("ImageType"), QStringLiteral("None"));
    variables.insert(QStringLiteral("CustomerRefNo"), dunsNumber());
    variables.insert(QStringLiteral("POZipCode"), textOrEmpty(shipment, QVUSPSShipmentMailedFromZIP5Key));
    variables.insert(QStringLiteral("LabelDate"), shipment.shipCalendarDate().toString(QStringLiteral("MM/dd/yyyy")));
    variables.insert(QStringLiteral("HoldForManifest"), QStringLiteral("N"));
    addGrossWeight(variables, shipment);

    QString start;
    const auto reply = postLabelAPI(api, variables, &start);
    if (!reply)
        return std::nullopt;
    if (response)
        *response = reply->value(start).toMap();
    return uspsReplyText(uspsValueForKeyPath(*reply, start + QStringLiteral(".BarcodeNumber")));
}

std::optional<QString> QVUSPSCommandCenter::fcmiNumberAndResponse(QVariantMap *response, const QVShipment &shipment,
                                                                  bool sample)
{
    return internationalLabel(sample ? QStringLiteral("FirstClassMailIntlCertify")
                                     : QStringLiteral("FirstClassMailIntl"),
                              response, shipment);
}

std::optional<QString> QVUSPSCommandCenter::pmiNumberAndResponse(QVariantMap *response, const QVShipment &shipment,
                                                                 bool sample)
{
    return internationalLabel(sample ? QStringLiteral("PriorityMailIntlCertify") : QStringLiteral("PriorityMailIntl"),
                              response, shipment);
}

std::optional<QString> QVUSPSCommandCenter::emiNumberAndResponse(QVariantMap *response, const QVShipment &shipment,
                                                                 bool sample)
{
    return internationalLabel(sample ? QStringLiteral("ExpressMailIntlCertify") : QStringLiteral("ExpressMailIntl"),
                              response, shipment);
}

std::optional<QString> QVUSPSCommandCenter::expressNumberAndLabel(std::optional<QVUSPSImage> *label,
                                                                  std::optional<QVUSPSImage> *receipt,
                                                                  const QVShipment &shipment, bool sample)
{
    QVariantMap variables;
    const QVAddress from = shipment.fromAddress();
    const QVAddress to = shipment.toAddress();
    addNames(variables, from, QStringLiteral("FromFirstName"), QStringLiteral("FromFirm"));
    variables.insert(QStringLiteral("FromLastName"), QString());
    addSender(variables, from);
    addNames(variables, to, QStringLiteral("ToFirstName"), QStringLiteral("ToFirm"));
    variables.insert(QStringLiteral("ToLastName"), QString());
    variables.insert(QStringLiteral("ToAddress1"), to.suiteApt());
    variables.insert(QStringLiteral("ToAddress2"), to.street());
    variables.insert(QStringLiteral("ToCity"), to.city());
    variables.insert(QStringLiteral("ToState"), to.state());
    variables.insert(QStringLiteral("ToZip5"), to.ZIP5());
    variables.insert(QStringLiteral("ToZip4"), to.ZIP4());
    variables.insert(QStringLiteral("WeightInOunces"), weightInOunces(shipment));
    variables.insert(QStringLiteral("POZipCode"), textOrEmpty(shipment, QVUSPSShipmentMailedFromZIP5Key));
    variables.insert(QStringLiteral("LabelDate"), shipment.shipCalendarDate().toString(QStringLiteral("MM/dd/yyyy")));
    variables.insert(QStringLiteral("SeparateReceiptPage"), QStringLiteral("True"));
    variables.insert(QStringLiteral("FlatRate"),
                     shipmentText(shipment, QVUSPSShipmentSizeKey) == QVUSPSFlatRateEnvelopeSize
                         ? QStringLiteral("True")
                         : QStringLiteral("False"));
    variables.insert(QStringLiteral("StandardizeAddress"), QStringLiteral("False"));
    variables.insert(QStringLiteral("SundayHolidayDelivery"),
                     shipmentOptionalServices(shipment).contains(QVUSPSExpressMailPremiumService)
                         ? QStringLiteral("True")
                         : QStringLiteral("False"));
    variables.insert(QStringLiteral("ImageType"), label || receipt ? QStringLiteral("PDF") : QStringLiteral("None"));
    const QVariantMap options = shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey).toMap();
    for (auto option = options.cbegin(); option != options.cend(); ++option)
        variables.insert(option.key(), option.value());

    QString start;
    const auto reply = postLabelAPI(
        sample ? QStringLiteral("ExpressMailLabelCertify") : QStringLiteral("ExpressMailLabel"), variables, &start);
    if (!reply)
        return std::nullopt;
    const QString number = uspsReplyText(uspsValueForKeyPath(*reply, start + QStringLiteral(".EMConfirmationNumber")));
    if (label) {
        *label = imageAt(*reply, start + QStringLiteral(".EMLabel"));
        if (*label && !sample)
            writeCopy(QVUSPSCustomsFormsFolderName, number, QStringLiteral(".pdf"), (*label)->data);
    }
    if (receipt) {
        *receipt = imageAt(*reply, start + QStringLiteral(".EMReceipt"));
        if (*receipt && !sample)
            writeCopy(QVUSPSExpressReceiptsFolderName, number, QStringLiteral(".pdf"), (*receipt)->data);
    }
    return number;
}

std::optional<QString> QVUSPSCommandCenter::confirmationNumberForShipment(const QVShipment &shipment, bool sample)
{
    const QString service = shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey);
    QString api;
    QString word;
    if (service == QVUSPSeDeliveryConfirmation) {
        api = sample ? QStringLiteral("DeliveryConfirmPICCertifyV3") : QStringLiteral("DeliveryConfirmationPICV3");
        word = QStringLiteral("DeliveryConfirmation");
    } else if (service == QVUSPSeSignatureConfirmation) {
        api = sample ? QStringLiteral("SignatureConfirmPICCertifyV3") : QStringLiteral("SignatureConfirmationPICV3");
        word = QStringLiteral("SignatureConfirmation");
    } else {
        return std::nullopt;
    }
    const QString from = shipment.mailedFromZIP5().value_or(QString());
    const QDateTime shipDate = shipment.shipCalendarDate();
    const QVariantMap variables{
        {QStringLiteral("FromZip5"), from},
        {QStringLiteral("ToZip5"), shipment.mailedToZIP5()},
        // The Web Tools names are the same in every rate year.
        {QStringLiteral("ServiceType"),
         QVUSPSRateClass::webToolsNameForRateClassName(shipmentText(shipment, QVUSPSShipmentRateClassKey))},
        {QStringLiteral("POZipCode"), from},
        {QStringLiteral("LabelDate"), shipDate.toString(QStringLiteral("MM/dd/yy"))},
        {QStringLiteral("CustomerRefNo"), dunsNumber()},
    };
    QString start;
    const auto reply = postLabelAPI(api, variables, &start);
    if (!reply)
        return std::nullopt;
    return uspsReplyText(uspsValueForKeyPath(*reply, QStringLiteral("%1.%2Number").arg(start, word)));
}
