// The preview of the print commands: the preview layout of the current
// shipment with a sample indicium and sample numbers, its picture (or the
// label server's preview picture), and the panel that shows it.
#include "printing/customs/QVDomestic2976ALabelController.h"
#include "printing/customs/QVIntl2976LabelController.h"
#include "printing/layouts/QVEnvelopeController.h"
#include "printing/layouts/QVKIVO51207PreviewController.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPreviewPanelWidget.h"
#include "printing/flow/QVPrintCommands.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include <QPainter>

#include <variant>

namespace tolvane {

// The preview layout: which controller draws it and what it was built for.
struct QVPreviewLabel {
    std::variant<std::unique_ptr<QVEnvelopeController>, std::unique_ptr<QVKIVO51207PreviewController>,
                 std::unique_ptr<QVIntl2976ALabelController>, std::unique_ptr<QVPlainPaperLabelController>>
        controller;
    QString labelType;
    bool envelope = false;  // drawn by the envelope layout
    bool postcard = false;  // a postcard on plain paper
    bool plainForm = false; // a 2976-A form (drawn as the upper half of a page)
    bool form2976 = false;  // a 2976 label
    bool hasIndicium = false;
    bool stealth = false;
    bool leftAlignedPostage = false;
    NotificationObserver layoutChanged;

    QWidget *labelView() const
    {
        return std::visit([](const auto &c) -> QWidget * { return c ? c->labelView() : nullptr; }, controller);
    }
    const void *address() const
    {
        return std::visit([](const auto &c) -> const void * { return c.get(); }, controller);
    }
};

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

struct PreviewCache {
    std::shared_ptr<QVShipment> shipment;
    QString labelType;
    QImage image;
};

PreviewCache &previewCache()
{
    static PreviewCache cache;
    return cache;
}

bool isEnvelopeSize(const QString &size) { return size == QVUSPSPostcardSize || size == QVUSPSLetterSize; }

bool is2976AForm(const QString &form)
{
    return form == QVUSPSShipment2976AEMICustomsFormType || form == QVUSPSShipment2976APMICustomsFormType;
}

bool is2976Form(const QString &form)
{
    return form == QVUSPSShipment2976PMICustomsFormType || form == QVUSPSShipment2976FCMICustomsFormType;
}

// The view drawn into an image at twice its size (the image keeps the
// view's size in points as its device-independent size).
QImage renderView(QWidget *view, const QRectF &area)
{
    if (!view || area.isEmpty())
        return {};
    constexpr qreal scale = 2;
    QImage image((area.size() * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    view->render(&painter, QPoint(), QRegion(area.toAlignedRect()), QWidget::DrawChildren);
    painter.end();
    return image;
}

} // namespace

QVPrintCommands::QVPrintCommands(QVPrintFlow &flow) : m_flow(flow) {}

QVPrintCommands::~QVPrintCommands() = default;

void QVPrintCommands::clearPreviewImageCache() { previewCache() = PreviewCache(); }

bool QVPrintCommands::preparePreviewLabelController()
{
    m_preview.reset();
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> current = window ? window->currentShipment() : nullptr;
    if (!current)
        return false;
    const std::shared_ptr<QVShipment> shipment = current->copy();
    const QString size = shipmentText(*shipment, QVUSPSShipmentSizeKey);
    const bool envelopePiece = isEnvelopeSize(size);
    const auto setup = QVPrinterSetupController::sharedController();
    const QString printerType = setup->printerTypeForEnvelope(envelopePiece);
    const QString labelType = setup->labelTypeForEnvelope(envelopePiece);
    const bool plainEnvelope = envelopePiece && labelType == QVPlainPaperLabel;
    const bool usePostage = window->usePostageForCurrentShipment();
    const bool stealth = window->useStealthPostageForCurrentShipment();

    auto preview = std::make_unique<QVPreviewLabel>();
    preview->labelType = labelType;
    preview->stealth = stealth;
    preview->hasIndicium = usePostage;
    QVLayoutImage indicium;
    if (usePostage)
        indicium = m_flow.fakeIndiciumForShipment(*shipment, stealth, plainEnvelope);

    const QString form = shipmentText(*shipment, QVUSPSShipmentCustomsFormTypeKey);
    const QString rateClass = shipmentText(*shipment, QVUSPSShipmentRateClassKey);
    if (!shipment->isDomestic() && (is2976AForm(form) || is2976Form(form))) {
        shipment->removeObjectForKey(QVUSPSShipmentRDCKey);
        shipment->removeObjectForKey(QVUSPSShipmentPICKey);
        if (is2976AForm(form)) {
            if (rateClass == QVUSPSIntlExpressMailIntl)
                shipment->setObject(QVPreviewSamplePIC, QVUSPSShipmentPICKey);
            if (rateClass == QVUSPSIntlPriorityMailIntl)
                shipment->setObject(QVPreviewSampleCustomsNumber, QVUSPSShipmentCustomsBarcodeNumberKey);
            preview->controller = QVIntl2976ALabelController::intl2976AControllerWithShipment(shipment);
            preview->plainForm = true;
        } else {
            shipment->setObject(QVPreviewSampleCustomsNumber, QVUSPSShipmentCustomsBarcodeNumberKey);
            preview->controller = std::unique_ptr<QVIntl2976ALabelController>(
                QVIntl2976LabelController::intl2976ControllerWithShipment(shipment));
            preview->form2976 = true;
        }
    } else {
        if (!isExpressMail(*shipment) && shouldContainConfirm(*shipment) && labelType != QVKIVO72019Label &&
            usePostage) {
            shipment->removeObjectForKey(QVUSPSShipmentPICKey, false);
            shipment->removeObjectForKey(QVUSPSShipmentRDCKey, false);
            shipment->setObject(QVSampleConfirmNumber, QVUSPSShipmentConfirmKey, false);
        }
        const bool integrated = isEligibleForDomesticIntegratedCustomsForms(*shipment);
        if (integrated && form == QVUSPSShipment2976ACustomsFormType) {
            preview->controller = std::unique_ptr<QVIntl2976ALabelController>(
                QVDomestic2976ALabelController::domestic2976AControllerWithShipment(shipment));
            preview->plainForm = true;
        } else if (integrated && form == QVUSPSShipment2976CustomsFormType) {
            preview->controller = std::unique_ptr<QVIntl2976ALabelController>(
                QVIntl2976LabelController::intl2976ControllerWithShipment(shipment));
            preview->form2976 = true;
        } else if (plainEnvelope && printerType == QVPlainPaperPrinter) {
            auto envelope = QVEnvelopeController::envelopeControllerWithShipment(shipment);
            preview->leftAlignedPostage = envelope->leftAlignedPostage();
            preview->controller = std::move(envelope);
            preview->envelope = true;
            preview->postcard = size == QVUSPSPostcardSize;
        } else if (labelType == QVKIVO51207Label || labelType == QVKIVO51204Label || labelType == QVKIVO51203Label ||
                   labelType == QVKIVO72019Label) {
            preview->controller = QVKIVO51207PreviewController::kivo51207PreviewControllerWithShipment(shipment);
        } else {
            auto label = QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment);
            label->setLabelType(labelType);
            preview->controller = std::move(label);
        }
    }
    if (!preview->labelView())
        return false;
    std::visit(
        [&indicium](const auto &c) {
            c->drawVoid(false);
            c->setIndicium(indicium);
        },
        preview->controller);
    const void *address = preview->address();
    preview->layoutChanged = NotificationCenter::defaultCenter().addObserver(QVLabelLayoutDidChangeNotification,
                                                                             [this, address](const Notification &note) {
                                                                                 if (note.object.address() == address)
                                                                                     updatePreviewLabelImage();
                                                                             });
    m_preview = std::move(preview);
    m_panel.setPiece(m_preview->envelope ? (m_preview->postcard ? QVPreviewPanelController::Piece::Postcard
                                                                : QVPreviewPanelController::Piece::Envelope)
                                         : QVPreviewPanelController::Piece::Label);
    return true;
}

QRectF QVPrintCommands::customsFormPreviewRect(bool form2976)
{
    // The label lies in the page's upper part; the lower half is the
    // sender's copy. The 2976 crop's lower edge is 429 pt above the bottom
    // of the letter page.
    if (form2976)
        return QRectF(91, 792 - 429 - 328, 435, 328);
    return QRectF(0, 0, 612, 396);
}

QImage QVPrintCommands::renderPreviewLabel() const
{
    QWidget *view = m_preview ? m_preview->labelView() : nullptr;
    if (!view)
        return {};
    if (m_preview->form2976 || m_preview->plainForm)
        return renderView(view, customsFormPreviewRect(m_preview->form2976));
    const QImage label = renderView(view, QRectF(QPointF(), QSizeF(view->size())));
    if (!m_preview->envelope || label.isNull())
        return label;
    // The envelope on its face: a canvas a little larger than the envelope,
    // the face stretched over it, the envelope 2.5 % in from the left and
    // 10 % up from the bottom.
    const QSizeF envelopeSize = label.deviceIndependentSize();
    const QSizeF canvasSize(envelopeSize.width() * 1.05, envelopeSize.height() * 1.2);
    const qreal scale = label.devicePixelRatio();
    QImage canvas((canvasSize * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    canvas.setDevicePixelRatio(scale);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(), canvasSize), envelopeFaceImage(canvasSize.toSize()));
    const QPointF origin(canvasSize.width() * 0.025, canvasSize.height() * 0.9 - envelopeSize.height());
    painter.drawImage(QRectF(origin, envelopeSize), label);
    painter.end();
    return canvas;
}

QImage QVPrintCommands::labelPreviewImage()
{
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> current = window ? window->currentShipment() : nullptr;
    if (!current)
        return {};
    const std::shared_ptr<QVShipment> shipment = current->copy();
    const bool briskoOne = isPossibleBriskoOne(*shipment);
    if (QVPrintFlow::takesLocalRoad(*shipment, window->usePostageForCurrentShipment(), briskoOne))
        return renderPreviewLabel();

    const bool envelopePiece = isEnvelopeSize(shipmentText(*shipment, QVUSPSShipmentSizeKey));
    const auto setup = QVPrinterSetupController::sharedController();
    QString labelType = setup->labelTypeForEnvelope(envelopePiece);
    const QString form = shipmentText(*shipment, QVUSPSShipmentCustomsFormTypeKey);
    if ((setup->printerTypeForEnvelope(envelopePiece) == QVKIVOTagwrightPrinter && labelType != QVKIVO8836105Label) ||
        (is2976AForm(form) && defaults().boolForKey(QVOverride2976APrintInfoKey)))
        labelType = QVPlainPaperLabel;
    if (isExpressMail(*shipment))
        shipment->setObject(window->expressOptionsDictionary(), QVUSPSShipmentExpressMailOptionsKey, false);
    PreviewCache &cache = previewCache();
    if (cache.shipment && cache.labelType == labelType && shipment->isEqualToShipment(*cache.shipment) &&
        !cache.image.isNull())
        return cache.image;
    std::optional<QImage> image;
    if (m_labelServerPreview) {
        image = m_labelServerPreview(*shipment, labelType, briskoOne);
    } else if (briskoOne) {
        image = m_flow.previewImageForShipment(*shipment, labelType, *QVBRKLabelServerCommandCenter::commandCenter());
    } else {
        image = m_flow.previewImageForShipment(*shipment, labelType, *QVRHOLabelServerCommandCenter::commandCenter());
    }
    if (!image || image->isNull())
        return {};
    cache = PreviewCache{shipment, labelType, *image};
    return *image;
}

bool QVPrintCommands::previewIsWide() const
{
    return m_preview && (m_preview->labelType == QVKIVO72019Label || m_preview->envelope || m_preview->plainForm);
}

QVPreviewPanelView *QVPrintCommands::panelView()
{
    if (!m_view) {
        const auto window = mainWindowHost();
        auto widget = std::make_unique<QVPreviewPanelWidget>(*this, window ? window->sheetParentWindow() : nullptr);
        m_view = widget.get();
        m_ownView = std::move(widget);
        m_panel.setView(m_view);
    }
    return m_view;
}

void QVPrintCommands::setPreviewPanelView(QVPreviewPanelView *view)
{
    m_view = view;
    m_ownView.reset();
    m_panel.setView(view);
}

void QVPrintCommands::runLabelPreviewSheetWithImage(const QImage &image)
{
    if (image.isNull()) {
        m_preview.reset();
        return;
    }
    panelView();
    m_panel.runSheetWithImage(image, previewIsWide());
}

void QVPrintCommands::labelPreviewSheetDidEnd()
{
    if (m_view && m_view->isSheetShown())
        m_view->endSheet();
    m_preview.reset();
}

void QVPrintCommands::updatePreviewLabelImage()
{
    const QImage image = labelPreviewImage();
    if (m_view)
        m_view->setImage(image);
}

void QVPrintCommands::previewOutputOptionChanged(int tag)
{
    if (tag == QVPreviewPrinterSetupTag) {
        showPrinterSetupFromPreviewPanel();
        m_panel.setOutputOption(m_panel.outputOption());
        return;
    }
    m_panel.setOutputOption(tag);
}

void QVPrintCommands::showPrinterSetupFromPreviewPanel()
{
    if (m_preview && m_preview->envelope)
        QVPrinterSetupController::sharedController()->showEnvelopeSetup();
    else
        printFlowHost()->showPrinterSetup();
}

void QVPrintCommands::changePreviewFrameSize(double factor) { m_panel.zoom(factor); }

bool QVPrintCommands::envelopePreviewChanged() const
{
    if (!m_preview || !m_preview->envelope)
        return false;
    const QWidget *view = m_preview->labelView();
    const QSizeF pieceSize =
        m_preview->postcard ? QVEnvelopeController::currentPostcardSize() : QVEnvelopeController::currentEnvelopeSize();
    const QSizeF points = pieceSize * 72;
    return (view && QSizeF(view->size()) != points.toSize()) ||
        m_preview->leftAlignedPostage != defaults().boolForKey(QVEnvelopeAlignPostageLeftKey);
}

bool QVPrintCommands::previewNeedsRebuild() const
{
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> shipment = window ? window->currentShipment() : nullptr;
    if (!m_preview || !shipment)
        return false;
    const QString size = shipmentText(*shipment, QVUSPSShipmentSizeKey);
    const QString form = shipmentText(*shipment, QVUSPSShipmentCustomsFormTypeKey);
    const bool same = !isEligibleForDomesticIntegratedCustomsForms(*shipment) &&
        !(!shipment->isDomestic() && (is2976AForm(form) || is2976Form(form))) &&
        m_preview->labelType ==
            QVPrinterSetupController::sharedController()->labelTypeForEnvelope(isEnvelopeSize(size)) &&
        !isExpressMail(*shipment) && !isHoldForPickup(*shipment) &&
        (!isCertifiedMail(*shipment) || size == QVUSPSLetterSize) &&
        m_preview->hasIndicium == window->usePostageForCurrentShipment() &&
        m_preview->stealth == window->useStealthPostageForCurrentShipment();
    return !same;
}

void QVPrintCommands::printingDefaultsChanged()
{
    if (!m_view || !m_view->isSheetShown())
        return;
    m_panel.updateButtons();
    if (!m_preview)
        return;
    const bool envelopeChanged = envelopePreviewChanged();
    if (!envelopeChanged && !previewNeedsRebuild())
        return;
    if (!preparePreviewLabelController())
        return;
    const QImage image = labelPreviewImage();
    m_panel.replaceImage(image, previewIsWide(), envelopeChanged);
}

} // namespace tolvane
