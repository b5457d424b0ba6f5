// Code 128 / GS1-128 encoder: codeword choice, escapes, limits, refusals and
// decoding of the rendered symbols by independent readers.
#include "barcodes/linear/Code128.h"

#include "LinearBarcodeSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tolvane;
using tolvane::test::DecodedSymbol;

namespace {

// Module string written by zint for the same data, for comparison where
// zint picks the same codewords.
std::string zintModules(const std::string &data, std::size_t length)
{
    QByteArray out;
    tolvane::test::runTool(QStringLiteral("zint"),
                           {QStringLiteral("-b"), QStringLiteral("CODE128"), QStringLiteral("--dump"),
                            QStringLiteral("-d"), QString::fromStdString(data)},
                           &out);
    const std::string bits = tolvane::test::hexDumpBits(out);
    return bits.substr(0, std::min(bits.size(), length));
}

void expectDecodes(const std::string &modules, const QByteArray &expected, bool gs1, const QString &name)
{
    const QString png = tolvane::test::writeModulesPng(modules, name);
    const DecodedSymbol zbar = tolvane::test::decodeWithZbar(png);
    EXPECT_TRUE(zbar.found) << name.toStdString() << ": " << zbar.diagnostics.toStdString();
    EXPECT_EQ(zbar.count, 1) << name.toStdString();
    EXPECT_EQ(zbar.symbology, QStringLiteral("CODE-128")) << name.toStdString();
    EXPECT_EQ(zbar.bytes.toHex().toStdString(), expected.toHex().toStdString()) << name.toStdString();
    EXPECT_EQ(zbar.gs1, gs1) << name.toStdString();

    const DecodedSymbol zxing = tolvane::test::decodeWithZXing(png);
    EXPECT_TRUE(zxing.found) << name.toStdString() << ": " << zxing.diagnostics.toStdString();
    EXPECT_EQ(zxing.count, 1) << name.toStdString();
    EXPECT_EQ(zxing.symbology, QStringLiteral("Code128")) << name.toStdString();
    EXPECT_EQ(zxing.bytes.toHex().toStdString(), expected.toHex().toStdString()) << name.toStdString();
    EXPECT_EQ(zxing.gs1, gs1) << name.toStdString();
}

} // namespace

// Codeword sequences of ISO/IEC 15417 (check characters worked out with the
// standard's weighted sum modulo 103).
struct CodewordCase {
    const char *name;
    std::string text; // after escape processing
    bool leadingFNC1;
    std::vector<int> expected;
};

TEST(Code128Codewords, ChoosesStartSetAndSwitchesAsDescribed)
{
    const std::string fnc1(1, static_cast<char>(C128_FNC1));
    const CodewordCase cases[] = {
        {"four digits start in set C", "1234", false, {105, 12, 34, 82}},
        {"three digits stay in set B", "123", false, {104, 17, 18, 19, 8}},
        {"letters then five digits", "ABC12345", false, {104, 33, 34, 35, 99, 12, 34, 100, 21, 87}},
        {"USPS package number with FNC1",
         "42012345" + fnc1 + "9405511899223344556677",
         true,
         {105, 102, 42, 1, 23, 45, 102, 94, 5, 51, 18, 99, 22, 33, 44, 55, 66, 77, 11}},
        {"FNC1 alone", fnc1, false, {104, 102, 0}},
        // Set B with one control character: SHIFT; two: CODE A.
        {"shift to set A", "a\x01z", false, {104, 65, 98, 65, 90, (104 + 65 + 2 * 98 + 3 * 65 + 4 * 90) % 103}},
        {"switch to set A", "a\x01\x02", false, {104, 65, 101, 65, 66, (104 + 65 + 2 * 101 + 3 * 65 + 4 * 66) % 103}},
        // Set A with one lower-case letter: SHIFT; two: CODE B.
        {"start A and shift to set B",
         "\x01"
         "a\x02",
         false,
         {103, 65, 98, 65, 66, (103 + 65 + 2 * 98 + 3 * 65 + 4 * 66) % 103}},
        {"start A and switch to set B",
         "\x01"
         "ab",
         false,
         {103, 65, 100, 65, 66, (103 + 65 + 2 * 100 + 3 * 65 + 4 * 66) % 103}},
        // Set C leaves for set A before a control character, else for set B;
        // an odd run of digits leaves its last digit to the new set.
        {"set C to set A",
         "1234\x01\x02",
         false,
         {105, 12, 34, 101, 65, 66, (105 + 12 + 2 * 34 + 3 * 101 + 4 * 65 + 5 * 66) % 103}},
        {"odd digit run",
         "12345\x01",
         false,
         {105, 12, 34, 100, 21, 98, 65, (105 + 12 + 2 * 34 + 3 * 100 + 4 * 21 + 5 * 98 + 6 * 65) % 103}},
    };
    for (const CodewordCase &c : cases) {
        const auto values = getCodewords(c.text, c.leadingFNC1);
        ASSERT_TRUE(values.has_value()) << c.name;
        EXPECT_EQ(*values, c.expected) << c.name;
    }
}

TEST(Code128Table, RowsFollowTheSymbolValues)
{
    for (int v = 0; v < kC128SymbolCount; ++v) {
        int modules = 0;
        int barModules = 0;
        for (int e = 0; e < 6; ++e) {
            modules += c128_bp[v][3 + e];
            if (e % 2 == 0)
                barModules += c128_bp[v][3 + e];
        }
        EXPECT_EQ(modules, 11) << "value " << v;
        EXPECT_EQ(barModules % 2, 0) << "value " << v; // even bar parity of ISO/IEC 15417
        EXPECT_EQ(c128_bp[v][1], v + 32) << "value " << v;
    }
    int stopModules = 0;
    for (unsigned char w : c128_stop)
        stopModules += w;
    EXPECT_EQ(stopModules, 13);
    EXPECT_EQ(codewordFromSetA('\x1f'), 95);
    EXPECT_EQ(codewordFromSetA('_'), 63);
    EXPECT_EQ(codewordFromSetA('a'), -1);
    EXPECT_EQ(codewordFromSetB('\x7f'), 95);
    EXPECT_EQ(codewordFromSetB('\x05'), -1);
    EXPECT_EQ(codewordFromSetB(C128_FNC1), 102);
    EXPECT_EQ(codewordFromSetB(200), -1);
}

TEST(Code128Modules, MatchIndependentEncoder)
{
    for (const std::string text : {"1234", "Hello World", "HELLO-42/x", "99887766554433221100"}) {
        const auto modules = _bitpattern_c128(text);
        ASSERT_TRUE(modules.has_value()) << text;
        EXPECT_EQ(*modules, zintModules(text, modules->size())) << text;
    }
}

TEST(Code128Escapes, AreProcessedAsDescribed)
{
    const std::string fnc1(1, static_cast<char>(C128_FNC1));
    struct Case {
        const char *text;
        std::string processed;
    } cases[] = {
        {"~065", "A"},
        {"~999", fnc1},
        {"A~500B", "AB"},
        {"A~000B", "AB"},
        {"~6A5X", std::string("\x06") + "X"}, // digits read as far as they go
        {"AB~99", "AB~99"},                   // fewer than three after "~"
        {"~~065", "5"},                       // "~06" is no number: the four go, "5" stays
    };
    for (const Case &c : cases) {
        const auto processed = processTilde(c.text);
        ASSERT_TRUE(processed.has_value()) << c.text;
        EXPECT_EQ(*processed, c.processed) << c.text;
    }
    EXPECT_FALSE(_bitpattern_c128("~500").has_value());
    EXPECT_FALSE(_bitpattern_c128("").has_value());
}

TEST(Code128Limits, AtMostOneHundredCharactersAfterEscapes)
{
    const std::string hundred(100, 'X');
    EXPECT_TRUE(_bitpattern_c128(hundred).has_value());
    EXPECT_FALSE(_bitpattern_c128(hundred + "X").has_value());
    // 101 characters before escapes, 98 after: accepted.
    EXPECT_TRUE(_bitpattern_c128("~065" + std::string(97, 'X')).has_value());
    // 104 characters before escapes, 101 after: refused.
    EXPECT_FALSE(_bitpattern_c128("~065" + hundred).has_value());
    const std::string digits(100, '7');
    EXPECT_TRUE(_bitpattern_c128c(digits).has_value());
    EXPECT_FALSE(_bitpattern_c128c(digits + "7").has_value());
}

TEST(Code128Refusals, CharactersWithoutATableRowAreRefused)
{
    const char *refused[] = {
        "Caf\xc3\xa9", // UTF-8 bytes of 128 or more
        "\x80",        // the internal code of FNC3 given as text
        "AB\x86"
        "CD",         // the internal code of FNC1 given as text
        "~065\xff",   // after an escape
        "~\xc3\xa9X", // inside an escape
        "a~999~001b", // control character met in set B after an FNC1
        "~001a~127",  // DEL met in set A after a SHIFT
    };
    for (const char *text : refused) {
        EXPECT_FALSE(_bitpattern_c128(text).has_value()) << text;
        EXPECT_FALSE(_bitpattern_c128c(text).has_value()) << text;
    }
    EXPECT_FALSE(getCodewords("A\xc3", false).has_value());
}

TEST(Code128Decoding, ReadersDecodeEveryCase)
{
    struct Case {
        const char *name;
        std::string text;
        QByteArray expected;
    } cases[] = {
        {"digits", "1234", "1234"},
        {"short digits", "123", "123"},
        {"letters and digits", "ABC12345", "ABC12345"},
        {"escaped letter", "~065", "A"},
        {"FNC1 inside", "AB~999CD",
         QByteArray("AB\x1d"
                    "CD")},
        {"dropped escape", "A~500B", "AB"},
        {"trailing tilde", "AB~99", "AB~99"},
        {"shift to set A", "ab~001cd",
         QByteArray("ab\x01"
                    "cd")},
        {"switch to set A", "ab~001~002cd",
         QByteArray("ab\x01\x02"
                    "cd")},
        {"start A, shift to B", "~001a~002",
         QByteArray("\x01"
                    "a\x02")},
        {"start A, switch to B", "~001abc",
         QByteArray("\x01"
                    "abc")},
        {"hundred characters", std::string(100, 'Q'), QByteArray(100, 'Q')},
        {"printable 32-79", "", QByteArray()},
        {"printable 80-127", "", QByteArray()},
        {"controls 1-31", "", QByteArray()},
        {"digit pairs 00-49", "", QByteArray()},
        {"digit pairs 50-99", "", QByteArray()},
    };
    // Every symbol value of sets A, B and C in some case.
    for (int c = 32; c < 80; ++c) {
        cases[12].text.push_back(static_cast<char>(c));
        cases[12].expected.append(static_cast<char>(c));
    }
    for (int c = 80; c < 128; ++c) {
        cases[13].text.push_back(static_cast<char>(c));
        cases[13].expected.append(static_cast<char>(c));
    }
    cases[14].text = "~001";
    cases[14].expected.append('\x01');
    for (int c = 2; c < 32; ++c) {
        cases[14].text += (c < 10 ? "~00" : "~0") + std::to_string(c);
        cases[14].expected.append(static_cast<char>(c));
    }
    for (int pair = 0; pair < 100; ++pair) {
        const std::string digits = (pair < 10 ? "0" : "") + std::to_string(pair);
        (pair < 50 ? cases[15] : cases[16]).text += digits;
        (pair < 50 ? cases[15] : cases[16]).expected.append(digits.c_str());
    }
    int index = 0;
    for (const Case &c : cases) {
        const auto modules = _bitpattern_c128(c.text);
        ASSERT_TRUE(modules.has_value()) << c.name;
        expectDecodes(*modules, c.expected, false, QStringLiteral("c128-%1").arg(index++));
    }
}

TEST(Code128Decoding, GS1FormsReadAsGS1)
{
    struct Case {
        const char *name;
        std::string modules;
        QByteArray expected;
    };
    const auto c128c = _bitpattern_c128c("42012345~9999405511899223344556677");
    const auto gs1 = _bitpattern_c128gs1("(420)12345(92)05511899223344556677");
    const auto gs1Fixed = _bitpattern_c128gs1("(01)09501101530003(17)140704(10)AB-123");
    const auto gs1FourDigit = _bitpattern_c128gs1("(7001)1234567890123(10)ABC");
    // An escaped FNC1 at the start of a plain Code 128 text makes it GS1 too.
    const auto fnc1Only = _bitpattern_c128("~999");
    const auto fnc1First = _bitpattern_c128("~999A");
    ASSERT_TRUE(c128c && gs1 && gs1Fixed && gs1FourDigit && fnc1Only && fnc1First);
    const Case cases[] = {
        {"USPS package number", *c128c,
         QByteArray("42012345\x1d"
                    "9405511899223344556677")},
        {"parenthesised AIs", *gs1,
         QByteArray("42012345\x1d"
                    "9205511899223344556677")},
        {"fixed-length AIs need no separator", *gs1Fixed, QByteArray("01095011015300031714070410AB-123")},
        {"four-digit variable AI", *gs1FourDigit,
         QByteArray("70011234567890123\x1d"
                    "10ABC")},
        {"escaped FNC1 alone", *fnc1Only, QByteArray("")},
        {"escaped FNC1 first", *fnc1First, QByteArray("A")},
    };
    int index = 0;
    for (const Case &c : cases)
        expectDecodes(c.modules, c.expected, true, QStringLiteral("gs1-%1").arg(index++));
}

TEST(Code128GS1, ParenthesesAndVariableFields)
{
    EXPECT_EQ(processParens("(420)12345(92)0551"), "42012345~999920551");
    EXPECT_EQ(processParens("(01)12345678901231(10)AB"), "011234567890123110AB");
    EXPECT_EQ(processParens("(12345)X"), "(12345)X"); // five characters: not an AI
    EXPECT_EQ(processParens("(42"), "(42");           // no closing parenthesis
    EXPECT_EQ(processParens("(10)A(3103)000123"), "10A~9993103000123");
    struct {
        const char *ai;
        bool variable;
    } fields[] = {{"00", false},  {"01", false},  {"10", true},   {"21", true},   {"3103", false},
                  {"3922", true}, {"420", true},  {"410", false}, {"7001", true}, {"7035", true},
                  {"8008", true}, {"8020", true}, {"99", true},   {"4711", false}};
    for (const auto &f : fields)
        EXPECT_EQ(isVariableField(f.ai), f.variable) << f.ai;
}
