#pragma once
// One envelope or postcard laid out for a shipment and printed on a
// plain-paper printer.
//
// The layout is the form "Envelope10" (a No. 10 envelope, 684 x 297 points)
// whose content view, a QVEnvelopeView, takes the size of the envelope or
// postcard chosen in the printer set-up (QVEnvelopeSizes); its fields follow
// the size by their autoresizing masks, and the fields' home rectangles are
// recorded again after every change of size. Every fitting starts from the
// home rectangles (y-up points):
//   - delivery address: the user default "toAddressFont" (else Helvetica
//     12) and "toAddressColor"; an international address of more than five
//     lines grows its rectangle downward by a line height a line; the font
//     shrinks a point at a time while the text is wider than the rectangle
//     (down to kDeliveryWidthFloor, below which an endless line is left to
//     overflow) or taller (down to 8 points). The field keeps its fitted
//     size, standing on the rectangle's bottom edge.
//   - return address: "fromAddressFont" (else Helvetica 9) and
//     "fromAddressColor"; shrinks, not below 8 points, while it overflows
//     its rectangle or runs into the postage zone (the top-right 216 points,
//     or the indicium's width with postage aligned left, as high as the
//     indicium), then stays in its rectangle. The picture of the user
//     defaults "useFromAddressImage" / "fromAddressImage" stands at its left
//     as a square of the text's fitted height; without one the text takes
//     the picture's place.
//   - custom lines ("Top", "Bottom"): Helvetica 10, down to 6 points.
//   - the Intelligent Mail barcode of the confirm number stands 3 points
//     above the fitted delivery address.
//
// User defaults read: "envelopePrintReturnAddress", "envelopeAlignPostageLeft",
// "rightAlignEnvelopeAddresses", the fonts, colours and picture above, and for
// printing "envelopeFeed" (0 top, 1 center, else bottom), "envelopeFacing" and
// "envelopeTrayLocation" (when they differ top and bottom swap),
// "envelopeDirection" (1 flips the envelope) and "envelopeGiantRotate".
// While alive the controller lays the shipment out again on every change of
// the user defaults and then posts QVLabelLayoutDidChangeNotification with
// itself as object. Main thread only.
#include "model/QVShipment.h"
#include "platform/NotificationCenter.h"
#include "platform/PrintInfo.h"
#include "printing/layouts/QVEnvelopeSizes.h"
#include "printing/layouts/QVLayoutViews.h"
#include "printing/layouts/QVPlainPaperLabelController.h"

#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

namespace tolvane {

class QVEnvelopePrintView;
class QVEnvelopeView;
class QVTextField;
class QVUSPS4CBView;
class QVVoidMailView;

inline const QString QVEnvelopeJobTitle = QStringLiteral("Tolvane Envelope");

class QVEnvelopeController
{
public:
    // The smallest size an endless delivery line is shrunk to (points).
    static constexpr qreal kDeliveryWidthFloor = 1;
    static constexpr qreal kAddressFloor = 8;
    static constexpr qreal kCustomFieldFloor = 6;
    // The postage zone's width without left-aligned postage (3 inches).
    static constexpr qreal kPostageZoneWidth = 216;

    struct Outlets {
        QVImageView *returnAddressImage = nullptr;
        QVAddressField *fromAddress = nullptr;
        QVTextField *topCustomField = nullptr;
        QVImageView *indiciumImage = nullptr;
        // Null once a confirm number has replaced it by the barcode view.
        QVImageView *postnetImage = nullptr;
        QVAddressField *toAddress = nullptr;
        QVTextField *bottomCustomField = nullptr;
        QVVoidMailView *voidView = nullptr;
    };

    // The size lists and the selection (QVEnvelopeSizes).
    static QVariantList builtinEnvelopeSizes() { return QVEnvelopeSizes::builtinEnvelopeSizes(); }
    static QVariantList builtinPostcardSizes() { return QVEnvelopeSizes::builtinPostcardSizes(); }
    static QVariantList customEnvelopeSizes() { return QVEnvelopeSizes::customEnvelopeSizes(); }
    static QVariantList customPostcardSizes() { return QVEnvelopeSizes::customPostcardSizes(); }
    static QSizeF currentEnvelopeSize() { return QVEnvelopeSizes::currentEnvelopeSize(); }
    static QSizeF currentPostcardSize() { return QVEnvelopeSizes::currentPostcardSize(); }
    static QString currentEnvelopeSummaryString() { return QVEnvelopeSizes::currentEnvelopeSummaryString(); }
    static QString currentPostcardSummaryString() { return QVEnvelopeSizes::currentPostcardSummaryString(); }

    // Loads "Envelope10": test print and international off, postage aligned
    // as "envelopeAlignPostageLeft" says.
    QVEnvelopeController();
    ~QVEnvelopeController();
    QVEnvelopeController(const QVEnvelopeController &) = delete;
    QVEnvelopeController &operator=(const QVEnvelopeController &) = delete;

    // The current envelope size, empty addresses, no pictures, VOID off, the
    // label type the printer set-up answers for envelopes.
    static std::unique_ptr<QVEnvelopeController> blankEnvelopeController();
    // The envelope (or, for a postcard-size piece, the postcard) of the
    // shipment.
    static std::unique_ptr<QVEnvelopeController> envelopeControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    // The envelope's size in points (the content view's).
    void setEnvelopeSize(const QSizeF &points);

    QWidget *labelView() const;
    QVEnvelopeView *envelopeView() const { return m_envelopeView.get(); }
    const Outlets &outlets() const { return m_outlets; }
    QVUSPS4CBView *onecodeView() const { return m_onecodeView; }

    std::shared_ptr<QVShipment> shipment() const { return m_shipment; }
    void setShipment(std::shared_ptr<QVShipment> shipment) { m_shipment = std::move(shipment); }
    QString labelType() const { return m_labelType; }
    void setLabelType(const QString &labelType) { m_labelType = labelType; }
    bool testPrint() const { return m_testPrint; }
    void setTestPrint(bool testPrint) { m_testPrint = testPrint; }
    bool international() const { return m_international; }
    void setInternational(bool international) { m_international = international; }
    bool leftAlignedPostage() const { return m_leftAlign; }
    // Also gives the indicium the width of the left-aligned indicium (400
    // points, at most the envelope's width) or 216 points, keeping its
    // top-right corner.
    void setLeftAlignedPostage(bool leftAlign);

    QVLayoutImage indicium() const;
    void setIndicium(const QVLayoutImage &image);
    void setPostNetImage(const QVLayoutImage &image);
    void drawVoid(bool drawVoid);

    void setToAddressString(const QString &text);
    void setFromAddressString(const QString &text);
    // Location "Top" or "Bottom"; anything else is ignored.
    void setCustomFieldString(const QString &text, const QString &location);
    void syncCustomFields();
    // The whole Intelligent Mail text (tracking code and routing code).
    void setConfirmNumber(const QString &text);

    // Lays the shipment out again from the user defaults and posts the
    // layout notification.
    void readFromDefaults();
    // Records the home rectangles of the current frames.
    void envelopeChangedSize();

    // The sizes the addresses were fitted at (0 for an empty text).
    qreal toAddressPointSize() const { return m_toAddressSize; }
    qreal fromAddressPointSize() const { return m_fromAddressSize; }
    QRectF toAddressFrame() const { return m_toAddressFrame; }
    QRectF fromAddressFrame() const { return m_fromAddressFrame; }
    // The postage zone of the return address (y-up points).
    QRectF postageZone() const;

    // The "envelopePrintInfo" settings (first page 1, copies 1) with the
    // extras on top.
    PrintInfo printInfoWithExtras(const QVariantMap &extras) const;
    // The page printed by the last print (null before).
    QVEnvelopePrintView *printView() const { return m_printView.get(); }
    // Prints the envelope on its page under the job title "Tolvane
    // Envelope"; true when the print operation ran.
    bool printLabelWithPrintInfoExtras(const QVariantMap &extras = QVariantMap());

private:
    void awakeFromNib();
    QString returnAddressText() const;

    std::unique_ptr<QVEnvelopeView> m_envelopeView;
    Outlets m_outlets;
    QRectF m_toAddressFrame;
    QRectF m_fromAddressFrame;
    QRectF m_returnImageFrame;
    QRectF m_topFieldFrame;
    QRectF m_bottomFieldFrame;
    QColor m_toAddressNibColor = Qt::black;
    QColor m_fromAddressNibColor = Qt::black;
    bool m_testPrint = false;
    bool m_international = false;
    bool m_leftAlign = false;
    std::shared_ptr<QVShipment> m_shipment;
    QString m_labelType;
    QVUSPS4CBView *m_onecodeView = nullptr;
    std::unique_ptr<QVEnvelopePrintView> m_printView;
    qreal m_toAddressSize = 0;
    qreal m_fromAddressSize = 0;
    NotificationObserver m_defaultsObserver;
};

} // namespace tolvane
