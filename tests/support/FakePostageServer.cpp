#include "FakePostageServer.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>

#include <QDateTime>
#include <QtEndian>

#include <cstring>

namespace tolvane::test {

namespace {

// The fake's own OpenSSL context (default and legacy providers) and its key.
struct ServerCrypto {
    OSSL_LIB_CTX *libraryContext = nullptr;
    EVP_PKEY *key = nullptr;
    EVP_CIPHER *desCbc = nullptr;
    QString modulus;
    QString error;

    ServerCrypto()
    {
        libraryContext = OSSL_LIB_CTX_new();
        if (!libraryContext || !OSSL_PROVIDER_load(libraryContext, "default") ||
            !OSSL_PROVIDER_load(libraryContext, "legacy")) {
            error = QStringLiteral("cannot load the OpenSSL providers");
            return;
        }
        desCbc = EVP_CIPHER_fetch(libraryContext, "DES-CBC", nullptr);
        key = EVP_PKEY_Q_keygen(libraryContext, nullptr, "RSA", size_t(1024));
        BIGNUM *n = nullptr;
        if (!desCbc || !key || EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n) != 1) {
            error = QStringLiteral("cannot make the test key pair");
            return;
        }
        char *hex = BN_bn2hex(n);
        modulus = QString::fromLatin1(hex).rightJustified(256, QLatin1Char('0')).prepend(QStringLiteral("00"));
        OPENSSL_free(hex);
        BN_free(n);
    }
};

ServerCrypto &crypto()
{
    static ServerCrypto shared;
    return shared;
}

quint32 u32(const QByteArray &data, int offset) { return qFromLittleEndian<quint32>(data.constData() + offset); }
qint32 i32(const QByteArray &data, int offset) { return qFromLittleEndian<qint32>(data.constData() + offset); }
qint64 i64(const QByteArray &data, int offset) { return qFromLittleEndian<qint64>(data.constData() + offset); }

QByteArray le32(quint32 value)
{
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

// DES-CBC with a zero vector, no padding.
QByteArray desCbcZeroIv(const QByteArray &key, const QByteArray &plain)
{
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    const unsigned char iv[8] = {};
    QByteArray out(plain.size() + 8, '\0');
    int n1 = 0;
    int n2 = 0;
    const bool ok = context &&
        EVP_EncryptInit_ex2(context, crypto().desCbc, reinterpret_cast<const unsigned char *>(key.constData()), iv,
                            nullptr) == 1 &&
        EVP_CIPHER_CTX_set_padding(context, 0) == 1 &&
        EVP_EncryptUpdate(context, reinterpret_cast<unsigned char *>(out.data()), &n1,
                          reinterpret_cast<const unsigned char *>(plain.constData()), int(plain.size())) == 1 &&
        EVP_EncryptFinal_ex(context, reinterpret_cast<unsigned char *>(out.data()) + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(context);
    ERR_clear_error();
    return ok ? out.left(n1 + n2) : QByteArray();
}

// Writes text into a field of the given width (zero-filled, cut to fit).
void putText(QByteArray &record, int offset, int width, const QByteArray &text)
{
    std::memcpy(record.data() + offset, text.constData(), size_t(qMin<qsizetype>(text.size(), width)));
}

void put32(QByteArray &record, int offset, quint32 value) { qToLittleEndian(value, record.data() + offset); }
void put64(QByteArray &record, int offset, qint64 value) { qToLittleEndian(value, record.data() + offset); }

bool allZero(const QByteArray &bytes) { return bytes.count('\0') == bytes.size(); }

ScriptedReply binary(const QByteArray &body)
{
    ScriptedReply reply;
    reply.status = 200;
    reply.body = body;
    return reply.addHeader("Content-Type", "application/octet-stream");
}

ScriptedReply badRequest()
{
    ScriptedReply reply;
    reply.status = 400;
    return reply;
}

} // namespace

QByteArray FakePostageReply::bytes() const
{
    QByteArray record(964, '\0');
    put32(record, 0, version);
    put32(record, 4, returnCode);
    putText(record, 8, 4, softwareModel);
    putText(record, 12, 4, softwareVendor);
    putText(record, 16, 4, accountStatus);
    put32(record, 20, serialNumber);
    put64(record, 24, ascendingRegister);
    put64(record, 32, controlRegister);
    put64(record, 40, descendingRegister);
    put32(record, 48, pieceCount);
    put32(record, 52, timestamp);
    putText(record, 56, 15, returnDateTime);
    putText(record, 71, 12, poLicense);
    putText(record, 83, 8, licenseZIP5);
    putText(record, 91, 52, licenseCity);
    putText(record, 143, 4, licenseState);
    putText(record, 147, 100, name);
    putText(record, 247, 100, email);
    putText(record, 347, 200, physicalAddress);
    putText(record, 547, 16, flags);
    putText(record, 563, 2, ccType);
    put32(record, 576, transactionID);
    put32(record, 580, transactionAmountMils);
    putText(record, 584, 98, indicium);
    put32(record, 684, clientVersion);
    putText(record, 688, 256, textMessage);
    putText(record, 944, 20, referenceID);
    if (!webPassword.isNull()) {
        std::memset(record.data() + 940, 0, 20);
        putText(record, 940, 20, webPassword);
    }
    return record;
}

FakePostageServer::FakePostageServer()
{
    m_digest = digestOfPassPhrase("secret");
    m_http = std::make_unique<LocalHttpServer>();
    m_http->setHandler(Path, [this](const RecordedRequest &request) { return answer(request); });
}

FakePostageServer::~FakePostageServer() = default;

bool FakePostageServer::isReady() const { return crypto().error.isEmpty() && m_http->isListening(); }

QString FakePostageServer::errorString() const
{
    return crypto().error.isEmpty() ? m_http->errorString() : crypto().error;
}

QString FakePostageServer::baseUrl() const { return m_http->baseUrl(); }

QString FakePostageServer::modulusHex() { return crypto().modulus; }

QByteArray FakePostageServer::privateDecrypt(const QByteArray &block)
{
    EVP_PKEY_CTX *context = EVP_PKEY_CTX_new_from_pkey(crypto().libraryContext, crypto().key, nullptr);
    size_t length = 0;
    QByteArray plain;
    if (context && EVP_PKEY_decrypt_init(context) == 1 &&
        EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
        EVP_PKEY_decrypt(context, nullptr, &length, reinterpret_cast<const unsigned char *>(block.constData()),
                         size_t(block.size())) == 1) {
        plain.resize(qsizetype(length));
        if (EVP_PKEY_decrypt(context, reinterpret_cast<unsigned char *>(plain.data()), &length,
                             reinterpret_cast<const unsigned char *>(block.constData()), size_t(block.size())) == 1)
            plain.resize(qsizetype(length));
        else
            plain.clear();
    }
    EVP_PKEY_CTX_free(context);
    ERR_clear_error();
    return plain.isEmpty() ? QByteArray() : plain;
}

QByteArray FakePostageServer::digestOfPassPhrase(const QByteArray &asciiPassPhrase)
{
    QByteArray padded = asciiPassPhrase;
    while (padded.size() % 4)
        padded.append(' ');
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(padded.constData(), size_t(padded.size()), digest, &length, EVP_sha1(), nullptr);
    return QByteArray(reinterpret_cast<const char *>(digest), int(length));
}

void FakePostageServer::setAccount(const QByteArray &accountNumber, const QByteArray &asciiPassPhrase)
{
    std::lock_guard lock(m_mutex);
    m_accountNumber = accountNumber;
    m_digest = digestOfPassPhrase(asciiPassPhrase);
}

void FakePostageServer::setWrongPassPhraseCode(quint32 code)
{
    std::lock_guard lock(m_mutex);
    m_wrongPassPhraseCode = code;
}

void FakePostageServer::queueReplies(int wireType, const QList<FakePostageReply> &replies)
{
    std::lock_guard lock(m_mutex);
    m_replies[wireType] = replies;
}

void FakePostageServer::setAnswerer(Answerer answerer)
{
    std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

void FakePostageServer::setRawReply(const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_rawReply = body;
}

QList<FakePostageRequest> FakePostageServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

LocalHttpServer &FakePostageServer::http() { return *m_http; }

ScriptedReply FakePostageServer::answer(const RecordedRequest &request)
{
    std::lock_guard lock(m_mutex);
    FakePostageRequest seen;
    seen.body = request.body;
    auto refuse = [&](const QString &why) {
        seen.refusal = why;
        m_requests.append(seen);
        return badRequest();
    };
    const QByteArray &body = request.body;
    if (request.method != "POST")
        return refuse(QStringLiteral("not a POST"));
    if (body.size() != 152)
        return refuse(QStringLiteral("body of %1 bytes").arg(body.size()));
    seen.authenticationCode = body.left(8);
    seen.accountNumber = i32(body, 8);
    seen.wireType = i32(body, 12);
    seen.constant = i32(body, 16);
    seen.outerParameter = u32(body, 20);
    seen.sessionBlock = privateDecrypt(body.mid(24, 128));
    if (seen.sessionBlock.size() != 112)
        return refuse(QStringLiteral("RSA block does not decrypt to 112 bytes"));
    const QByteArray &session = seen.sessionBlock;
    seen.desKey = session.left(8);
    seen.randomBytes = session.mid(8, 8);
    seen.headerVersion = u32(session, 16);
    seen.accountText = session.mid(20, 12);
    seen.passPhraseDigest = session.mid(32, 20);
    seen.clientTime = i32(session, 52);
    seen.payload = session.mid(56, 56);

    // The authentication code over what arrived in the clear.
    const QByteArray input = le32(quint32(seen.accountNumber)) + le32(quint32(seen.wireType)) + le32(1) +
        QByteArray(4, '\0') + session + QByteArray(8, '\x08');
    const QByteArray encrypted = desCbcZeroIv(seen.desKey, input);
    if (encrypted.size() != 136 || encrypted.mid(128, 8) != seen.authenticationCode)
        return refuse(QStringLiteral("authentication code does not match"));

    if (seen.constant != 1)
        return refuse(QStringLiteral("outer constant is not 1"));
    if (seen.headerVersion != 1)
        return refuse(QStringLiteral("header version is not 1"));
    // The account the request names: the text must be the plaintext number.
    const QByteArray accountNumber = m_answerer ? QByteArray::number(seen.accountNumber) : m_accountNumber;
    QByteArray expectedText = accountNumber.left(12);
    expectedText.append(QByteArray(12 - expectedText.size(), '\0'));
    if (seen.accountText != expectedText)
        return refuse(QStringLiteral("account text differs"));
    if (seen.accountNumber != accountNumber.toInt())
        return refuse(QStringLiteral("plaintext account number differs"));

    const QByteArray &p = seen.payload;
    switch (seen.wireType) {
    case 28: // status
    case 97: // pass-phrase reset
        if (!allZero(p) || seen.outerParameter != 0)
            return refuse(QStringLiteral("payload or parameter not empty"));
        break;
    case 27: // buy postage
        seen.amountMils = i32(p, 0);
        if (!allZero(p.mid(4)) || seen.outerParameter != 0)
            return refuse(QStringLiteral("purchase payload malformed"));
        break;
    case 26: // pass-phrase change
        seen.newPassPhraseDigest = p.mid(4, 20);
        if (i32(p, 0) != seen.accountNumber || !allZero(p.mid(24)) || seen.outerParameter != 0)
            return refuse(QStringLiteral("pass-phrase change payload malformed"));
        break;
    case 51: // refund
    case 29: // reprint
        if (!allZero(p))
            return refuse(QStringLiteral("payload not empty"));
        break;
    case 48: // indicium
        seen.zip = i64(p, 0);
        seen.optionalServices = i32(p, 8);
        seen.serviceClass = i32(p, 12);
        seen.indiciumAmountMils = u32(p, 16);
        seen.weightTenthOunce = i32(p, 20);
        seen.daysAdvance = i32(p, 24);
        seen.indiciumOne = i32(p, 28);
        seen.indiciumKind = u32(p, 32);
        seen.costCenter = i32(p, 36);
        seen.last9PIC = i32(p, 40);
        seen.mailedFromZIP5 = i32(p, 44);
        if (seen.indiciumOne != 1 || !allZero(p.mid(48)) || seen.outerParameter != 0)
            return refuse(QStringLiteral("indicium payload malformed"));
        break;
    default:
        return refuse(QStringLiteral("unknown wire type %1").arg(seen.wireType));
    }

    seen.accepted = true;
    if (m_answerer)
        return binary(m_answerer(seen));
    seen.passPhraseMatched = seen.passPhraseDigest == m_digest;
    m_requests.append(seen);
    if (!m_rawReply.isNull())
        return binary(m_rawReply);

    FakePostageReply reply;
    QList<FakePostageReply> &queue = m_replies[seen.wireType];
    if (!queue.isEmpty())
        reply = queue.size() > 1 ? queue.takeFirst() : queue.first();
    if (reply.timestamp == 0)
        reply.timestamp = quint32(QDateTime::currentSecsSinceEpoch());
    if (!seen.passPhraseMatched) {
        reply.returnCode = m_wrongPassPhraseCode;
    } else if (seen.wireType == 26 && reply.returnCode == 1) {
        m_digest = seen.newPassPhraseDigest;
    }
    return binary(reply.bytes());
}

} // namespace tolvane::test
