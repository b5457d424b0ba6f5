#include "printing/customs/QVIntl2976LabelController.h"

#include "platform/UserDefaults.h"
#include "printing/customs/QVIntl2976View.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ui_Intl2976.h"

namespace tolvane {

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

bool onFourBySixStock() { return defaults().stringForKey(QStringLiteral("printerLabel")) == QVKIVO8836105Label; }

QFont helvetica(qreal size)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(size);
    return font;
}

} // namespace

QVIntl2976LabelController::QVIntl2976LabelController() : QVIntl2976ALabelController(NoLayout())
{
    auto view = std::make_unique<QVIntl2976View>();
    Ui::Intl2976 form;
    form.setupUi(view.get());
    m_mailingRecordImageView = form.mailingRecordImageView;
    m_fourBySixLabelView = form.fourBySixLabelView;
    const Outlets outlets = outletsOf(form, view.get());
    windowDidLoad(std::move(view), outlets);
    m_mailingRecordImageView->setScaling(QVImageView::Scaling::None);
    m_mailingRecordImageView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QPair<QString, QString> QVIntl2976LabelController::imageNamesForShipment(const QVShipment &shipment)
{
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    if (rateClass == QVUSPSIntlFirstClassMailIntl)
        return {QStringLiteral("cn22_firstclassinternational-outline"), QStringLiteral("cn22_fmi_bottom")};
    if (rateClass != QVUSPSIntlPriorityMailIntl)
        return {};
    const QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    if (size == QVUSPSSmallFlatRateBoxSize)
        return {QStringLiteral("cn22_prioritymailflatrate-smallbox-outline"),
                QStringLiteral("cn22_pmi-flatrate_bottom-smallbox")};
    if (size == QVUSPSFlatRatePaddedEnvelopeSize)
        return {QStringLiteral("cn22_prioritymailflatratepadded-envelope-outline"),
                QStringLiteral("cn22_pmi-flatrate_bottom-smallbox")};
    if (size == QVUSPSFlatRateEnvelopeSize)
        return {QStringLiteral("cn22_prioritymailflatrate-envelope-outline"),
                QStringLiteral("cn22_pmi-flatrate_bottom")};
    return {QStringLiteral("cn22_prioritymail_international"), QStringLiteral("cn22_pmi-flatrate_bottom-smallbox")};
}

std::unique_ptr<QVIntl2976LabelController>
QVIntl2976LabelController::intl2976ControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    auto controller = std::make_unique<QVIntl2976LabelController>();
    if (!shipment)
        return controller;
    controller->setShipment(shipment);
    controller->setValuesWithShipment(*shipment);
    controller->setToAddressString(shipment->toAddress().formattedAddress());
    controller->setFromAddressString(shipment->fromAddress().formattedAddress() + QStringLiteral("\nUS"));

    const Outlets &outlets = controller->outlets();
    outlets.fromAddress2->setFont(helvetica(7));
    outlets.fromAddress2->setPlainText(outlets.fromAddress2->text());
    outlets.toAddress2->setFont(helvetica(8));
    outlets.toAddress2->setPlainText(outlets.toAddress2->text());

    const auto [label, lower] = imageNamesForShipment(*shipment);
    controller->setLabelImage(label.isEmpty() ? QVLayoutImage() : QVLayoutImage::named(label));
    controller->setMailingRecordImage(lower.isEmpty() ? QVLayoutImage() : QVLayoutImage::named(lower));
    return controller;
}

void QVIntl2976LabelController::setStringsWithDictionary(const QVariantMap &values)
{
    // The CN 22 has no boxes for returned goods or merchandise (the
    // dictionary's "retgood" and "merch"): "Other" with the words.
    QVariantMap copy = values;
    if (values.contains(QStringLiteral("retgood"))) {
        copy.insert(QStringLiteral("other"), QStringLiteral("X"));
        copy.insert(QStringLiteral("otherDescription"), QStringLiteral("returned goods"));
    } else if (values.contains(QStringLiteral("merch"))) {
        copy.insert(QStringLiteral("other"), QStringLiteral("X"));
        copy.insert(QStringLiteral("otherDescription"), QStringLiteral("merchandise"));
    }
    QVIntl2976ALabelController::setStringsWithDictionary(copy);
}

QString QVIntl2976LabelController::printInfoKey() const
{
    return defaults().boolForKey(QStringLiteral("overrideFCMIPrintInfo")) ? QVFCMIPrintInfoKey
                                                                          : QVPlainPaperPrintInfoKey;
}

PrintInfo QVIntl2976LabelController::printInfo() const
{
    const auto setup = QVPrinterSetupController::sharedController();
    if (!defaults().boolForKey(QStringLiteral("overrideFCMIPrintInfo")) && onFourBySixStock()) {
        PrintInfo info;
        info.printerName =
            setup->printerNameForPrinterType(QVKIVOTagwrightPrinter, QVKIVO8836105Label, QString()).value_or(QString());
        info.paperName = QStringLiteral("8836105_4_in_x_6_in");
        info.paperSize = QSizeF(296, 452);
        info.leftMargin = info.rightMargin = info.topMargin = 0;
        info.bottomMargin = -5.76;
        info.orientation = PrintInfo::Orientation::Landscape;
        info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
        info.horizontallyCentered = info.verticallyCentered = true;
        info.scalingFactor = 0.9;
        KIVONewTagwright::printInfoForPrintInfo(info, QString(), kivoDensityForLabelType(QVKIVO8836105Label));
        return info;
    }
    PrintInfo info = setup->plainPaperPrintInfoForKey(printInfoKey());
    info.leftMargin = 0;
    info.orientation = PrintInfo::Orientation::Portrait;
    return info;
}

QWidget *QVIntl2976LabelController::printView() const
{
    return onFourBySixStock() ? m_fourBySixLabelView : labelView();
}

void QVIntl2976LabelController::setLabelImage(const QVLayoutImage &image) { outlets().labelImageView->setImage(image); }

void QVIntl2976LabelController::setMailingRecordImage(const QVLayoutImage &image)
{
    m_mailingRecordImageView->setImage(image);
}

QVIntl2976View *QVIntl2976LabelController::intl2976View() const { return qobject_cast<QVIntl2976View *>(labelView()); }

} // namespace tolvane
