// Intelligent Mail barcode encoder: the USPS-B-3200 examples, return codes,
// the building blocks, and random inputs against an independent encoder.
#include "barcodes/linear/USPS4CB.h"
#include "barcodes/linear/USPS4CBFormatting.h"

#include "ConsoleCapture.h"
#include "LinearBarcodeSupport.h"

#include <QFile>
#include <QStringList>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>

using namespace tolvane;

namespace {

const char *const kTracking = "01234567094987654321";

struct Example {
    const char *routing;
    const char *bars;
};

// USPS-B-3200 examples.
const Example kExamples[] = {
    {"", "ATTFATTDTTADTAATTDTDTATTDAFDDFADFDFTFFFFFTATFAAAATDFFTDAADFTFDTDT"},
    {"01234", "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT"},
    {"012345678", "ADFTTAFDTTTTFATTADTAAATFTFTATDAAAFDDADATATDTDTTDFDTDATADADTDFFTFA"},
    {"01234567891", "AADTFFDFTDADTAADAATFDTDDAAADDTDTTDAFADADDDTFFFDDTTTADFAAADFTDAADA"},
};

std::string encode(const char *tracking, const char *routing, int *code)
{
    char bars[80];
    std::memset(bars, '#', sizeof bars);
    *code = USPS4CB(tracking, routing, bars);
    return std::string(bars, 65);
}

} // namespace

TEST(USPS4CB, PublishedExamples)
{
    for (const Example &e : kExamples) {
        int code = -1;
        EXPECT_EQ(encode(kTracking, e.routing, &code), e.bars) << "routing '" << e.routing << "'";
        EXPECT_EQ(code, USPS4CB_SUCCESS);
    }
    EXPECT_TRUE(EncoderSelfTestedFlag());
}

TEST(USPS4CB, WritesSixtyFiveLettersOnly)
{
    char bars[80];
    std::memset(bars, '#', sizeof bars);
    ASSERT_EQ(USPS4CB(kTracking, "01234", bars), USPS4CB_SUCCESS);
    EXPECT_EQ(std::string(bars, 65), kExamples[1].bars);
    EXPECT_EQ(bars[65], '#');
}

TEST(USPS4CB, ReturnCodes)
{
    struct Case {
        const char *name;
        const char *tracking;
        const char *routing;
        bool buffer;
        int code;
    } cases[] = {
        {"tracking missing", nullptr, "01234", true, USPS4CB_TRACKING_MISSING},
        {"routing missing", kTracking, nullptr, true, USPS4CB_ROUTING_MISSING},
        {"both missing", nullptr, nullptr, false, USPS4CB_TRACKING_MISSING},
        {"buffer missing", kTracking, "01234", false, USPS4CB_BAR_STRING_MISSING},
        {"tracking 19 digits", "0123456709498765432", "", true, USPS4CB_TRACKING_WRONG_LENGTH},
        {"tracking 21 digits", "012345670949876543210", "", true, USPS4CB_TRACKING_WRONG_LENGTH},
        {"tracking letter", "0123456709498765432X", "", true, USPS4CB_TRACKING_NOT_DIGITS},
        {"second digit 5", "05234567094987654321", "", true, USPS4CB_TRACKING_SECOND_DIGIT},
        {"second digit 9", "09234567094987654321", "01234", true, USPS4CB_TRACKING_SECOND_DIGIT},
        {"routing 6 digits", kTracking, "012345", true, USPS4CB_ROUTING_WRONG_LENGTH},
        {"routing 10 digits", kTracking, "0123456789", true, USPS4CB_ROUTING_WRONG_LENGTH},
        {"routing 12 digits", kTracking, "012345678912", true, USPS4CB_ROUTING_WRONG_LENGTH},
        {"routing letter", kTracking, "0123A", true, USPS4CB_ROUTING_NOT_DIGITS},
        {"routing dash", kTracking, "01234-5678", true, USPS4CB_ROUTING_WRONG_LENGTH},
    };
    for (const Case &c : cases) {
        char bars[66] = {};
        EXPECT_EQ(USPS4CB(c.tracking, c.routing, c.buffer ? bars : nullptr), c.code) << c.name;
        EXPECT_EQ(bars[0], '\0') << c.name << ": buffer written on failure";
    }
}

TEST(USPS4CB, RoutingCodeEndsAtItsFirstBlank)
{
    int code = -1;
    EXPECT_EQ(encode(kTracking, "01234 and more text", &code), kExamples[1].bars);
    EXPECT_EQ(code, USPS4CB_SUCCESS);
    EXPECT_EQ(encode(kTracking, " 01234", &code), kExamples[0].bars);
    EXPECT_EQ(code, USPS4CB_SUCCESS);
    // The other entry point does not cut.
    char bars[66] = {};
    EXPECT_EQ(USPSVCB(kTracking, "01234 x", bars), USPS4CB_ROUTING_WRONG_LENGTH);
    EXPECT_EQ(USPSVCB(kTracking, "012345678", bars), USPS4CB_SUCCESS);
    EXPECT_EQ(std::string(bars, 65), kExamples[2].bars);
}

TEST(USPS4CB, EncodeRefusesUncheckedInputInsteadOfReadingPastIt)
{
    char bars[66] = {};
    EXPECT_EQ(Encode(kTracking, "01234567891", bars), USPS4CB_SUCCESS);
    EXPECT_EQ(std::string(bars, 65), kExamples[3].bars);
    EXPECT_EQ(Encode("0123", "", bars), USPS4CB_BINARY_CONVERSION_FAILED);
    EXPECT_EQ(Encode(kTracking, "1234", bars), USPS4CB_BINARY_CONVERSION_FAILED);
    EXPECT_EQ(Encode(nullptr, "", bars), USPS4CB_BINARY_CONVERSION_FAILED);
    EXPECT_EQ(Encode(kTracking, "", nullptr), USPS4CB_BAR_STRING_MISSING);
}

TEST(USPS4CB, Nof13Tables)
{
    // C(13,5) = 1287 and C(13,2) = 78 values: all distinct, each with N bits.
    struct {
        int n;
        int length;
    } tables[] = {{5, 1287}, {2, 78}};
    for (const auto &t : tables) {
        const int *table = GetNof13Table(t.n);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table, GetNof13Table(t.n)); // built once
        std::set<int> seen;
        for (int i = 0; i < t.length; ++i) {
            EXPECT_EQ(__builtin_popcount(table[i]), t.n);
            EXPECT_LT(table[i], 8192);
            seen.insert(table[i]);
        }
        EXPECT_EQ(static_cast<int>(seen.size()), t.length);
    }
    // USPS-B-3200 table entries: the first values of each table.
    EXPECT_EQ(GetNof13Table(5)[0], 0x001F);
    EXPECT_EQ(GetNof13Table(5)[1], 0x1F00);
    EXPECT_EQ(GetNof13Table(2)[0], 0x0003);
    EXPECT_EQ(GetNof13Table(2)[1], 0x1800);
    EXPECT_EQ(GetNof13Table(3), nullptr);
    int tooShort[10];
    EXPECT_FALSE(InitializeNof13Table(tooShort, 2, 10));
    int tooLong[80];
    EXPECT_FALSE(InitializeNof13Table(tooLong, 2, 80));
}

TEST(USPS4CB, BarMappingUsesEveryCharacterBitOnce)
{
    std::set<std::pair<int, int>> used;
    for (int i = 0; i < kUSPS4CBBarCount; ++i) {
        used.insert({BarTopCharacterIndexArray[i], BarTopCharacterShiftArray[i]});
        used.insert({BarBottomCharacterIndexArray[i], BarBottomCharacterShiftArray[i]});
    }
    EXPECT_EQ(used.size(), 130u); // 10 characters of 13 bits
    EXPECT_EQ(used.begin()->first, 0);
    EXPECT_EQ(used.rbegin()->first, 9);
    EXPECT_EQ(used.rbegin()->second, 12);
}

TEST(USPS4CB, BigNumberOperations)
{
    std::mt19937_64 random(20261210);
    for (int round = 0; round < 200; ++round) {
        const std::uint64_t start = random() >> 20;
        const unsigned short factor = static_cast<unsigned short>(random() % 65535 + 1);
        const unsigned short addend = static_cast<unsigned short>(random());
        unsigned char bytes[kUSPS4CBBigNumberSize] = {};
        for (int i = 0; i < 8; ++i)
            bytes[12 - i] = static_cast<unsigned char>(start >> (8 * i));
        MultiplyBytesByShort(bytes, factor);
        AddShortToBytes(bytes, addend);
        const unsigned __int128 expected = static_cast<unsigned __int128>(start) * factor + addend;
        unsigned __int128 got = 0;
        for (unsigned char b : bytes)
            got = (got << 8) | b;
        EXPECT_TRUE(got == expected) << round;
        const unsigned short divisor = static_cast<unsigned short>(random() % 65535 + 1);
        const unsigned short remainder = DivideBytesByShort(bytes, divisor);
        EXPECT_EQ(remainder, static_cast<unsigned short>(expected % divisor)) << round;
        got = 0;
        for (unsigned char b : bytes)
            got = (got << 8) | b;
        EXPECT_TRUE(got == expected / divisor) << round;
    }
}

TEST(USPS4CB, RandomInputsAgreeWithIndependentEncoder)
{
    std::mt19937 random(3200);
    const int routingLengths[] = {0, 5, 9, 11};
    std::vector<std::pair<std::string, std::string>> inputs;
    QByteArray batch;
    for (int i = 0; i < 60; ++i) {
        std::string tracking;
        for (int d = 0; d < 20; ++d)
            tracking.push_back(static_cast<char>('0' + (d == 1 ? random() % 5 : random() % 10)));
        std::string routing;
        for (int d = 0; d < routingLengths[i % 4]; ++d)
            routing.push_back(static_cast<char>('0' + random() % 10));
        // Extremes of the value range now and then.
        if (i == 4)
            tracking = "94999999999999999999", routing = "";
        if (i == 7)
            tracking = "94999999999999999999", routing = "99999999999";
        if (i == 8)
            tracking = "00000000000000000000", routing = "00000";
        inputs.emplace_back(tracking, routing);
        batch += QByteArray::fromStdString(routing.empty() ? tracking : tracking + "-" + routing) + "\n";
    }
    const QString inputFile = tolvane::test::temporaryFilePath(QStringLiteral("imail-batch.txt"));
    {
        QFile file(inputFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(batch);
    }
    QString error;
    QByteArray dump;
    tolvane::test::runTool(QStringLiteral("zint"),
                           {QStringLiteral("-b"), QStringLiteral("USPS_IMAIL"), QStringLiteral("--batch"),
                            QStringLiteral("--dump"), QStringLiteral("-i"), inputFile},
                           &dump, &error);
    QList<QByteArray> rows;
    for (const QByteArray &line : dump.split('\n')) {
        if (!line.trimmed().isEmpty())
            rows << line;
    }
    ASSERT_EQ(rows.size(), 3 * static_cast<int>(inputs.size())) << error.toStdString();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string top = tolvane::test::hexDumpBits(rows[3 * i]);
        const std::string bottom = tolvane::test::hexDumpBits(rows[3 * i + 2]);
        ASSERT_GE(top.size(), 129u);
        ASSERT_GE(bottom.size(), 129u);
        std::string expected;
        for (int bar = 0; bar < 65; ++bar) {
            const bool up = top[2 * bar] == '1';
            const bool down = bottom[2 * bar] == '1';
            expected.push_back(up ? (down ? 'F' : 'A') : (down ? 'D' : 'T'));
        }
        int code = -1;
        EXPECT_EQ(encode(inputs[i].first.c_str(), inputs[i].second.c_str(), &code), expected)
            << inputs[i].first << " / " << inputs[i].second;
        EXPECT_EQ(code, USPS4CB_SUCCESS);
    }
}

TEST(USPS4CBFormatting, TextGivesSixtySixBytes)
{
    const QByteArray empty = dataByEncodingConfirmNumber(QString::fromLatin1(kTracking));
    ASSERT_EQ(empty.size(), 66);
    EXPECT_EQ(empty.left(65), QByteArray(kExamples[0].bars));
    EXPECT_EQ(empty.at(65), '\0');
    for (const Example &e : kExamples) {
        const QByteArray data =
            dataByEncodingConfirmNumber(QString::fromLatin1(kTracking) + QString::fromLatin1(e.routing));
        ASSERT_EQ(data.size(), 66) << e.routing;
        EXPECT_EQ(data.left(65), QByteArray(e.bars)) << e.routing;
    }
    const QByteArray cut = dataByEncodingConfirmNumber(QString::fromLatin1(kTracking) + QStringLiteral("01234 5678"));
    EXPECT_EQ(cut.left(65), QByteArray(kExamples[1].bars));
}

TEST(USPS4CBFormatting, RefusedTextGivesNothingAndConsoleLine)
{
    struct {
        QString text;
        QString line; // empty: no console line
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("0123456709498765432"), QString()}, // 19 characters
        {QString::fromLatin1(kTracking) + QStringLiteral("012345"), QStringLiteral("USPS4CB returned 12")},
        {QStringLiteral("05234567094987654321"), QStringLiteral("USPS4CB returned 11")},
        {QStringLiteral("0123456709498765432\u00e9"), QStringLiteral("USPS4CB returned 9")},
    };
    for (const auto &c : cases) {
        QByteArray data;
        QStringList messages;
        {
            tolvane::test::ConsoleCapture console;
            data = dataByEncodingConfirmNumber(c.text);
            messages = console.lines();
        }
        EXPECT_TRUE(data.isNull()) << c.text.toStdString();
        if (c.line.isEmpty())
            EXPECT_TRUE(messages.isEmpty()) << c.text.toStdString();
        else
            EXPECT_EQ(messages, QStringList{c.line}) << c.text.toStdString();
    }
}
