// Every ECC 200 size against an independent encoder (the zint command-line
// tool): digits only, so both sides encode digit pairs in ASCII, which
// leaves Reed-Solomon, interleaving and placement to be compared.
#include "DataMatrixTestHelpers.h"

#include <gtest/gtest.h>

using namespace dmtest;

namespace {

// zint's --vers numbers follow the same order as our size table.
QByteArray digits(int count)
{
    QByteArray d;
    for (int k = 0; k < count; ++k)
        d.append(char('0' + (k * 7 + k / 10) % 10));
    return d;
}

// zint places the check codewords of 144 x 144 in the widespread order in
// which the codeword at position p belongs to block p mod 10 throughout;
// ours follow ISO/IEC 16022 (check codewords of block 0 right after the
// data). Re-placing our own codewords in zint's order still compares our
// Reed-Solomon and placement with zint.
Symbol rearranged144(const Symbol &ours)
{
    ZYK_UINT16 total = 0, size = 0;
    const uint8_t *cw = rscmn_last_codewords(&total, &size);
    const int d = RSCMN_DATA_SYMBOLS[size];
    std::vector<uint8_t> moved(cw, cw + total);
    for (int m = 0; m < total - d; ++m)
        moved[d + m] = cw[d + (m + 8) % 10 + 10 * (m / 10)];
    std::vector<unsigned char> storage(ZYK_MAX_MATRIX_BYTES);
    ZYK_Data_Matrix dm = {0, 0, storage.data()};
    rsgrdenc_place_symbols_in_matrix(moved.data(), size, &dm);
    Symbol s = ours;
    set_default_input_dm(&dm);
    s.cells.clear();
    for (int r = 1; r <= dm.rows; ++r)
        for (int c = 1; c <= dm.columns; ++c)
            s.cells.push_back((uint8_t)get_dm_cell(r, c));
    return s;
}

void compareWithZint(const QByteArray &data, int sizeIndex)
{
    const int rows = RSCMN_NUM_ROWS[sizeIndex];
    const int columns = RSCMN_NUM_COLS[sizeIndex];
    Symbol ours = encode(data, rows, columns);
    ASSERT_EQ(ours.result, 0) << rows << "x" << columns;
    if (rows == 144)
        ours = rearranged144(ours);
    ASSERT_EQ(ours.rows, rows);
    ASSERT_EQ(ours.columns, columns);

    std::vector<std::vector<uint8_t>> lines;
    QString error;
    ASSERT_TRUE(zintMatrix(data, sizeIndex + 1, &lines, &error)) << error.toStdString();
    ASSERT_EQ((int)lines.size(), rows) << rows << "x" << columns;
    int differences = 0;
    for (int r = 1; r <= rows; ++r) {
        ASSERT_GE((int)lines[r - 1].size(), columns);
        for (int c = 1; c <= columns; ++c)
            differences += ours.cell(r, c) != lines[r - 1][c - 1];
    }
    EXPECT_EQ(differences, 0) << rows << "x" << columns << " with " << data.size() << " digits";
}

class ZintSizes : public ::testing::TestWithParam<int>
{};

TEST_P(ZintSizes, FullSymbolOfDigitsMatchesZint)
{
    if (!haveProgram(QStringLiteral("zint")))
        GTEST_SKIP() << "zint is not installed";
    const int index = GetParam();
    // Two digits per data codeword fill the symbol exactly (no pads).
    compareWithZint(digits(2 * RSCMN_DATA_SYMBOLS[index]), index);
}

TEST_P(ZintSizes, PartlyFilledSymbolWithPadsMatchesZint)
{
    if (!haveProgram(QStringLiteral("zint")))
        GTEST_SKIP() << "zint is not installed";
    const int index = GetParam();
    // An odd digit count leaves one single digit and at least two pads.
    const int capacity = RSCMN_DATA_SYMBOLS[index];
    const int count = capacity >= 5 ? 2 * (capacity - 3) + 1 : 5;
    if (count > 2 * capacity)
        GTEST_SKIP();
    compareWithZint(digits(count), index);
}

INSTANTIATE_TEST_SUITE_P(AllSizes, ZintSizes, ::testing::Range(0, (int)RSCMN_NUM_SIZES),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::to_string(RSCMN_NUM_ROWS[info.param]) + "x" +
                                 std::to_string(RSCMN_NUM_COLS[info.param]);
                         });

} // namespace
