#include "printing/customs/QVDomestic2976ALabelController.h"

#include "barcodes/imaging/QVCode128View.h"
#include "platform/UserDefaults.h"
#include "printing/customs/QVIntl2976AView.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ui_Domestic2976A.h"

namespace tolvane {

namespace {
constexpr double kModuleHeight = 0.5;
constexpr double kModuleWidth = 0.013;
} // namespace

QVDomestic2976ALabelController::QVDomestic2976ALabelController() : QVIntl2976ALabelController(NoLayout())
{
    auto view = std::make_unique<QVIntl2976AView>();
    Ui::Domestic2976A form;
    form.setupUi(view.get());
    const Outlets outlets = outletsOf(form, view.get());
    windowDidLoad(std::move(view), outlets);
    for (QVCode128View *barcode : {outlets.barcode1, outlets.barcode2}) {
        barcode->setModuleHeight(kModuleHeight);
        barcode->setModuleWidth(kModuleWidth);
    }
}

const QVariantMap &QVDomestic2976ALabelController::mailClassMap()
{
    static const QVariantMap map = {
        {QVUSPSFirstClassMail, QStringLiteral("First-Class")}, {QVUSPSMediaMail, QStringLiteral("Media Mail")},
        {QVUSPSParcelPost, QStringLiteral("Parcel Post")},     {QVUSPSParcelSelect, QStringLiteral("Parcel Select")},
        {QVUSPSLibraryMail, QStringLiteral("Library Mail")},
    };
    return map;
}

std::unique_ptr<QVDomestic2976ALabelController>
QVDomestic2976ALabelController::domestic2976AControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    auto controller = std::make_unique<QVDomestic2976ALabelController>();
    if (!shipment)
        return controller;
    controller->setShipment(shipment);
    controller->setValuesWithShipment(*shipment);
    controller->setToAddressString(shipment->toAddress().formattedAddress());
    controller->setFromAddressString(shipment->fromAddress().formattedAddress());
    const QString prefix = shipmentText(*shipment, QVUSPSShipmentRateClassKey) == QVUSPSPriorityMail
        ? QStringLiteral("pm-cp72-")
        : QStringLiteral("generic-cp72-");
    const QList<QVLayoutImage> pages = {QVLayoutImage::named(prefix + QStringLiteral("1-outline")),
                                        QVLayoutImage::named(prefix + QStringLiteral("2-outline"))};
    QVIntl2976AView *view = controller->formView();
    view->setPrintSendersCopy(
        UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("printCustomsSendersCopy")));
    view->setImageArray(pages);
    view->showFormPage(1);
    return controller;
}

void QVDomestic2976ALabelController::setStringsWithDictionary(const QVariantMap &values)
{
    QVariantMap copy = values;
    if (const std::shared_ptr<QVShipment> piece = shipment()) {
        copy.insert(QStringLiteral("eServiceText"), eServiceTextString(*piece));
        copy.insert(QStringLiteral("electronicRateText"), electronicRateApprovedString(*piece));
        const QVariant mailClass = mailClassMap().value(shipmentText(*piece, QVUSPSShipmentRateClassKey));
        if (mailClass.isValid())
            copy.insert(QStringLiteral("mailClass"), mailClass);
    }
    if (!UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("cp72OverlayImagePath")).isEmpty()) {
        copy.insert(QStringLiteral("description3"),
                    QStringLiteral("Certified to be a bona fide gift, items for personal use"));
        copy.insert(QStringLiteral("description4"),
                    QStringLiteral("and not for resale of US Government personnel and"));
        copy.insert(QStringLiteral("description5"), QStringLiteral("dependents, or for Official Use."));
    }
    QVIntl2976ALabelController::setStringsWithDictionary(copy);
}

} // namespace tolvane
