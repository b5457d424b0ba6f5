// The sealed postage-server request: pass-phrase digests, the account field,
// the payload of each transaction kind, the plaintext outer fields, the RSA
// block under the test key and the authentication code (checked with the
// openssl tool), and sealing failures returned as errors.
#include "services/QVRHOCrypto.h"
#include "services/QVRHORequest.h"

#include "FakePostageServer.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

using tolvane::test::FakePostageServer;

namespace {

QByteArray sha1(const QByteArray &ascii) { return QCryptographicHash::hash(ascii, QCryptographicHash::Sha1); }

qint32 le32(const QByteArray &data, int offset) { return qFromLittleEndian<qint32>(data.constData() + offset); }

QVRHORequestInput inputOfKind(int kind)
{
    QVRHORequestInput input;
    input.kind = kind;
    input.userid = QStringLiteral("1234567");
    input.password = QStringLiteral("abc");
    input.clientTime = 1400000000;
    input.modulusHex = FakePostageServer::modulusHex();
    return input;
}

const QByteArray FixedKey = QByteArray::fromHex("0123456789abcdef");
const QByteArray FixedRandom = QByteArray::fromHex("fedcba9876543210");

} // namespace

TEST(QVRHORequestTest, PassPhraseDigestPadsWithSpacesToFourAndConvertsLossily)
{
    struct Case {
        const char16_t *passPhrase;
        const char *hashedAs;
    } cases[] = {
        {u"abc", "abc "},  {u"abcd", "abcd"},        {u"", ""},         {u"abcde", "abcde   "},
        {u"café", "cafe"}, {u"Ünïcode", "Unicode "}, {u"日本", "??  "}, {u"pass word", "pass word   "},
    };
    for (const Case &c : cases) {
        const QString passPhrase = QString::fromUtf16(c.passPhrase);
        EXPECT_EQ(QVRHORequest::passPhraseDigest(passPhrase), sha1(c.hashedAs)) << passPhrase.toStdString();
    }
}

TEST(QVRHORequestTest, AccountFieldHoldsTheDigitsAndZeroBytes)
{
    const auto field = QVRHORequest::accountNumberField(QStringLiteral("1234567"));
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(*field, QByteArray("1234567") + QByteArray(5, '\0'));
    EXPECT_EQ(QVRHORequest::accountNumberField(QStringLiteral("123456789012"))->size(), 12);

    QString reason;
    EXPECT_FALSE(QVRHORequest::accountNumberField(QStringLiteral("1234567890123"), &reason).has_value());
    EXPECT_TRUE(reason.contains(QStringLiteral("12 characters"))) << reason.toStdString();
}

TEST(QVRHORequestTest, AccountNumberIntegerReadsLeadingDigits)
{
    struct Case {
        const char *text;
        qint32 value;
    } cases[] = {
        {"1234567", 1234567}, {"  42x7", 42}, {"-15", -15}, {"abc", 0}, {"", 0}, {"99999999999", 2147483647},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QVRHORequest::accountNumberInteger(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(QVRHORequestTest, WireTypesOfTheSevenKinds)
{
    const int expected[] = {0, 28, 27, 48, 26, 51, 29, 97, 0};
    for (int kind = 0; kind <= 8; ++kind)
        EXPECT_EQ(QVRHOWireType(kind), expected[kind]) << kind;
}

TEST(QVRHORequestTest, HeaderLayout)
{
    const auto header = QVRHORequest::header(QStringLiteral("1234567"), QStringLiteral("abc"), -5);
    ASSERT_TRUE(header.has_value());
    ASSERT_EQ(header->size(), 40);
    EXPECT_EQ(le32(*header, 0), 1);
    EXPECT_EQ(header->mid(4, 12), QByteArray("1234567\0\0\0\0\0", 12));
    EXPECT_EQ(header->mid(16, 20), sha1("abc "));
    EXPECT_EQ(le32(*header, 36), -5);
}

TEST(QVRHORequestTest, SealedBodyCarriesPlaintextFieldsAndTheSessionBlockUnderTheServerKey)
{
    ASSERT_FALSE(FakePostageServer::modulusHex().isEmpty());
    EXPECT_EQ(FakePostageServer::modulusHex().size(), 258);
    struct Case {
        int kind;
        qint64 number;
        qint32 wireType;
        quint32 outer;
    } cases[] = {{1, 0, 28, 0}, {2, 5000, 27, 0}, {5, 4000000001LL, 51, 4000000001U}, {6, 17, 29, 17}, {7, 0, 97, 0}};
    for (const Case &c : cases) {
        QVRHORequestInput input = inputOfKind(c.kind);
        input.number = c.number;
        QVRHOCryptoError error;
        const auto sealed = QVRHORequest::sealWithKey(input, FixedKey, FixedRandom, &error);
        ASSERT_TRUE(sealed.has_value()) << error.description.toStdString();
        const QByteArray &body = sealed->body;
        ASSERT_EQ(body.size(), 152);
        EXPECT_EQ(le32(body, 8), 1234567);
        EXPECT_EQ(le32(body, 12), c.wireType);
        EXPECT_EQ(le32(body, 16), 1);
        EXPECT_EQ(qFromLittleEndian<quint32>(body.constData() + 20), c.outer);

        const QByteArray session = FakePostageServer::privateDecrypt(body.mid(24));
        ASSERT_EQ(session.size(), 112);
        EXPECT_EQ(session, sealed->sessionBlock);
        EXPECT_EQ(session.left(8), FixedKey);
        EXPECT_EQ(session.mid(8, 8), FixedRandom);
        EXPECT_EQ(session.mid(16, 40), *QVRHORequest::header(input.userid, input.password, input.clientTime));
        const QByteArray payload = session.mid(56);
        if (c.kind == 2) {
            EXPECT_EQ(le32(payload, 0), 5000);
            EXPECT_EQ(payload.mid(4), QByteArray(52, '\0'));
        } else {
            EXPECT_EQ(payload, QByteArray(56, '\0')) << c.kind;
        }
    }
}

TEST(QVRHORequestTest, PassPhraseChangePayloadHoldsAccountAndNewDigest)
{
    QVRHORequestInput input = inputOfKind(4);
    input.newPassword = QStringLiteral("new pass");
    const auto payload = QVRHORequest::payload(input);
    ASSERT_TRUE(payload.has_value());
    ASSERT_EQ(payload->size(), 56);
    EXPECT_EQ(le32(*payload, 0), 1234567);
    EXPECT_EQ(payload->mid(4, 20), sha1("new pass"));
    EXPECT_EQ(payload->mid(24), QByteArray(32, '\0'));
}

TEST(QVRHORequestTest, IndiciumPayloadLayoutAndKindCodes)
{
    QVRHOIndiciumBlock block;
    block.zip = 12345678901LL;
    block.optionalServices = 0x204;
    block.serviceClass = 77;
    block.amountMils = 1650;
    block.weightTenthOunce = 35;
    block.daysAdvance = 2;
    block.kindCode = QVRHOInternationalCorrectionIndiciumCode;
    block.costCenter = 9;
    block.last9PIC = 123456789;
    block.mailedFromZIP5 = 94107;
    QVRHORequestInput input = inputOfKind(3);
    input.indicium = block;
    const auto payload = QVRHORequest::payload(input);
    ASSERT_TRUE(payload.has_value());
    const QByteArray expected = QByteArray::fromHex("35 1c dc df 02 00 00 00"
                                                    "04 02 00 00"
                                                    "4d 00 00 00"
                                                    "72 06 00 00"
                                                    "23 00 00 00"
                                                    "02 00 00 00"
                                                    "01 00 00 00"
                                                    "63 67 01 44"
                                                    "09 00 00 00"
                                                    "15 cd 5b 07"
                                                    "9b 6f 01 00") +
        QByteArray(8, '\0');
    EXPECT_EQ(payload->toHex(' '), expected.toHex(' '));

    EXPECT_EQ(QVRHOStampIndiciumCode, 0x31016763u);
    EXPECT_EQ(QVRHODomesticIndiciumCode, 0x03016763u);
    EXPECT_EQ(QVRHODomesticCorrectionIndiciumCode, 0x04016763u);
    EXPECT_EQ(QVRHOInternationalIndiciumCode, 0x43016763u);
}

TEST(QVRHORequestTest, AuthenticationCodeIsTheLastDESCBCBlockAsTheOpensslToolComputesIt)
{
    const QVRHORequestInput input = inputOfKind(1);
    const auto sealed = QVRHORequest::sealWithKey(input, FixedKey, FixedRandom);
    ASSERT_TRUE(sealed.has_value());
    QByteArray authenticationInput;
    authenticationInput += QByteArray::fromHex("87d61200"); // 1234567
    authenticationInput += QByteArray::fromHex("1c000000"); // 28
    authenticationInput += QByteArray::fromHex("01000000");
    authenticationInput += QByteArray(4, '\0');
    authenticationInput += sealed->sessionBlock;
    authenticationInput += QByteArray(8, '\x08');
    ASSERT_EQ(authenticationInput.size(), 136);

    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("enc"), QStringLiteral("-des-cbc"), QStringLiteral("-provider"),
                   QStringLiteral("legacy"), QStringLiteral("-provider"), QStringLiteral("default"),
                   QStringLiteral("-K"), QString::fromLatin1(FixedKey.toHex()), QStringLiteral("-iv"),
                   QStringLiteral("0000000000000000"), QStringLiteral("-nopad")});
    ASSERT_TRUE(openssl.waitForStarted());
    openssl.write(authenticationInput);
    openssl.closeWriteChannel();
    ASSERT_TRUE(openssl.waitForFinished(30000));
    const QByteArray cipher = openssl.readAllStandardOutput();
    ASSERT_EQ(cipher.size(), 136) << openssl.readAllStandardError().toStdString();
    EXPECT_EQ(sealed->body.left(8).toHex(), cipher.mid(128, 8).toHex());
}

TEST(QVRHORequestTest, EveryRequestHasAFreshKey)
{
    const auto first = QVRHORequest::seal(inputOfKind(1));
    const auto second = QVRHORequest::seal(inputOfKind(1));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->sessionBlock.left(16), second->sessionBlock.left(16));
    EXPECT_NE(first->body.left(8), second->body.left(8));
    // The library's DES keys have odd parity in every byte.
    for (char byte : first->sessionBlock.left(16))
        EXPECT_EQ(__builtin_popcount(static_cast<unsigned char>(byte)) % 2, 1);
}

TEST(QVRHORequestTest, SealingFailuresAreErrors)
{
    struct Case {
        const char *name;
        QString modulus;
        QString userid;
        int kind;
        qint64 number;
        const char *reason;
    } cases[] = {
        {"not hexadecimal", QStringLiteral("00zz"), QStringLiteral("1234567"), 1, 0, "not valid hexadecimal"},
        {"empty key", QString(), QStringLiteral("1234567"), 1, 0, "not valid hexadecimal"},
        {"too small a key", QStringLiteral("00c3a5"), QStringLiteral("1234567"), 1, 0, "RSA encryption failed"},
        {"long account", FakePostageServer::modulusHex(), QStringLiteral("1234567890123"), 1, 0, "12 characters"},
        {"amount beyond 32 bits", FakePostageServer::modulusHex(), QStringLiteral("1234567"), 2, 1LL << 33,
         "out of range"},
        {"negative piece", FakePostageServer::modulusHex(), QStringLiteral("1234567"), 5, -1, "out of range"},
        {"unknown kind", FakePostageServer::modulusHex(), QStringLiteral("1234567"), 9, 0, "no postage-server"},
    };
    for (const Case &c : cases) {
        QVRHORequestInput input = inputOfKind(c.kind);
        input.modulusHex = c.modulus;
        input.userid = c.userid;
        input.number = c.number;
        QVRHOCryptoError error;
        EXPECT_FALSE(QVRHORequest::seal(input, &error).has_value()) << c.name;
        EXPECT_TRUE(error.description.contains(QLatin1String(c.reason)))
            << c.name << ": " << error.description.toStdString();
    }

    // A 2,048-bit key encrypts, but the body would not be 152 bytes.
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("genrsa"), QStringLiteral("2048")});
    ASSERT_TRUE(openssl.waitForFinished(60000));
    QProcess modulus;
    modulus.start(QStringLiteral("openssl"),
                  {QStringLiteral("rsa"), QStringLiteral("-noout"), QStringLiteral("-modulus")});
    ASSERT_TRUE(modulus.waitForStarted());
    modulus.write(openssl.readAllStandardOutput());
    modulus.closeWriteChannel();
    ASSERT_TRUE(modulus.waitForFinished(30000));
    const QString hex = QString::fromLatin1(modulus.readAllStandardOutput()).trimmed().section(QLatin1Char('='), 1);
    ASSERT_EQ(hex.size(), 512);
    QVRHORequestInput input = inputOfKind(1);
    input.modulusHex = hex;
    QVRHOCryptoError error;
    EXPECT_FALSE(QVRHORequest::seal(input, &error).has_value());
    EXPECT_TRUE(error.description.contains(QStringLiteral("1,024-bit"))) << error.description.toStdString();
}
