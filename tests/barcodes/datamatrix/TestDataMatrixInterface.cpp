// Entry points, result codes, state and cell access of the encoder.
#include "DataMatrixTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dmtest;

namespace {

TEST(DataMatrixInterface, InitializeRunsTheReedSolomonKnownAnswer)
{
    EXPECT_EQ(ZYK_initialize(ZYK_ISO_INTERCHANGE), 0);
    EXPECT_EQ(ZYK_self_test(), 0);
    const uint8_t data[3] = {0, 1, 2};
    uint8_t check[5] = {};
    rseccelo_encode(data, 3, 5, check);
    const uint8_t expected[5] = {222, 179, 73, 16, 20};
    EXPECT_EQ(0, std::memcmp(check, expected, 5));
    EXPECT_EQ(current_ECC, ZYK_ECC_NONE);
    EXPECT_EQ(edge_limit[0], 49);
    EXPECT_EQ(edge_limit[40], 47 * 47);
}

TEST(DataMatrixInterface, EccTypeDispatchAndResultCodes)
{
    unsigned char storage[ZYK_MAX_MATRIX_BYTES] = {};
    ZYK_Data_Matrix dm = {0, 0, storage};
    ZYK_initialize(0);
    struct Case {
        ZYK_UINT16 format;
        ZYK_UINT16 ecc;
        ZYK_UINT16 expected;
    } cases[] = {
        {1, 27, ZYK_ERR_ECC_TYPE},
        {1, 1, ZYK_ERR_ECC_TYPE},
        {1, 13, ZYK_ERR_ECC_TYPE},
        {1, 25, ZYK_ERR_ECC_TYPE},
        {7, 0, ZYK_ERR_FORMAT_UNSUPPORTED},
        {9, 12, ZYK_ERR_FORMAT_UNSUPPORTED},
        {1, 26, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ZYK_enc_complete(c.format, c.ecc, 0, 0, 0, 1, u("123456"), 6, &dm), c.expected)
            << "format " << c.format << " ecc " << c.ecc;
    }
}

TEST(DataMatrixInterface, UserLevelMapping)
{
    const ZYK_UINT16 users[] = {0, 10, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 200};
    const ZYK_UINT16 internal[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 26};
    for (int i = 0; i < 14; ++i) {
        ZYK_UINT16 out = 999;
        EXPECT_EQ(user_ecc_to_enum(users[i], &out), 1);
        EXPECT_EQ(out, internal[i]);
        out = 999;
        EXPECT_EQ(enum_ecc_to_user(internal[i], &out), 1);
        EXPECT_EQ(out, users[i]);
    }
    ZYK_UINT16 untouched = 4711;
    EXPECT_EQ(user_ecc_to_enum(20, &untouched), 0);
    EXPECT_EQ(untouched, 4711);
    EXPECT_EQ(enum_ecc_to_user(13, &untouched), 0);
    EXPECT_EQ(untouched, 4711);
    EXPECT_EQ(ZYK_inquire_encrypt(), ZYK_ERR_NOT_SUPPORTED);
    EXPECT_EQ(ZYK_def_priv_encrypt(), ZYK_ERR_NOT_SUPPORTED);
}

TEST(DataMatrixInterface, TwelveByThirtySixClearsFiftyFourBytesAndSetsSize)
{
    unsigned char storage[200];
    std::memset(storage, 0xAB, sizeof storage);
    ZYK_Data_Matrix dm = {0, 0, storage};
    ZYK_initialize(0);
    ASSERT_EQ(ZYK_enc_complete(1, 26, 12, 36, 0, 1, u("12345678"), 8, &dm), 0);
    EXPECT_EQ(dm.rows, 12);
    EXPECT_EQ(dm.columns, 36);
    // Bytes past the 54 cleared ones are left alone.
    for (int k = 54; k < 200; ++k)
        ASSERT_EQ(storage[k], 0xAB) << k;
}

TEST(DataMatrixInterface, LengthArgumentIsIgnoredForEcc200)
{
    const Symbol whole = encode("ABCDEFGHIJ", 12, 36);
    unsigned char storage[ZYK_MAX_MATRIX_BYTES] = {};
    ZYK_Data_Matrix dm = {0, 0, storage};
    ZYK_initialize(0);
    ASSERT_EQ(ZYK_enc_complete(1, 26, 12, 36, 0, 1, u("ABCDEFGHIJ"), 3, &dm), 0);
    set_default_input_dm(&dm);
    for (int r = 1; r <= 12; ++r)
        for (int c = 1; c <= 36; ++c)
            ASSERT_EQ(get_dm_cell(r, c), whole.cell(r, c));
}

TEST(DataMatrixInterface, FailedEncodeLeavesTheRecordUntouched)
{
    unsigned char storage[64];
    std::memset(storage, 0x5A, sizeof storage);
    ZYK_Data_Matrix dm = {7, 9, storage};
    ZYK_initialize(0);
    // 23 codewords of digits do not fit 12 x 36 (22).
    EXPECT_EQ(ZYK_enc_complete(1, 26, 12, 36, 0, 1, u("1234567890123456789012345678901234567890123456"), 0, &dm),
              ZYK_ERR_SIZE);
    EXPECT_EQ(ZYK_enc_complete(1, 26, 0, 0, 0, 1, u("~4"), 0, &dm), ZYK_ERR_BAD_CHARACTER);
    EXPECT_EQ(dm.rows, 7);
    EXPECT_EQ(dm.columns, 9);
    for (unsigned char b : storage)
        ASSERT_EQ(b, 0x5A);
}

TEST(DataMatrixInterface, CellAccess)
{
    unsigned char storage[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    ZYK_Data_Matrix dm = {3, 5, storage};
    set_default_output_dm(&dm); // clears ((15 + 15) / 8) & ~1 = 2 bytes
    EXPECT_EQ(storage[0], 0);
    EXPECT_EQ(storage[1], 0);
    EXPECT_EQ(storage[2], 0xFF);
    set_dm_cell(1, 1, 1);
    set_dm_cell(2, 3, 1); // bit 7: byte 0, mask 1
    set_dm_cell(2, 4, 0); // a zero flag never clears or sets
    EXPECT_EQ(storage[0], 0x81);
    reset_dm_cell(1, 1, 0);
    reset_dm_cell(3, 1, 1); // bit 10: byte 1, mask 0x20
    reset_dm_cell(3, 2, 2); // anything but 1 is light
    EXPECT_EQ(storage[0], 0x01);
    EXPECT_EQ(storage[1], 0x20);
    set_default_input_dm(&dm);
    EXPECT_EQ(get_dm_cell(2, 3), 1);
    EXPECT_EQ(get_dm_cell(3, 1), 1);
    EXPECT_EQ(get_dm_cell(1, 1), 0);
    reset_default_output_dm(&dm); // no clearing
    EXPECT_EQ(storage[1], 0x20);
}

TEST(DataMatrixInterface, EscapeHelpText)
{
    ::testing::internal::CaptureStdout();
    rscmpenc_ecc200_input_show_help();
    const std::string text = ::testing::internal::GetCapturedStdout();
    const size_t four = text.find("~4");
    const size_t pause = text.find("\n\n----- Press CARRIAGE RETURN KEY to Continue the Menu -----\n");
    ASSERT_NE(four, std::string::npos);
    ASSERT_NE(pause, std::string::npos);
    EXPECT_LT(four, pause);
    EXPECT_EQ(text.find('\n', four), pause); // right after the "~4" line
    const std::string last = "  ~ in data is encoded by ~~\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

} // namespace
