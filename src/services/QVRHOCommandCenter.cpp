#include "services/QVRHOCommandCenter.h"

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOIndiciumRequest.h"

#include <QDateTime>
#include <QUrl>

#include <mutex>

namespace {

std::mutex g_headerMutex;
std::function<QVHeaderDictionary()> g_headerProvider;

} // namespace

QString QVRHOCommandCenter::serverModulus() const
{
    if (!m_serverModulus.isEmpty())
        return m_serverModulus;
    return UserDefaults::standardUserDefaults().stringForKey(QVRHOServerModulusDefaultsKey);
}

void QVRHOCommandCenter::setLastValidStatusResponse(std::shared_ptr<QVRHOResponse> response)
{
    m_lastValidStatusResponse = std::move(response);
    NotificationCenter::defaultCenter().post(QVRHOLastValidStatusResponseDidChange,
                                             NotificationObject(m_lastValidStatusResponse));
}

void QVRHOCommandCenter::setVendorHeaderProvider(std::function<QVHeaderDictionary()> provider)
{
    std::lock_guard lock(g_headerMutex);
    g_headerProvider = std::move(provider);
}

QVHeaderDictionary QVRHOCommandCenter::vendorHeaders()
{
    std::function<QVHeaderDictionary()> provider;
    {
        std::lock_guard lock(g_headerMutex);
        provider = g_headerProvider;
    }
    return provider ? provider() : QVHeaderDictionary();
}

QString QVRHOCommandCenter::errorDescriptionForReturnCode(int code)
{
    static const QVariantMap table = [] {
        const auto list = Bundle::propertyListForResource(QStringLiteral("TolvaneErrors"));
        return list ? list->toMap() : QVariantMap();
    }();
    return table.value(QString::number(code)).toString();
}

int QVRHOCommandCenter::doTransaction(QVRHOTransactionKind kind, const QVRHOTransactionParameter &parameter,
                                      std::shared_ptr<QVRHOResponse> *response)
{
    if (response)
        response->reset();
    // A request refused before sending: -1, also in the last-error code.
    auto refuse = [this](const QString &reason) {
        setLastError(QStringLiteral("-1"), reason);
        debugLog(QStringLiteral("Postage-server request not sent: %1").arg(reason));
        return -1;
    };

    QVRHORequestInput input;
    input.kind = static_cast<int>(kind);
    input.userid = userid();
    input.password = password();
    const QDateTime requestDate = QDateTime::currentDateTimeUtc();
    const qint64 requestSeconds = requestDate.toSecsSinceEpoch();
    input.clientTime = static_cast<qint32>(requestSeconds + m_timeDifferential);
    input.number = parameter.number;
    input.newPassword = parameter.text;
    input.modulusHex = serverModulus();
    if (kind == QVRHOTransactionKind::Indicium) {
        if (!parameter.request)
            return refuse(QStringLiteral("An indicium transaction needs its request."));
        QString reason;
        const auto block = parameter.request->indiciumBlock(&reason);
        if (!block)
            return refuse(reason);
        input.indicium = *block;
    }
    if (kind == QVRHOTransactionKind::BuyPostage && parameter.number <= 0)
        return refuse(
            QStringLiteral("A purchase of postage needs an amount above zero (%1 mils asked).").arg(parameter.number));
    if (input.modulusHex.trimmed().isEmpty())
        return refuse(QStringLiteral("The postage server's public key is not configured "
                                     "(user default \"%1\").")
                          .arg(QVRHOServerModulusDefaultsKey));

    QVRHOCryptoError sealingError;
    const auto sealed = QVRHORequest::seal(input, &sealingError);
    if (!sealed) {
        QString reason =
            QStringLiteral("The request to the postage server could not be sealed: %1").arg(sealingError.description);
        if (sealingError.code != 0)
            reason += QStringLiteral(" (library error %1)").arg(sealingError.code);
        return refuse(reason);
    }

    const QUrl url(server() + path());
    // The body in the clear shows only the account, the wire type and the
    // parameter; the pass phrase's digest travels inside the RSA block.
    debugLog(QStringLiteral("Postage-server request to %1: kind %2, wire type %3, %4 bytes")
                 .arg(url.toString())
                 .arg(input.kind)
                 .arg(QVRHOWireType(input.kind))
                 .arg(sealed->body.size()));
    const auto answer = sendURLRequest(URLRequestForPostData(sealed->body, url, vendorHeaders()));
    // Only an HTTP 200 whose body is exactly one reply record is a reply: an
    // error page, whatever its length, would otherwise be read as a record.
    auto noReply = [this](const QString &code, const QString &reason) {
        setLastError(code, reason);
        debugLog(reason);
        return -1;
    };
    if (answer && answer->statusCode != 200)
        return noReply(QString::number(HttpErrorBadServerResponse),
                       QStringLiteral("The postage server answered with HTTP status %1 (%2 bytes) instead of a reply.")
                           .arg(answer->statusCode)
                           .arg(answer->body.size()));
    if (!answer || answer->body.isEmpty()) {
        debugLog(QStringLiteral("Postage-server reply: none (%1 %2)").arg(lastErrorCode(), lastErrorDescription()));
        return -1;
    }
    const QByteArray *body = &answer->body;
    if (body->size() > QVRHOResponse::RecordLength)
        return noReply(QStringLiteral("-1"),
                       QStringLiteral("The postage server's reply is too long (%1 bytes, not %2).")
                           .arg(body->size())
                           .arg(QVRHOResponse::RecordLength));
    QString readError;
    std::shared_ptr<QVRHOResponse> reply = QVRHOResponse::responseWithData(*body, &readError);
    if (!reply)
        return noReply(QStringLiteral("-1"), readError);

    const int code = static_cast<qint32>(reply->returnCode());
    debugLog(QStringLiteral("Postage-server reply: %1 bytes, return code %2").arg(body->size()).arg(code));
    if (code == 1 && kind != QVRHOTransactionKind::ChangePassPhrase)
        m_timeDifferential = static_cast<qint32>(qint64(reply->timestamp()) - requestSeconds);
    if (kind == QVRHOTransactionKind::Status)
        setLastValidStatusResponse(code == 1 ? reply : nullptr);
    if (response)
        *response = reply;
    if (code == 1)
        return 1;
    setLastError(QString::number(code), errorDescriptionForReturnCode(code));
    return code;
}
