#include "printing/layouts/QVKIVO51207PreviewController.h"

#include "barcodes/imaging/QVUSPS4CBView.h"
#include "platform/UserDefaults.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rates/QVShipmentUSPS.h"

namespace tolvane {

namespace {

const QList<QPair<QString, QString>> &windowNibs()
{
    static const QList<QPair<QString, QString>> table = {
        {QVKIVO51207Label, QStringLiteral("Kivo51207Label")},
        {QVKIVO51204Label, QStringLiteral("Kivo51204Label")},
        {QVKIVO51203Label, QStringLiteral("Kivo51203Label")},
        {QVKIVO72019Label, QStringLiteral("Kivo72019Label")},
    };
    return table;
}

QString labelTypeForNibName(const QString &nibName)
{
    for (const auto &[labelType, nib] : windowNibs()) {
        if (nib == nibName)
            return labelType;
    }
    return QString();
}

} // namespace

QVKIVO51207PreviewController::QVKIVO51207PreviewController(const QString &nibName)
    : QVKIVOLabelLayout(Role::Preview, labelTypeForNibName(nibName))
{
    windowDidLoad();
}

QVKIVO51207PreviewController::~QVKIVO51207PreviewController() { m_defaultsObserver.reset(); }

QString QVKIVO51207PreviewController::nibNameForLabelType(const QString &labelType)
{
    for (const auto &[type, nib] : windowNibs()) {
        if (type == labelType)
            return nib;
    }
    return QString();
}

std::unique_ptr<QVKIVO51207PreviewController>
QVKIVO51207PreviewController::kivo51207PreviewControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    QString labelType = labelTypeFromPrinterSetup();
    if (!labelType.startsWith(QLatin1String("QVKIVO")))
        labelType = UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("printerLabel"));
    auto controller = std::make_unique<QVKIVO51207PreviewController>(nibNameForLabelType(labelType));
    controller->setLabelType(labelType);
    controller->fillFromShipment(std::move(shipment));
    return controller;
}

void QVKIVO51207PreviewController::windowDidLoad()
{
    if (!hasLayout())
        return;
    m_labelImageView = new QVImageView(m_window.get());
    m_labelImageView->setObjectName(QStringLiteral("labelImageView"));
    m_labelImageView->setGeometry(m_window->rect());
    m_labelImageView->setScaling(QVImageView::Scaling::None);
    m_labelImageView->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_labelImageView->lower();
    m_defaultsObserver = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, [this](const Notification &) { readFromDefaults(); });
}

void QVKIVO51207PreviewController::setLabelImage(const QVLayoutImage &image)
{
    if (m_labelImageView)
        m_labelImageView->setImage(image);
}

void QVKIVO51207PreviewController::readFromDefaults()
{
    if (m_shipment) {
        const QVShipment &s = *m_shipment;
        setToAddressString(s.toAddress().formattedAddress());
        setFromAddressString(returnAddressText(s));
        const QString confirm = shipmentText(s, QVUSPSShipmentConfirmKey);
        if (m_labelType != QVKIVO72019Label && !confirm.isEmpty())
            setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, s.toAddress()));
    }
    NotificationCenter::defaultCenter().post(QVLabelLayoutDidChangeNotification, NotificationObject(this));
}

} // namespace tolvane
