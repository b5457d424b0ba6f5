#pragma once
// A stand-in for the vendor's postage server on 127.0.0.1, for the tests of
// the postage-server client. It is written from the byte layouts of the
// sealed request and of the 964-byte reply alone and shares no code with the
// client.
//
// Its RSA key pair (1,024 bits, exponent 65537) is generated once per test
// run with OpenSSL; modulusHex() gives the public modulus as the client is
// configured with it: 258 hexadecimal digits, two leading zeros.
//
// For every POST to "/VPOServer/VpoHttpAdapter.aspx" it
//   1. takes the 152-byte body apart: authentication code, account number,
//      wire type, the constant 1, outer parameter, RSA block;
//   2. decrypts the RSA block with its private key into the 112-byte session
//      block (DES key, random bytes, header, payload);
//   3. recomputes the authentication code over the plaintext fields it
//      received and the session block and compares;
//   4. checks the header (version 1, the account number text zero-padded,
//      the plaintext account number equal to the text's integer), the outer
//      fields (a known wire type, 1, a piece number only for refund and
//      reprint), and the payload's shape for the wire type (zero padding,
//      the account number and a digest for a pass-phrase change);
//   5. checks the pass-phrase digest against the account's pass phrase
//      (space-padded to a multiple of 4, SHA-1).
// A request that fails steps 1 to 4 gets HTTP 400 with an empty body and is
// recorded with the reason. A wrong digest gets the wrong-pass-phrase reply
// (return code 507 unless set otherwise). Otherwise the next scripted reply
// for the wire type is sent (the last one repeats), or a plain success reply
// (return code 1) when none is scripted; a reply without a time-stamp
// gets the server clock of the moment. A successful
// pass-phrase change takes the new digest as the account's.
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

namespace tolvane::test {

// The fields of a 964-byte reply; bytes() lays them out.
struct FakePostageReply {
    quint32 version = 1;
    quint32 returnCode = 1;
    QByteArray softwareModel = "1M";
    QByteArray softwareVendor = "QV";
    QByteArray accountStatus = "A";
    quint32 serialNumber = 0;
    qint64 ascendingRegister = 0;
    qint64 controlRegister = 0;
    qint64 descendingRegister = 0;
    quint32 pieceCount = 0;
    quint32 timestamp = 0;
    QByteArray returnDateTime;
    QByteArray poLicense;
    QByteArray licenseZIP5;
    QByteArray licenseCity;
    QByteArray licenseState;
    QByteArray name;
    QByteArray email;
    QByteArray physicalAddress;
    QByteArray flags;
    QByteArray ccType;
    quint32 transactionID = 0;
    quint32 transactionAmountMils = 0;
    QByteArray indicium; // up to 98 bytes
    quint32 clientVersion = 0;
    QByteArray textMessage;
    QByteArray referenceID;
    // Written last over bytes 940 to 959 when not null (status replies).
    QByteArray webPassword;

    QByteArray bytes() const;
};

// One request as the fake read it.
struct FakePostageRequest {
    QByteArray body;
    bool accepted = false;
    QString refusal; // why it got 400, empty when it did not
    bool passPhraseMatched = false;
    // Plaintext fields.
    QByteArray authenticationCode;
    qint32 accountNumber = 0;
    qint32 wireType = 0;
    qint32 constant = 0;
    quint32 outerParameter = 0;
    // Decrypted session block and its parts.
    QByteArray sessionBlock;
    QByteArray desKey;
    QByteArray randomBytes;
    quint32 headerVersion = 0;
    QByteArray accountText; // the 12 bytes
    QByteArray passPhraseDigest;
    qint32 clientTime = 0;
    QByteArray payload;
    // Payload fields by wire type.
    qint32 amountMils = 0;          // 27
    QByteArray newPassPhraseDigest; // 26
    // Indicium block (48).
    qint64 zip = 0;
    qint32 optionalServices = 0;
    qint32 serviceClass = 0;
    quint32 indiciumAmountMils = 0;
    qint32 weightTenthOunce = 0;
    qint32 daysAdvance = 0;
    qint32 indiciumOne = 0;
    quint32 indiciumKind = 0;
    qint32 costCenter = 0;
    qint32 last9PIC = 0;
    qint32 mailedFromZIP5 = 0;
};

class FakePostageServer
{
public:
    static constexpr const char *Path = "/VPOServer/VpoHttpAdapter.aspx";

    FakePostageServer();
    ~FakePostageServer();
    FakePostageServer(const FakePostageServer &) = delete;
    FakePostageServer &operator=(const FakePostageServer &) = delete;

    // Whether the key pair was made and the server listens (ASSERT it).
    bool isReady() const;
    QString errorString() const;
    // "http://127.0.0.1:<port>", the client's server address.
    QString baseUrl() const;
    // The public modulus: "00" and 256 hexadecimal digits.
    static QString modulusHex();
    // Decrypts a 128-byte block with the private key; null on failure.
    static QByteArray privateDecrypt(const QByteArray &block);
    // The digest the server expects of a pass phrase.
    static QByteArray digestOfPassPhrase(const QByteArray &asciiPassPhrase);

    void setAccount(const QByteArray &accountNumber, const QByteArray &asciiPassPhrase);
    void setWrongPassPhraseCode(quint32 code);
    // Replies for a wire type, in order, the last one repeated.
    void queueReplies(int wireType, const QList<FakePostageReply> &replies);
    // A body sent as it is, for every wire type, after the checks (for
    // truncated and malformed replies); null clears it.
    void setRawReply(const QByteArray &body);
    // A vendor that keeps accounts of its own (the stand-ins of make run):
    // every request that passes the seal and shape checks (steps 1 to 4,
    // without the comparison with the one account of setAccount()) goes to
    // it as read, and its answer is the reply body. Requests are then not
    // recorded. An empty function removes it.
    using Answerer = std::function<QByteArray(const FakePostageRequest &)>;
    void setAnswerer(Answerer answerer);

    QList<FakePostageRequest> requests() const;
    LocalHttpServer &http();

private:
    tolvane::test::ScriptedReply answer(const RecordedRequest &request);

    mutable std::mutex m_mutex;
    QByteArray m_accountNumber = "1234567";
    QByteArray m_digest;
    quint32 m_wrongPassPhraseCode = 507;
    QMap<int, QList<FakePostageReply>> m_replies;
    QByteArray m_rawReply;
    Answerer m_answerer;
    QList<FakePostageRequest> m_requests;
    std::unique_ptr<LocalHttpServer> m_http;
};

} // namespace tolvane::test
