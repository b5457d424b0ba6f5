#pragma once
// QVRHOCommandCenter: the client of the vendor's postage server.
//
// This part holds the one operation every postage-server transaction goes
// through, doTransaction(): it builds and seals the request
// (QVRHORequest.h), POSTs it to server() + path()
// ("/VPOServer/VpoHttpAdapter.aspx"), reads the 964-byte reply
// (QVRHOResponse.h) and handles its return code:
//   1                 success: the client's time differential becomes the
//                     reply's server time minus the request's date (not for
//                     a pass-phrase change); answers 1.
//   any other code    the refusal: lastErrorCode is the code in decimal,
//                     lastErrorDescription its text from the "TolvaneErrors"
//                     table; answers the code. The reply is still handed out.
//   no reply          -1, no reply handed out: only an HTTP 200 whose body
//                     is exactly the 964-byte record is a reply. A transport
//                     failure leaves the transport's code and text in the
//                     last-error fields; any other HTTP status sets them to
//                     the bad-server-response code ("-1011") and a text that
//                     names the status; an empty 200 leaves them as they
//                     are; a 200 shorter or longer than the record sets them
//                     ("-1" and the reason).
//   not sent          -1 before anything is sent, with "-1" and the reason
//                     in the last-error fields: no server key configured, a
//                     key that is not a 1,024-bit modulus (the library's
//                     error code in the text), an account number longer
//                     than 12 characters, an amount that is not exact mils,
//                     a purchase of zero or a negative amount, ...
// A status transaction (kind 1) also sets the last valid status reply: the
// reply when its code is 1, else nothing; each setting posts
// "QVRHOLastValidStatusResponseDidChange" with the reply (or no object) on
// the default notification center.
//
// The server's RSA public key: exponent 65537, modulus from the user default
// "tolvaneServerModulus" (hexadecimal text, 258 characters for the 1,024-bit
// key) unless setServerModulus() gave one. It is not built in.
//
// Every request has its own DES key and random bytes; the time differential
// and the last valid status reply are the only state kept between calls.
// Main thread, as every caller of the transactions is.
//
// Over doTransaction() the client offers one operation per transaction
// (status, postageBuy, electronicRefund, reprintIndicium, resetPassword,
// changePasswordTo, createIndicium, createStampIndicium), each answering the
// reply or nothing; the account (setUserid, setPassword, tryNewUserid), the
// receipt report of a printed piece, the links into the vendor's web site,
// and the indicium data of a shipment and of a reprint
// (QVRHOCommandCenterIndicia.cpp).
//
// Account: setUserid() keeps the number without the non-digit characters at
// its ends and writes it to the user default "tolvaneUser". setPassword()
// keeps the pass phrase and, when the user default "tolvaneSavePassword" is
// set and account and pass phrase are both non-empty, keeps them as the
// permanent credential of the server's protection space (host, port and
// scheme of the server, no realm, HTML-form method) in the registered
// credential store (platform/Credentials.h). tryNewUserid() runs a status
// with the new account and pass phrase and puts the old ones back; the new
// pass phrase reaches the credential store only when the server accepted it.
//
// Receipts: after an indicium whose piece must be reported (a tracking or
// confirm number, the vendor's own insurance, a customs id, or a stamp with a
// reference id, never a postage correction) the request's "ConfirmReceipt"
// document goes to server() + "/VPOServer/receiptHttpAdapter.aspx?XML=..." as
// a GET with the vendor headers, on a thread of its own per receipt. The
// server address is taken on the calling thread; the receipt thread reads no
// field of the client and writes none: its failures go to the console and to
// lastReceiptErrorCode()/lastReceiptErrorDescription(), so that they never
// land in the last-error fields that the main thread reads after its own
// transactions. waitForReceipts() waits for the running ones.
//
// The change of the last valid status reply is posted on the process's own
// notification center; no other process hears of it (the desktop has no
// notification center shared between programs).
#include "services/QVCommandCenter.h"
#include "services/QVRHORequest.h"
#include "services/QVRHOResponse.h"

#include "platform/Credentials.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QVRHOIndiciumRequest;
class QVRHOStampIndiciumRequest;
class QVShipment;

inline const QString QVRHOLastValidStatusResponseDidChange = QStringLiteral("QVRHOLastValidStatusResponseDidChange");
// User defaults of this client.
inline const QString QVRHOServerDefaultsKey = QStringLiteral("tolvaneServer");
inline const QString QVRHOServerModulusDefaultsKey = QStringLiteral("tolvaneServerModulus");
inline const QString QVRHOUserDefaultsKey = QStringLiteral("tolvaneUser");
inline const QString QVRHOSavePasswordDefaultsKey = QStringLiteral("tolvaneSavePassword");
inline const QString QVRHOWebSiteDefaultsKey = QStringLiteral("tolvaneWebSite");
inline const QString QVRHOStampsVersionDefaultsKey = QStringLiteral("kivoStampsVersion");
// The path of the transactions on the postage server.
inline const QString QVRHOTransactionPath = QStringLiteral("/VPOServer/VpoHttpAdapter.aspx");
// The path of the receipt reports.
inline const QString QVRHOReceiptPath = QStringLiteral("/VPOServer/receiptHttpAdapter.aspx");

// The parameter of a transaction: an amount in mils (kind 2), a piece number
// (kinds 5 and 6), the new pass phrase (kind 4) or the indicium request
// (kind 3).
struct QVRHOTransactionParameter {
    qint64 number = 0;
    QString text;
    std::shared_ptr<const QVRHOIndiciumRequest> request;

    static QVRHOTransactionParameter none() { return {}; }
    static QVRHOTransactionParameter withNumber(qint64 value) { return {value, {}, nullptr}; }
    static QVRHOTransactionParameter withText(const QString &value) { return {0, value, nullptr}; }
    static QVRHOTransactionParameter withRequest(std::shared_ptr<const QVRHOIndiciumRequest> value)
    {
        return {0, {}, std::move(value)};
    }
};

class QVRHOCommandCenter : public QVCommandCenter
{
public:
    QVRHOCommandCenter();
    ~QVRHOCommandCenter() override;
    static std::shared_ptr<QVRHOCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVRHOCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVRHOCommandCenter"); }

    // One transaction (see above). The reply goes to *response whenever one
    // was read (nullptr when none).
    int doTransaction(QVRHOTransactionKind kind, const QVRHOTransactionParameter &parameter,
                      std::shared_ptr<QVRHOResponse> *response = nullptr);

    // Server clock minus local clock, seconds.
    qint32 timeDifferential() const { return m_timeDifferential; }
    void setTimeDifferential(qint32 seconds) { m_timeDifferential = seconds; }

    std::shared_ptr<QVRHOResponse> lastValidStatusResponse() const { return m_lastValidStatusResponse; }
    void setLastValidStatusResponse(std::shared_ptr<QVRHOResponse> response);

    // The server's modulus (hexadecimal text): the one set here, else the
    // user default.
    QString serverModulus() const;
    void setServerModulus(const QString &hex) { m_serverModulus = hex; }

    // The extra HTTP header fields of every request: the vendor headers that
    // the label-server client gives for no shipment, once it registers its
    // provider; none until then.
    static void setVendorHeaderProvider(std::function<QVHeaderDictionary()> provider);
    static QVHeaderDictionary vendorHeaders();

    // The text of a return code from the bundled "TolvaneErrors" table
    // (loaded once); empty for an unknown code or without the table.
    static QString errorDescriptionForReturnCode(int code);

    // ---- Account ------------------------------------------------------------
    // Also writes the user default "tolvaneServer".
    void setServer(const QString &server) override;
    void setUserid(const QString &userid) override;
    void setPassword(const QString &password) override;
    // The protection space of the server's credential.
    ProtectionSpace protectionSpace() const;
    // Why the last attempt to keep the credential failed (empty when it did
    // not fail).
    QString lastCredentialStoreError() const { return m_credentialStoreError; }
    // The host of the server begins with "192.168" or ends with ".local", or
    // is a loopback address ("localhost", 127.x.y.z, ::1).
    bool testServer() const;
    // A status with the new account and pass phrase; true when the server
    // answered with return code 1. The old account number comes back when
    // it was not empty, the old pass phrase always.
    bool tryNewUseridPassword(const QString &userid, const QString &password);

    // ---- Transactions (the reply, or nothing when none came back) ----------
    std::shared_ptr<QVRHOResponse> status();
    // An accepted purchase whose reply names no account (serial number 0)
    // carries no balance: the account's status is asked, and the answer is
    // that status's record with the purchase's transaction id and amount.
    // When the status fails, the purchase's own reply is answered.
    std::shared_ptr<QVRHOResponse> postageBuy(qint64 mils);
    std::shared_ptr<QVRHOResponse> electronicRefund(qint64 pieceNumber);
    std::shared_ptr<QVRHOResponse> reprintIndicium(qint64 pieceNumber);
    std::shared_ptr<QVRHOResponse> resetPassword();
    std::shared_ptr<QVRHOResponse> changePasswordTo(const QString &newPassword);
    // On return code 1 also reports the piece (see Receipts).
    std::shared_ptr<QVRHOResponse> createIndicium(const std::shared_ptr<const QVRHOIndiciumRequest> &request);
    std::shared_ptr<QVRHOResponse> createStampIndicium(const std::shared_ptr<const QVRHOStampIndiciumRequest> &request);

    // ---- Receipts -------------------------------------------------------------
    // Whether the piece of the request must be reported.
    static bool requestNeedsReceipt(const QVRHOIndiciumRequest &request);
    // Decides and starts the report; true when a receipt thread was started.
    bool sendReceiptTransactionForRequest(const QVRHOIndiciumRequest &request, const QString &pieceCount);
    // Starts the receipt thread for the document.
    void doReceiptTransaction(const QString &receiptXML);
    // Waits until every started receipt has ended; false when some still
    // run after the time-out.
    bool waitForReceipts(int timeoutMilliseconds = 60000);
    QString lastReceiptErrorCode() const;
    QString lastReceiptErrorDescription() const;

    // ---- Web links (nothing before a valid status) ---------------------------
    // The user default "tolvaneWebSite".
    static QString websiteServerName();
    std::optional<QUrl> logURL() const;
    std::optional<QUrl> changePaymentURL() const;
    std::optional<QUrl> postageAccountURL() const;
    std::optional<QUrl> refundRequestURL() const;
    std::optional<QUrl> refundRequestURLForPieceCount(quint32 pieceNumber) const;
    std::optional<QUrl> storeURL() const;
    std::optional<QUrl> tessaroSuppliesURL() const;
    std::optional<QUrl> scanFormCreationURL() const;
    // The host gets ":4025" when it is the vendor's development web host or
    // contains its internal development domain (both empty, and so never
    // matched, until setDevelopmentWebHosts() names them).
    std::optional<QUrl> webStoreWizardURL() const;
    void setDevelopmentWebHosts(const QString &developmentHost, const QString &internalDomain);
    // The sign-up page on the web-site host: "/kivostamps" for the
    // stamps-only edition, else the site's home page; nothing without a host.
    static std::optional<QUrl> accountSetupURL();

    // ---- Indicium data of shipments (QVRHOCommandCenterIndicia.cpp) ----------
    // A status, then the shipment's indicium; the account values go into the
    // shipment. 104 bytes: the 98 indicium bytes, whole ounces within the
    // pound, whole pounds, the mailed-from ZIP5 (int32 little-endian).
    std::optional<QByteArray> indiciumDataWithShipment(QVShipment &shipment);
    // The logged shipment's indicium again (98 bytes), checked against the
    // shipment; a refusal shows an alert, a mismatch answers nothing silently.
    std::optional<QByteArray> reprintDataWithShipment(QVShipment &shipment);

private:
    struct ReceiptReports;
    std::shared_ptr<QVRHOResponse> run(QVRHOTransactionKind kind, const QVRHOTransactionParameter &parameter);
    void storeCredential(const QString &userid, const QString &password);
    std::optional<QUrl> webLink(const QString &format, const QString &host = QString()) const;

    std::shared_ptr<ReceiptReports> m_receipts;
    QString m_credentialStoreError;
    QString m_developmentWebHost;
    QString m_developmentDomain;
    qint32 m_timeDifferential = 0;
    std::shared_ptr<QVRHOResponse> m_lastValidStatusResponse;
    QString m_serverModulus;
};
