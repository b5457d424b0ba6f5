#pragma once
// QVUSPSCommandCenter: the client of USPS Web Tools, the Postal Service's
// public XML interface. It sends QVUSPSAPI requests (services/usps/QVUSPSAPI.h)
// and turns the XML replies into property lists (dictionaries of the reply's
// elements, model/XMLConversion.h). On it stand the plain queries (city and
// state of a ZIP code, service standards, address verification,
// international rates and rules, APO/FPO restrictions), the state
// abbreviations and holiday list of the bundle, the piece-size map, the
// customs forms and labels, and tracking.
//
// Hosts are settings: the user defaults "uspsWebToolsServer" (plain HTTP),
// "uspsWebToolsSecureServer" (HTTPS, for the APIs marked secure) and, with
// "useUSPSSecureStaging" on, "uspsWebToolsStagingServer" in place of the
// secure one. Their registered values are USPS's public hosts; the client
// reads them when it is made. Path "/ShippingAPI.dll". A request is a POST
// of the form body of QVUSPSAPI to "http://" + server + path, or "https://"
// + secure server + path, with "content-type:
// application/x-www-form-urlencoded; charset=utf-8".
//
// Replies: read as single-byte text; for the confirmation APIs the dotted
// reply element names are renamed to their dot-free forms; large image
// fields are cut out of the text before the parse and put back into the
// parsed list at "<responseStart>.<field>"; then the text is parsed. A USPS
// error reply is a reply: the operations check it ("Error" with "Number" and
// "Description" goes into the last-error code and description, and the
// operation fails; a success clears both). No reply: the transport error;
// a reply that is not XML: the parser's reason.
//
// Main thread only. cityAndStateForZIP() changes the credentials for the
// time of its one request.
#include "model/QVAddress.h"
#include "model/ServiceHooks.h"
#include "services/QVCommandCenter.h"
#include "services/usps/QVUSPSAPI.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVShipment;

// User defaults of the client.
inline const QString QVUSPSWebToolsServerDefaultsKey = QStringLiteral("uspsWebToolsServer");
inline const QString QVUSPSWebToolsSecureServerDefaultsKey = QStringLiteral("uspsWebToolsSecureServer");
inline const QString QVUSPSWebToolsStagingServerDefaultsKey = QStringLiteral("uspsWebToolsStagingServer");
inline const QString QVUseUSPSSecureStagingDefaultsKey = QStringLiteral("useUSPSSecureStaging");
inline const QString QVMailedFromZIP5DefaultsKey = QStringLiteral("mailedFromZIP5");
inline const QString QVHideTotalPostageOn2976ADefaultsKey = QStringLiteral("hideTotalPostageOn2976A");

inline const QString QVUSPSWebToolsPath = QStringLiteral("/ShippingAPI.dll");
// The only standardisation method of addresssByStandardizingAddress().
inline const QString QVUSPSShippingAPIsMethod = QStringLiteral("QVUSPSShippingAPIsMethod");

// The folders of the application-support folder that keep copies of the
// customs forms and labels, and of the Express Mail receipts.
inline const QString QVUSPSCustomsFormsFolderName = QStringLiteral("confs");
inline const QString QVUSPSExpressReceiptsFolderName = QStringLiteral("emReceipts");

// An image of a form or label as USPS Web Tools sends it (ImageType "PDF"):
// the decoded data, kept as it came.
struct QVUSPSImage {
    QByteArray data;
    friend bool operator==(const QVUSPSImage &a, const QVUSPSImage &b) { return a.data == b.data; }
};

class QVUSPSCommandCenter : public QVCommandCenter
{
public:
    // Sets hosts, path and the fixed USPS Web Tools account.
    QVUSPSCommandCenter();
    static std::shared_ptr<QVUSPSCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVUSPSCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVUSPSCommandCenter"); }

    QString secureServer() const;
    void setSecureServer(const QString &server);

    // ---- Sending ------------------------------------------------------------
    // The reply as a property list; nothing on failure.
    std::optional<QVariantMap> postAPI(QVUSPSAPI &api);
    std::optional<QVariantMap> postAPI(std::optional<QVUSPSAPI> api);
    // The finished POST request (for callers that send it themselves).
    HttpRequest URLRequestForAPI(QVUSPSAPI &api);
    // Cuts the fields out of the reply text (first opening tag through the
    // first closing tag after it; an opening tag without a closing tag is
    // left in the text) and answers them by "<responseStart>.<field>".
    QVariantMap manuallyParseFields(const QStringList &fields, QString &response, const QVUSPSAPI &api) const;
    static QVariantMap cutFields(const QStringList &fields, QString &response, const QString &responseStart);
    // The reply bytes of the API made into its property list (the renaming
    // and cutting of postAPI included); nothing with `error` set when the
    // text is not XML.
    static std::optional<QVariantMap> propertyListForReply(const QByteArray &reply, const QVUSPSAPI &api,
                                                           QString *error);
    // The image fields that postAPI() cuts out of an API's reply.
    static QStringList cutFieldsForAPI(const QString &api);

    // ---- Plain queries ------------------------------------------------------
    // The reply's "ZipCode" ("Zip5", "City", "State"); nothing on error.
    std::optional<QVariantMap> cityAndStateForZIP(const QString &zip5);
    // "1 day", "3 days", or "N/A".
    QString serviceStandardFromOriginZIP(const QString &originZIP, const QString &destinationZIP,
                                         const QString &mailClass);
    std::optional<QVAddress> addresssByStandardizingAddress(const QVAddress &address);
    std::optional<QVAddress> addresssByStandardizingAddress(const QVAddress &address, const QString &method);
    std::optional<QVAddress> addresssByStandardizingAddressViaUSPSShippingAPIs(const QVAddress &address);
    std::optional<QVariantMap> internationalRateResponseForCountry(const QString &country, int weightInOunces,
                                                                   const QString &size);
    std::optional<QString> apoRestrictionsForZIP(const QString &zip);
    std::optional<QString> stateAbbreviationForName(const QString &name);
    QVariantMap allHolidays();
    void setAllHolidays(const QVariantMap &holidays);
    // Piece size -> USPS container ("VARIABLE", "FLATRATEBOX", ...).
    static const QMap<QString, QString> &sizeMap();
    // Forwarded to the zone-chart client.
    QString zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP);

    // ---- Customs forms and labels (sample: the "Certify" API, no files) ---------
    // The customs barcode number; up to 5 page images and the instructions.
    std::optional<QString> cp72CustomsFormNumberAndLabels(QList<QVUSPSImage> *labels,
                                                          std::optional<QVUSPSImage> *instructions,
                                                          const QVShipment &shipment, bool sample);
    std::optional<QString> cn22CustomsFormNumberAndLabel(std::optional<QVUSPSImage> *label,
                                                         std::optional<QVUSPSImage> *instructions,
                                                         const QVShipment &shipment, bool sample);
    std::optional<QString> fcmiNumberAndResponse(QVariantMap *response, const QVShipment &shipment, bool sample);
    std::optional<QString> pmiNumberAndResponse(QVariantMap *response, const QVShipment &shipment, bool sample);
    std::optional<QString> emiNumberAndResponse(QVariantMap *response, const QVShipment &shipment, bool sample);
    std::optional<QString> expressNumberAndLabel(std::optional<QVUSPSImage> *label, std::optional<QVUSPSImage> *receipt,
                                                 const QVShipment &shipment, bool sample);
    std::optional<QString> confirmationNumberForShipment(const QVShipment &shipment, bool sample);

    // ---- Tracking -----------------------------------------------------------
    std::optional<QVariantMap> trackResponseForID(const QString &trackingNumber);
    std::optional<QVariantMap> trackFieldResponseForID(const QString &trackingNumber);
    std::optional<QVariantMap> trackFieldResponseForIDs(const QStringList &trackingNumbers);
    // With more numbers than the template's limit the request carries an
    // empty body.
    HttpRequest URLRequestForTrackFieldAPIWithIDs(const QStringList &trackingNumbers);
    static QString deliveryStatusForTrackEvent(const QString &event);

    // The sender's D-U-N-S number sent as "CustomerRefNo": the setting
    // "customerDUNS" (customerDUNSNumber(), QVPostageServerAccount.h);
    // setting it here stores the setting.
    QString dunsNumber() const;
    void setDunsNumber(const QString &number);

private:
    std::optional<QVariantMap> postRequest(QVUSPSAPI &api, bool logAndCut);
    // Copies an "Error" of the part (or of the whole reply) into the error
    // fields and answers true; else clears them and answers false.
    bool noteUSPSError(const QVariantMap &reply, const QVariant &part);
    // Sends the customs or label request; the reply's element named by the
    // API's "responseStart", or nothing (error fields set).
    std::optional<QVariantMap> postLabelAPI(const QString &api, const QVariantMap &variables, QString *responseStart);
    std::optional<QString> internationalLabel(const QString &api, QVariantMap *response, const QVShipment &shipment);

    QString m_secureServer;
    QVariantMap m_allHolidays;
    bool m_holidaysLoaded = false;
};

// The model's USPS address services: zones from the zone-chart client, the
// standardised address from USPS Web Tools address verification.
class QVUSPSWebToolsAddressServices : public QVUSPSAddressServices
{
public:
    QString zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP) override;
    std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &address) override;
};

// Registers it with the model (at start-up; it takes the place of the zone
// service alone).
void registerUSPSAddressServices();
