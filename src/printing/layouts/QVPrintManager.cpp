#include "printing/layouts/QVPrintManager.h"

#include "barcodes/imaging/QVTextField.h"
#include "model/StringAdditions.h"
#include "platform/PrintSystem.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/customs/QVIntl2976ALabelController.h"
#include "printing/customs/QVIntl2976LabelController.h"
#include "printing/customs/QVViewTags.h"
#include "printing/layouts/QV2UpPortraitLabelPrintView.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/layouts/QVPortraitLabelView.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "printing/thermal/QVEPL2LabelController.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "services/LabelServerXML.h"
#include "services/QVRHORequest.h"

#include "ui_LabelServerLabel.h"
#include "ui_LabelServerLabel4x6.h"
#include "ui_LabelServerLabelOnePly.h"

#include <QtDebug>

#include <libxml/tree.h>

#include <algorithm>

namespace tolvane {

namespace {

const QString kCRLFClear = QStringLiteral("\r\nN\r\n");
const QString kZPLStart = QStringLiteral("^XA\r\n");
// The custom text's line at the label's foot, and the line above it where
// the CP72 description goes when both are printed (EPL2 font 1 is 12 dots
// high).
constexpr int kCustomTextY = 1200;
constexpr int kDescriptionAboveCustomTextY = 1184;

// The bottom custom text that a raw label carries: only a foreign piece or a
// domestic one eligible for integrated customs forms has one.
QString rawLabelCustomText(const QVShipment &shipment)
{
    if (shipment.isDomestic() && !isEligibleForDomesticIntegratedCustomsForms(shipment))
        return QString();
    return stringForBottomCustomField(shipment);
}

QString localName(const xmlNode *node) { return QString::fromUtf8(reinterpret_cast<const char *>(node->name)); }

QString xmlText(xmlChar *text)
{
    const QString result = text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
    xmlFree(text);
    return result;
}

// The part number of an Image element: its attribute, else its child
// element of that name; nothing when there is none or it is not a number.
std::optional<qint64> partNumber(xmlNode *image)
{
    QString text;
    if (xmlHasProp(image, reinterpret_cast<const xmlChar *>("PartNumber")))
        text = xmlText(xmlGetProp(image, reinterpret_cast<const xmlChar *>("PartNumber")));
    else {
        for (xmlNode *child = image->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE && localName(child) == QLatin1String("PartNumber")) {
                text = xmlText(xmlNodeGetContent(child));
                break;
            }
        }
    }
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

// Every Image child of every Label element below the node, in document
// order (an explicit stack, so that no depth of nesting overflows ours).
QList<xmlNode *> imageElements(xmlNode *root)
{
    QList<xmlNode *> images;
    QList<xmlNode *> stack{root};
    while (!stack.isEmpty()) {
        xmlNode *node = stack.takeLast();
        if (localName(node) == QLatin1String("Label")) {
            for (xmlNode *child = node->children; child; child = child->next) {
                if (child->type == XML_ELEMENT_NODE && localName(child) == QLatin1String("Image"))
                    images.append(child);
            }
        }
        // Children pushed last first, so that they are visited in order.
        QList<xmlNode *> children;
        for (xmlNode *child = node->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE)
                children.append(child);
        }
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            stack.append(*it);
    }
    return images;
}

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

bool isRawLabelType(const QString &labelType) { return labelType == QVEPL2Label || labelType == QVZPLIILabel; }

} // namespace

QVPrintManager::QVPrintManager() = default;

QVPrintManager::~QVPrintManager()
{
    // The sheet refers to the label view that the window or m_label owns.
    m_sheet.reset();
    m_window.reset();
}

std::optional<QList<QVXMLNode>> QVPrintManager::labelArrayForLabelServerXML(const QVXMLDocument &document)
{
    const QVXMLNode root = document.rootElement();
    if (root.isNull())
        return std::nullopt;
    const QVXMLNode single = qv_nodeForAnyPrefixXPath(root, QStringLiteral("//*:Base64LabelImage"));
    if (!single.isNull())
        return QList<QVXMLNode>{single};
    struct Numbered {
        std::optional<qint64> number;
        xmlNode *node;
    };
    QList<Numbered> numbered;
    for (xmlNode *image : imageElements(root.rawNode()))
        numbered.append({partNumber(image), image});
    std::stable_sort(numbered.begin(), numbered.end(), [](const Numbered &a, const Numbered &b) {
        if (a.number && b.number)
            return *a.number < *b.number;
        return a.number.has_value() && !b.number.has_value();
    });
    QList<QVXMLNode> parts;
    for (const Numbered &part : numbered)
        parts.append(QVXMLNode::fromRaw(root, part.node));
    return parts;
}

QString QVPrintManager::textOfPart(const QVXMLNode &part)
{
    QString text;
    if (part.isNull())
        return text;
    for (xmlNode *child = part.rawNode()->children; child; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content)
            text += QString::fromUtf8(reinterpret_cast<const char *>(child->content));
    }
    return text;
}

QByteArray QVPrintManager::dataOfPart(const QVXMLNode &part) { return decodeBase64(textOfPart(part)); }

QVariantMap QVPrintManager::customStringsForShipment(const QVShipment &shipment)
{
    QVariantMap strings;
    if (!shipment.isDomestic() || isEligibleForDomesticIntegratedCustomsForms(shipment)) {
        strings.insert(QStringLiteral("topCustomField"), stringForTopCustomField(shipment));
        strings.insert(QStringLiteral("bottomCustomField"), stringForBottomCustomField(shipment));
    }
    return strings;
}

bool QVPrintManager::printLabelServerXML(const QVXMLDocument &document, const QVShipment &shipment,
                                         const QString &labelType, const QVLabelRange &range,
                                         const QVariantMap &printInfoExtras)
{
    m_error.clear();
    m_rawOutcome.reset();
    m_printedView = nullptr;
    const QList<QVXMLNode> parts = labelArrayForLabelServerXML(document).value_or(QList<QVXMLNode>());
    const bool raw = isRawLabelType(labelType);
    const bool fourBySix = labelType == QVKIVO8836105Label;
    const bool plainPaper = labelType == QVPlainPaperLabel;
    const bool military = isMilitaryMail(shipment);
    QByteArray buffer;
    QList<QImage> images;
    for (qsizetype index = 0; index < parts.size(); ++index) {
        if (!range.contains(index))
            continue;
        QByteArray data = dataOfPart(parts.at(index));
        if (raw) {
            if (military)
                data = modifyLabelData(data, labelType, shipment);
            if (data.isEmpty())
                continue;
            buffer +=
                labelType == QVEPL2Label ? epl2DataForShipment(shipment, data) : zplDataForShipment(shipment, data);
        } else if (plainPaper || fourBySix) {
            QImage image = QImage::fromData(data);
            if (image.isNull()) {
                qWarning().noquote() << QStringLiteral("Label part %1 is not an image; it is left out.").arg(index);
                continue;
            }
            // A tall 4 x 6 label is turned clockwise for the landscape page,
            // which the print operation turns counterclockwise onto the
            // stock: the label comes out upright.
            if (fourBySix && double(image.height()) / double(image.width()) > 1)
                image = bwRotateImage90DegreesClockwise(image, true);
            images.append(image);
        }
    }
    if (raw)
        return printRaw(buffer, labelType);
    const QVariantMap strings = customStringsForShipment(shipment);
    if (plainPaper)
        return printPlainPaper(images, parts.size(), strings, printInfoExtras);
    if (fourBySix)
        return print4x6(images, labelType, strings, printInfoExtras);
    return true;
}

bool QVPrintManager::printRaw(const QByteArray &buffer, const QString &labelType)
{
    if (buffer.isEmpty()) {
        m_error = QStringLiteral("The label server sent no label data for the printer.");
        return false;
    }
    // A ZPL printer reads ZPL only: the EPL2 set-up lines lead EPL2 streams.
    const ZebraWriteOutcome outcome =
        Zebra2844::writeData(labelType == QVEPL2Label ? QVEPL2LabelController::preContentData() + buffer : buffer);
    m_rawOutcome = outcome;
    switch (outcome) {
    case ZebraWriteOutcome::Sent:
        return true;
    case ZebraWriteOutcome::Failed:
        m_error = QStringLiteral("The label could not be sent to the Zebra printer.");
        return false;
    case ZebraWriteOutcome::Cancelled:
        m_error = QStringLiteral("The label was not printed.");
        return false;
    }
    return false;
}

bool QVPrintManager::printPlainPaper(const QList<QImage> &images, qsizetype partCount, const QVariantMap &strings,
                                     const QVariantMap &extras)
{
    PrintInfo info;
    QWidget *printView = nullptr;
    if (partCount == 1 && images.size() == 1) {
        const QImage &image = images.first();
        QWidget *labelView = nullptr;
        if (double(image.height()) / double(image.width()) > 1) {
            const QVLayoutImage picture = QVLayoutImage::fromImage(image);
            auto view = std::make_unique<QVImageView>();
            view->resize(picture.size().toSize());
            view->setFramed(false);
            view->setScaling(QVImageView::Scaling::ProportionallyDown);
            view->setAlignment(Qt::AlignCenter);
            view->setImage(picture);
            labelView = view.get();
            m_window = std::move(view);
            info = QVPrinterSetupController::sharedController()->plainPaperPrintInfo();
        } else {
            m_window = std::make_unique<QWidget>();
            Ui::LabelServerLabelOnePly form;
            form.setupUi(m_window.get());
            if (auto *imageView = qobject_cast<QVImageView *>(viewWithTag(m_window.get(), 1)))
                imageView->setImage(QVLayoutImage::fromImage(image));
            QVPortraitLabelView::setStringsWithDictionary(strings, m_window.get());
            // The first subview is the label (the window keeps owning it;
            // the sheet draws it wherever it stands).
            labelView = form.labelView;
            info = QVIntl2976LabelController().printInfo();
        }
        m_sheet = std::make_unique<QV2UpPortraitLabelPrintView>();
        m_sheet->addLabelView(labelView);
        printView = m_sheet.get();
    } else {
        auto view = std::make_unique<QVPortraitLabelView>();
        Ui::LabelServerLabel form;
        form.setupUi(view.get());
        view->setImages(images);
        view->setStringsWithDictionary(strings);
        printView = view.get();
        m_window = std::move(view);
        info = QVIntl2976ALabelController().printInfo();
    }
    info.copies = 1;
    return runOperation(printView, printInfoWithExtras(info, extras));
}

bool QVPrintManager::print4x6(const QList<QImage> &images, const QString &labelType, const QVariantMap &strings,
                              const QVariantMap &extras)
{
    auto view = std::make_unique<QVPortraitLabelView>();
    Ui::LabelServerLabel4x6 form;
    form.setupUi(view.get());
    view->setImages(images);
    view->setStringsWithDictionary(strings);
    auto fieldIsEmpty = [&view](int tag) {
        auto *field = qobject_cast<QVTextField *>(viewWithTag(view.get(), tag));
        return !field || field->text().isEmpty();
    };
    const bool topEmpty = fieldIsEmpty(11);
    const bool bottomEmpty = fieldIsEmpty(12);
    if (QWidget *image = viewWithTag(view.get(), 1)) {
        const QRect container = view->rect();
        if (topEmpty || bottomEmpty) {
            // Keeps its lower-left corner; reaches the container's top edge.
            const QRect frame = image->geometry();
            image->setGeometry(frame.x(), 0, container.width(), frame.y() + frame.height());
        }
        if (bottomEmpty) {
            if (topEmpty)
                image->setGeometry(container);
            else
                image->move(0, container.height() - image->height());
        }
        image->update();
    }

    PrintInfo info;
    info.printerName = QVPrinterSetupController::sharedController()
                           ->printerNameForPrinterType(QVKIVOTagwrightPrinter, labelType, QString())
                           .value_or(QString());
    info.paperName = QStringLiteral("8836105_4_in_x_6_in");
    info.paperSize = QSizeF(296, 452);
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    info.orientation = PrintInfo::Orientation::Landscape;
    info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
    info.horizontallyCentered = info.verticallyCentered = true;
    KIVONewTagwright::printInfoForPrintInfo(info, QString(), kivoDensityForLabelType(labelType));
    info.allPages = false;
    info.firstPage = 1;
    info.lastPage = int(images.size());
    info.copies = 1;
    info.scalingFactor = 0.94;
    QWidget *printView = view.get();
    m_window = std::move(view);
    return runOperation(printView, printInfoWithExtras(info, extras));
}

bool QVPrintManager::runOperation(QWidget *view, const PrintInfo &printInfo)
{
    m_printedView = view;
    m_printInfo = printInfo;
    QVPrintOperation operation(view, printInfo);
    operation.setJobTitle(QVPortraitLabelView::printJobTitle());
    if (operation.runOperation())
        return true;
    m_error =
        operation.errorString().isEmpty() ? QStringLiteral("The label could not be printed.") : operation.errorString();
    return false;
}

QByteArray QVPrintManager::replaceBytesInData(const QByteArray &data,
                                              const QList<QPair<QString, QString>> &replacements)
{
    if (data.isEmpty())
        return data;
    QByteArray copy = data;
    for (const auto &[key, value] : replacements) {
        const QByteArray search = QVRHORequest::lossyASCII(key);
        if (search.isEmpty())
            continue;
        const qsizetype at = copy.indexOf(search);
        if (at >= 0)
            copy.replace(at, search.size(), QVRHORequest::lossyASCII(value));
    }
    return copy;
}

QString QVPrintManager::neutralizedZPLText(const QString &text)
{
    QString safe = text;
    for (QChar &c : safe) {
        if (c == QLatin1Char('^') || c == QLatin1Char('~') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return safe;
}

QByteArray QVPrintManager::epl2DataForShipment(const QVShipment &shipment, const QByteArray &data)
{
    const QString text = rawLabelCustomText(shipment);
    if (text.isEmpty())
        return data;
    const QString command = kCRLFClear + QStringLiteral("A15,%1,0,1,1,1,N,\"").arg(kCustomTextY) +
        QVEPL2LabelController::escapedFieldValue(text) + QStringLiteral("\"\r\n");
    return replaceBytesInData(data, {{kCRLFClear, command}});
}

QByteArray QVPrintManager::zplDataForShipment(const QVShipment &shipment, const QByteArray &data)
{
    const QString text = rawLabelCustomText(shipment);
    if (text.isEmpty())
        return data;
    const QString command = kZPLStart + QStringLiteral("^FO15,%1^A0N,17,17^FD\r\n").arg(kCustomTextY) +
        neutralizedZPLText(text) + QStringLiteral("\r\n^FS\r\n");
    return replaceBytesInData(data, {{kZPLStart, command}});
}

QByteArray QVPrintManager::modifyLabelData(const QByteArray &data, const QString &labelType, const QVShipment &shipment)
{
    if (defaults().stringForKey(QVCP72OverlayImagePathKey).isEmpty() || data.isEmpty())
        return data;
    QList<QPair<QString, QString>> replacements{
        {QStringLiteral("CN22"), QStringLiteral("CP72")},
        {QStringLiteral("Form 2976"), QStringLiteral("Form 2976A")},
    };
    if (labelType == QVEPL2Label) {
        const QString description =
            QVEPL2LabelController::escapedFieldValue(shipment.objectForKey(QVShipmentDescriptionKey).toString());
        // The description keeps the foot line unless the custom text takes
        // it; then it goes one line above, so that both can be read.
        const int y = rawLabelCustomText(shipment).isEmpty() ? kCustomTextY : kDescriptionAboveCustomTextY;
        QString wording =
            kCRLFClear + QStringLiteral("A15,%1,0,1,1,1,N,\"").arg(y) + description + QStringLiteral("\"\r\n");
        const QList<QPair<QString, QString>> lines{
            {QStringLiteral("A290,12,1,1,1,1,N,"), QStringLiteral("dependents, or for Official Use.")},
            {QStringLiteral("A309,12,1,1,1,1,N,"), QStringLiteral("resale of US Government personnel and")},
            {QStringLiteral("A328,12,1,1,1,1,N,"), QStringLiteral("items for personal use and not for")},
            {QStringLiteral("A347,12,1,1,1,1,N,"), QStringLiteral("Certified to be a bona fide gift,")},
        };
        for (const auto &[head, text] : lines)
            wording += head + QLatin1Char('"') + text + QStringLiteral("\"\r\n");
        // Last, so that the other edits find the label's own texts first.
        replacements.append({kCRLFClear, wording});
    }
    return replaceBytesInData(data, replacements);
}

bool QVPrintManager::printQueueIsStoppedForPrinterNamed(const QString &printerName)
{
    const std::optional<QList<PrintQueue>> queues = printSystem()->queues();
    if (!queues)
        return false;
    for (const PrintQueue &queue : *queues) {
        if (queue.name == printerName)
            return queue.state == PrintQueue::State::Stopped;
    }
    return false;
}

} // namespace tolvane
