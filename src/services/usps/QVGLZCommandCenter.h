#pragma once
// QVGLZCommandCenter: the client of the vendor's address-correction service
// (Addrelle). It sends a typed, multi-line United States address and turns
// the reply into a standardised QVAddress: the delivery-point street and
// city, the state, ZIP5 and ZIP4, and the service's return code.
//
// Request: the address's last (at most four) lines, reduced to 7-bit ASCII,
// fill the placeholders "ADDRESS0".."ADDRESS3" of the bundle template
// "ZIP1.request2" (or "ZIP1.request" with the user default "glzUseV1"),
// with "USER" = the version and build number ("1.0.0 (400)") and "SERIAL" = the
// vendor account number (user default "tolvaneUser"). Every value is
// percent-escaped as a whole URL query value, so "&", "=", "+" or "#" in an
// address (AT&T) never change the query. The text is sent as the query of
// a GET to "https://" + the label-server host +
// "/GLZService/v2.0/MethodISAPIZIPXMLValidate", or, with "glzUseV1", to
// "https://" + the user default "glzServerAddress" + "/isapi/isapiZIPxml.dll".
// The service's own host is not known to this build: without the host the
// route needs, nothing is sent. The label-server client's vendor headers go
// with it; the postage account's pass phrase never does.
//
// Reply: the element "Addrelle_Response"; its "ReturnCode" stays in
// lastErrorCode() also on success (31 and 32 confirmed, 22 and 25 an
// inexact match, anything else a refusal), with its text from the bundle's
// "returnCodeValues"; "ZIP1.responseMap" maps reply elements to address
// properties (company, street, suiteApt, city, state, ZIP5, ZIP4, ZIP2,
// USPSCarrierRoute, residentialIndicator, ...).
//
// The templates are the bundle resource "GLZAPI", loaded on first use and
// kept; while it cannot be loaded every standardisation fails with
// "couldn't load the GLZAPI" and the next one tries again.
//
// Debug log: the base's log, switched by "GLZLogging" ("console": console
// and the file "QVGLZCommandCenter.txt"; "file": the file) and
// "logDebugInfo" (console). Main thread only.
#include "model/QVAddress.h"
#include "services/QVCommandCenter.h"

#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

inline const QString QVGLZServerAddressDefaultsKey = QStringLiteral("glzServerAddress");
inline const QString QVGLZLoggingDefaultsKey = QStringLiteral("GLZLogging");
inline const QString QVGLZUseV1DefaultsKey = QStringLiteral("glzUseV1");
inline const QString QVTolvaneUserDefaultsKey = QStringLiteral("tolvaneUser");
inline const QString QVReformatZIPDefaultsKey = QStringLiteral("reformatZIP");
inline const QString QVPreserveDomesticAddressLinesForAPODefaultsKey =
    QStringLiteral("preserveDomesticAddressLinesForAPO");
inline const QString QVErrorOnZIPMismatchDefaultsKey = QStringLiteral("errorOnZIPMismatch");

inline const QString QVGLZPath = QStringLiteral("/isapi/isapiZIPxml.dll");
inline const QString QVGLZServicePath = QStringLiteral("/GLZService/v2.0/MethodISAPIZIPXMLValidate");

// The capitalised form of the text (each word's first letter upper case, the
// rest lower case), with every word that begins with a decimal digit in
// lower case ("12Th" -> "12th"); words are split at single spaces.
QString betterCapitalizedString(const QString &text);

// The plain text of an HTML page (tags and comments removed, script and
// style contents dropped, the common entities decoded, white space
// collapsed); nothing when the data holds no markup.
std::optional<QString> plainTextOfHTML(const QByteArray &html);

class QVGLZCommandCenter : public QVCommandCenter
{
public:
    QVGLZCommandCenter();
    static std::shared_ptr<QVGLZCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVGLZCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVGLZCommandCenter"); }
    // The request's "SERIAL" carries the account (this client's password()).
    QStringList secretFieldNames() const override { return {QStringLiteral("SERIAL")}; }

    // The templates of "GLZAPI"; nothing when they cannot be loaded.
    static std::optional<QVariantMap> GLZAPI();
    // For tests: a list used in place of the resource (nothing: the
    // resource again, or, with `missing`, no list at all).
    static void setGLZAPIForTesting(const std::optional<QVariantMap> &dictionary, bool missing = false);

    std::optional<QVAddress> standardizedAddressWithString(const QString &text, bool uppercase);
    std::optional<QVAddress> standardizedAddressWithString(const QString &text)
    {
        return standardizedAddressWithString(text, true);
    }
    // Replaces the address with its standardised form; false (and the
    // address unchanged) when there is none.
    bool standardizeAddress(QVAddress &address);

    bool usingSSL() const { return m_secure; }
    void setUsesSSL(bool secure) { m_secure = secure; }

    // The address made of a reply (steps after the request): nothing with
    // the error fields set when the reply is empty, not XML or holds no
    // "Addrelle_Response". For the fuzz target and the tests.
    std::optional<QVAddress> addressFromReply(const QByteArray &reply, bool uppercase);

private:
    struct Typed;
    std::optional<QVAddress> addressFromReply(const QByteArray &reply, bool uppercase, const Typed &typed);

    bool m_secure = false;
};
