#pragma once
// QVRHOLabelNumberCommandCenter: the client of the vendor's label-number
// service, which gives a piece whose indicium the program draws itself its
// tracking number and the label texts printed beside it (barcode number, the
// number as displayed, banner, mailer id, RDC, delivery days), and a
// First-Class letter, flat or postcard its confirm number.
//
// Domestic number request: the PicNumberRequest document (elements in the
// builder's key order), declared US-ASCII, percent-escaped (UTF-8, also
// ";/?:@&=+,$") and POSTed as the form field "picNumberRequestXML" to
// "https://" + server + "/LabelService/LabelNumberService.asmx/GetPicNumberXml"
// with the label-server client's vendor headers. The reply's
// LabelNumberResponse with Status 0 answers its LabelNumber (and the whole
// dictionary to the caller); another Status answers nothing with the status
// and ErrorMessage in the last-error fields; a reply that is not XML answers
// nothing with the converter's reason. The Express Mail and international
// requests work the same way with their own document, form field and path.
//
// Confirm request: the ConfirmRequest document GET as the query "xmlInput" of
// ".../GetFlatsNumberXml"; its ConfirmResponse.ConfirmItem.ConfirmNumber, or
// the item's ErrorCode and ErrorMessage in the last-error fields.
//
// Server: the user default "labelServiceServer"; the vendor's hosts are not
// built in, so without it nothing is sent. The sender's D-U-N-S number of the
// confirm request is not known to this build and is sent empty.
//
// Main thread (the print road).
#include "services/QVCommandCenter.h"

#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVShipment;

inline const QString QVLabelNumberExpressPath =
    QStringLiteral("/LabelService/LabelNumberService.asmx/GetExpressMailNumberXml");
// The 10:30 a.m. delivery service of an Express Mail piece.
inline const QString QVUSPSExpressMail1030SXService = QStringLiteral("QVUSPSExpressMail1030SXService");

inline const QString QVLabelNumberDomesticPath =
    QStringLiteral("/LabelService/LabelNumberService.asmx/GetPicNumberXml");
inline const QString QVLabelNumberInternationalPath =
    QStringLiteral("/LabelService/LabelNumberService.asmx/GetInternationalPicNumberXml");
inline const QString QVLabelNumberConfirmPath =
    QStringLiteral("/LabelService/LabelNumberService.asmx/GetFlatsNumberXml");

class QVRHOLabelNumberCommandCenter : public QVCommandCenter
{
public:
    QVRHOLabelNumberCommandCenter() = default;
    static std::shared_ptr<QVRHOLabelNumberCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVRHOLabelNumberCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVRHOLabelNumberCommandCenter"); }
    QString server() const override;

    // The pricing level of a price classification: 1 "CommercialBase", 2
    // "CommercialPlus" ("CommercialPlusCubic" with cubic pricing), above 9
    // "NSA", anything else "Retail".
    static QString pricingValueForPriceClassification(int classification, bool cubic = false);

    // The elements of the domestic request (name to text).
    QVariantMap domesticElementsForShipment(const QVShipment &shipment) const;
    std::optional<QString> domesticLabelNumberAndResponse(QVariantMap *response, const QVShipment &shipment);

    // The Express Mail request: the domestic elements without MailClass,
    // Machinable and the confirmation and domestic optional services; Fees
    // the optional services alone; the video box as it is; the 10:30 a.m.
    // service; the delivery options of QVUSPSShipmentExpressMailOptionsKey
    // (each false when absent) always sent.
    QVariantMap expressElementsForShipment(const QVShipment &shipment) const;
    std::optional<QString> expressLabelNumberAndResponse(QVariantMap *response, const QVShipment &shipment);

    // The international request (nothing in the program sends it): the root
    // InternationalPicNumberRequest with ValidationLevel "Basic", the
    // recipient read from the lines of its formatted address, the customs
    // block always appended; nothing is written to the debug log.
    QVariantMap internationalElementsForShipment(const QVShipment &shipment) const;
    std::optional<QString> internationalLabelNumberAndResponse(QVariantMap *response, const QVShipment &shipment);

    QVariantMap confirmItemsForShipment(const QVShipment &shipment) const;
    std::optional<QString> confirmNumberAndResponse(QVariantMap *response, const QVShipment &shipment);

    // The reply mechanics: the number of a LabelNumberResponse, or nothing
    // with the last-error fields set.
    std::optional<QString> labelNumberFromReply(const QByteArray &reply, QVariantMap *response);

private:
    std::optional<QString> submitNumberRequest(const QString &requestPath, const QString &rootName,
                                               const QString &formKey, const QVariantMap &elements,
                                               QVariantMap *response, const QVShipment &shipment);
};

// Copies the label texts of a label-number reply into the shipment: each
// non-empty text under its key, an empty or missing one removes the key; a
// delivery-days value of "0" is removed.
void takeValuesFromLNSResponseDict(QVShipment &shipment, const QVariantMap &response);
