#pragma once
// Label custom fields and the recipient notice of a shipment.
//
// The custom fields are the two free texts printed on a label, chosen by the
// user in the preferences (user defaults "topCustomField" and
// "bottomCustomField"). The recipient notice is an e-mail to the recipient
// composed from the user's two templates ("emailNotificationSubject",
// "emailNotificationBody", with placeholders written "<key>") and handed to
// the user's mail program as a mailto: address through the platform's URL
// opener (platform/UrlOpener.h); "prepareEmailNotificationInBackground" asks
// that the mail program stays behind.
//
// The label type comes from the printer set-up (printerSetupController() of
// model/ClientServices.h). Main thread only.
#include "model/QVShipment.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

// ---- Tracking pages -----------------------------------------------------------
// The vendor's package-status page for a tracking number ("/Status/?PIC=").
QUrl vendorPackageStatusURL(const QString &number);
// The USPS tracking page for a number ("/go/TrackConfirmAction?qtc_tLabels1=").
QUrl uspsTrackingURL(const QString &number);
// The USPS home page.
QUrl uspsHomePageURL();

// ---- Custom fields ------------------------------------------------------------------
// "Return Receipt Requested" for a letter printed on a plain-paper envelope
// label with return receipt; otherwise the user's choice for the top field.
QString stringForTopCustomField(const QVShipment &shipment);
// "Restricted Delivery" likewise with restricted delivery; otherwise the
// user's choice for the bottom field.
QString stringForBottomCustomField(const QVShipment &shipment);
// The text of the choice stored under the user-default key: "None" (empty),
// "Description", "Reference ID", "RubberStamp1", "RubberStamp2"; anything
// else, and a choice with no stored value, gives the empty string.
QString stringForCustomFieldDefaultsKey(const QVShipment &shipment, const QString &defaultsKey);

// ---- Recipient notice -----------------------------------------------------------------
// The placeholder values of the notice (texts; "PackageWeight" only when a
// weight is stored).
QVariantMap replacementDictionaryForEmailNotification(const QVShipment &shipment);
// The notice as a mailto: address: "mailto:<to>?SUBJECT=<subject>&BODY=<body>",
// every part percent-escaped as UTF-8 (with "?", "=" and "&"), line breaks
// of the body as "%0D".
QString emailNotificationURLString(const QVShipment &shipment);
// Composes the notice and opens it; true when the desktop accepted it.
bool sendEmailNotification(const QVShipment &shipment);
