#include "mailinglog/LogEntryTexts.h"

#include "mailinglog/QVMailingLog.h"
#include "model/QVAddress.h"
#include "model/StringAdditions.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QLocale>
#include <QXmlStreamWriter>

#include <optional>

namespace {

bool has(const QVShipment &shipment, const QString &key) { return shipment.objectForKey(key).isValid(); }

QString text(const QVShipment &shipment, const QString &key) { return shipmentText(shipment, key); }

// A stored amount: a Decimal, a number or a number's text (a leading "$" and
// thousands commas are allowed); nothing when missing or not a number.
std::optional<Decimal> amount(const QVShipment &shipment, const QString &key)
{
    const QVariant value = shipment.objectForKey(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>();
    QString digits = value.toString().trimmed();
    digits.remove(QLatin1Char('$')).remove(QLatin1Char(','));
    return Decimal::parse(digits);
}

// The amount rounded half-up to cents, with exactly two decimals.
QString cents(const Decimal &value)
{
    QString result = value.rounded(2, Decimal::RoundingMode::Plain).toString();
    const qsizetype dot = result.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return result + QStringLiteral(".00");
    while (result.size() - dot < 3)
        result.append(QLatin1Char('0'));
    return result;
}

QString dollars(const Decimal &value) { return QStringLiteral("$") + cents(value); }

QString dateText(const QVShipment &shipment, const QString &key, const QString &format)
{
    const QVariant value = shipment.objectForKey(key);
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return QString();
    return QLocale::c().toString(value.toDateTime().toLocalTime(), format);
}

QString printDateText(const QVShipment &shipment)
{
    return dateText(shipment, QVShipmentPrintDateKey, QStringLiteral("MM/dd/yy hh:mm AP"));
}

QString rateClassName(const QVShipment &shipment)
{
    const QString rateClass = text(shipment, QVUSPSShipmentRateClassKey);
    return shipment.isDomestic() ? QVUSPSRateClass::casualNameForRateClassName(rateClass)
                                 : QVUSPSIntlRateClass::casualNameForRateClassName(rateClass);
}

QStringList serviceNames(const QVShipment &shipment)
{
    QStringList names;
    QStringList services;
    if (has(shipment, QVUSPSShipmentConfirmationServiceKey))
        services.append(text(shipment, QVUSPSShipmentConfirmationServiceKey));
    services.append(shipmentOptionalServices(shipment));
    for (const QString &service : services) {
        const QString name = QVUSPSRateClass::casualNameForServiceName(service);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

bool hasToAddress(const QVShipment &shipment)
{
    return has(shipment, shipment.isReplyPostage() ? QVShipmentFromAddressKey : QVShipmentToAddressKey);
}

// The stored to address (no reply-postage exchange).
QVAddress storedToAddress(const QVShipment &shipment)
{
    return QVAddress::addressWithDictionary(shipment.objectForKey(QVShipmentToAddressKey).toMap());
}

QString line(const QString &label, int tabs, const QString &value)
{
    return label + QString(tabs, QLatin1Char('\t')) + value + QLatin1Char('\n');
}

QString weightText(const QVShipment &shipment)
{
    const int tenths = weightInTenthOunces(shipment);
    if (tenths == 35)
        return QStringLiteral("3.5 oz");
    if (tenths == 159)
        return QStringLiteral("15.9 oz");
    if (tenths < 1 || tenths % 160 != 0)
        return QStringLiteral("%1 %2").arg(text(shipment, QVShipmentWeightNumberKey),
                                           text(shipment, QVShipmentWeightUnitKey));
    return QStringLiteral("%1 lb").arg(tenths / 160);
}

QString dimensionsText(const QVShipment &shipment)
{
    const QString keys[] = {QVShipmentHeightMeasurementKey, QVShipmentLengthMeasurementKey,
                            QVShipmentWidthMeasurementKey};
    QStringList sides;
    for (const QString &key : keys) {
        const QVariant value = shipment.objectForKey(key);
        if (!value.isValid() || value.toInt() <= 0)
            return QString();
        sides.append(QString::asprintf("%.1f\"", value.toDouble() / 100.0));
    }
    return sides.join(QStringLiteral(" x "));
}

// Optional_Service and Tracking_ID of a row.
std::pair<QString, QString> serviceAndTracking(const QVShipment &shipment)
{
    const QString pic = text(shipment, QVUSPSShipmentPICKey);
    if (has(shipment, QVUSPSShipmentConfirmationServiceKey))
        return {QVUSPSRateClass::shortNameForConfirmationService(text(shipment, QVUSPSShipmentConfirmationServiceKey)),
                uspsLogPIC(pic)};
    if (has(shipment, QVUSPSShipmentPICKey))
        return {QString(), uspsLogPIC(pic)};
    if (has(shipment, QVUSPSShipmentCustomsBarcodeNumberKey))
        return {QString(), text(shipment, QVUSPSShipmentCustomsBarcodeNumberKey)};
    QStringList names;
    for (const QString &service : shipmentOptionalServices(shipment)) {
        const QString name = QVUSPSRateClass::casualNameForServiceName(service);
        if (!name.isEmpty())
            names.append(name);
    }
    return {names.join(QStringLiteral(", ")), QString()};
}

QString oneLineField(QString value)
{
    for (QChar &c : value) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return value;
}

} // namespace

const QHash<QString, QString> &reverseMailClassMap()
{
    static const QHash<QString, QString> map{
        {QVUSPSFirstClassMail, QStringLiteral("FIRST")},
        {QVUSPSPriorityMail, QStringLiteral("PRIORITY")},
        {QVUSPSPriorityMailFlatRate, QStringLiteral("PRIORITY")},
        {QVUSPSPriorityMailFlatBoxRate, QStringLiteral("PRIORITY")},
        {QVUSPSPriorityMailSmallFlatBoxRate, QStringLiteral("PRIORITY")},
        {QVUSPSPriorityMailLargeFlatBoxRate, QStringLiteral("PRIORITY")},
        {QVUSPSParcelPost, QStringLiteral("PARCELPOST")},
        {QVUSPSMediaMail, QStringLiteral("MEDIAMAIL")},
        {QVUSPSLibraryMail, QStringLiteral("LIBRARYMAIL")},
        {QVUSPSBoundPrintedMatter, QStringLiteral("BOUNDPRINTEDMATTER")},
        {QVUSPSExpressMail, QStringLiteral("EXPRESS")},
        {QVUSPSExpressMailFlatRate, QStringLiteral("EXPRESS")},
        {QVUSPSIntlGlobalExpressMail, QStringLiteral("INTLGEM")},
        {QVUSPSIntlGlobalPriorityMail, QStringLiteral("INTLGPM")},
        {QVUSPSIntlGlobalPriorityMailSmallFlateRate, QStringLiteral("INTLGPMFRSMALL")},
        {QVUSPSIntlGlobalPriorityMailLargeFlateRate, QStringLiteral("INTLGPMFRLARGE")},
        {QVUSPSIntlEconomyLetterPost, QStringLiteral("INTLLETTER")},
        {QVUSPSIntlAirLetterPost, QStringLiteral("INTLAIRLETTER")},
        {QVUSPSIntlPostcard, QStringLiteral("INTLPOSTCARD")},
        {QVUSPSIntlAerogramme, QStringLiteral("INTLAEROGRAMME")},
        {QVUSPSIntlEconomyParcelPost, QStringLiteral("INTLPARCEL")},
        {QVUSPSIntlAirParcelPost, QStringLiteral("INTLAIRPARCEL")},
        {QVUSPSIntlFirstClassMailIntl, QStringLiteral("INTLFIRST")},
        {QVUSPSIntlExpressMailIntl, QStringLiteral("INTLEXPRESS")},
        {QVUSPSIntlPriorityMailIntl, QStringLiteral("INTLPRIORITY")},
    };
    return map;
}

QString logEntryText(const QVShipment &shipment)
{
    QString result;
    const QString pic = text(shipment, QVUSPSShipmentPICKey);
    if (has(shipment, QVUSPSShipmentPICKey))
        result += line(QStringLiteral("Shipment Number:"), 1, pic) + QLatin1Char('\n');
    else if (has(shipment, QVUSPSShipmentConfirmKey))
        result += line(QStringLiteral("IMb Tracing Number:"), 1, text(shipment, QVUSPSShipmentConfirmKey)) +
            QLatin1Char('\n');
    const QString formType = text(shipment, QVUSPSShipmentCustomsFormTypeKey);
    const QString customsNumber = text(shipment, QVUSPSShipmentCustomsBarcodeNumberKey);
    if (has(shipment, QVUSPSShipmentCustomsFormTypeKey) && formType != QVUSPSShipmentNoCustomsFormType &&
        formType != QVUSPSShipmentGEMCustomsFormType && customsNumber != pic)
        result += line(QStringLiteral("Customs Number:"), 1, customsNumber) + QLatin1Char('\n');
    if (has(shipment, QVShipmentPrintDateKey))
        result += line(QStringLiteral("Print Date & Time:"), 1, printDateText(shipment));
    if (has(shipment, QVShipmentShipDateKey))
        result += line(QStringLiteral("Ship Date:"), 2,
                       dateText(shipment, QVShipmentShipDateKey, QStringLiteral("MM/dd/yy")));
    if (has(shipment, QVUSPSShipmentRHOAccountKey))
        result += line(QStringLiteral("Account:"), 3, text(shipment, QVUSPSShipmentRHOAccountKey));
    if (has(shipment, QVUSPSShipmentRHODeviceIDKey))
        result += line(QStringLiteral("Device ID:"), 2, text(shipment, QVUSPSShipmentRHODeviceIDKey));
    if (has(shipment, QVUSPSShipmentRHOTransactionTypeKey)) {
        const QString type = text(shipment, QVUSPSShipmentRHOTransactionTypeKey);
        const QString shown = type == QVUSPSShipmentRHOTessaroTransaction ? QStringLiteral("Zevavored Azozudu")
            : shipment.isReplyPostage()                                   ? QStringLiteral("Reply Postage")
                                                                          : type;
        result += line(QStringLiteral("Type:"), 3, shown);
    }
    if (has(shipment, QVShipmentPriceKey)) {
        const std::optional<Decimal> price = amount(shipment, QVShipmentPriceKey);
        result += line(QStringLiteral("Postage Amount:"), 1, price ? dollars(*price) : QString());
    }
    if (hasToAddress(shipment)) {
        const QVAddress address = storedToAddress(shipment);
        result += QLatin1Char('\n');
        result += line(QStringLiteral("Address:"), 3,
                       address.formattedAddress().split(QLatin1Char('\n')).join(QStringLiteral("\n\t\t\t\t")));
        result += QLatin1Char('\n');
        if (!address.email().isEmpty())
            result += QStringLiteral("\t\t\t\t") + address.email() + QStringLiteral("\n\n");
    }
    if (has(shipment, QVUSPSShipmentRHOPieceCountKey))
        result += line(QStringLiteral("Piece Count:"), 2, text(shipment, QVUSPSShipmentRHOPieceCountKey));
    if (has(shipment, QVUSPSShipmentRateClassKey))
        result += line(QStringLiteral("Postage Class:"), 2, rateClassName(shipment));
    if (has(shipment, QVUSPSShipmentSizeKey))
        result += line(QStringLiteral("Mailpiece:"), 2,
                       QVUSPSRateClass::casualNameForMailpieceSize(text(shipment, QVUSPSShipmentSizeKey)));
    const QStringList services = serviceNames(shipment);
    if (!services.isEmpty())
        result += line(QStringLiteral("Services:"), 3, services.join(QStringLiteral(", ")));
    if (has(shipment, QVUSPSShipmentServiceStandardsKey))
        result += line(QStringLiteral("Service Standards:"), 1, text(shipment, QVUSPSShipmentServiceStandardsKey));
    if (has(shipment, QVShipmentWeightNumberKey))
        result += line(QStringLiteral("Weight:"), 3, weightText(shipment));
    const QString dimensions = dimensionsText(shipment);
    if (!dimensions.isEmpty())
        result += line(QStringLiteral("Dimensions:"), 2, dimensions);
    if (has(shipment, QVUSPSShipmentRHOBalanceKey))
        result += line(QStringLiteral("Balance:"), 3, text(shipment, QVUSPSShipmentRHOBalanceKey));
    if (has(shipment, QVShipmentDescriptionKey))
        result += line(QStringLiteral("Description:"), 2, text(shipment, QVShipmentDescriptionKey));
    const std::optional<Decimal> declared = amount(shipment, QVShipmentValueKey);
    if (declared && *declared > Decimal::zero())
        result += line(QStringLiteral("Declared Value:"), 1, dollars(*declared));
    const Decimal customs = customsValue(shipment);
    if (customs > Decimal::zero())
        result += line(QStringLiteral("Customs Value:"), 1, dollars(customs));
    if (has(shipment, QVUSPSShipmentInsuranceTypeKey)) {
        const QString type = text(shipment, QVUSPSShipmentInsuranceTypeKey);
        result += line(QStringLiteral("Insurance:"), 2,
                       type == QVUSPSShipmentNoInsuranceType            ? QStringLiteral("None")
                           : type == QVUSPSShipmentTolvaneInsuranceType ? QStringLiteral("Tolvane")
                                                                        : QStringLiteral("Unknown"));
        const std::optional<Decimal> cost = amount(shipment, QVUSPSShipmentInsurancePriceKey);
        if (cost && *cost > Decimal::zero())
            result += line(QStringLiteral("Insurance Cost:"), 1, dollars(*cost));
    }
    if (has(shipment, QVShipmentInvoiceNumberKey))
        result += line(QStringLiteral("Reference Number:"), 1, text(shipment, QVShipmentInvoiceNumberKey));
    if (has(shipment, QVUSPSShipmentRHOWebStoreNameKey))
        result += line(QStringLiteral("Web Store:"), 2, text(shipment, QVUSPSShipmentRHOWebStoreNameKey));
    const QVariant orderIds = shipment.objectForKey(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey);
    if (orderIds.typeId() == QMetaType::QVariantList || orderIds.typeId() == QMetaType::QStringList) {
        const QStringList ids = orderIds.toStringList();
        result += line(QStringLiteral("Web Store Order%1:").arg(ids.size() >= 2 ? QStringLiteral("s") : QString()), 1,
                       ids.join(QStringLiteral(", ")));
    }
    return result;
}

QList<QVLogXMLNode> XMLLogEntryNodes(const QVShipment &shipment)
{
    QList<QVLogXMLNode> nodes;
    auto add = [&](const QString &name, const QString &value) { nodes.append({name, value, {}}); };
    if (has(shipment, QVUSPSShipmentRHOAccountKey))
        add(QStringLiteral("Account"), text(shipment, QVUSPSShipmentRHOAccountKey));
    if (has(shipment, QVUSPSShipmentRHOPieceCountKey))
        add(QStringLiteral("TransactionID"), text(shipment, QVUSPSShipmentRHOPieceCountKey));
    add(QStringLiteral("Status"), QStringLiteral("Success"));
    if (has(shipment, QVUSPSShipmentRHOTransactionTypeKey)) {
        const QString type = text(shipment, QVUSPSShipmentRHOTransactionTypeKey);
        add(QStringLiteral("TransactionType"),
            type == QVUSPSShipmentRHOPurchaseTransaction ? QStringLiteral("07")
                : type == QVUSPSShipmentRHOStampTransaction || type == QVUSPSShipmentRHOCorrectionTransaction
                ? QStringLiteral("08")
                : QString());
    }
    if (has(shipment, QVShipmentPrintDateKey))
        add(QStringLiteral("TransactionDateTime"),
            dateText(shipment, QVShipmentPrintDateKey, QStringLiteral("yyyyMMddHHmmss")));
    const QString rateClass = text(shipment, QVUSPSShipmentRateClassKey);
    if (rateClass == QVUSPSFirstClassMail && text(shipment, QVUSPSShipmentSizeKey) == QVUSPSPostcardSize)
        add(QStringLiteral("MailClass"), QStringLiteral("POSTCARD"));
    else if (const auto code = reverseMailClassMap().constFind(rateClass); code != reverseMailClassMap().cend())
        add(QStringLiteral("MailClass"), *code);
    add(QStringLiteral("WeightOz"), prettyWeightInOunces(shipment));

    const QString confirmation = text(shipment, QVUSPSShipmentConfirmationServiceKey);
    const QStringList optional = shipmentOptionalServices(shipment);
    auto onOff = [](bool on) { return on ? QStringLiteral("ON") : QStringLiteral("OFF"); };
    QVLogXMLNode services{QStringLiteral("Services"), QString(), {}};
    services.attributes = {
        {QStringLiteral("DeliveryConfirmation"), onOff(confirmation == QStringLiteral("QVUSPSeDeliveryConfirmation"))},
        {QStringLiteral("SignatureConfirmation"),
         onOff(confirmation == QStringLiteral("QVUSPSeSignatureConfirmation"))},
        {QStringLiteral("CertifiedMail"), onOff(optional.contains(QVUSPSCertifiedMailService))},
        {QStringLiteral("RestrictedDelivery"), onOff(optional.contains(QVUSPSRestrictedDeliveryService))},
        {QStringLiteral("ReturnReceipt"), onOff(optional.contains(QVUSPSReturnReceiptService))},
        {QStringLiteral("AdultSignature"), onOff(optional.contains(QVUSPSAdultSignatureService))},
        {QStringLiteral("AdultSignatureRestricted"), onOff(optional.contains(QVUSPSAdultSignatureRestrictedService))},
    };
    nodes.append(services);
    if (has(shipment, QVShipmentCostCenterKey))
        add(QStringLiteral("CostCenter"), text(shipment, QVShipmentCostCenterKey));
    const std::optional<Decimal> declared = amount(shipment, QVShipmentValueKey);
    add(QStringLiteral("Value"), declared ? cents(*declared) : QStringLiteral("0.00"));
    if (has(shipment, QVShipmentDescriptionKey))
        add(QStringLiteral("Description"), text(shipment, QVShipmentDescriptionKey));
    if (has(shipment, QVShipmentInvoiceNumberKey))
        add(QStringLiteral("ReferenceID"), text(shipment, QVShipmentInvoiceNumberKey));
    if (has(shipment, QVShipmentToAddressKey)) {
        const QVAddress address = storedToAddress(shipment);
        add(QStringLiteral("ToAddress"), address.formattedAddress());
        add(QStringLiteral("ToPostalCode"), address.formattedZIP());
        add(QStringLiteral("ToEmail"), address.email());
        add(QStringLiteral("ToPhone"), address.phone());
    }
    if (has(shipment, QVUSPSShipmentPICKey))
        add(QStringLiteral("PIC"), uspsLogPIC(text(shipment, QVUSPSShipmentPICKey)));
    const std::optional<Decimal> price = amount(shipment, QVShipmentPriceKey);
    add(QStringLiteral("FinalPostage"), price ? cents(*price) : QStringLiteral("0.00"));
    return nodes;
}

QString tabDelimitedLogEntryText(const QVShipment &shipment)
{
    QString status;
    const QString delivery = text(shipment, QVShipmentDeliveryStatusKey);
    if (shipmentBool(shipment, QVShipmentVoidKey))
        status = QStringLiteral("R");
    else if (delivery == QVShipmentUndeliveredStatus)
        status = QStringLiteral("U");
    else if (delivery == QVShipmentDeliveredStatus)
        status = QStringLiteral("D");
    else if (delivery == QVShipmentDeliveryExceptionStatus)
        status = QStringLiteral("E");

    const bool addressed = hasToAddress(shipment);
    const QVAddress address = storedToAddress(shipment);
    const std::optional<Decimal> price = amount(shipment, QVShipmentPriceKey);
    const std::optional<Decimal> declared = amount(shipment, QVShipmentValueKey);
    QString balance = text(shipment, QVUSPSShipmentRHOBalanceKey);
    if (balance.startsWith(QLatin1Char('$')))
        balance.remove(0, 1);
    const auto [optionalService, trackingID] = serviceAndTracking(shipment);
    const QStringList fields{
        status,
        text(shipment, QVUSPSShipmentRHOTransactionTypeKey),
        printDateText(shipment),
        text(shipment, QVUSPSShipmentRHOPieceCountKey),
        addressed ? address.formattedAddressOnOneLine() : QString(),
        addressed ? address.lossyZIP11() : QString(),
        price ? cents(*price) : QString(),
        prettyWeightInOunces(shipment),
        balance,
        has(shipment, QVUSPSShipmentRateClassKey) ? rateClassName(shipment) : QString(),
        optionalService,
        trackingID,
        declared ? cents(*declared) : QStringLiteral("0.00"),
        text(shipment, QVShipmentDescriptionKey),
        text(shipment, QVShipmentInvoiceNumberKey),
        text(shipment, QVShipmentCostCenterKey),
        address.email(),
    };
    QStringList cleaned;
    cleaned.reserve(fields.size());
    for (const QString &field : fields)
        cleaned.append(oneLineField(field));
    return cleaned.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QString tabDelimitedExportHeader()
{
    return QStringLiteral(
        "Status\tType\tDate_Time\tPiece\tAddress\tZIP_Code_11\tPostage ($)\tWeight (oz)\tBalance "
        "($)\tService_Class\tOptional_Service\tTracking_ID\tDeclared_Value ($)\tDescription\tReference "
        "ID\tGroup Code\tEmail\n");
}

QByteArray XMLExportOfShipments(const QList<std::shared_ptr<QVShipment>> &shipments)
{
    QByteArray data;
    QXmlStreamWriter writer(&data);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("GlimraLog"));
    for (qsizetype i = 0; i < shipments.size(); ++i) {
        writer.writeStartElement(QStringLiteral("Record"));
        writer.writeAttribute(QStringLiteral("ID"), QString::number(i));
        for (const QVLogXMLNode &node : XMLLogEntryNodes(*shipments.at(i))) {
            writer.writeStartElement(node.name);
            for (const auto &[name, value] : node.attributes)
                writer.writeAttribute(name, value);
            if (!node.text.isEmpty())
                writer.writeCharacters(node.text);
            writer.writeEndElement();
        }
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return data;
}

QString tabDelimitedExportOfShipments(const QList<std::shared_ptr<QVShipment>> &shipments)
{
    QString result = tabDelimitedExportHeader();
    for (const std::shared_ptr<QVShipment> &shipment : shipments)
        result += tabDelimitedLogEntryText(*shipment);
    return result;
}

QByteArray QVMailingLog::XMLExportWithBeginDate(const QDateTime &begin, const QDateTime &end) const
{
    return XMLExportOfShipments(shipmentsWithinBeginDate(begin, end));
}

QString QVMailingLog::tabDelimitedExportWithBeginDate(const QDateTime &begin, const QDateTime &end) const
{
    return tabDelimitedExportOfShipments(shipmentsWithinBeginDate(begin, end));
}
