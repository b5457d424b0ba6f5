// The local-indicium road: customs form, number, postage, log entry, layout,
// print, customs form print.
#include "printing/flow/QVPrintFlow.h"

#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVBarcodeView.h"
#include "barcodes/indicia/QVDollarIndiciumView.h"
#include "barcodes/indicia/QVStealthIndiciumView.h"
#include "barcodes/indicia/QVVectorBarcode.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/customs/QVCN22PrintController.h"
#include "printing/customs/QVCP72View.h"
#include "printing/customs/QVPdfPages.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/layouts/QVEnvelopeController.h"
#include "printing/layouts/QVKIVOLabelController.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "printing/thermal/QVEPL2LabelController.h"
#include "rates/QVShipmentUSPS.h"
#include "services/LabelServerXML.h"
#include "services/QVRHOLabelNumberCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"
#include "services/QVShipmentVLS.h"

#include <QtDebug>

namespace tolvane {

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// The length of a confirmation number.
constexpr int kConfirmLength = 20;

bool isKIVOStock(const QString &labelType)
{
    return labelType == QVKIVO51207Label || labelType == QVKIVO51204Label || labelType == QVKIVO51203Label ||
        labelType == QVKIVO72019Label;
}

bool isZebra(const QString &labelType) { return labelType == QVEPL2Label || labelType == QVZPLIILabel; }

QVLayoutImage pictureOfPDF(const std::optional<QByteArray> &pdf)
{
    if (!pdf)
        return {};
    const std::shared_ptr<const QVPdfPages> pages = QVPdfPages::fromData(*pdf);
    return pages ? pages->pageImage(0) : QVLayoutImage();
}

// Moves a long enough number into the confirmation key.
void storeConfirmNumber(QVShipment &shipment, const QString &number)
{
    if (number.size() >= kConfirmLength)
        shipment.setObject(number.left(kConfirmLength), QVUSPSShipmentConfirmKey);
}

QString nonNull(const QString &text) { return text.isNull() ? QString(QLatin1String("")) : text; }

} // namespace

struct QVPrintFlow::CustomsPrint {
    std::unique_ptr<QVCN22PrintController> cn22;
    std::unique_ptr<QVCP72View> cp72;

    QWidget *view() const { return cn22 ? cn22->printView() : cp72.get(); }
};

bool QVPrintFlow::hasLocalLayout(const QString &labelType, bool envelope)
{
    return envelope || labelType == QVPlainPaperLabel || labelType == QVKIVO8836105Label || isKIVOStock(labelType) ||
        isZebra(labelType);
}

void QVPrintFlow::reportClientError(const QVClientError &error)
{
    // A refusal whose code has no known text (the server's code tables name
    // only some) is still said, with its code.
    if (!error.code.isEmpty() && error.description.isEmpty()) {
        printingErrorHasOccurred(error.code, QStringLiteral("The server refused the request."));
        return;
    }
    // A failure the client left no word for (an empty reply leaves its
    // last-error fields as they were) is said all the same: Print never ends
    // without telling the user that nothing was printed.
    if (error.code.isEmpty() && error.description.isEmpty()) {
        printingErrorHasOccurred(QString(QLatin1String("")), QStringLiteral("The server sent no usable reply."));
        return;
    }
    printingErrorHasOccurred(present(error.code), present(error.description));
}

std::optional<QString> QVPrintFlow::present(const QString &text)
{
    return text.isNull() ? std::nullopt : std::optional<QString>(text);
}

// ---- Indicium ----------------------------------------------------------------------

std::optional<QByteArray> QVPrintFlow::indiciumPDFDataWithShipment(QVShipment &shipment, bool stealth, bool sample,
                                                                   bool envelope)
{
    std::unique_ptr<QVIndiciumView> view;
    if (stealth) {
        auto stealthView = std::make_unique<QVStealthIndiciumView>();
        stealthView->setMailingClass(tolvaneStealthString(shipment));
        view = std::move(stealthView);
    } else {
        std::unique_ptr<QVDollarIndiciumViewBase> dollarView;
        if (envelope) {
            dollarView = QVEnvelopeDollarIndiciumView::create();
            dollarView->setPostageClass(tolvaneDollarClassString(shipment));
        } else {
            dollarView = std::make_unique<QVDollarIndiciumView>();
            dollarView->setPostageClass(tolvaneStealthString(shipment));
        }
        dollarView->setDollarAmount(tolvanePostageString(shipment));
        view = std::move(dollarView);
    }
    const int classification = tolvaneRateClassification(shipment);
    if (view->respondsToCommercialPricing())
        view->setDrawsCommercialBasePricing(classification > 0);
    if (classification > 0)
        view->setDiscountPricingString(tolvaneDiscountString(shipment));
    view->setMailedFrom(shipment.isReplyPostage() ? QStringLiteral("REPLY POSTAGE")
                                                  : tolvaneMailedFromString(shipment));
    const auto clients = printFlowClients();
    if (!sample) {
        std::optional<QByteArray> bytes = indiciumData(shipment);
        if (!bytes) {
            showProgress(QStringLiteral("Generating PC Postage"));
            bytes = clients->indiciumDataWithShipment(shipment);
            if (!bytes)
                return std::nullopt;
            setIndiciumData(shipment, bytes);
        }
        const std::shared_ptr<const QVVectorBarcode> barcode = QVVectorBarcode::initWithData(*bytes);
        if (!barcode)
            return std::nullopt;
        view->setBarcode(barcode);
        view->setDrawVoidBarcode(false);
        view->setDate(shipment.isReplyPostage() ? QStringLiteral("No Date Required") : tolvaneDateString(shipment));
    }
    view->setMeterID(clients->lastValidMeterID());
    return dataWithPDF(view.get());
}

QVLayoutImage QVPrintFlow::fakeIndiciumForShipment(QVShipment &shipment, bool stealth, bool envelope)
{
    return pictureOfPDF(indiciumPDFDataWithShipment(shipment, stealth, true, envelope));
}

// ---- Customs form ------------------------------------------------------------------------

bool QVPrintFlow::obtainCustomsForm(QVShipment &shipment, bool test, CustomsPrint &customs)
{
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);
    if (formType.isEmpty() || formType == QVUSPSShipmentNoCustomsFormType ||
        formType == QVUSPSShipmentGEMCustomsFormType)
        return true;
    showProgress(QStringLiteral("Generating customs form"));
    const auto clients = printFlowClients();
    const bool instructions = defaults().boolForKey(QVPrintCustomsInstructionsKey);
    const std::optional<QDate> shipDate = shipment.shipCalendarDate().date();
    std::optional<QString> number;
    if (formType == QVUSPSShipment2976CustomsFormType) {
        std::optional<QVUSPSImage> label;
        std::optional<QVUSPSImage> instructionsImage;
        number = clients->cn22CustomsForm(&label, &instructionsImage, shipment, test);
        if (number) {
            customs.cn22 = std::make_unique<QVCN22PrintController>();
            if (label)
                customs.cn22->setImage(customsImageWithData(label->data));
            customs.cn22->setDate(shipDate);
            if (instructions && instructionsImage)
                customs.cn22->setInstuctionsImage(customsImageWithData(instructionsImage->data));
        }
    } else if (formType == QVUSPSShipment2976ACustomsFormType) {
        QList<QVUSPSImage> labels;
        std::optional<QVUSPSImage> instructionsImage;
        number = clients->cp72CustomsForm(&labels, &instructionsImage, shipment, test);
        if (number) {
            QList<QVLayoutImage> pages;
            for (const QVUSPSImage &page : labels)
                pages << customsImageWithData(page.data);
            if (instructions && instructionsImage)
                pages << customsImageWithData(instructionsImage->data);
            customs.cp72 = std::make_unique<QVCP72View>();
            customs.cp72->resize(612, 792);
            customs.cp72->setDate(shipDate);
            customs.cp72->setImageArray(pages);
        }
    } else {
        showProgress(QStringLiteral("Preparing mailpiece"));
        return true;
    }
    if (number) {
        shipment.setObject(*number, QVUSPSShipmentCustomsBarcodeNumberKey);
    } else {
        const QVClientError error = clients->uspsError();
        if (customsErrorHasOccurred(error.code, error.description) != 1) {
            stopAfterQuestion(error);
            return false;
        }
    }
    showProgress(QStringLiteral("Preparing mailpiece"));
    return true;
}

void QVPrintFlow::stopAfterQuestion(const QVClientError &error)
{
    // Outside automation the user chose Cancel: nothing more is said.
    if (printFlowHost()->isAutomation())
        printingErrorHasOccurred(nonNull(error.code), nonNull(error.description));
    else
        printingErrorHasOccurred(std::nullopt, error.description);
}

void QVPrintFlow::printCustomsForm(CustomsPrint &customs)
{
    QWidget *view = customs.view();
    if (!view)
        return;
    showProgress(QStringLiteral("Printing Customs Form"));
    QVPrintOperation operation(
        view, QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(QVMailingRecordPaperInfoKey));
    operation.setJobTitle(QVCP72View::printJobTitle());
    if (!operation.runOperation())
        qWarning().noquote() << "Customs form not printed:" << operation.errorString();
}

// ---- Number ----------------------------------------------------------------------------------

bool QVPrintFlow::takeLabelServerNumber(QVShipment &shipment)
{
    const auto clients = printFlowClients();
    const std::optional<QVXMLDocument> reply = clients->labelNumberForShipment(shipment);
    if (!reply) {
        reportClientError(clients->labelServerError());
        return false;
    }
    if (defaults().boolForKey(QVLogDebugInfoKey))
        qInfo().noquote() << qv_prettyXMLString(*reply);
    if (!checkReplyStatus(*reply))
        return false;
    takeValuesFromVLSLabelResponse(shipment, *reply);
    return true;
}

bool QVPrintFlow::obtainNumber(QVShipment &shipment, const QVLocalRoad &road)
{
    const auto clients = printFlowClients();
    if (!shouldContainPIC(shipment)) {
        if (!shouldContainConfirm(shipment) || road.labelType == QVKIVO72019Label || !road.usePostage) {
            for (const QString &key : {QVUSPSShipmentConfirmKey, QVUSPSShipmentPICKey, QVUSPSShipmentRDCKey})
                shipment.removeObjectForKey(key);
            return true;
        }
        shipment.removeObjectForKey(QVUSPSShipmentPICKey);
        shipment.removeObjectForKey(QVUSPSShipmentRDCKey);
        if (road.test) {
            shipment.setObject(QVSampleConfirmNumber, QVUSPSShipmentConfirmKey);
            return true;
        }
        showProgress(QStringLiteral("Generating barcode number"));
        if (road.numbersFromLabelServer) {
            if (!takeLabelServerNumber(shipment))
                return false;
            storeConfirmNumber(shipment, shipmentText(shipment, QVUSPSShipmentPICKey));
            shipment.removeObjectForKey(QVUSPSShipmentPICKey);
            return true;
        }
        const std::optional<QString> number = clients->confirmNumber(shipment);
        if (number && number->size() >= kConfirmLength) {
            storeConfirmNumber(shipment, *number);
            return true;
        }
        const QVClientError error = clients->labelNumberError();
        if (confirmErrorHasOccurred(error.code, error.description) != 1) {
            stopAfterQuestion(error);
            return false;
        }
        showProgress(QStringLiteral("Preparing mailpiece"));
        return true;
    }
    if (road.test)
        return true;
    if (road.numbersFromLabelServer) {
        showProgress(QStringLiteral("Generating shipping label"));
        return takeLabelServerNumber(shipment);
    }
    showProgress(QStringLiteral("Generating barcode number"));
    QVariantMap response;
    const std::optional<QString> number = isExpressMail(shipment) ? clients->expressLabelNumber(&response, shipment)
                                                                  : clients->domesticLabelNumber(&response, shipment);
    if (!number) {
        reportClientError(clients->labelNumberError());
        return false;
    }
    takeValuesFromLNSResponseDict(shipment, response);
    return true;
}

// ---- Postage, log and layout ---------------------------------------------------------------

bool QVPrintFlow::buyPostageAndLog(QVShipment &shipment, const QVLocalRoad &road)
{
    if (road.usePostage && !indiciumData(shipment)) {
        showProgress(QStringLiteral("Generating PC Postage"));
        const auto clients = printFlowClients();
        const std::optional<QByteArray> bytes = clients->indiciumDataWithShipment(shipment);
        if (!bytes) {
            reportClientError(clients->postageError());
            return false;
        }
        setIndiciumData(shipment, bytes);
    }
    // The postage is paid: the piece is logged before anything can fail,
    // and prints only with its entry logged or kept for the log.
    return logPaidPiece(shipment);
}

bool QVPrintFlow::printLayout(const std::shared_ptr<QVShipment> &shipment, const QVLocalRoad &road)
{
    const bool test = road.test;
    if (!test && !buyPostageAndLog(*shipment, road))
        return false;
    const QString drawFailure = QStringLiteral("The postage was bought and the piece logged, but its indicium could "
                                               "not be drawn. You can print it again from the mailing log.");

    if (isZebra(road.labelType) && !road.envelope) {
        const std::unique_ptr<QVEPL2LabelController> label =
            QVEPL2LabelController::epl2ControllerWithShipment(*shipment);
        if (road.usePostage) {
            const std::optional<QByteArray> bytes =
                test ? std::optional<QByteArray>(QVBarcodeView::sampleBarcodeData()) : indiciumData(*shipment);
            if (!label->setIndiciumWithShipment(*shipment, bytes, road.stealth, test)) {
                printingErrorHasOccurred(QString(QLatin1String("")), drawFailure);
                return false;
            }
        }
        if (test)
            label->voidDoNotMail();
        const ZebraWriteOutcome outcome = label->printLabel();
        if (outcome == ZebraWriteOutcome::Sent)
            return true;
        printingErrorHasOccurred(outcome == ZebraWriteOutcome::Cancelled ? std::nullopt
                                                                         : std::optional<QString>(QLatin1String("")),
                                 QStringLiteral("The label could not be sent to the Zebra printer."));
        return false;
    }

    QVLayoutImage indicium;
    if (road.usePostage) {
        const bool fake = test && (road.envelope || isKIVOStock(road.labelType));
        const bool sample = test && !fake;
        indicium = fake ? fakeIndiciumForShipment(*shipment, road.stealth, road.envelope)
                        : pictureOfPDF(indiciumPDFDataWithShipment(*shipment, road.stealth, sample, road.envelope));
        if (indicium.isNull()) {
            printingErrorHasOccurred(QString(QLatin1String("")),
                                     test ? QStringLiteral("The sample indicium could not be drawn.") : drawFailure);
            return false;
        }
    }
    bool printed = false;
    if (road.envelope) {
        const auto envelope = QVEnvelopeController::envelopeControllerWithShipment(shipment);
        envelope->drawVoid(test);
        envelope->setIndicium(indicium);
        printed = envelope->printLabelWithPrintInfoExtras(m_pendingPDF);
    } else if (isKIVOStock(road.labelType)) {
        const auto label = QVKIVOLabelController::KIVOControllerWithShipment(shipment);
        label->drawVoid(test);
        label->setIndicium(indicium);
        printed = label->printLabelWithPrintInfoExtras(m_pendingPDF);
    } else {
        const auto label = QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment);
        label->setLabelType(road.labelType);
        label->drawVoid(test);
        label->setIndicium(indicium);
        label->setTestPrint(test);
        printed = label->printLabelWithPrintInfoExtras(m_pendingPDF);
    }
    if (!printed)
        printingErrorHasOccurred(QString(QLatin1String("")), QStringLiteral("The label could not be printed."));
    return printed;
}

bool QVPrintFlow::printLocalIndicium(const std::shared_ptr<QVShipment> &shipment, const QVLocalRoad &road)
{
    if (!hasLocalLayout(road.labelType, road.envelope)) {
        // Nothing would be printed: nothing is asked of any server either.
        printingErrorHasOccurred(QString(QLatin1String("")),
                                 QStringLiteral("There is no label layout for the chosen label type. Please change "
                                                "your printer and/or label type."));
        return false;
    }
    CustomsPrint customs;
    if (!obtainCustomsForm(*shipment, road.test, customs) || !obtainNumber(*shipment, road) ||
        !printLayout(shipment, road))
        return false;
    printCustomsForm(customs);
    return true;
}

} // namespace tolvane
