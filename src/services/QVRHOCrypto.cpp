#include "services/QVRHOCrypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>

#include <cctype>
#include <memory>

namespace {

// The library context with the legacy and default providers, and the DES
// cipher fetched from it; made once.
struct Library {
    OSSL_LIB_CTX *context = nullptr;
    EVP_CIPHER *des = nullptr;
    unsigned long failure = 0;
    QString failureText;

    Library()
    {
        context = OSSL_LIB_CTX_new();
        if (!context) {
            fail(QStringLiteral("no library context"));
            return;
        }
        // Loaded by name from the library's module folder; the default
        // provider is loaded too, since loading any provider explicitly
        // keeps the context from loading it by itself.
        if (!OSSL_PROVIDER_load(context, "default")) {
            fail(QStringLiteral("the default provider could not be loaded"));
            return;
        }
        if (!OSSL_PROVIDER_load(context, "legacy")) {
            fail(QStringLiteral("the legacy provider (DES) could not be loaded"));
            return;
        }
        des = EVP_CIPHER_fetch(context, "DES-CBC", nullptr);
        if (!des)
            fail(QStringLiteral("DES-CBC is not available"));
    }

    void fail(const QString &text)
    {
        failure = ERR_peek_last_error();
        failureText = text;
        ERR_clear_error();
    }
};

Library &library()
{
    static Library shared;
    return shared;
}

// Fills the error from the library's queue (and empties the queue).
void setError(QVRHOCryptoError *error, const QString &what)
{
    const unsigned long code = ERR_peek_last_error();
    QString text = what;
    if (code != 0) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        text += QStringLiteral(" (") + QString::fromLatin1(buffer) + QLatin1Char(')');
    }
    ERR_clear_error();
    if (error) {
        error->code = code;
        error->description = text;
    }
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX *c) const { EVP_CIPHER_CTX_free(c); }
};
struct PkeyFree {
    void operator()(EVP_PKEY *k) const { EVP_PKEY_free(k); }
};
struct PkeyContextFree {
    void operator()(EVP_PKEY_CTX *c) const { EVP_PKEY_CTX_free(c); }
};
struct BignumFree {
    void operator()(BIGNUM *b) const { BN_free(b); }
};
struct ParamBuildFree {
    void operator()(OSSL_PARAM_BLD *b) const { OSSL_PARAM_BLD_free(b); }
};
struct ParamFree {
    void operator()(OSSL_PARAM *p) const { OSSL_PARAM_free(p); }
};

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

const unsigned char *bytes(const QByteArray &data) { return reinterpret_cast<const unsigned char *>(data.constData()); }

// A big number from hexadecimal text; nullptr when the text is not one.
std::unique_ptr<BIGNUM, BignumFree> bignumFromHex(const QString &text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    if (latin.isEmpty())
        return {};
    for (char c : latin) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    }
    BIGNUM *number = nullptr;
    std::unique_ptr<BIGNUM, BignumFree> made;
    const int digits = BN_hex2bn(&number, latin.constData());
    made.reset(number);
    if (digits != latin.size())
        return {};
    return made;
}

bool checkDES(QVRHOCryptoError *error)
{
    const Library &lib = library();
    if (lib.des)
        return true;
    if (error) {
        error->code = lib.failure;
        error->description = lib.failureText;
    }
    return false;
}

} // namespace

namespace QVRHOCrypto {

bool desAvailable(QVRHOCryptoError *error) { return checkDES(error); }

std::optional<QByteArray> randomDESKey(QVRHOCryptoError *error)
{
    if (!checkDES(error))
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    QByteArray key(8, '\0');
    if (!context || EVP_EncryptInit_ex2(context.get(), library().des, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_rand_key(context.get(), reinterpret_cast<unsigned char *>(key.data())) != 1) {
        setError(error, QStringLiteral("A DES key could not be drawn"));
        return std::nullopt;
    }
    return key;
}

std::optional<QByteArray> desCBCEncrypt(const QByteArray &key, const QByteArray &data, const QByteArray &iv,
                                        QVRHOCryptoError *error)
{
    if (!checkDES(error))
        return std::nullopt;
    if (key.size() != 8 || iv.size() != 8 || data.size() % 8 != 0) {
        if (error) {
            error->code = 0;
            error->description = QStringLiteral("DES-CBC needs an 8-byte key and vector and whole 8-byte blocks");
        }
        return std::nullopt;
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    QByteArray out(data.size() + 8, '\0');
    int written = 0;
    int finished = 0;
    auto *target = reinterpret_cast<unsigned char *>(out.data());
    if (!context || EVP_EncryptInit_ex2(context.get(), library().des, bytes(key), bytes(iv), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_EncryptUpdate(context.get(), target, &written, bytes(data), static_cast<int>(data.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), target + written, &finished) != 1) {
        setError(error, QStringLiteral("DES encryption failed"));
        return std::nullopt;
    }
    out.resize(written + finished);
    return out;
}

std::optional<QByteArray> rsaPublicEncrypt(const QString &modulusHex, const QString &exponentHex,
                                           const QByteArray &data, QVRHOCryptoError *error)
{
    const auto modulus = bignumFromHex(modulusHex);
    const auto exponent = bignumFromHex(exponentHex);
    if (!modulus || !exponent || BN_is_zero(modulus.get())) {
        if (error) {
            error->code = 0;
            error->description = QStringLiteral("The RSA key is not valid hexadecimal text");
        }
        return std::nullopt;
    }
    Library &lib = library();
    std::unique_ptr<OSSL_PARAM_BLD, ParamBuildFree> build(OSSL_PARAM_BLD_new());
    if (!build || OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, modulus.get()) != 1 ||
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, exponent.get()) != 1) {
        setError(error, QStringLiteral("The RSA key could not be made"));
        return std::nullopt;
    }
    std::unique_ptr<OSSL_PARAM, ParamFree> params(OSSL_PARAM_BLD_to_param(build.get()));
    std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> keyContext(EVP_PKEY_CTX_new_from_name(lib.context, "RSA", nullptr));
    EVP_PKEY *made = nullptr;
    if (!params || !keyContext || EVP_PKEY_fromdata_init(keyContext.get()) != 1 ||
        EVP_PKEY_fromdata(keyContext.get(), &made, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
        setError(error, QStringLiteral("The RSA key could not be made"));
        return std::nullopt;
    }
    std::unique_ptr<EVP_PKEY, PkeyFree> key(made);
    std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> context(EVP_PKEY_CTX_new_from_pkey(lib.context, key.get(), nullptr));
    size_t length = 0;
    if (!context || EVP_PKEY_encrypt_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_encrypt(context.get(), nullptr, &length, bytes(data), static_cast<size_t>(data.size())) != 1) {
        setError(error, QStringLiteral("RSA encryption failed"));
        return std::nullopt;
    }
    QByteArray out(static_cast<qsizetype>(length), '\0');
    if (EVP_PKEY_encrypt(context.get(), reinterpret_cast<unsigned char *>(out.data()), &length, bytes(data),
                         static_cast<size_t>(data.size())) != 1) {
        setError(error, QStringLiteral("RSA encryption failed"));
        return std::nullopt;
    }
    out.resize(static_cast<qsizetype>(length));
    return out;
}

} // namespace QVRHOCrypto
