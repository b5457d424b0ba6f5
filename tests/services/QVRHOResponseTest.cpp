// QVRHOResponse over 964-byte replies laid out by the fake postage server's
// own writer: every field, the balance texts, the licence, the card and
// status words, the account kinds, the reprint date, the short indicium,
// archiving, and short or empty replies refused.
#include "services/QVRHOResponse.h"

#include "ConsoleCapture.h"
#include "FakePostageServer.h"

#include <gtest/gtest.h>

using tolvane::test::ConsoleCapture;
using tolvane::test::FakePostageReply;

namespace {

std::shared_ptr<QVRHOResponse> read(const FakePostageReply &reply)
{
    QString error;
    auto response = QVRHOResponse::responseWithData(reply.bytes(), &error);
    EXPECT_TRUE(response) << error.toStdString();
    return response;
}

FakePostageReply statusReply()
{
    FakePostageReply reply;
    reply.version = 3;
    reply.returnCode = 1;
    reply.softwareModel = "1M";
    reply.softwareVendor = "QV";
    reply.accountStatus = "A";
    reply.serialNumber = 1234567;
    reply.ascendingRegister = 123456789012LL;
    reply.controlRegister = -7;
    reply.descendingRegister = 5000;
    reply.pieceCount = 4242;
    reply.timestamp = 1418212800;
    reply.returnDateTime = "20141210120000";
    reply.poLicense = "0123456789";
    reply.licenseZIP5 = "94107";
    reply.licenseCity = "SAN FRANCISCO";
    reply.licenseState = "CA";
    reply.name = "Ada Lovelace";
    reply.email = "ada@example.com";
    reply.physicalAddress = "1 Main St\nSan Francisco CA";
    reply.flags = "XXSXYZ";
    reply.ccType = "V";
    reply.transactionID = 99;
    reply.transactionAmountMils = 1650;
    reply.clientVersion = 7;
    reply.textMessage = "Welcome";
    reply.webPassword = "p&ss w/rd";
    return reply;
}

} // namespace

TEST(QVRHOResponseTest, ReadsEveryFieldOfTheRecord)
{
    const auto response = read(statusReply());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->version(), 3u);
    EXPECT_EQ(response->returnCode(), 1u);
    EXPECT_EQ(response->softwareModel(), QStringLiteral("1M"));
    EXPECT_EQ(response->softwareVendor(), QStringLiteral("QV"));
    EXPECT_EQ(response->accountStatus(), QStringLiteral("A"));
    EXPECT_EQ(response->serialNumber(), 1234567u);
    EXPECT_EQ(response->ascendingRegister(), 123456789012LL);
    EXPECT_EQ(response->controlRegister(), -7);
    EXPECT_EQ(response->descendingRegister(), 5000);
    EXPECT_EQ(response->piececount(), 4242u);
    EXPECT_EQ(response->timestamp(), 1418212800u);
    EXPECT_EQ(response->returnDateTime(), QDateTime(QDate(2014, 12, 10), QTime(12, 0, 0)));
    EXPECT_EQ(response->POLicense(), QStringLiteral("0123456789"));
    EXPECT_EQ(response->licenseZIP5(), QStringLiteral("94107"));
    EXPECT_EQ(response->licenseCity(), QStringLiteral("SAN FRANCISCO"));
    EXPECT_EQ(response->licenseState(), QStringLiteral("CA"));
    EXPECT_EQ(response->name(), QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(response->email(), QStringLiteral("ada@example.com"));
    EXPECT_EQ(response->physicalAddress(), QStringLiteral("1 Main St\nSan Francisco CA"));
    EXPECT_EQ(response->flags(), QStringLiteral("XXSX"));
    EXPECT_EQ(response->ccType(), QStringLiteral("V"));
    EXPECT_EQ(response->transactionID(), 99u);
    EXPECT_EQ(response->transactionAmountMils(), 1650u);
    EXPECT_EQ(response->clientVersion(), 7u);
    EXPECT_EQ(response->textMessage(), QStringLiteral("Welcome"));
    EXPECT_EQ(response->tolvaneDotComPassword(), QStringLiteral("p&ss w/rd"));
    EXPECT_EQ(response->escapedTolvaneDotComPassword(), QStringLiteral("p%26ss%20w%2Frd"));
    EXPECT_EQ(response->meterID(), QStringLiteral("QV1M01234567"));
    EXPECT_EQ(response->ccTypeWord(), QStringLiteral("Visa"));
    EXPECT_EQ(response->accountStatusWord(), QStringLiteral("Active"));
}

TEST(QVRHOResponseTest, TextFieldsFillingTheirWidthEndAtTheField)
{
    FakePostageReply reply;
    reply.licenseState = "ABCD";
    reply.licenseCity = QByteArray(52, 'C');
    reply.name = QByteArray(100, 'N');
    reply.email = "next";
    const auto response = read(reply);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->licenseState(), QStringLiteral("ABCD"));
    EXPECT_EQ(response->licenseCity(), QString(52, QLatin1Char('C')));
    EXPECT_EQ(response->name(), QString(100, QLatin1Char('N')));
    EXPECT_EQ(response->email(), QStringLiteral("next"));
}

TEST(QVRHOResponseTest, BalanceTexts)
{
    struct Case {
        qint64 mils;
        const char *withSign;
        const char *withoutSign;
        const char *decimal;
    } cases[] = {
        {5000, "$5.00", "5.00", "5"},
        {-5000, "-$5.00", "-5.00", "-5"},
        {1234567891, "$1,234,567.891", "1,234,567.891", "1234567.891"},
        {10, "$0.01", "0.01", "0.01"},
        {1, "$0.001", "0.001", "0.001"},
        {0, "$0.00", "0.00", "0"},
    };
    for (const Case &c : cases) {
        FakePostageReply reply;
        reply.descendingRegister = c.mils;
        const auto response = read(reply);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->balanceString(), QLatin1String(c.withSign)) << c.mils;
        EXPECT_EQ(response->balanceStringWithDollarSign(false), QLatin1String(c.withoutSign)) << c.mils;
        EXPECT_EQ(response->balanceDecimalNumber(), Decimal::fromString(QLatin1String(c.decimal))) << c.mils;
    }
    EXPECT_EQ(QVRHOResponse::balanceStringWithDecimalNumber(Decimal::fromString(QStringLiteral("2.0005")), true),
              QStringLiteral("$2.00"));
}

TEST(QVRHOResponseTest, LicenceCardAndStatusWords)
{
    FakePostageReply pending;
    pending.poLicense = "9999999999";
    EXPECT_EQ(read(pending)->displayPOLicense(), QStringLiteral("Pending"));
    pending.poLicense = "999999999";
    EXPECT_EQ(read(pending)->displayPOLicense(), QStringLiteral("999999999"));

    const std::pair<const char *, const char *> cards[] = {
        {"A", "American Express"}, {"B", "Carte Blanche"},
        {"D", "Diner's Club"},     {"M", "MasterCard"},
        {"N", "Discover/Novus"},   {"V", "Visa"},
        {"Z", "Direct Debit"},     {"K", "Check"},
        {"L", "Bill Me Later"},    {"U", "Bill Me Later Business"},
        {"Q", "payment"},          {"", "payment"},
    };
    for (const auto &[letter, word] : cards) {
        FakePostageReply reply;
        reply.ccType = letter;
        EXPECT_EQ(read(reply)->ccTypeWord(), QString::fromUtf8(word)) << letter;
    }
    const std::pair<const char *, const char *> statuses[] = {
        {"A", "Active"}, {"C", "Closed"}, {"V", "Needs passphrase reset"}, {"X", ""}, {"", ""}};
    for (const auto &[letter, word] : statuses) {
        FakePostageReply reply;
        reply.accountStatus = letter;
        EXPECT_EQ(read(reply)->accountStatusWord(), QString::fromUtf8(word)) << letter;
    }
}

TEST(QVRHOResponseTest, AccountKindsFromFlagsAndModel)
{
    struct Case {
        const char *flags;
        const char *model;
        const char *kind;
        bool zpm, kivo, mac;
    } cases[] = {
        {"XXSX", "1M", "S", false, false, true},  {"XXSX", "2A", "S", false, false, true},
        {"XXEX", "1M", "E", true, true, true},    {"XXEX", "2A", "E", false, false, false},
        {"XXYX", "1M", "Y", false, true, true},   {"XXYX", "2A", "Y", false, false, false},
        {"XXS", "1M", "", false, false, false},   {"", "1M", "", false, false, false},
        {"XXQX", "1M", "Q", false, false, false},
    };
    for (const Case &c : cases) {
        FakePostageReply reply;
        reply.flags = c.flags;
        reply.softwareModel = c.model;
        const auto response = read(reply);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->glimraType(), QLatin1String(c.kind)) << c.flags << c.model;
        EXPECT_EQ(response->isZPMAccount(), c.zpm) << c.flags << c.model;
        EXPECT_EQ(response->isKIVOAccount(), c.kivo) << c.flags << c.model;
        EXPECT_EQ(response->isMacAccount(), c.mac) << c.flags << c.model;
    }
}

TEST(QVRHOResponseTest, ReprintDateToTheMinute)
{
    FakePostageReply reply;
    reply.returnDateTime = "201412101745";
    reply.referenceID = "94107-ref";
    const auto response = read(reply);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->returnDateTimeReprint(), QDateTime(QDate(2014, 12, 10), QTime(17, 45)));
    EXPECT_FALSE(response->returnDateTime().isValid());
    EXPECT_EQ(response->referenceID().left(5), QStringLiteral("94107"));

    reply.returnDateTime = "2014121O1745";
    EXPECT_FALSE(read(reply)->returnDateTimeReprint().isValid());
}

TEST(QVRHOResponseTest, ShortIndiciumIsTwentyBytesFromTheIndicium)
{
    FakePostageReply reply;
    QByteArray indicium(98, '\0');
    for (int i = 0; i < 98; ++i)
        indicium[i] = static_cast<char>(i + 1);
    indicium.replace(45, 4, "1234");
    reply.indicium = indicium;
    const auto response = read(reply);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->indicium(), indicium);
    EXPECT_EQ(response->rateCategory(), 1234);
    const QByteArray expected = QByteArray::fromHex("ff 32 33 34 35 71 0b 0c 0d 14 15 16 d2 04 00 00 00 00 00 00");
    EXPECT_EQ(response->shortIndicium().toHex(' '), expected.toHex(' '));
    const QByteArray coded = response->shortIndiciumWithIntelligentMailCode(0xBEEF);
    ASSERT_EQ(coded.size(), 20);
    EXPECT_EQ(static_cast<unsigned char>(coded.at(0)), 0xFF);
    EXPECT_EQ(coded.mid(12, 2), QByteArray::fromHex("efbe"));

    // Indicium bytes that are not digits give rate category 0.
    reply.indicium = QByteArray(98, '\0');
    EXPECT_EQ(read(reply)->rateCategory(), 0);
    EXPECT_EQ(read(reply)->shortIndicium().size(), 20);
}

TEST(QVRHOResponseTest, ArchivedReplyReadsTheSame)
{
    const auto response = read(statusReply());
    ASSERT_TRUE(response);
    const QVariantMap archive = response->encodeWithCoder();
    EXPECT_EQ(archive.keys(), QStringList{QStringLiteral("rawBytes")});
    const auto restored = QVRHOResponse::initWithCoder(archive);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->data(), response->data());
    EXPECT_EQ(restored->balanceString(), QStringLiteral("$5.00"));

    QString error;
    EXPECT_FALSE(QVRHOResponse::initWithCoder(QVariantMap{{QStringLiteral("rawBytes"), 5}}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QVRHOResponse::initWithCoder(
        QVariantMap{{QStringLiteral("rawBytes"), statusReply().bytes().left(100)}}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("100 of 964"))) << error.toStdString();
}

TEST(QVRHOResponseTest, ShortAndEmptyRepliesAreRefused)
{
    const QByteArray full = statusReply().bytes();
    for (int length : {0, 1, 8, 584, 940, 963}) {
        QString error;
        EXPECT_FALSE(QVRHOResponse::responseWithData(full.left(length), &error)) << length;
        EXPECT_FALSE(error.isEmpty()) << length;
    }
    // A longer body is read for its record.
    const auto longer = QVRHOResponse::responseWithData(full + QByteArray(40, 'x'));
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->balanceString(), QStringLiteral("$5.00"));
}

TEST(QVRHOResponseTest, RangesBeyondTheReplyAreRefusedWithAMessage)
{
    const auto response = read(statusReply());
    ASSERT_TRUE(response);
    ConsoleCapture console;
    EXPECT_TRUE(response->bytesAtRange(940, 20).has_value());
    EXPECT_FALSE(response->bytesAtRange(960, 20).has_value());
    EXPECT_FALSE(response->bytesAtRange(-1, 2).has_value());
    ASSERT_EQ(console.lines().size(), 2);
    EXPECT_TRUE(console.lines().first().contains(QStringLiteral("out of range for length 964")));
}
