// ECC 200 size choice, finder patterns and interleaving.
#include "DataMatrixTestHelpers.h"

#include <gtest/gtest.h>

using namespace dmtest;

namespace {

struct SizeCase {
    int count;
    int rows;
    int columns;
    ZYK_UINT16 result;
    int expectRows;
    int expectColumns;
};

TEST(DataMatrixSymbol, SizeChoice)
{
    const SizeCase cases[] = {
        {3, 0, 0, 0, 10, 10},      {4, 0, 0, 0, 12, 12},
        {1558, 0, 0, 0, 144, 144}, {1559, 0, 0, ZYK_ERR_SIZE, 0, 0},
        {22, 12, 36, 0, 12, 36},   {23, 12, 36, ZYK_ERR_SIZE, 0, 0},
        {1, 12, 0, 0, 12, 12},     {6, 12, 0, ZYK_ERR_SIZE, 0, 0}, // fixed at 12 x 12, not 12 x 26
        {1, 0, 36, 0, 36, 36},     {1, 13, 13, ZYK_ERR_SIZE, 0, 0},
        {49, 16, 48, 0, 16, 48},
    };
    for (const SizeCase &c : cases) {
        ZYK_UINT16 rc = rscmn_begin_size_selection((ZYK_UINT16)c.rows, (ZYK_UINT16)c.columns);
        if (rc == 0)
            rc = find_matrix_size((ZYK_UINT16)c.count, (ZYK_UINT16)c.rows, (ZYK_UINT16)c.columns);
        EXPECT_EQ(rc, c.result) << c.count << " in " << c.rows << "x" << c.columns;
        if (rc == 0) {
            EXPECT_EQ(RSCMN_NUM_ROWS[expected_matrix_size], c.expectRows);
            EXPECT_EQ(RSCMN_NUM_COLS[expected_matrix_size], c.expectColumns);
        }
    }
}

TEST(DataMatrixSymbol, SymbolEndWithoutARequestIsAnySquareCapacity)
{
    ASSERT_EQ(rscmn_begin_size_selection(0, 0), 0);
    const int squares[] = {3,   5,   8,   12,  18,  22,  30,  36,  44,  62,   86,   114,
                           144, 174, 204, 280, 368, 456, 576, 696, 816, 1050, 1304, 1558};
    int ends = 0;
    for (int count = 0; count <= 1600; ++count)
        ends += at_end((ZYK_UINT16)count);
    EXPECT_EQ(ends, 24);
    for (int count : squares)
        EXPECT_TRUE(at_end((ZYK_UINT16)count)) << count;
    ASSERT_EQ(rscmn_begin_size_selection(12, 36), 0);
    EXPECT_TRUE(at_end(22));
    EXPECT_FALSE(at_end(18));
}

TEST(DataMatrixSymbol, FinderPatternOf12x36)
{
    const Symbol s = encode("12345678", 12, 36);
    ASSERT_EQ(s.result, 0);
    for (int r = 1; r <= 12; ++r) {
        EXPECT_EQ(s.cell(r, 1), 1) << r;
        EXPECT_EQ(s.cell(r, 19), 1) << r;
        EXPECT_EQ(s.cell(r, 18), (12 - r) % 2 == 0) << r;
        EXPECT_EQ(s.cell(r, 36), (12 - r) % 2 == 0) << r;
    }
    for (int c = 1; c <= 36; ++c) {
        EXPECT_EQ(s.cell(12, c), 1) << c;
        EXPECT_EQ(s.cell(1, c), c % 2) << c;
    }
}

TEST(DataMatrixSymbol, CornerCellsOfEverySize)
{
    for (int i = 0; i < RSCMN_NUM_SIZES; ++i) {
        const int rows = RSCMN_NUM_ROWS[i], columns = RSCMN_NUM_COLS[i];
        const Symbol s = encode("1", rows, columns);
        ASSERT_EQ(s.result, 0) << rows << "x" << columns;
        EXPECT_EQ(s.cell(1, 1), 1);
        EXPECT_EQ(s.cell(1, 2), 0);
        EXPECT_EQ(s.cell(rows, columns), 1);
        EXPECT_EQ(s.cell(rows - 1, columns), 0);
    }
}

TEST(DataMatrixSymbol, UnusedCornerOfTheSmallSquares)
{
    const int sides[] = {12, 16, 20, 24};
    for (int side : sides) {
        const Symbol s = encode("ABC", side, side);
        ASSERT_EQ(s.result, 0);
        EXPECT_EQ(s.cell(side - 2, side - 2), 1) << side;
        EXPECT_EQ(s.cell(side - 1, side - 1), 1) << side;
        EXPECT_EQ(s.cell(side - 2, side - 1), 0) << side;
        EXPECT_EQ(s.cell(side - 1, side - 2), 0) << side;
    }
}

// GF(256) product of the prime polynomial 301, by shifts (independent of the
// encoder's tables).
uint8_t slowMultiply(uint8_t a, uint8_t b)
{
    unsigned product = 0, x = a;
    for (; b; b >>= 1) {
        if (b & 1)
            product ^= x;
        x <<= 1;
        if (x & 0x100)
            x ^= 301;
    }
    return (uint8_t)product;
}

// Every check-word count of the size table, with data of several lengths and
// patterns (zeros included): the data followed by its check codewords is a
// codeword, so it vanishes at each root 2^1 .. 2^k of the generator.
TEST(DataMatrixSymbol, CheckCodewordsVanishAtEveryRoot)
{
    std::vector<int> counts(RSCMN_CHECK_BLOCK_SIZE, RSCMN_CHECK_BLOCK_SIZE + RSCMN_NUM_SIZES);
    for (const int k : counts) {
        for (const int n : {1, 3, 44, 175, 218}) {
            std::vector<uint8_t> word(size_t(n + k));
            for (int i = 0; i < n; ++i)
                word[size_t(i)] = (uint8_t)(i % 5 == 0 ? 0 : (i * 97 + k * 13) & 0xFF);
            rseccelo_encode(word.data(), n, k, word.data() + n);
            uint8_t root = 1;
            for (int r = 1; r <= k; ++r) {
                root = slowMultiply(root, 2);
                uint8_t value = 0;
                for (const uint8_t c : word)
                    value = (uint8_t)(slowMultiply(value, root) ^ c);
                ASSERT_EQ(value, 0) << "k " << k << " n " << n << " root 2^" << r;
            }
        }
    }
}

TEST(DataMatrixSymbol, InterleavingOf144x144)
{
    QByteArray digits;
    for (int k = 0; k < 3116; ++k)
        digits += char('0' + (k * 3 + k / 7) % 10);
    ASSERT_EQ(encode(digits).result, 0);
    ZYK_UINT16 total = 0, size = 0;
    const uint8_t *cw = rscmn_last_codewords(&total, &size);
    ASSERT_EQ(total, 2178);
    ASSERT_EQ(RSCMN_NUM_ROWS[size], 144);
    EXPECT_EQ(RSCMN_BLOCK_SIZES[size][0], 218);
    EXPECT_EQ(RSCMN_BLOCK_SIZES[size][9], 217);
    for (int block = 0; block < 10; ++block) {
        std::vector<uint8_t> data;
        for (int p = block; p < 1558; p += 10)
            data.push_back(cw[p]);
        EXPECT_EQ((int)data.size() + 62, RSCMN_BLOCK_SIZES[size][block]);
        uint8_t check[62];
        rseccelo_encode(data.data(), (int)data.size(), 62, check);
        for (int j = 0; j < 62; ++j)
            ASSERT_EQ(cw[1558 + block + 10 * j], check[j]) << "block " << block << " check " << j;
    }
}

} // namespace
