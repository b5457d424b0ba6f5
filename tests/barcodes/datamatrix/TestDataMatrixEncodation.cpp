// ECC 200 encodation: escapes, mode choice, Base 256, pads and limits.
#include "DataMatrixTestHelpers.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

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

// Reads data codewords back as an ISO/IEC 16022 reader does: the data
// values (bytes, FNC1 as 256) and whether a C40 or Text segment ended (by
// 254, or by the one codeword left in ASCII) with a shift whose value never
// came. A triple padded with Shift 1 in the symbol's last two codewords is
// the standard's own padding and not counted.
struct ReadBack {
    std::vector<uint16_t> values;
    bool loneShift = false;
};

ReadBack readBack(const std::vector<int> &cw)
{
    ReadBack out;
    const int n = (int)cw.size();
    bool upper = false;
    auto put = [&](int v) {
        if (v == 256) {
            out.values.push_back(256);
            return;
        }
        out.values.push_back((uint16_t)(upper ? v + 128 : v));
        upper = false;
    };
    int p = 0;
    while (p < n) {
        const int c = cw[p++];
        if (c == 129)
            break; // pad: end of data
        if (c <= 128) {
            put(c - 1);
        } else if (c <= 229) {
            put('0' + (c - 130) / 10);
            put('0' + (c - 130) % 10);
        } else if (c == 232) {
            put(256);
        } else if (c == 235) {
            upper = true;
        } else if (c == 230 || c == 239) {
            const bool text = c == 239;
            int shift = 0;
            while (p + 1 < n && cw[p] != 254) {
                const int v = cw[p] * 256 + cw[p + 1] - 1;
                p += 2;
                for (int s : {v / 1600, (v / 40) % 40, v % 40}) {
                    if (shift == 0) {
                        if (s <= 2)
                            shift = s + 1;
                        else if (s == 3)
                            put(' ');
                        else if (s <= 13)
                            put('0' + s - 4);
                        else
                            put((text ? 'a' : 'A') + s - 14);
                        continue;
                    }
                    const int set = shift;
                    shift = 0;
                    if (set == 1) {
                        put(s);
                    } else if (set == 2) {
                        if (s <= 14)
                            put('!' + s);
                        else if (s <= 21)
                            put(':' + s - 15);
                        else if (s <= 26)
                            put('[' + s - 22);
                        else if (s == 27)
                            put(256);
                        else if (s == 30)
                            upper = true;
                    } else if (text) {
                        put(s == 0 ? '`' : s <= 26 ? 'A' + s - 1 : '{' + s - 27);
                    } else {
                        put(96 + s);
                    }
                }
            }
            if (shift != 0 && p < n)
                out.loneShift = true;
            if (p < n && cw[p] == 254)
                ++p;
        } else if (c == 238) {
            while (p + 1 < n && cw[p] != 254) {
                const int v = cw[p] * 256 + cw[p + 1] - 1;
                p += 2;
                for (int s : {v / 1600, (v / 40) % 40, v % 40})
                    put(s == 0        ? 13
                            : s == 1  ? '*'
                            : s == 2  ? '>'
                            : s == 3  ? ' '
                            : s <= 13 ? '0' + s - 4
                                      : 'A' + s - 14);
            }
            if (p < n && cw[p] == 254)
                ++p;
        } else if (c == 240) {
            // Four 6-bit values in three codewords; 31 returns to ASCII at
            // the next codeword. Two codewords or fewer left: ASCII.
            bool done = false;
            while (!done && n - p >= 3) {
                const uint32_t bits = (uint32_t)cw[p] << 16 | (uint32_t)cw[p + 1] << 8 | (uint32_t)cw[p + 2];
                for (int k = 0; k < 4; ++k) {
                    const int v = (int)(bits >> (18 - 6 * k)) & 0x3F;
                    if (v == 31) {
                        p += (6 * (k + 1) + 7) / 8;
                        done = true;
                        break;
                    }
                    put(v >= 32 ? v : v | 64);
                }
                if (!done)
                    p += 3;
            }
            if (!done && n - p >= 1 && n - p < 3 && cw[p] == 124)
                ++p;
        } else if (c == 231) {
            auto derandomised = [&](int at) { return ((cw[at] - ((149 * (at + 1)) % 255 + 1)) % 256 + 256) % 256; };
            if (p >= n)
                break;
            int length = derandomised(p++);
            if (length == 0)
                length = n - p;
            else if (length >= 250 && p < n)
                length = 250 * (length - 249) + derandomised(p++);
            for (int k = 0; k < length && p < n; ++k)
                put(derandomised(p++));
        }
    }
    return out;
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
    // "\xC1" is Shift 2, Upper Shift, "A": its shift would complete the
    // triple P Q Shift 2 with the rest pending at the end, a triple ending on
    // a lone shift. So P and Q are not tripled: after 254 they and that
    // character go to ASCII (81, 82, then 235, 66).
    expected = triples;
    for (int cw : {254, 'P' + 1, 'Q' + 1, 235, 66, 129, pad253(18)})
        expected.push_back(cw);
    EXPECT_EQ(dataCodewords("ABCDEFGHIJKLMNOPQ\xC1", 0, 0, &rc), expected);
    EXPECT_EQ(rc, 0);
}

int c40Triple(int a, int b, int c) { return 1600 * a + 40 * b + c + 1; }

TEST(DataMatrixEncodation, C40NeverEndsATripleOnALoneShift)
{
    // 135 bytes: 130 capitals, "R62B" and 0x16 (Shift 1, 22), drawn 40 x 40.
    // The capitals and "R62B" are 134 C40 values: 44 triples and '2', 'B'.
    // Tripling '2', 'B' with the Shift 1 of 0x16 would leave the shift without
    // its value, so '2', 'B' and 0x16 go to ASCII after 254; every codeword
    // before them is as it was.
    QByteArray text;
    for (int k = 0; k < 130; ++k)
        text.append(char('A' + k % 26));
    text += "R62B\x16";
    ASSERT_EQ(text.size(), 135);
    ZYK_UINT16 rc = 1;
    const std::vector<int> cw = dataCodewords(text, 40, 40, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(cw.size(), 114u);

    auto c40 = [](char ch) { return ch >= 'A' ? ch - 'A' + 14 : ch - '0' + 4; };
    std::vector<int> expected = {230};
    const QByteArray tripled = text.left(132);
    for (int k = 0; k < 132; k += 3) {
        const int v = c40Triple(c40(tripled[k]), c40(tripled[k + 1]), c40(tripled[k + 2]));
        expected.push_back(v / 256);
        expected.push_back(v % 256);
    }
    for (int c : {254, '2' + 1, 'B' + 1, 0x16 + 1, 129})
        expected.push_back(c);
    for (int p = (int)expected.size() + 1; p <= 114; ++p)
        expected.push_back(pad253(p));
    EXPECT_EQ(cw, expected);

    const ReadBack back = readBack(cw);
    EXPECT_FALSE(back.loneShift);
    ZYK_UINT16 valuesRc = 1;
    EXPECT_EQ(back.values, valuesOf(text, &valuesRc));
}

TEST(DataMatrixEncodation, C40AndTextEndingsReadBackWithoutLoneShifts)
{
    // C40 and Text runs ending in characters that take a shift (controls,
    // punctuation, FNC1, the other case, bytes above 127), at free and fixed
    // sizes: read back, the data is the same and no segment ends on a shift.
    std::mt19937 random(2014);
    const QByteArray runs[] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "0123456789 "};
    const QByteArray tails[] = {"\x16", "!", "~1", "a", "A", "\xC1", "\xE9", "~d000", "~~", "`", "\x7F", "."};
    int checked = 0;
    for (int t = 0; t < 3000; ++t) {
        QByteArray text;
        const QByteArray &run = runs[random() % 2];
        const int length = 3 + (int)(random() % 60);
        for (int k = 0; k < length; ++k)
            text.append(random() % 8 == 0 ? runs[2][random() % 11] : run[random() % run.size()]);
        const int tailCount = 1 + (int)(random() % 3);
        for (int k = 0; k < tailCount; ++k)
            text += tails[random() % std::size(tails)];
        int rows = 0, columns = 0;
        if (t % 3 == 1) {
            const int size = (int)(random() % RSCMN_NUM_SIZES);
            rows = RSCMN_NUM_ROWS[size];
            columns = RSCMN_NUM_COLS[size];
        }
        ZYK_UINT16 rc = 1;
        const std::vector<int> cw = dataCodewords(text, rows, columns, &rc);
        if (rc != 0)
            continue; // too long for the requested size
        ++checked;
        const ReadBack back = readBack(cw);
        ZYK_UINT16 valuesRc = 1;
        ASSERT_EQ(back.values, valuesOf(text, &valuesRc)) << text.toStdString() << " " << rows << "x" << columns;
        ASSERT_FALSE(back.loneShift) << text.toStdString() << " " << rows << "x" << columns;
    }
    EXPECT_GT(checked, 2000);
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
