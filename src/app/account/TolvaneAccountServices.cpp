#include "app/account/TolvaneAccountServices.h"

#include "barcodes/indicia/QVBarcodeView.h"
#include "barcodes/indicia/QVDollarIndiciumView.h"
#include "barcodes/indicia/QVVectorBarcode.h"
#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "platform/ServiceSlot.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/layouts/QVKIVOLabelController.h"
#include "printing/layouts/QVLayoutViews.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "printing/thermal/QVEPL2LabelController.h"

#include <QCoreApplication>
#include <QTimer>

using namespace tolvane;

void TolvaneAccountHost::performLater(std::function<void()> work)
{
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(work));
}

void ApplicationAccountHost::setProgressTextString(const QString &text)
{
    printFlowHost()->setProgressTextString(text);
}

void ApplicationAccountHost::hideProgressPanel() { printFlowHost()->hideProgressPanel(); }

void ApplicationAccountHost::refreshTolvaneStatus() { printFlowHost()->refreshTolvaneStatus(); }

void ApplicationAccountHost::showTolvaneWizard() { printFlowHost()->showTolvaneWizard(); }

void ApplicationAccountHost::terminate()
{
    // Queued, so that a modal session that asked for it closes first.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

void ApplicationAccountHost::launchURL(const QUrl &url) { printFlowHost()->launchURL(url); }

CorrectionRoad correctionRoadForPrinter(const QString &labelType, const QString &printerType)
{
    if (labelType == QVPlainPaperLabel || printerType == QVKIVOTagwrightPrinter) {
        if (labelType == QVPlainPaperLabel || labelType == QVKIVO8836105Label)
            return CorrectionRoad::PlainPaperIndicium;
        return CorrectionRoad::LabelPrinterIndicium;
    }
    if (labelType == QVEPL2Label || labelType == QVZPLIILabel)
        return CorrectionRoad::Zebra;
    return CorrectionRoad::None;
}

CorrectionRoad currentCorrectionRoad()
{
    const UserDefaults &defaults = UserDefaults::standardUserDefaults();
    return correctionRoadForPrinter(defaults.stringForKey(QStringLiteral("printerLabel")),
                                    defaults.stringForKey(QStringLiteral("printerType")));
}

namespace {

// Puts the drawn indicium on an empty layout of the road and prints it.
bool printIndiciumImage(CorrectionRoad road, const QVLayoutImage &image)
{
    if (road == CorrectionRoad::PlainPaperIndicium) {
        const std::unique_ptr<QVPlainPaperLabelController> layout =
            QVPlainPaperLabelController::blankPlainPaperController();
        layout->setIndicium(image);
        return layout->printLabelWithPrintInfoExtras();
    }
    const std::unique_ptr<QVKIVOLabelController> layout = QVKIVOLabelController::blankKIVOController();
    layout->setIndicium(image);
    return layout->printLabelWithPrintInfoExtras();
}

} // namespace

QByteArray LayoutCorrectionPrinting::sampleIndiciumData() { return QVBarcodeView::sampleBarcodeData(); }

bool LayoutCorrectionPrinting::printPostageCorrection(CorrectionRoad road, const CorrectionIndicium &indicium,
                                                      const QVShipment &record, bool sample)
{
    switch (road) {
    case CorrectionRoad::None:
        return false;
    case CorrectionRoad::Zebra: {
        const std::unique_ptr<QVEPL2LabelController> label =
            QVEPL2LabelController::epl2ControllerForPostageCorrectionShipment(record, indicium.indiciumData, sample);
        return label && label->printLabel() == ZebraWriteOutcome::Sent;
    }
    case CorrectionRoad::PlainPaperIndicium:
    case CorrectionRoad::LabelPrinterIndicium:
        break;
    }
    QVDollarIndiciumView view;
    view.setPostageClass(indicium.postageClass);
    view.setDollarAmount(indicium.dollarAmount);
    view.setMailedFrom(indicium.mailedFrom);
    view.setMeterID(indicium.meterID);
    if (indicium.real) {
        // Postage is never printed without its symbol.
        std::shared_ptr<const QVVectorBarcode> barcode = QVVectorBarcode::initWithData(indicium.indiciumData);
        if (!barcode)
            return false;
        view.setBarcode(std::move(barcode));
        view.setDrawVoidBarcode(false);
        view.setDate(indicium.date);
        view.setTolvaneDotCom(indicium.webLine);
    }
    return printIndiciumImage(road, QVLayoutImage::fromView(&view));
}

bool LayoutCorrectionPrinting::printDateCorrection(CorrectionRoad road, const QDate &date, const QString &mailedFrom)
{
    switch (road) {
    case CorrectionRoad::None:
        return false;
    case CorrectionRoad::Zebra: {
        const std::unique_ptr<QVEPL2LabelController> label =
            QVEPL2LabelController::epl2ControllerForDateCorrectionDate(QDateTime(date, QTime(12, 0)), mailedFrom);
        return label && label->printLabel() == ZebraWriteOutcome::Sent;
    }
    case CorrectionRoad::PlainPaperIndicium:
    case CorrectionRoad::LabelPrinterIndicium:
        break;
    }
    const std::unique_ptr<QVDollarIndiciumView> view = QVDollarIndiciumView::dateCorrectionViewForDate(date);
    view->setMailedFrom(mailedFrom);
    return printIndiciumImage(road, QVLayoutImage::fromView(view.get()));
}

namespace {
using HostSlot = ServiceSlot<TolvaneAccountHost, ApplicationAccountHost>;
using PrintingSlot = ServiceSlot<TolvaneCorrectionPrinting, LayoutCorrectionPrinting>;
} // namespace

void setTolvaneAccountHost(std::shared_ptr<TolvaneAccountHost> host)
{
    HostSlot::shared().registered = std::move(host);
}

std::shared_ptr<TolvaneAccountHost> tolvaneAccountHost() { return HostSlot::shared().current(); }

void setCorrectionPrinting(std::shared_ptr<TolvaneCorrectionPrinting> printing)
{
    PrintingSlot::shared().registered = std::move(printing);
}

std::shared_ptr<TolvaneCorrectionPrinting> correctionPrinting() { return PrintingSlot::shared().current(); }

QString dollarText(const Decimal &amount)
{
    return QStringLiteral("$") + twoDigitDollarFormatter().stringFromNumber(amount);
}
