#include "printing/layouts/QVKIVOLabelController.h"

#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "rates/QVShipmentLabelFields.h"

namespace tolvane {

QVKIVOLabelController::QVKIVOLabelController() : QVKIVOLabelController(labelTypeFromPrinterSetup()) {}

QVKIVOLabelController::QVKIVOLabelController(const QString &labelType) : QVKIVOLabelLayout(Role::Print, labelType) {}

void QVKIVOLabelController::blank()
{
    setToAddressString(QString());
    setFromAddressString(QString());
    setCustomFieldString(QString(), QStringLiteral("Top"));
    setEServiceTextString(QString());
    setEServicePICString(QString());
    setEServiceBarcodeString(QString());
    setRDCString(QString());
    setElectronicRateApprovedString(QString());
    setIndicium(QVLayoutImage());
    setPostNetImage(QVLayoutImage());
    drawVoid(false);
}

std::unique_ptr<QVKIVOLabelController> QVKIVOLabelController::blankKIVOController()
{
    auto controller = std::make_unique<QVKIVOLabelController>();
    controller->blank();
    return controller;
}

std::unique_ptr<QVKIVOLabelController>
QVKIVOLabelController::KIVOControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    auto controller = blankKIVOController();
    controller->fillFromShipment(std::move(shipment));
    controller->syncCustomFields();
    return controller;
}

void QVKIVOLabelController::syncCustomFields()
{
    if (m_shipment)
        setCustomFieldString(stringForTopCustomField(*m_shipment), QStringLiteral("Top"));
}

PrintInfo QVKIVOLabelController::kivoPrintInfo() const
{
    PrintInfo info;
    info.printerName = QVPrinterSetupController::sharedController()
                           ->printerNameForPrinterType(QVKIVOTagwrightPrinter, m_labelType, QString())
                           .value_or(QString());
    info.paperName = paperNameForLabelType(m_labelType);
    info.paperSize = paperSizeForLabelType(m_labelType);
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    info.horizontallyCentered = info.verticallyCentered = false;
    info.orientation = PrintInfo::Orientation::Landscape;
    info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
    info.allPages = false;
    info.firstPage = 1;
    info.lastPage = 1;
    info.copies = 1;
    info.scalingFactor = 1.0;
    return info;
}

PrintInfo QVKIVOLabelController::printInfoWithExtras(const QVariantMap &extras) const
{
    PrintInfo info = kivoPrintInfo();
    QString tray;
    if (KIVONewTagwright::isDualSwift(info.printerName)) {
        const QVariant stored =
            QVPrinterSetupController::sharedController()->kivoSetting(m_labelType, QStringLiteral("tray"));
        tray = stored.toString() == KIVOPaperTrayLeft ? QStringLiteral("Left") : QStringLiteral("Right");
    }
    KIVONewTagwright::printInfoForPrintInfo(info, tray, kivoDensityForLabelType(m_labelType));
    return ::printInfoWithExtras(info, extras);
}

bool QVKIVOLabelController::printLabelWithPrintInfoExtras(const QVariantMap &extras)
{
    // A stock without a layout has nothing to print: no empty page is sent.
    if (!hasLayout()) {
        qWarning("No label layout for the label type \"%s\"; nothing is printed.", qPrintable(m_labelType));
        return false;
    }
    QVPrintOperation operation(labelView(), printInfoWithExtras(extras));
    operation.setJobTitle(QStringLiteral("Tolvane Label"));
    return operation.runOperation();
}

} // namespace tolvane
