// ECC 200 encodation: escapes, mode choice, Base 256, pads and limits.
#include "DataMatrixTestHelpers.h"

#include <gtest/gtest.h>

using namespace dmtest;

namespace {

// ISO/IEC 16022 253-state pad randomising (p is the 1-based position).
int pad253(int p)
{
    const int v = 129 + ((149 * p) % 253) + 1;
    return v <= 254 ? v : v - 254;
}

// ISO/IEC 16022 255-state Base 256 randomising.
int random255(int value, int p) { return (value + ((149 * p) % 255) + 1) % 256; }

std::vector<int> prefix(const std::vector<int> &v, size_t n)
{
    return std::vector<int>(v.begin(), v.begin() + (long)std::min(n, v.size()));
}

std::vector<uint16_t> valuesOf(const QByteArray &text, ZYK_UINT16 *result)
{
    std::vector<uint16_t> values(ZYK_MAX_INPUT_VALUES + 8);
    ZYK_UINT16 count = 0;
    *result = rscmpenc_input_string_to_intermediate_value(reinterpret_cast<const unsigned char *>(text.constData()),
                                                          values.data(), &count);
    values.resize(count);
    return values;
}

TEST(DataMatrixEncodation, DigitsIn12x36AreDigitPairsThenPads)
{
    ZYK_UINT16 rc = 1;
    const std::vector<int> cw = dataCodewords("12345678", 12, 36, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(cw.size(), 22u);
    std::vector<int> expected = {142, 164, 186, 208, 129};
    for (int p = 6; p <= 22; ++p)
        expected.push_back(pad253(p));
    EXPECT_EQ(cw, expected);
}

TEST(DataMatrixEncodation, TwentyHighBytesFill12x36WithOneBase256Field)
{
    QByteArray text;
    for (int k = 0; k < 20; ++k)
        text += "~d200";
    ZYK_UINT16 rc = 1;
    const std::vector<int> cw = dataCodewords(text, 12, 36, &rc);
    ASSERT_EQ(rc, 0);
    std::vector<int> expected = {231, random255(0, 2)}; // length 0: up to the symbol end
    for (int p = 3; p <= 22; ++p)
        expected.push_back(random255(200, p));
    EXPECT_EQ(cw, expected);
}

TEST(DataMatrixEncodation, SingleLetterOpensWithBase256)
{
    ZYK_UINT16 rc = 1;
    const std::vector<int> cw = dataCodewords("A", 12, 36, &rc);
    ASSERT_EQ(rc, 0);
    std::vector<int> expected = {231, random255(1, 2), random255(65, 3), 129};
    for (int p = 5; p <= 22; ++p)
        expected.push_back(pad253(p));
    EXPECT_EQ(cw, expected);
}

TEST(DataMatrixEncodation, FunctionEscapesAtTheStart)
{
    struct Case {
        const char *text;
        std::vector<int> codewords;
    } cases[] = {
        {"~7000009", {241, 10}},
        {"~7000127", {241, 128, 1}},
        // 999999: (999999 - 16383) div 64516 + 192, then the two remainders.
        {"~7999999", {241, 207, 63, 129}},
        {"~2042001015", {233, 42, 1, 15}},
        {"~1", {232}},
        {"~112", {232, 142}},
        {"~3", {234}},
        {"~5", {236}},
        {"~6", {237}},
        {"~8", {242}},
        {"~9", {243}},
    };
    for (const Case &c : cases) {
        ZYK_UINT16 rc = 1;
        const std::vector<int> cw = dataCodewords(c.text, 0, 0, &rc);
        ASSERT_EQ(rc, 0) << c.text;
        EXPECT_EQ(prefix(cw, c.codewords.size()), c.codewords) << c.text;
        // Then the first pad, if any: no Base 256 field anywhere.
        if (cw.size() > c.codewords.size()) {
            EXPECT_EQ(cw[c.codewords.size()], 129) << c.text;
        }
    }
}

TEST(DataMatrixEncodation, LeadingFnc1IsCodewordOneEvenBeforeC40Text)
{
    // A leading FNC1 is 232 in codeword 1 whatever follows. The look-ahead
    // from "A" then picks C40: ABC = 89, 233; DEF = 109, 36; GHI = 128, 95;
    // the lone J goes back to ASCII after 254. Ten codewords: 16 x 16 (12).
    ZYK_UINT16 rc = 1;
    const std::vector<int> cw = dataCodewords("~1ABCDEFGHIJ", 0, 0, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(cw, (std::vector<int>{232, 230, 89, 233, 109, 36, 128, 95, 254, 'J' + 1, 129, pad253(12)}));
}

TEST(DataMatrixEncodation, C40EndingsNearTheSymbolEnd)
{
    // C40 triples: ABC = 89, 233; DEF = 109, 36; GHI = 128, 95; JKL = 147, 154;
    // MNO = 166, 213.
    const std::vector<int> triples = {230, 89, 233, 109, 36, 128, 95, 147, 154, 166, 213};
    ZYK_UINT16 rc = 1;
    // One value left after a triple and one codeword to the end of 16 x 16:
    // that value in ASCII, no unlatch.
    std::vector<int> expected = triples;
    expected.push_back('P' + 1);
    EXPECT_EQ(dataCodewords("ABCDEFGHIJKLMNOP", 16, 16, &rc), expected);
    EXPECT_EQ(rc, 0);
    // "\xC1" is Shift 2, Upper Shift, "A": its shift completes the triple
    // P Q Shift 2 (185, 242) and the rest is pending at the end. After 254
    // only that character goes back to ASCII (235, 66); Q is not repeated.
    expected = triples;
    for (int cw : {185, 242, 254, 235, 66, 129, pad253(18)})
        expected.push_back(cw);
    EXPECT_EQ(dataCodewords("ABCDEFGHIJKLMNOPQ\xC1", 0, 0, &rc), expected);
    EXPECT_EQ(rc, 0);
}

TEST(DataMatrixEncodation, BadEscapesGive1025)
{
    const char *bad[] = {"~d256", "~4",  "~a",  "AB~", "~",           "~0",          "A~2042001015", "A~3",
                         "A~5",   "A~6", "A~8", "A~9", "~2000001001", "~2255001001", "~d-01",        "~7-00001"};
    for (const char *text : bad) {
        ZYK_UINT16 rc = 0;
        dataCodewords(text, 0, 0, &rc);
        EXPECT_EQ(rc, ZYK_ERR_BAD_CHARACTER) << text;
        EXPECT_EQ(encode(text).result, ZYK_ERR_BAD_CHARACTER) << text;
    }
}

TEST(DataMatrixEncodation, EscapeValues)
{
    struct Case {
        const char *text;
        std::vector<uint16_t> values;
    } cases[] = {
        {"~d079", {79}},           {"A~d7", {65, 7}},
        {"~d000~d255", {0, 255}},  {"~@~A~_~~", {0, 1, 31, 126}},
        {"~1A~1", {256, 65, 256}}, {"~2042001015X", {257, 42, 1, 15, 88}},
        {"~7000009", {265, 10}},   {"~7016383", {265, 192, 1, 1}},
        {"~5A", {260, 65}},        {"\xC4z", {0xC4, 'z'}},
    };
    for (const Case &c : cases) {
        ZYK_UINT16 rc = 1;
        EXPECT_EQ(valuesOf(c.text, &rc), c.values) << c.text;
        EXPECT_EQ(rc, 0) << c.text;
    }
}

TEST(DataMatrixEncodation, ValueLimit)
{
    ZYK_UINT16 rc = 1;
    // 3,116 digits are 1,558 digit pairs: exactly the 144 x 144 capacity.
    const Symbol full = encode(QByteArray(3116, '7'));
    EXPECT_EQ(full.result, 0);
    EXPECT_EQ(full.rows, 144);
    EXPECT_EQ(encode(QByteArray(3117, '7')).result, ZYK_ERR_DATA_TOO_LONG);
    valuesOf(QByteArray(3117, 'x'), &rc);
    EXPECT_EQ(rc, ZYK_ERR_DATA_TOO_LONG);
    // Escapes count as one value each.
    QByteArray escaped;
    for (int k = 0; k < 3117; ++k)
        escaped += "~d001";
    valuesOf(escaped, &rc);
    EXPECT_EQ(rc, ZYK_ERR_DATA_TOO_LONG);
}

TEST(DataMatrixEncodation, HostileInputsNeverOverrunABuffer)
{
    // Far more text than any symbol holds, in every mode: refused cleanly.
    const QByteArray inputs[] = {
        QByteArray(100000, 'A'), QByteArray(100000, '\xE9'), QByteArray(3000, '\xE9'), // 2 codewords each in ASCII
        QByteArray(3000, 'a'),   QByteArray(3000, '.'),      QByteArray(3000, '*'),    QByteArray(2000, '\x01'),
    };
    for (const QByteArray &text : inputs) {
        const Symbol s = encode(text);
        EXPECT_TRUE(s.result == ZYK_ERR_DATA_TOO_LONG || s.result == ZYK_ERR_SIZE)
            << text.size() << " of " << int((unsigned char)text[0]) << ": " << s.result;
    }
    // The caller's text is only read.
    QByteArray text = "Hello ~d200 World";
    const QByteArray copy = text;
    encode(text);
    EXPECT_EQ(text, copy);
}

TEST(DataMatrixEncodation, Fnc1InSecondPositionOnlyAfterALetterOrDigitPair)
{
    ZYK_UINT16 rc = 1;
    std::vector<int> cw = dataCodewords("A~1", 0, 0, &rc);
    EXPECT_EQ(rc, 0);
    cw = dataCodewords("12~1", 0, 0, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(prefix(cw, 2), (std::vector<int>{142, 232}));
    dataCodewords("!~1", 0, 0, &rc);
    EXPECT_EQ(rc, ZYK_ERR_NOT_SUPPORTED);
    // After Structured Append the sixth codeword follows the same rule.
    cw = dataCodewords("~2001002003A~1", 0, 0, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(prefix(cw, 6), (std::vector<int>{233, 1, 2, 3, 66, 232}));
    dataCodewords("~2001002003!~1", 0, 0, &rc);
    EXPECT_EQ(rc, ZYK_ERR_NOT_SUPPORTED);
}

TEST(DataMatrixEncodation, ModeChoice)
{
    ZYK_UINT16 rc = 1;
    // Upper-case text goes to C40, lower-case text to Text, X12 punctuation
    // with capitals to X12, long punctuation runs to EDIFACT.
    struct Case {
        const char *text;
        int latch;
    } cases[] = {
        {"ABCDEFGHIJKL", 230},
        {"abcdefghijkl", 239},
        {"AB*CD>EF*GH>IJ*", 238},
        {"!\"#$%&'()*+,-./:;<=>?@", 240},
    };
    for (const Case &c : cases) {
        const std::vector<int> cw = dataCodewords(c.text, 0, 0, &rc);
        ASSERT_EQ(rc, 0) << c.text;
        EXPECT_EQ(cw[0], c.latch) << c.text;
    }
    // C40 triple: "ABC" = 1600 * 14 + 40 * 15 + 16 + 1 = 23017 = 89, 233.
    const std::vector<int> c40 = dataCodewords("ABCABCABCABC", 0, 0, &rc);
    EXPECT_EQ(prefix(c40, 3), (std::vector<int>{230, 89, 233}));
}

TEST(DataMatrixEncodation, EdifactEndingTwoCodewordsBeforeTheSymbolEnd)
{
    // 21 EDIFACT characters: latch, five groups of four in 15 codewords,
    // one character left for the 18 codewords of 18 x 18. With two
    // codewords left the return to ASCII is implied (ISO/IEC 16022), so no
    // unlatch codeword: the character in ASCII, then a pad.
    ZYK_UINT16 rc = 1;
    const std::vector<int> cw = dataCodewords("!\"#$%&()*+,-./:;<=>?@", 0, 0, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(cw.size(), 18u);
    EXPECT_EQ(cw[0], 240);
    const uint32_t group = (33u << 18) | (34u << 12) | (35u << 6) | 36u; // "!\"#$"
    EXPECT_EQ(prefix(cw, 4), (std::vector<int>{240, int(group >> 16), int((group >> 8) & 0xFF), int(group & 0xFF)}));
    EXPECT_EQ(cw[16], '@' + 1);
    EXPECT_EQ(cw[17], 129);
}

TEST(DataMatrixEncodation, StampSampleEncodesInto12x36)
{
    const unsigned char sample[20] = {0xFF, 0xC0, 0xF4, 0x00, 0x00, 0x71, 0x89, 0xA2, 0x07, 0x72,
                                      0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    QByteArray text;
    for (unsigned char b : sample)
        text += QByteArray("~d") + QByteArray::number(b).rightJustified(3, '0');
    const Symbol s = encode(text, 12, 36);
    ASSERT_EQ(s.result, 0);
    EXPECT_EQ(s.rows, 12);
    EXPECT_EQ(s.columns, 36);
}

} // namespace
