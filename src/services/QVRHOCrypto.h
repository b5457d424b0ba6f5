#pragma once
// The cryptography of the postage server's sealed requests, over OpenSSL 3
// EVP: random DES keys, DES in CBC mode and RSA public-key encryption with
// PKCS #1 v1.5 padding under a key given as hexadecimal modulus and exponent.
//
// DES lives in OpenSSL's legacy provider. The program loads that provider
// itself, together with the default provider, into a library context of its
// own, made on first use and kept for the life of the process; no system
// configuration file is read for it and the process-wide default context is
// left as it is. Every operation here uses that context and is safe from
// any thread.
//
// A failure never ends the process: each operation answers nothing and puts
// the library's error code and a readable text into the QVRHOCryptoError.
#include <QByteArray>
#include <QString>

#include <optional>

struct QVRHOCryptoError {
    // The library's last error code (0 when the library gave none).
    unsigned long code = 0;
    QString description;
};

namespace QVRHOCrypto {

// Whether DES-CBC could be had from the legacy provider (false: every DES
// operation fails with the reason).
bool desAvailable(QVRHOCryptoError *error = nullptr);

// Eight bytes drawn by the library's DES random-key generator (odd parity
// in every byte).
std::optional<QByteArray> randomDESKey(QVRHOCryptoError *error = nullptr);

// DES-CBC encryption of data (a multiple of 8 bytes; no padding is added)
// under the 8-byte key with the 8-byte initial vector. The key's parity is
// not checked.
std::optional<QByteArray> desCBCEncrypt(const QByteArray &key, const QByteArray &data, const QByteArray &iv,
                                        QVRHOCryptoError *error = nullptr);

// RSA public-key encryption with PKCS #1 v1.5 padding under the key of the
// hexadecimal modulus and exponent (leading zeros allowed). The answer is as
// long as the modulus in bytes. Fails for hexadecimal text that is not a
// number, and for data longer than the modulus length less 11 bytes.
std::optional<QByteArray> rsaPublicEncrypt(const QString &modulusHex, const QString &exponentHex,
                                           const QByteArray &data, QVRHOCryptoError *error = nullptr);

} // namespace QVRHOCrypto
