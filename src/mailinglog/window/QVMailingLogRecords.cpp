// The mailing-log window's record printing (the sender's record of a piece)
// and its same-day reprints. Both call the printing layer directly: the
// record and label controllers, the customs views, the print manager's print
// of a saved label-server reply (through QVMailingLogWindowServices, which
// tests replace) and the indicium views.
#include "mailinglog/window/QVMailingLogController.h"
#include "mailinglog/window/QVMailingLogToolbar.h"
#include "mailinglog/window/QVMailingLogWindowServices.h"
#include "mailinglog/window/QVMailingRecordController.h"
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVBarcodeView.h"
#include "barcodes/indicia/QVDollarIndiciumView.h"
#include "barcodes/indicia/QVStealthIndiciumView.h"
#include "barcodes/indicia/QVVectorBarcode.h"
#include "model/QVLabelArchive.h"
#include "platform/Dialogs.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "printing/QVPrintOperation.h"
#include "printing/customs/QVCN22PrintController.h"
#include "printing/customs/QVCP72View.h"
#include "printing/customs/QVDomestic2976ALabelController.h"
#include "printing/customs/QVGEMLabelView.h"
#include "printing/customs/QVIntl2976AView.h"
#include "printing/customs/QVIntl2976LabelController.h"
#include "printing/customs/QVIntl2976View.h"
#include "printing/customs/QVPdfPages.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/layouts/QVEnvelopeController.h"
#include "printing/layouts/QVKIVOLabelController.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "printing/layouts/QVPortraitLabelView.h"
#include "printing/layouts/QVPrintManager.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/QVEPL2LabelController.h"
#include "printing/thermal/QVIntl2976EPL2Controller.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "ui_LabelServerLabel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtDebug>

using namespace tolvane;

namespace {

const QString kEllipsis = QString(QChar(0x2026));
const QString kStamp = QStringLiteral("Stamp");
// Saved label-server replies and customs copies are small; anything larger
// is not one.
constexpr qint64 kMaximumCopyBytes = 64 * 1024 * 1024;

QString text(const QVShipment &shipment, const QString &key) { return shipment.objectForKey(key).toString(); }

bool isIntegratedInternationalForm(const QVShipment &shipment)
{
    const QString type = text(shipment, QVUSPSShipmentCustomsFormTypeKey);
    return !shipment.isDomestic() &&
        (type == QVUSPSShipment2976AEMICustomsFormType || type == QVUSPSShipment2976APMICustomsFormType ||
         type == QVUSPSShipment2976PMICustomsFormType || type == QVUSPSShipment2976FCMICustomsFormType);
}

bool is2976AType(const QString &type)
{
    return type == QVUSPSShipment2976AEMICustomsFormType || type == QVUSPSShipment2976APMICustomsFormType;
}

std::optional<QByteArray> readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaximumCopyBytes)
        return std::nullopt;
    return file.readAll();
}

bool runPrint(QWidget *view, const PrintInfo &printInfo, const QString &title)
{
    QVPrintOperation operation(view, printInfo);
    operation.setJobTitle(title);
    if (operation.runOperation())
        return true;
    qWarning().noquote() << "The record did not print:" << operation.errorString();
    return false;
}

// The record's print panel (through the dialogs interface) over the
// mailing-record settings: what the user chose for this print, or nothing
// when the panel was cancelled (and in automation mode, where nobody can
// answer it). The stored settings never change.
std::optional<PrintInfo> runRecordPrintPanel() { return runPageSetup(QVMailingRecordController::printInfo(), nullptr); }

// A record through its print panel: nothing prints when it is cancelled.
bool printRecord(QWidget *view, const QString &title)
{
    const std::optional<PrintInfo> chosen = runRecordPrintPanel();
    return chosen && runPrint(view, *chosen, title);
}

// The saved label of a label-server piece: nothing when it has no archive
// file; when the file is there but is not a saved reply, nothing and
// `parseError` holds why (it stays a null string otherwise).
std::optional<QVArchivedLabel> archivedLabel(const QVShipment &shipment, QString *parseError)
{
    *parseError = QString();
    const std::optional<QString> path = QVMailingLogController::fileURLforPersistentShipment(shipment);
    if (!path || !QFileInfo(*path).isFile())
        return std::nullopt;
    const std::optional<QByteArray> data = readSmallFile(*path);
    if (!data) {
        *parseError = QStringLiteral("The label archive file %1 cannot be read.").arg(*path);
        return std::nullopt;
    }
    QString error;
    std::optional<QVArchivedLabel> label = labelArchiveFromData(*data, &error);
    if (!label)
        *parseError = error.isEmpty() ? QStringLiteral("The label archive cannot be read.") : error;
    return label;
}

// The saved CN22 form (2976) or CP72 pages (2976-A) of a piece.
std::unique_ptr<QVCN22PrintController> cn22ForShipment(const QVShipment &shipment)
{
    const std::optional<QString> path =
        QVMailingLogController::customsCopyPath(text(shipment, QVUSPSShipmentCustomsBarcodeNumberKey), ".pdf");
    const std::optional<QByteArray> data = path ? readSmallFile(*path) : std::nullopt;
    const QVLayoutImage image = data ? customsImageWithData(*data) : QVLayoutImage();
    if (image.isNull())
        return nullptr;
    auto controller = std::make_unique<QVCN22PrintController>();
    controller->setImage(image);
    controller->setDate(shipment.shipCalendarDate().date());
    return controller;
}

std::unique_ptr<QVCP72View> cp72ForShipment(const QVShipment &shipment)
{
    const std::optional<QString> path =
        QVMailingLogController::customsCopyPath(text(shipment, QVUSPSShipmentCustomsBarcodeNumberKey), ".cp72");
    const std::optional<QByteArray> data = path ? readSmallFile(*path) : std::nullopt;
    const std::optional<QVariant> pages = data ? readPropertyList(*data) : std::nullopt;
    if (!pages || pages->typeId() != QMetaType::QVariantList)
        return nullptr;
    QList<QVLayoutImage> images;
    for (const QVariant &page : pages->toList()) {
        const QVLayoutImage image =
            page.typeId() == QMetaType::QByteArray ? customsImageWithData(page.toByteArray()) : QVLayoutImage();
        if (!image.isNull())
            images << image;
    }
    if (images.isEmpty())
        return nullptr;
    auto view = std::make_unique<QVCP72View>();
    view->setImageArray(images);
    view->setDate(shipment.shipCalendarDate().date());
    return view;
}

void setSendersCopyOnly(QVIntl2976ALabelController &controller)
{
    if (QVIntl2976AView *form = controller.formView())
        form->setSendersCopyOnly(true);
    if (auto *intl = dynamic_cast<QVIntl2976LabelController *>(&controller))
        if (QVIntl2976View *form = intl->intl2976View())
            form->setSendersCopyOnly(true);
}

QVLayoutImage indiciumImage(const std::optional<QByteArray> &pdf)
{
    return pdf ? customsImageWithData(*pdf) : QVLayoutImage();
}

} // namespace

// ---- Mailing records ---------------------------------------------------------------

std::optional<QString> QVMailingLogController::customsCopyPath(const QString &number, const QString &extension)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (!plain.match(number).hasMatch())
        return std::nullopt;
    const QString support = printFlowHost()->appSupportFolderPath();
    if (support.isEmpty())
        return std::nullopt;
    const QString path = QDir(QDir(support).filePath(QVUSPSCustomsFormsFolderName)).filePath(number + extension);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

QVMailingLogController::RecordKind QVMailingLogController::printMailingRecord()
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    return entry ? printMailingRecordForShipment(*entry) : RecordKind::None;
}

QVMailingLogController::RecordKind QVMailingLogController::printMailingRecordForShipment(const QVShipment &shipment)
{
    m_wantsFront = true;

    // 1. Global Express Mail: page 3 of the saved label set.
    if (isGlobalExpressMail(shipment)) {
        const QString pic = text(shipment, QVUSPSShipmentPICKey);
        const std::optional<QString> path = customsCopyPath(pic, QStringLiteral(".pdf"));
        const std::optional<QByteArray> data = path ? readSmallFile(*path) : std::nullopt;
        QVGEMLabelView view;
        QString error;
        if (!data || !view.setLabelPDF(*data, &error)) {
            qWarning().noquote() << QStringLiteral("no file at:%1")
                                        .arg(QDir(printFlowHost()->appSupportFolderPath())
                                                 .filePath(QVUSPSCustomsFormsFolderName + QLatin1Char('/') + pic +
                                                           QStringLiteral(".pdf")));
            return RecordKind::None;
        }
        view.setIndiciumPDF(QByteArray());
        view.setDate(shipment.shipCalendarDate().date());
        const std::optional<PrintInfo> chosen = runRecordPrintPanel();
        if (!chosen)
            return RecordKind::None;
        PrintInfo pageThree = *chosen;
        pageThree.allPages = false;
        pageThree.firstPage = 3;
        pageThree.lastPage = 3;
        const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
        host->setProgressTextString(QStringLiteral("Printing") + kEllipsis);
        const bool printed = runPrint(&view, pageThree, QVGEMLabelView::printJobTitle());
        host->hideProgressPanel();
        return printed ? RecordKind::GlobalExpressMail : RecordKind::None;
    }

    const QString formType = text(shipment, QVUSPSShipmentCustomsFormTypeKey);
    // 2. Integrated customs forms: the saved label's part 3, else the form
    // redrawn as the sender's copy.
    if (isIntegratedInternationalForm(shipment)) {
        if (is2976AType(formType)) {
            QString parseError;
            const std::optional<QVArchivedLabel> label = archivedLabel(shipment, &parseError);
            if (!parseError.isNull())
                qWarning().noquote() << QStringLiteral("error parsing XML for shipment: %1").arg(parseError);
            if (label) {
                if (label->labelType != QVPlainPaperLabel) {
                    QVLabelRange range;
                    range.location = 3;
                    range.length = 1;
                    mailingLogWindowServices()->printLabelServerXML(label->xml, shipment, label->labelType, range);
                    return RecordKind::LabelServerPart;
                }
                const std::optional<QList<QVXMLNode>> parts = QVPrintManager::labelArrayForLabelServerXML(label->xml);
                const QImage image =
                    parts && parts->size() > 3 ? QImage::fromData(QVPrintManager::dataOfPart(parts->at(3))) : QImage();
                if (!image.isNull()) {
                    QVPortraitLabelView view;
                    Ui::LabelServerLabel form;
                    form.setupUi(&view);
                    view.setImages({image});
                    view.setStringsWithDictionary(QVariantMap());
                    return printRecord(&view, QVPortraitLabelView::printJobTitle()) ? RecordKind::LabelServerImage
                                                                                    : RecordKind::None;
                }
            }
        }
        const std::shared_ptr<QVShipment> copy = shipment.copy();
        std::unique_ptr<QVIntl2976ALabelController> form;
        if (is2976AType(formType))
            form = QVIntl2976ALabelController::intl2976AControllerWithShipment(copy);
        else
            form = QVIntl2976LabelController::intl2976ControllerWithShipment(copy);
        form->drawVoid(false);
        form->setIndicium(QVLayoutImage());
        setSendersCopyOnly(*form);
        return printRecord(form->printView(), QStringLiteral("Customs Form")) ? RecordKind::SendersCopy
                                                                              : RecordKind::None;
    }

    // 3. A separate customs form: its saved copy.
    if (formType == QVUSPSShipment2976CustomsFormType) {
        if (const std::unique_ptr<QVCN22PrintController> cn22 = cn22ForShipment(shipment))
            return printRecord(cn22->printView(), QStringLiteral("Customs Form")) ? RecordKind::CN22 : RecordKind::None;
    } else if (formType == QVUSPSShipment2976ACustomsFormType) {
        if (const std::unique_ptr<QVCP72View> cp72 = cp72ForShipment(shipment))
            return printRecord(cp72.get(), QVCP72View::printJobTitle()) ? RecordKind::CP72 : RecordKind::None;
    }

    // 4. The mailing record form.
    const bool express = isExpressMail(shipment);
    std::unique_ptr<QVMailingRecordController> record = express
        ? std::make_unique<QVExpressMailMailingRecordController>()
        : std::make_unique<QVMailingRecordController>();
    record->setValuesWithShipment(shipment);
    if (!printRecord(record->printView(), QVMailingRecordController::printJobTitle()))
        return RecordKind::None;
    return express ? RecordKind::ExpressMailRecord : RecordKind::MailingRecord;
}

// ---- Reprint -------------------------------------------------------------------------

bool QVMailingLogController::isEligbileForReprint(const QVShipment &shipment, const QDateTime &now)
{
    const QDateTime printed = shipment.objectForKey(QVShipmentPrintDateKey).toDateTime();
    if (printed.isValid() && printed.toLocalTime().date() < now.toLocalTime().date())
        return false;
    // Refunded postage is never printed again, not even from a saved label.
    if (shipment.objectForKey(QVShipmentVoidKey).toBool())
        return false;
    if (const std::optional<QString> path = fileURLforPersistentShipment(shipment); path && QFileInfo(*path).isFile())
        return true;
    bool ok = false;
    const qint64 pieces = shipment.objectForKey(QVUSPSShipmentRHOPieceCountKey).toLongLong(&ok);
    if (!ok || pieces == 0)
        return false;
    return text(shipment, QVUSPSShipmentRHOTransactionTypeKey) == kStamp &&
        shipment.totalPrice().compare(Decimal::zero()) > 0;
}

QString QVMailingLogController::reprintWarningText()
{
    return QStringLiteral(
        "You are about to reprint postage. This should ONLY be used when the original item failed to print "
        "correctly. The postage re-printed will be identical in amount, services, and date to the original item. "
        "You MUST BE ABSOLUTELY CERTAIN that you do not mail the original item. You only get ONE chance to reprint "
        "this item, so be ABSOLUTELY sure you have corrected any printer problems prior to attempting your reprint. "
        "The use of false, fictitious or fraudulent U.S. postage indicia is punishable under the criminal laws of "
        "the United States. 18 U.S.C. \u00A71001.");
}

QVMailingLogController::ReprintLabel
QVMailingLogController::reprintLabelForShipment(const QVShipment &shipment, const QString &labelType, bool envelope)
{
    const QString formType = text(shipment, QVUSPSShipmentCustomsFormTypeKey);
    if (isIntegratedInternationalForm(shipment)) {
        if (is2976AType(formType))
            return ReprintLabel::Intl2976A;
        const bool thermal = labelType == QVEPL2Label || labelType == QVZPLIILabel;
        return thermal && !UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("overrideFCMIPrintInfo"))
            ? ReprintLabel::Intl2976EPL2
            : ReprintLabel::Intl2976;
    }
    if (isEligibleForDomesticIntegratedCustomsForms(shipment))
        return ReprintLabel::Domestic2976A;
    if (envelope && labelType == QVPlainPaperLabel)
        return ReprintLabel::Envelope;
    if (labelType == QVPlainPaperLabel || labelType == QVKIVO8836105Label)
        return ReprintLabel::PlainPaper;
    if (labelType == QVKIVO51207Label || labelType == QVKIVO51204Label || labelType == QVKIVO51203Label ||
        labelType == QVKIVO72019Label)
        return ReprintLabel::KIVO;
    if (labelType == QVEPL2Label || labelType == QVZPLIILabel)
        return ReprintLabel::EPL2;
    return ReprintLabel::None;
}

std::optional<QByteArray>
QVMailingLogController::reprintPDFDataWithShipment(const QVShipment &shipment, bool stealth, bool sample,
                                                   const std::optional<QByteArray> &indiciumData, bool envelope)
{
    const std::shared_ptr<QVPrintingPostageServices> postage = printingPostageServices();
    std::unique_ptr<QVIndiciumView> view;
    if (stealth) {
        auto stealthView = std::make_unique<QVStealthIndiciumView>();
        stealthView->setMailingClass(postage->tolvaneStealthString(shipment));
        view = std::move(stealthView);
    } else {
        std::unique_ptr<QVDollarIndiciumViewBase> dollar;
        if (envelope)
            dollar = QVEnvelopeDollarIndiciumView::create();
        else
            dollar = std::make_unique<QVDollarIndiciumView>();
        dollar->setPostageClass(envelope ? postage->tolvaneDollarClassString(shipment)
                                         : postage->tolvaneStealthString(shipment));
        dollar->setDollarAmount(postage->tolvanePostageString(shipment));
        view = std::move(dollar);
    }
    if (postage->tolvaneRateClassification(shipment) > 0) {
        if (view->respondsToCommercialPricing())
            view->setDrawsCommercialBasePricing(true);
        view->setDiscountPricingString(postage->tolvaneDiscountString(shipment));
    }
    view->setMailedFrom(postage->tolvaneMailedFromString(shipment));
    if (!sample) {
        if (!indiciumData || indiciumData->isEmpty())
            return std::nullopt;
        view->setBarcode(QVVectorBarcode::initWithData(*indiciumData));
        view->setDrawVoidBarcode(false);
        view->setDate(postage->tolvaneDateString(shipment));
    }
    view->setMeterID(mailingLogWindowServices()->meterID());
    return dataWithPDF(view.get());
}

QVMailingLogController::ReprintOutcome QVMailingLogController::reprint(const QDateTime &now)
{
    const std::shared_ptr<QVShipment> entry = shipmentAtCurrentlySelectedRow();
    if (!entry || !isEligbileForReprint(*entry, now))
        return ReprintOutcome::None;
    QString parseError;
    const std::optional<QVArchivedLabel> label = archivedLabel(*entry, &parseError);
    const bool labelServer = label || !parseError.isNull();

    // A saved label-server label is live postage as it stands: it has no
    // test form, so no Test Reprint is offered for it.
    enum { Cancel = 0, Reprint = 1, Test = 2 };
    Alert alert = alertWithText(QStringLiteral("Reprint Request"), reprintWarningText());
    alert.buttons = {{QStringLiteral("Reprint"), Reprint}, {QStringLiteral("Cancel"), Cancel}};
    if (!labelServer)
        alert.buttons.append({QStringLiteral("Test Reprint"), Test});
    alert.cancelAnswer = Cancel;
    const int answer = runAlert(alert);
    if (answer == Cancel || (answer == Test && labelServer))
        return ReprintOutcome::None;
    const bool test = answer == Test;

    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
    const std::shared_ptr<QVMailingLogWindowServices> services = mailingLogWindowServices();
    if (labelServer) {
        if (!label) {
            qWarning().noquote() << QStringLiteral("error parsing XML for reprint shipment: %1").arg(parseError);
            return ReprintOutcome::None;
        }
        host->setProgressTextString(QStringLiteral("Printing") + kEllipsis);
        QVLabelRange range;
        range.location = 0;
        range.length = UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("printCustomsSendersCopy"))
            ? QVLabelRange::all
            : 3;
        services->printLabelServerXML(label->xml, *entry, label->labelType, range);
        host->hideProgressPanel();
        return ReprintOutcome::LabelServer;
    }

    const std::shared_ptr<QVShipment> copy = entry->copy();
    const bool stealth = copy->objectForKey(QVUSPSShipmentStealthPostageKey).toBool();
    const QString size = text(*copy, QVUSPSShipmentSizeKey);
    const bool envelope = size == QVUSPSLetterSize || size == QVUSPSPostcardSize;
    const QString labelType = printerSetupController()->labelTypeForEnvelope(envelope);
    const bool plainEnvelope = envelope && labelType == QVPlainPaperLabel;

    std::optional<QByteArray> indiciumData;
    if (test) {
        indiciumData = QVBarcodeView::sampleBarcodeData();
    } else {
        const QString site = QVIndiciumView::vendorWebAddress();
        host->setProgressTextString(QStringLiteral("Contacting ") + site + kEllipsis);
        indiciumData = services->reprintDataWithShipment(*copy);
        if (!indiciumData || indiciumData->isEmpty()) {
            qWarning().noquote() << "couldn't reprint postage";
            host->hideProgressPanel();
            return ReprintOutcome::None;
        }
    }

    // A separate customs form goes out after the label.
    std::unique_ptr<QVCN22PrintController> cn22;
    std::unique_ptr<QVCP72View> cp72;
    const QString formType = text(*entry, QVUSPSShipmentCustomsFormTypeKey);
    if (!isIntegratedInternationalForm(*entry) && !isEligibleForDomesticIntegratedCustomsForms(*copy)) {
        // Dated with the copy's ship date (the reprint's).
        const std::shared_ptr<QVShipment> dated = entry->copy();
        dated->setObject(copy->objectForKey(QVShipmentShipDateKey), QVShipmentShipDateKey, false);
        if (formType == QVUSPSShipment2976CustomsFormType)
            cn22 = cn22ForShipment(*dated);
        else if (formType == QVUSPSShipment2976ACustomsFormType)
            cp72 = cp72ForShipment(*dated);
    }

    host->setProgressTextString(QStringLiteral("Printing") + kEllipsis);
    const auto printForm = [&](QVIntl2976ALabelController &form, const QVLayoutImage &image) {
        form.drawVoid(test);
        form.setIndicium(image);
        form.printLabel();
    };
    const auto printLayout = [&](auto &controller) {
        controller.drawVoid(test);
        controller.setIndicium(
            indiciumImage(reprintPDFDataWithShipment(*copy, stealth, test, indiciumData, plainEnvelope)));
        controller.printLabelWithPrintInfoExtras();
    };
    switch (reprintLabelForShipment(*copy, labelType, envelope)) {
    case ReprintLabel::Intl2976A:
        if (auto form = QVIntl2976ALabelController::intl2976AControllerWithShipment(entry->copy()))
            printForm(*form, indiciumImage(reprintPDFDataWithShipment(*entry, stealth, test, indiciumData)));
        break;
    case ReprintLabel::Intl2976:
        if (auto form = QVIntl2976LabelController::intl2976ControllerWithShipment(entry->copy()))
            printForm(*form, indiciumImage(reprintPDFDataWithShipment(*entry, stealth, test, indiciumData)));
        break;
    case ReprintLabel::Intl2976EPL2:
        if (auto form = QVIntl2976EPL2Controller::epl2ControllerWithShipment(*entry, indiciumData, test))
            form->printLabel();
        break;
    case ReprintLabel::Domestic2976A:
        if (auto form = QVDomestic2976ALabelController::domestic2976AControllerWithShipment(copy))
            printForm(*form, indiciumImage(reprintPDFDataWithShipment(*copy, stealth, test, indiciumData)));
        break;
    case ReprintLabel::Envelope:
        if (auto controller = QVEnvelopeController::envelopeControllerWithShipment(copy))
            printLayout(*controller);
        break;
    case ReprintLabel::PlainPaper:
        if (auto controller = QVPlainPaperLabelController::plainPaperControllerWithShipment(copy))
            printLayout(*controller);
        break;
    case ReprintLabel::KIVO:
        if (auto controller = QVKIVOLabelController::KIVOControllerWithShipment(copy))
            printLayout(*controller);
        break;
    case ReprintLabel::EPL2:
        if (auto controller = QVEPL2LabelController::epl2ControllerWithShipment(*copy)) {
            controller->setIndiciumWithShipment(*copy, indiciumData, stealth, test);
            if (test)
                controller->voidDoNotMail();
            controller->printLabel();
        }
        break;
    case ReprintLabel::None:
        break;
    }

    if (cn22 || cp72) {
        host->setProgressTextString(QStringLiteral("Printing Customs Form") + kEllipsis);
        const PrintInfo info = QVMailingRecordController::printInfo();
        if (cn22)
            runPrint(cn22->printView(), info, QStringLiteral("Customs Form"));
        else
            runPrint(cp72.get(), info, QVCP72View::printJobTitle());
    }
    host->hideProgressPanel();
    return test ? ReprintOutcome::Test : ReprintOutcome::Label;
}

// ---- Toolbar -----------------------------------------------------------------------------

void QVMailingLogController::toolbarWillAddItem(const QString &identifier)
{
    if (identifier == QVSearchLogItemIdentifier)
        m_activeSearchItem = true;
}

void QVMailingLogController::toolbarDidRemoveItem(const QString &identifier)
{
    if (identifier != QVSearchLogItemIdentifier)
        return;
    filter(QString());
    m_activeSearchItem = false;
}

bool QVMailingLogController::validateToolbarItem(const QString &identifier) const
{
    const std::optional<QVMailingLogToolbarItem> item = QVMailingLogToolbar::itemForItemIdentifier(identifier);
    return !item || validateAction(item->action);
}
