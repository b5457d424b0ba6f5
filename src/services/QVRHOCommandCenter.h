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
//   no reply          -1, no reply handed out: a transport failure leaves the
//                     transport's code and text in the last-error fields; an
//                     empty body leaves them as they are; a reply shorter
//                     than the record sets them ("-1" and the reason).
//   not sealed        -1 before anything is sent, with the reason in the
//                     last-error fields (code: the library's error code, or
//                     "-1"): no server key configured, a key that is not a
//                     1,024-bit modulus, an account number longer than 12
//                     characters, an amount that is not exact mils, ...
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
#include "services/QVCommandCenter.h"
#include "services/QVRHORequest.h"
#include "services/QVRHOResponse.h"

#include <QString>

#include <functional>
#include <memory>

class QVRHOIndiciumRequest;

inline const QString QVRHOLastValidStatusResponseDidChange = QStringLiteral("QVRHOLastValidStatusResponseDidChange");
// User defaults of this client.
inline const QString QVRHOServerDefaultsKey = QStringLiteral("tolvaneServer");
inline const QString QVRHOServerModulusDefaultsKey = QStringLiteral("tolvaneServerModulus");
// The path of the transactions on the postage server.
inline const QString QVRHOTransactionPath = QStringLiteral("/VPOServer/VpoHttpAdapter.aspx");

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

private:
    qint32 m_timeDifferential = 0;
    std::shared_ptr<QVRHOResponse> m_lastValidStatusResponse;
    QString m_serverModulus;
};
