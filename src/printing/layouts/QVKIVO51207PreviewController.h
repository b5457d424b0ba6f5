#pragma once
// The preview window of a shipping label on the maker's label stock: the
// stock's layout (QVKIVOLabelLayout in its preview role) filled from the
// shipment, with a picture view under it for a whole ready-made label.
//
// Window layouts by label type: QVKIVO51207Label "Kivo51207Label",
// QVKIVO51204Label "Kivo51204Label", QVKIVO51203Label "Kivo51203Label",
// QVKIVO72019Label "Kivo72019Label" (each the stock's own form); any other
// type has none.
//
// The preview shows what prints: on 72019 its package barcode also leaves
// out the routing prefix ("420" and the ZIP Code), as the printed label
// does.
//
// While alive it follows every change of the user defaults: the addresses
// (fonts, permit and return-address pictures) and the Intelligent Mail
// barcode are laid out again and QVLabelLayoutDidChangeNotification is posted
// with the controller as object.
#include "platform/NotificationCenter.h"
#include "printing/layouts/QVKIVOLabelLayout.h"

namespace tolvane {

class QVKIVO51207PreviewController : public QVKIVOLabelLayout
{
public:
    // The window of that nib name (one of the four above; another name
    // gives a controller without a layout).
    explicit QVKIVO51207PreviewController(const QString &nibName);
    ~QVKIVO51207PreviewController() override;

    // The window nib of a label type; empty for any other type.
    static QString nibNameForLabelType(const QString &labelType);
    // The label type from the printer set-up, or the user default
    // "printerLabel" when that is no maker's stock; its window, filled.
    static std::unique_ptr<QVKIVO51207PreviewController>
    kivo51207PreviewControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    void readFromDefaults();

    // A whole label picture (shown under the fields, unscaled, top left).
    void setLabelImage(const QVLayoutImage &image);
    QVImageView *labelImageView() const { return m_labelImageView; }

private:
    void windowDidLoad();

    QVImageView *m_labelImageView = nullptr;
    NotificationObserver m_defaultsObserver;
};

} // namespace tolvane
