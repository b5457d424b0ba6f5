#pragma once
// The byte layouts of a sealed postage-server request and the sealing.
//
// Every transaction with the postage server is one 152-byte body POSTed to
// it. Its plaintext part names the account, the wire type and an outer
// parameter; the rest is a 112-byte session block encrypted under the
// server's RSA public key (PKCS #1 v1.5, a 1,024-bit modulus, so 128 bytes).
// The session block carries a fresh DES key, eight further random bytes, a
// 40-byte header (account number text, the SHA-1 digest of the pass phrase,
// the client's clock) and the transaction's 56-byte payload. An 8-byte
// authentication code ties the plaintext to the block: the last 8 bytes of
// the DES-CBC encryption (zero vector) of the 136-byte authentication input
// under the session's key. The pass phrase never travels, only its digest.
//
// All integers are 32-bit little-endian (the destination number of an
// indicium is 64-bit). Layouts:
//   header (40):  0 uint32 1 | 4 account text, 12 bytes zero-padded |
//                 16 pass-phrase digest (20) | 36 int32 client time
//   session (112): 0 DES key (8) | 8 random (8) | 16 header | 56 payload (56)
//   authentication input (136): 0 int32 account number | 4 int32 wire type |
//                 8 int32 1 | 12 zero (4) | 16 session block | 128 eight 0x08
//   body (152):   0 authentication code (8) | 8 int32 account number |
//                 12 int32 wire type | 16 int32 1 | 20 uint32 outer parameter |
//                 24 RSA-encrypted session block (128)
//
// Nothing here touches the network or a client; QVRHOCommandCenter sends.
#include "services/QVRHOCrypto.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The transactions, by the numbers the client's operations pass.
enum class QVRHOTransactionKind : int {
    Status = 1,
    BuyPostage = 2,
    Indicium = 3,
    ChangePassPhrase = 4,
    ElectronicRefund = 5,
    Reprint = 6,
    ResetPassPhrase = 7,
};

// The wire type of a kind: 28, 27, 48, 26, 51, 29, 97; 0 for a number
// outside 1 to 7.
int QVRHOWireType(int kind);

// The indicium kind codes (indicium block offset 32).
inline constexpr quint32 QVRHOStampIndiciumCode = 0x31016763;
inline constexpr quint32 QVRHODomesticIndiciumCode = 0x03016763;
inline constexpr quint32 QVRHODomesticCorrectionIndiciumCode = 0x04016763;
inline constexpr quint32 QVRHOInternationalIndiciumCode = 0x43016763;
inline constexpr quint32 QVRHOInternationalCorrectionIndiciumCode = 0x44016763;

// The 48-byte indicium block, field by field in the order of the layout.
struct QVRHOIndiciumBlock {
    qint64 zip = 0;              // 0: destination number
    qint32 optionalServices = 0; // 8
    qint32 serviceClass = 0;     // 12
    quint32 amountMils = 0;      // 16
    qint32 weightTenthOunce = 0; // 20
    qint32 daysAdvance = 0;      // 24
    // 28: always 1
    quint32 kindCode = 0;      // 32
    qint32 costCenter = 0;     // 36
    qint32 last9PIC = 0;       // 40
    qint32 mailedFromZIP5 = 0; // 44

    QByteArray bytes() const;
};

// Everything one request is made of, apart from the random material.
struct QVRHORequestInput {
    int kind = 0;
    QString userid;   // the account number text
    QString password; // the current pass phrase (empty when absent)
    qint32 clientTime = 0;
    // Kind 2: the amount in mils; kinds 5 and 6: the piece number.
    qint64 number = 0;
    // Kind 4: the new pass phrase.
    QString newPassword;
    // Kind 3: the indicium block.
    QVRHOIndiciumBlock indicium;
    // The server's public key as hexadecimal text.
    QString modulusHex;
    QString exponentHex = QStringLiteral("00010001");
};

namespace QVRHORequest {

inline constexpr int HeaderLength = 40;
inline constexpr int PayloadLength = 56;
inline constexpr int SessionBlockLength = 112;
inline constexpr int AuthenticationInputLength = 136;
inline constexpr int EncryptedBlockLength = 128;
inline constexpr int BodyLength = 152;
inline constexpr int AccountFieldLength = 12;

// The text converted to ASCII the lossy way: letters with diacritics lose
// their marks ("é" is "e"), every other character outside ASCII becomes "?".
QByteArray lossyASCII(const QString &text);
// The digest of a pass phrase: padded with spaces to a multiple of 4
// characters, converted to ASCII the lossy way, SHA-1 (20 bytes).
QByteArray passPhraseDigest(const QString &passPhrase);
// The integer value of the account number text: leading white space, an
// optional sign and the digits that follow; 0 without digits; clamped to the
// 32-bit range.
qint32 accountNumberInteger(const QString &userid);
// The 12-byte account field: the text in lossy ASCII, padded with zero
// bytes. Nothing (with a reason) for a text of more than 12 characters.
std::optional<QByteArray> accountNumberField(const QString &userid, QString *error = nullptr);

// The 40-byte header.
std::optional<QByteArray> header(const QString &userid, const QString &password, qint32 clientTime,
                                 QString *error = nullptr);
// The 56-byte payload of the kind; nothing (with a reason) for an unknown
// kind or an amount or piece number out of range.
std::optional<QByteArray> payload(const QVRHORequestInput &input, QString *error = nullptr);
// The outer parameter: the piece number for kinds 5 and 6, else 0.
quint32 outerParameter(const QVRHORequestInput &input);

// The authentication code of a session block (DES-CBC, zero vector, last
// 8 bytes of the 136-byte input).
std::optional<QByteArray> authenticationCode(qint32 accountNumber, int wireType, const QByteArray &sessionBlock,
                                             QVRHOCryptoError *error = nullptr);

// A sealed request: the body, and the session block it carries (for logs and
// tests; it holds the DES key and never goes out in the clear).
struct Sealed {
    QByteArray body;
    QByteArray sessionBlock;
};

// Seals with the given DES key and random bytes (8 each).
std::optional<Sealed> sealWithKey(const QVRHORequestInput &input, const QByteArray &desKey,
                                  const QByteArray &randomBytes, QVRHOCryptoError *error = nullptr);
// Seals with a fresh DES key and fresh random bytes from the library.
std::optional<Sealed> seal(const QVRHORequestInput &input, QVRHOCryptoError *error = nullptr);

} // namespace QVRHORequest
