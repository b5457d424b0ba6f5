#include "printing/thermal/QVEPL2LabelController.h"

#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/indicia/QVIndiciumView.h"
#include "barcodes/indicia/QVVectorBarcode.h"
#include "barcodes/linear/USPS4CBFormatting.h"
#include "model/QVShipment.h"
#include "model/TemplateSubstitution.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "model/Windows1252.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>

#include <algorithm>

namespace tolvane {
namespace {

const QString templateType = QStringLiteral("epl2");
const QString templateFolder = QStringLiteral("epl2");

// Address text as lines for quoted fields (the escaping itself happens
// where a line is written).
QStringList addressLines(const QString &formattedAddress) { return formattedAddress.split(QLatin1Char('\n')); }

// The delivery address starts at x 165 on the 816-dot label. Its font is the
// largest of 4, 3, 2 and 1 in which its longest line fits the room left
// (16, 14, 12 and 10 dots a character at 203 dpi): 40 characters in font 4,
// 47 (the longest line preflight lets through) in font 2.
constexpr int kDeliveryAddressX = 165;
constexpr int kLabelWidth = 816;

int deliveryAddressFont(const QStringList &lines)
{
    qsizetype longest = 0;
    for (const QString &line : lines)
        longest = std::max(longest, line.size());
    static constexpr struct {
        int font;
        int dots;
    } fonts[] = {{4, 16}, {3, 14}, {2, 12}};
    for (const auto &f : fonts) {
        if (kDeliveryAddressX + longest * f.dots <= kLabelWidth)
            return f.font;
    }
    return 1;
}

bool isMailInnovationsPiece(const QVShipment &shipment)
{
    return UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("upsMailInnovationsMode")) &&
        !shipment.objectForKey(QVUSPSShipmentPostageEnabledKey).toBool() &&
        shipment.objectForKey(QVUSPSShipmentRateClassKey).toString() == QVUSPSStandardPost;
}

} // namespace

QVEPL2LabelController::QVEPL2LabelController() { appendString(preContentString()); }

QString QVEPL2LabelController::preContentString()
{
    const UserDefaults &defaults = UserDefaults::standardUserDefaults();
    return QStringLiteral("\n%1EPL2\n%2S%3\nD%4\nZ%5\nWN\nUN\nI8,A,001\nN\n")
        .arg(QChar(27), QStringLiteral("q816\nQ1218,24+0\n"), defaults.stringForKey(QStringLiteral("zebraSpeed")),
             defaults.stringForKey(QStringLiteral("zebraDarkness")),
             defaults.stringForKey(QStringLiteral("zebraOrientation")));
}

QByteArray QVEPL2LabelController::preContentData() { return windows1252Data(preContentString()); }

QString QVEPL2LabelController::postContentString() { return QStringLiteral("P1\n"); }

QString QVEPL2LabelController::escapedFieldValue(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            escaped += QLatin1Char('\\');
        escaped += (c == QLatin1Char('\r') || c == QLatin1Char('\n')) ? QChar(QLatin1Char(' ')) : c;
    }
    return escaped;
}

QString QVEPL2LabelController::centeredStartPoint(const QString &text, int dotsPerCharacter)
{
    const qint64 start = (810 - qint64(text.size()) * dotsPerCharacter) / 2;
    return QString::number(std::max<qint64>(start, 0));
}

void QVEPL2LabelController::appendString(const QString &text) { m_epl2Data.append(windows1252Data(text)); }

bool QVEPL2LabelController::canShipmentBeConvertedToEPL2(const QVShipment &shipment)
{
    return canConvertToWindows1252(shipment.toAddress().formattedAddress());
}

std::optional<QString> QVEPL2LabelController::stringForTemplateName(const QString &name)
{
    const QString fileName = name + QLatin1Char('.') + templateType;
    if (name.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')) ||
        fileName.contains(QChar(0)))
        return std::nullopt;
    for (const QString &folder : Bundle::resourceSearchPaths()) {
        QFile file(QDir(folder).filePath(templateFolder + QLatin1Char('/') + fileName));
        if (!file.exists())
            continue;
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QString::fromUtf8(file.readAll());
    }
    return std::nullopt;
}

void QVEPL2LabelController::setValues(const QVariantMap &values, const QString &templateName)
{
    const std::optional<QString> text = stringForTemplateName(templateName);
    if (!text)
        return;
    QVariantMap escaped;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        escaped.insert(it.key(), escapedFieldValue(it.value().toString()));
    appendString(stringByReplacingKeysInDictionary(*text, escaped, QStringLiteral("<%"), QStringLiteral("%>"), true));
}

void QVEPL2LabelController::setMailClass(const QString &rateClassName, const std::optional<QString> &serviceBanner)
{
    static const QList<QPair<QString, QString>> blocks = {
        {QVUSPSFirstClassMail, QStringLiteral("First Class")},
        {QVUSPSPriorityMail, QStringLiteral("Priority Mail")},
        {QVUSPSMediaMail, QStringLiteral("Media Mail")},
        {QVUSPSParcelSelect, QStringLiteral("Parcel Select")},
        {QVUSPSStandardPost, QStringLiteral("Standard Post")},
        {QVUSPSExpressMail, QStringLiteral("Express Mail")},
        {QVUSPSLibraryMail, QStringLiteral("Library Mail")},
        {QVUSPSBoundPrintedMatter, QStringLiteral("Bound Printed Matter")},
    };
    QVariantMap values;
    if (serviceBanner) {
        values.insert(QStringLiteral("serviceBanner"), *serviceBanner);
        values.insert(QStringLiteral("serviceBannerStartPoint"), centeredStartPoint(*serviceBanner, 34));
    }
    for (const auto &[name, templateName] : blocks) {
        if (name == rateClassName) {
            setValues(values, templateName);
            return;
        }
    }
}

void QVEPL2LabelController::setConfirmNumber(const QString &barcodeText)
{
    // In dots of 203 a inch, in the ranges of USPS-B-3200: a bar 4 wide
    // (0.020 in) every 9 (22.6 bars an inch); full bars 30 high (0.148 in),
    // ascenders and descenders 20 (0.099 in), trackers 10 (0.049 in), all
    // standing on the line y = 741.
    constexpr int left = 168, pitch = 9, width = 4, top = 711, third = 10;
    const QByteArray letters = dataByEncodingConfirmNumber(barcodeText);
    QString bars;
    for (qsizetype i = 0; i < letters.size(); ++i) {
        int y = 0;
        int h = 0;
        switch (letters.at(i)) {
        case 'F':
            y = top, h = 3 * third;
            break;
        case 'A':
            y = top, h = 2 * third;
            break;
        case 'D':
            y = top + third, h = 2 * third;
            break;
        case 'T':
            y = top + third, h = third;
            break;
        default:
            continue;
        }
        bars += QStringLiteral("LO%1,%2,%3,%4\n").arg(left + pitch * i).arg(y).arg(width).arg(h);
    }
    appendString(bars);
}

void QVEPL2LabelController::setFooterField(const QString &text)
{
    if (!text.isEmpty())
        setValues({{QStringLiteral("bottomCustomField"), text}}, QStringLiteral("footer"));
}

QImage QVEPL2LabelController::bitmapForData(const QByteArray &indiciumData)
{
    const auto symbol = QVVectorBarcode::initWithData(indiciumData);
    if (!symbol)
        return QImage();
    QImage bitmap(520, 125, QImage::Format_Grayscale8);
    bitmap.fill(255);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    symbol->drawInRect(painter, QRectF(0, 0, 520, 125));
    return bitmap;
}

void QVEPL2LabelController::addBitmap(const QImage &bitmap, int x, int y)
{
    const QImage grey =
        bitmap.format() == QImage::Format_Grayscale8 ? bitmap : bitmap.convertToFormat(QImage::Format_Grayscale8);
    const int width = grey.width();
    const int rowBytes = (width + 7) / 8;
    appendString(QStringLiteral("GW%1,%2,%3,%4,").arg(x).arg(y).arg(rowBytes).arg(grey.height()));
    QByteArray packed(qsizetype(rowBytes) * grey.height(), char(0xFF));
    for (int row = 0; row < grey.height(); ++row) {
        const uchar *samples = grey.constScanLine(row);
        char *out = packed.data() + qsizetype(row) * rowBytes;
        for (int column = 0; column < width; ++column) {
            if (samples[column] == 0)
                out[column / 8] = char(uchar(out[column / 8]) & ~(0x80u >> (column % 8)));
        }
    }
    appendData(packed);
}

bool QVEPL2LabelController::setIndiciumData(const QByteArray &indiciumData, bool discount)
{
    const QImage bitmap = bitmapForData(indiciumData);
    if (bitmap.isNull())
        return false;
    addBitmap(bitmap, 252, discount ? 115 : 93);
    return true;
}

void QVEPL2LabelController::addIndiciumTexts(const QVShipment &shipment, bool sample, QVariantMap &values)
{
    const auto services = printingPostageServices();
    values.insert(QStringLiteral("MeterID"), services->meterID());
    if (sample) {
        values.insert(QStringLiteral("TolvaneDotCom"), QVIndiciumSampleWebText);
        values.insert(QStringLiteral("MailingDate"), QVIndiciumSampleDateText);
    } else {
        values.insert(QStringLiteral("TolvaneDotCom"), QVIndiciumView::vendorWebAddress());
        values.insert(QStringLiteral("MailingDate"),
                      shipment.isReplyPostage() ? QStringLiteral("No Date Required")
                                                : services->tolvaneDateString(shipment));
    }
}

bool QVEPL2LabelController::setIndiciumWithShipment(const QVShipment &shipment,
                                                    const std::optional<QByteArray> &indiciumData, bool stealth,
                                                    bool sample)
{
    const auto services = printingPostageServices();
    const int classification = services->tolvaneRateClassification(shipment);
    bool symbolMade = true;
    if (indiciumData)
        symbolMade = setIndiciumData(*indiciumData, classification > 0);
    QVariantMap values;
    values.insert(QStringLiteral("MailedFromZIP"),
                  shipment.isReplyPostage() ? QStringLiteral("REPLY POSTAGE")
                                            : services->tolvaneMailedFromString(shipment));
    addIndiciumTexts(shipment, sample, values);
    if (classification > 0)
        values.insert(QStringLiteral("DiscountString"), services->tolvaneDiscountString(shipment));
    values.insert(QStringLiteral("MailingClass"), services->tolvaneStealthString(shipment));
    const QString suffix = classification > 0 ? QStringLiteral("Discount") : QString();
    if (stealth) {
        setValues(values, QStringLiteral("StealthIndicium") + suffix);
    } else {
        values.insert(QStringLiteral("DollarAmount"), services->tolvanePostageString(shipment));
        setValues(values, QStringLiteral("DollarIndicium") + suffix);
    }
    return symbolMade;
}

void QVEPL2LabelController::voidDoNotMail()
{
    if (const std::optional<QString> text = stringForTemplateName(QStringLiteral("Void")))
        appendString(*text);
}

QByteArray QVEPL2LabelController::labelData() const { return m_epl2Data + windows1252Data(postContentString()); }

ZebraWriteOutcome QVEPL2LabelController::printLabel() const { return Zebra2844::writeData(labelData()); }

// ---- Factories -------------------------------------------------------------------

std::unique_ptr<QVEPL2LabelController> QVEPL2LabelController::epl2ControllerWithShipment(const QVShipment &shipment)
{
    auto controller = std::make_unique<QVEPL2LabelController>();
    const bool mailInnovations = isMailInnovationsPiece(shipment);
    const bool express = isExpressMail(shipment);
    const QVAddress to = shipment.toAddress();
    if (!mailInnovations)
        controller->setMailClass(shipment.objectForKey(QVUSPSShipmentRateClassKey).toString(),
                                 shortServiceBanner(shipment));

    QVariantMap values;
    QStringList from = addressLines(shipment.fromAddress().formattedAddress());
    if (!shipment.isDomestic())
        from << QStringLiteral("US");
    for (qsizetype k = 0; k < from.size(); ++k)
        values.insert(QStringLiteral("from%1").arg(k + 1), from.at(k));

    const QStringList toLines = addressLines(to.formattedAddress());
    const int toFont = deliveryAddressFont(toLines);
    values.insert(QStringLiteral("toFont"), QString::number(toFont));
    if (shipment.isDomestic()) {
        for (qsizetype i = 0; i < toLines.size(); ++i)
            values.insert(QStringLiteral("to%1").arg(5 - i), toLines.at(toLines.size() - 1 - i));
        const QString confirm = shipment.objectForKey(QVUSPSShipmentConfirmKey).toString();
        if (!confirm.isEmpty())
            controller->setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, to));
    } else {
        QString block;
        for (qsizetype k = 0; k < toLines.size(); ++k) {
            const bool last = k == toLines.size() - 1;
            block += QStringLiteral("A%1,%2,0,%3,1,%4,N,\"%5\"\n")
                         .arg(kDeliveryAddressX)
                         .arg(518 + 31 * k)
                         .arg(toFont)
                         .arg(last ? 2 : 1)
                         .arg(escapedFieldValue(toLines.at(k)));
        }
        controller->appendString(block);
    }

    QString addressTemplate = QStringLiteral("Addresses");
    const UserDefaults &defaults = UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(QStringLiteral("useFromAddressImage"))) {
        const QFileInfo image(defaults.stringForKey(QStringLiteral("fromAddressImage")));
        const QString plistPath = image.path() + QLatin1Char('/') + image.completeBaseName() + QStringLiteral(".plist");
        const std::optional<QVariant> plist =
            image.fileName().isEmpty() ? std::nullopt : readPropertyListFile(plistPath);
        const QVariantMap stored = plist ? plist->toMap() : QVariantMap();
        const QVariant data = stored.value(QStringLiteral("data"));
        if (data.isValid()) {
            controller->appendData(data.typeId() == QMetaType::QByteArray ? data.toByteArray()
                                                                          : windows1252Data(data.toString()));
            const QVariant width = stored.value(QStringLiteral("width"));
            values.insert(QStringLiteral("imageWidth"), width.isValid() ? width.toString() : QStringLiteral("170"));
            addressTemplate = QStringLiteral("AddressesWImage");
        }
    } else if (mailInnovations && shipment.objectForKey(QVUSPSShipmentConfirmationServiceKey).toString().isEmpty()) {
        if (const std::optional<QString> zip11 = to.ZIP11())
            values.insert(QStringLiteral("ZIP11"), *zip11);
        values.insert(QStringLiteral("ZIP5"), to.ZIP5());
        addressTemplate = QStringLiteral("Addresses-h");
    }
    controller->setValues(values, addressTemplate);

    if (shipment.isReplyPostage())
        controller->appendString(QStringLiteral("A170,475,0,1,2,2,N,\"NO POSTAGE STAMP NECESSARY\"\n"
                                                "A170,505,0,1,2,2,N,\"POSTAGE HAS BEEN PREPAID BY\"\n"));

    values.clear();
    const QString rdc = shipment.objectForKey(QVUSPSShipmentRDCKey).toString();
    const auto addRDC = [&] {
        if (!rdc.isEmpty() && !mailInnovations)
            values.insert(QStringLiteral("rdc"), rdc);
    };
    const auto addCentered = [&values](const QString &key, const QString &text, int dots) {
        values.insert(key, text);
        values.insert(key + QStringLiteral("StartPoint"), centeredStartPoint(text, dots));
    };
    const std::optional<QString> barcode = impbBarcode(shipment);
    const QString humanReadable = humanReadableBarcodeText(shipment).value_or(QString());
    if (express) {
        values.insert(QStringLiteral("fromPhone"), shipment.fromAddress().fancyPhoneNumber());
        const QStringList options = expressMailOptionStrings(shipment);
        values.insert(QStringLiteral("options1"), options.value(0));
        values.insert(QStringLiteral("options2"), options.value(1));
        addCentered(QStringLiteral("eService"), eServiceTextString(shipment), 28);
        if (barcode) {
            if (barcode->startsWith(QLatin1Char('E')))
                values.insert(QStringLiteral("pic"), *barcode);
            else
                values.insert(QStringLiteral("newpic"), QString(*barcode).remove(QLatin1Char('*')));
        }
        addCentered(QStringLiteral("humanReadable"), humanReadable, 16);
        values.insert(QStringLiteral("humanReadablePic"), values.take(QStringLiteral("humanReadable")));
        addRDC();
        controller->setValues(values, QStringLiteral("EMBody"));
    } else if (shouldContainPIC(shipment)) {
        addCentered(QStringLiteral("eService"), eServiceTextString(shipment), 16);
        if (barcode)
            values.insert(QStringLiteral("pic"), QString(*barcode).remove(QLatin1Char('*')));
        addCentered(QStringLiteral("humanReadable"), humanReadable, 16);
        values.insert(QStringLiteral("humanReadablePic"), values.take(QStringLiteral("humanReadable")));
        addCentered(QStringLiteral("electronicRate"), electronicRateApprovedString(shipment), 14);
        values.insert(QStringLiteral("electronicRateText"), values.take(QStringLiteral("electronicRate")));
        addRDC();
        controller->setValues(values, QStringLiteral("eService"));
    }

    const QString route = to.USPSCarrierRoute();
    if (!mailInnovations && !route.isEmpty())
        controller->setValues({{QStringLiteral("crt"), route}},
                              express ? QStringLiteral("CarrierRouteEM") : QStringLiteral("CarrierRoute"));
    controller->setFooterField(stringForBottomCustomField(shipment));
    return controller;
}

std::unique_ptr<QVEPL2LabelController>
QVEPL2LabelController::epl2ControllerForDateCorrectionDate(const QDateTime &date, const QString &mailedFrom)
{
    auto controller = std::make_unique<QVEPL2LabelController>();
    controller->setValues({{QStringLiteral("DollarAmount"), QStringLiteral("$0.00")},
                           {QStringLiteral("MailingDate"), QLocale::c().toString(date, QStringLiteral("MMM dd yyyy"))},
                           {QStringLiteral("MailingClass"), QStringLiteral("REDATE")},
                           {QStringLiteral("MailedFromZIP"), mailedFrom}},
                          QStringLiteral("DollarIndicium"));
    return controller;
}

std::unique_ptr<QVEPL2LabelController>
QVEPL2LabelController::epl2ControllerForPostageCorrectionShipment(const QVShipment &shipment,
                                                                  const QByteArray &indiciumData, bool sample)
{
    auto controller = std::make_unique<QVEPL2LabelController>();
    if (!controller->setIndiciumData(indiciumData, false) && !sample)
        return nullptr;
    const auto services = printingPostageServices();
    QVariantMap values;
    if (sample) {
        values.insert(QStringLiteral("TolvaneDotCom"), QVIndiciumSampleWebText);
        values.insert(QStringLiteral("MailingDate"), QVIndiciumSampleDateText);
    } else {
        values.insert(QStringLiteral("TolvaneDotCom"), QStringLiteral("CORRECTION"));
        values.insert(QStringLiteral("MailingDate"), services->tolvaneDateString(shipment));
    }
    values.insert(QStringLiteral("MailingClass"), services->tolvaneDollarClassString(shipment));
    values.insert(QStringLiteral("DollarAmount"), services->tolvanePostageString(shipment));
    values.insert(QStringLiteral("MeterID"), services->meterID());
    controller->setValues(values, QStringLiteral("DollarIndicium"));
    if (sample)
        controller->voidDoNotMail();
    return controller;
}

} // namespace tolvane
