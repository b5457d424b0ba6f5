// The operations of the postage-server client over its transactions: the
// account, one operation per transaction, the receipt reports and the links
// into the vendor's web site.
#include "services/QVRHOCommandCenter.h"

#include "platform/UserDefaults.h"
#include "services/QVRHOIndiciumRequest.h"
#include "services/QVRHOStampIndiciumRequest.h"

#include <QRegularExpression>
#include <QtDebug>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// What the receipt threads share with the client: how many still run and
// how the last one failed. The threads hold it, not the client, so that a
// thread may outlive the client.
struct QVRHOCommandCenter::ReceiptReports {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
    QString errorCode;
    QString errorDescription;

    void finish(const QString &code = QString(), const QString &description = QString())
    {
        {
            std::lock_guard lock(mutex);
            if (!code.isEmpty()) {
                errorCode = code;
                errorDescription = description;
            }
            --running;
        }
        ended.notify_all();
    }
};

QVRHOCommandCenter::QVRHOCommandCenter() : m_receipts(std::make_shared<ReceiptReports>())
{
    QVCommandCenter::setServer(UserDefaults::standardUserDefaults().stringForKey(QVRHOServerDefaultsKey));
    setPath(QVRHOTransactionPath);
}

QVRHOCommandCenter::~QVRHOCommandCenter() = default;

// ---- Account ------------------------------------------------------------------

void QVRHOCommandCenter::setServer(const QString &server)
{
    QVCommandCenter::setServer(server);
    UserDefaults::standardUserDefaults().setObject(server, QVRHOServerDefaultsKey);
}

void QVRHOCommandCenter::setUserid(const QString &userid)
{
    qsizetype first = 0;
    qsizetype end = userid.size();
    while (first < end && !userid.at(first).isDigit())
        ++first;
    while (end > first && !userid.at(end - 1).isDigit())
        --end;
    const QString digits = userid.mid(first, end - first);
    QVCommandCenter::setUserid(digits);
    UserDefaults::standardUserDefaults().setObject(digits, QVRHOUserDefaultsKey);
}

void QVRHOCommandCenter::setPassword(const QString &password)
{
    QVCommandCenter::setPassword(password);
    storeCredential(userid(), password);
}

void QVRHOCommandCenter::storeCredential(const QString &userid, const QString &password)
{
    if (!UserDefaults::standardUserDefaults().boolForKey(QVRHOSavePasswordDefaultsKey) || userid.isEmpty() ||
        password.isEmpty())
        return;
    QString error;
    if (credentialStore()->setDefaultCredential({userid, password}, protectionSpace(), &error)) {
        m_credentialStoreError.clear();
    } else {
        m_credentialStoreError = error;
        qWarning().noquote() << "The pass phrase was not kept:" << error;
    }
}

ProtectionSpace QVRHOCommandCenter::protectionSpace() const
{
    const QUrl url(server());
    ProtectionSpace space;
    space.host = url.host();
    space.port = url.port(url.scheme() == QLatin1String("http") ? 80 : 443);
    space.protocol = url.scheme();
    space.authenticationMethod = ProtectionSpaceAuthenticationMethodHTMLForm;
    return space;
}

bool QVRHOCommandCenter::testServer() const
{
    // A bare host name is read as the host of an https address.
    const QString host = hostOfServer(server());
    if (host.startsWith(QLatin1String("192.168")) || host.endsWith(QLatin1String(".local")))
        return true;
    // A server on this computer (the loopback addresses) is a test server
    // too: no postage service of the vendor runs there.
    static const QRegularExpression loopbackIPv4(QStringLiteral("^127(\\.[0-9]{1,3}){3}$"));
    return host == QLatin1String("localhost") || host == QLatin1String("::1") || loopbackIPv4.match(host).hasMatch();
}

bool QVRHOCommandCenter::tryNewUseridPassword(const QString &newUserid, const QString &newPassword)
{
    const QString keptUserid = userid();
    const QString keptPassword = password();
    // The new pass phrase is tried in memory only: the credential store sees
    // it after the server accepted it.
    setUserid(newUserid);
    QVCommandCenter::setPassword(newPassword);
    const auto reply = status();
    const bool accepted = reply && reply->returnCode() == 1;
    if (accepted)
        storeCredential(userid(), newPassword);
    if (!keptUserid.isEmpty())
        setUserid(keptUserid);
    QVCommandCenter::setPassword(keptPassword);
    return accepted;
}

// ---- Transactions ---------------------------------------------------------------

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::run(QVRHOTransactionKind kind,
                                                       const QVRHOTransactionParameter &parameter)
{
    std::shared_ptr<QVRHOResponse> reply;
    doTransaction(kind, parameter, &reply);
    return reply;
}

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::status()
{
    return run(QVRHOTransactionKind::Status, QVRHOTransactionParameter::none());
}

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::postageBuy(qint64 mils)
{
    const auto reply = run(QVRHOTransactionKind::BuyPostage, QVRHOTransactionParameter::withNumber(mils));
    if (!reply || reply->returnCode() != 1 || reply->serialNumber() != 0)
        return reply;
    // An accepted purchase whose reply names no account carries no
    // registers: its descending register of 0 is not the balance. The
    // account's status after the purchase gives the balance, and the reply
    // keeps the purchase's own transaction id and amount.
    const auto account = status();
    if (!account || account->returnCode() != 1)
        return reply;
    constexpr int kTransactionFields = 576; // transaction id and amount: 8 bytes
    QByteArray record = account->data();
    if (record.size() < kTransactionFields + 8 || reply->data().size() < kTransactionFields + 8)
        return reply;
    record.replace(kTransactionFields, 8, reply->data().mid(kTransactionFields, 8));
    const auto merged = QVRHOResponse::responseWithData(record);
    return merged ? merged : reply;
}

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::electronicRefund(qint64 pieceNumber)
{
    return run(QVRHOTransactionKind::ElectronicRefund, QVRHOTransactionParameter::withNumber(pieceNumber));
}

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::reprintIndicium(qint64 pieceNumber)
{
    return run(QVRHOTransactionKind::Reprint, QVRHOTransactionParameter::withNumber(pieceNumber));
}

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::resetPassword()
{
    return run(QVRHOTransactionKind::ResetPassPhrase, QVRHOTransactionParameter::none());
}

std::shared_ptr<QVRHOResponse> QVRHOCommandCenter::changePasswordTo(const QString &newPassword)
{
    return run(QVRHOTransactionKind::ChangePassPhrase, QVRHOTransactionParameter::withText(newPassword));
}

std::shared_ptr<QVRHOResponse>
QVRHOCommandCenter::createIndicium(const std::shared_ptr<const QVRHOIndiciumRequest> &request)
{
    auto reply = run(QVRHOTransactionKind::Indicium, QVRHOTransactionParameter::withRequest(request));
    if (reply && reply->returnCode() == 1 && request)
        sendReceiptTransactionForRequest(*request, QString::number(reply->piececount()));
    return reply;
}

std::shared_ptr<QVRHOResponse>
QVRHOCommandCenter::createStampIndicium(const std::shared_ptr<const QVRHOStampIndiciumRequest> &request)
{
    return createIndicium(request);
}

// ---- Receipts -------------------------------------------------------------------

bool QVRHOCommandCenter::requestNeedsReceipt(const QVRHOIndiciumRequest &request)
{
    if (request.postageCorrection())
        return false;
    auto filled = [&request](const char *key) {
        return !request.objectForKey(QString::fromLatin1(key)).toString().isEmpty();
    };
    if (filled("PICNumber") || filled("CONFIRM") || filled("CustomsID"))
        return true;
    if (request.objectForKey(QStringLiteral("InsuranceType")).toString() == QVUSPSShipmentTolvaneInsuranceType)
        return true;
    if (request.isStampRequest()) {
        const auto &stamp = static_cast<const QVRHOStampIndiciumRequest &>(request);
        return stamp.referenceID() && !stamp.referenceID()->isEmpty();
    }
    return false;
}

bool QVRHOCommandCenter::sendReceiptTransactionForRequest(const QVRHOIndiciumRequest &request,
                                                          const QString &pieceCount)
{
    if (!requestNeedsReceipt(request))
        return false;
    doReceiptTransaction(request.xmlConfirmReceiptWithAccountNumber(userid(), pieceCount));
    return true;
}

void QVRHOCommandCenter::doReceiptTransaction(const QString &receiptXML)
{
    // Everything the thread needs of the client is taken here, on the
    // calling thread.
    const QString serverAddress = server();
    const int timeout = requestTimeoutMilliseconds();
    std::shared_ptr<ReceiptReports> reports = m_receipts;
    {
        std::lock_guard lock(reports->mutex);
        ++reports->running;
    }
    std::thread([reports, serverAddress, timeout, receiptXML] {
        const QByteArray escaped = QUrl::toPercentEncoding(receiptXML);
        const QString text = serverAddress + QVRHOReceiptPath + QStringLiteral("?XML=") + QString::fromLatin1(escaped);
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) {
            qWarning().noquote() << "bad receipt URL:" << text;
            reports->finish(QStringLiteral("-1000"), QStringLiteral("bad receipt URL: %1").arg(text));
            return;
        }
        HttpRequest request;
        request.url = url;
        request.timeoutMilliseconds = timeout;
        const QVHeaderDictionary headers = vendorHeaders();
        for (auto field = headers.constBegin(); field != headers.constEnd(); ++field)
            request.setHeader(field.key().toUtf8(), field.value().toUtf8());
        HttpError error;
        // The answer is not examined.
        if (!sendHttpRequest(request, &error)) {
            qWarning().noquote() << "The receipt was not delivered:" << error.description;
            reports->finish(QString::number(error.code), error.description);
            return;
        }
        reports->finish();
    }).detach();
}

bool QVRHOCommandCenter::waitForReceipts(int timeoutMilliseconds)
{
    std::unique_lock lock(m_receipts->mutex);
    return m_receipts->ended.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                                      [this] { return m_receipts->running == 0; });
}

QString QVRHOCommandCenter::lastReceiptErrorCode() const
{
    std::lock_guard lock(m_receipts->mutex);
    return m_receipts->errorCode;
}

QString QVRHOCommandCenter::lastReceiptErrorDescription() const
{
    std::lock_guard lock(m_receipts->mutex);
    return m_receipts->errorDescription;
}

// ---- Web links -------------------------------------------------------------------

QString QVRHOCommandCenter::websiteServerName()
{
    return UserDefaults::standardUserDefaults().stringForKey(QVRHOWebSiteDefaultsKey);
}

std::optional<QUrl> QVRHOCommandCenter::webLink(const QString &format, const QString &host) const
{
    const auto reply = lastValidStatusResponse();
    if (!reply)
        return std::nullopt;
    const QString text =
        format.arg(host.isEmpty() ? websiteServerName() : host, QString::fromLatin1(QUrl::toPercentEncoding(userid())),
                   reply->escapedTolvaneDotComPassword());
    const QUrl url = QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

std::optional<QUrl> QVRHOCommandCenter::logURL() const
{
    return webLink(QStringLiteral("https://%1/Account/LogIn/?SerialNumber=%2&AccountPW=%3&AccountTrans=Yes"));
}

std::optional<QUrl> QVRHOCommandCenter::changePaymentURL() const
{
    return webLink(QStringLiteral("https://%1/Account/LogIn/?SerialNumber=%2&AccountPW=%3&ChangePayment=Yes"));
}

std::optional<QUrl> QVRHOCommandCenter::postageAccountURL() const
{
    return webLink(QStringLiteral("https://%1/Account/LogIn/?SerialNumber=%2&AccountPW=%3"));
}

std::optional<QUrl> QVRHOCommandCenter::refundRequestURL() const
{
    return webLink(QStringLiteral("https://%1/Account/LogIn/?SerialNumber=%2&AccountPW=%3&RefundRequest=Yes"));
}

std::optional<QUrl> QVRHOCommandCenter::refundRequestURLForPieceCount(quint32 pieceNumber) const
{
    return webLink(QStringLiteral("https://%1/VLS/RefundStart.cfm?accountnumber=%2&webpassword=%3&pieceid=") +
                   QString::number(pieceNumber));
}

std::optional<QUrl> QVRHOCommandCenter::storeURL() const
{
    return webLink(QStringLiteral("https://%1/Store/?Store=Mac&UserName=%2&WebPassword=%3"));
}

std::optional<QUrl> QVRHOCommandCenter::tessaroSuppliesURL() const
{
    return webLink(QStringLiteral("https://%1/Store/?RedirectPostage=Yes&UserName=%2&WebPassword=%3"));
}

std::optional<QUrl> QVRHOCommandCenter::scanFormCreationURL() const
{
    return webLink(QStringLiteral("https://%1/Account/Login/?SerialNumber=%2&AccountPW=%3&ScanForm"));
}

std::optional<QUrl> QVRHOCommandCenter::webStoreWizardURL() const
{
    QString host = websiteServerName();
    const bool development =
        (!m_developmentWebHost.isEmpty() && host.compare(m_developmentWebHost, Qt::CaseInsensitive) == 0) ||
        (!m_developmentDomain.isEmpty() && host.contains(m_developmentDomain, Qt::CaseInsensitive));
    if (development)
        host += QStringLiteral(":4025");
    return webLink(QStringLiteral("https://%1/Account/Login/?SerialNumber=%2&AccountPW=%3&ManageStores=V2"), host);
}

void QVRHOCommandCenter::setDevelopmentWebHosts(const QString &developmentHost, const QString &internalDomain)
{
    m_developmentWebHost = developmentHost;
    m_developmentDomain = internalDomain;
}

std::optional<QUrl> QVRHOCommandCenter::accountSetupURL()
{
    const QString host = websiteServerName();
    if (host.isEmpty())
        return std::nullopt;
    const bool stamps = UserDefaults::standardUserDefaults().boolForKey(QVRHOStampsVersionDefaultsKey);
    const QUrl url(QStringLiteral("https://%1/%2").arg(host, stamps ? QStringLiteral("kivostamps") : QString()),
                   QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}
