// The ECC 000-140 interface: formats, checks, CRC, first-pass bit stream,
// side choice and the result codes of the road.
#include "DataMatrixTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using dmtest::u;

namespace {

std::string bitString(const unsigned char *bits, int from, int count)
{
    std::string s;
    for (int k = from; k < from + count; ++k)
        s += (bits[k / 8] & (0x80 >> (k % 8))) ? '1' : '0';
    return s;
}

std::string binary(unsigned value, int width)
{
    std::string s;
    for (int b = width - 1; b >= 0; --b)
        s += ((value >> b) & 1) ? '1' : '0';
    return s;
}

// A format number and text with the result code they give.
struct FormatCase {
    ZYK_UINT16 format;
    const char *text;
    ZYK_UINT16 expected;
};

class Ecc000140 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(ZYK_initialize(ZYK_ISO_INTERCHANGE), 0);
        ZYK_set_enc_verify(ZYK_TRUE);
    }
    unsigned char storage[ZYK_MAX_MATRIX_BYTES] = {};
    ZYK_Data_Matrix dm = {0, 0, storage};
};

TEST_F(Ecc000140, CrcIsCrc16Kermit)
{
    EXPECT_EQ(ecc000_140_crc16(u("123456789"), 9, 0), 0x2189);
    // The format number's two bytes, low first, then the data.
    const unsigned char framed[5] = {0x01, 0x00, 'A', 'B', 'C'};
    EXPECT_EQ(ecc000_140_crc(1, u("ABC"), 3), ecc000_140_crc16(framed, 5, 0));
}

TEST_F(Ecc000140, FirstPassBitStream)
{
    unsigned char bits[ZYK_FIRST_PASS_BYTES];
    ZYK_UINT16 length = 0;
    ASSERT_EQ(ZYK_enc_first_pass(1, u("1234567"), 7, bits, &length), 0);
    // Format 1: 00 and 0 in three bits; CRC; 9-bit length; base 11 groups of
    // six characters in 21 bits and the last single character in 4 bits.
    const unsigned crc = ecc000_140_crc(1, u("1234567"), 7);
    uint64_t group = 0;
    for (const char *p = "123456"; *p; ++p)
        group = group * 11 + (unsigned)(*p - '0' + 1);
    const std::string expected = "00000" + binary(crc, 16) + binary(7, 9) + binary((unsigned)group, 21) + binary(8, 4);
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(bitString(bits, 0, length), expected);

    // Format 6 carries bytes, 8 bits each.
    ASSERT_EQ(ZYK_enc_first_pass(6, u("\xFF\x01"), 2, bits, &length), 0);
    EXPECT_EQ(bitString(bits, 0, 5), "00101");
    EXPECT_EQ(bitString(bits, 21, 9 + 16), binary(2, 9) + "1111111100000001");
}

TEST_F(Ecc000140, FormatNumbersAndLengths)
{
    const FormatCase cases[] = {
        {0, "123", ZYK_ERR_FORMAT_NUMBER},
        {657, "123", ZYK_ERR_FORMAT_NUMBER},
        {9, "123", ZYK_ERR_FORMAT_UNSUPPORTED},
        {40, "123", ZYK_ERR_FORMAT_UNSUPPORTED},
        {11, "123", ZYK_ERR_FORMAT_STRING},  // 32-bit CRC
        {74, "123", ZYK_ERR_UNKNOWN_FORMAT}, // no private format defined
        {1, "", ZYK_ERR_LENGTH_ZERO},
        {1, "12A", ZYK_ERR_BAD_CHARACTER},
        {2, "AB C", 0},
        {3, "A,-./09 Z", 0},
        {3, "A+", ZYK_ERR_BAD_CHARACTER},
        {4, "A1 Z9", 0},
        {5, "a\x80", ZYK_ERR_BAD_CHARACTER},
    };
    unsigned char bits[ZYK_FIRST_PASS_BYTES];
    for (const FormatCase &c : cases) {
        ZYK_UINT16 length = 0;
        EXPECT_EQ(ZYK_enc_first_pass(c.format, u(c.text), (ZYK_UINT16)std::strlen(c.text), bits, &length), c.expected)
            << c.format << " " << c.text;
    }
    const std::string tooLong(501, '1');
    ZYK_UINT16 length = 0;
    EXPECT_EQ(ZYK_enc_first_pass(1, u(tooLong.c_str()), 501, bits, &length), ZYK_ERR_DATA_TOO_LONG);
}

TEST_F(Ecc000140, VerifyTellsTheFirstBadCharacter)
{
    ZYK_UINT16 count = 99;
    EXPECT_EQ(ZYK_verify_enc_string(2, u("AB1C"), 4, &count), ZYK_ERR_BAD_CHARACTER);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ZYK_verify_enc_string(2, u("AB C"), 4, &count), 0);
    EXPECT_EQ(count, 4);
}

TEST_F(Ecc000140, EncodeCompleteRoad)
{
    struct Case {
        ZYK_UINT16 ecc;
        ZYK_UINT16 rows;
        ZYK_UINT16 columns;
        ZYK_UINT16 border;
        const char *text;
        ZYK_UINT16 expected;
    } cases[] = {
        {ZYK_ECC_000, 0, 0, 1, "12A", ZYK_ERR_BAD_CHARACTER},
        {ZYK_ECC_140, 11, 13, 1, "123", ZYK_ERR_SIZE},
        {ZYK_ECC_000, 12, 0, 1, "123", ZYK_ERR_SIZE},
        {ZYK_ECC_000, 7, 0, 1, "123", ZYK_ERR_SIDE_TOO_SMALL},
        {ZYK_ECC_000, 51, 0, 1, "123", ZYK_ERR_SIDE_TOO_LARGE},
        {ZYK_ECC_000, 9, 9, 16, "123", ZYK_ERR_BORDER_WIDTH},
        {ZYK_ECC_000, 0, 0, 1, "", ZYK_ERR_LENGTH_ZERO},
        // The data of a valid request is checked and sized; drawing needs
        // the coder tables, which this build does not have.
        {ZYK_ECC_000, 0, 0, 1, "123", ZYK_ERR_NOT_SUPPORTED},
        {ZYK_ECC_100, 0, 0, 1, "123", ZYK_ERR_NOT_SUPPORTED},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(
            ZYK_enc_complete(1, c.ecc, c.rows, c.columns, 0, c.border, u(c.text), (ZYK_UINT16)std::strlen(c.text), &dm),
            c.expected)
            << "ecc " << c.ecc << " " << c.rows << "x" << c.columns << " " << c.text;
    }
    // 200 digits in ECC 140 need far more than a 9 x 9 square.
    const std::string digits(200, '5');
    EXPECT_EQ(ZYK_enc_complete(1, ZYK_ECC_140, 9, 9, 0, 1, u(digits.c_str()), 200, &dm),
              ZYK_ERR_SIDE_TOO_SMALL_FOR_DATA);
    EXPECT_EQ(ZYK_enc_second_pass(1, ZYK_ECC_100, 0, 0, 0, 1, storage, 10, &dm), ZYK_ERR_NOT_SUPPORTED);
}

TEST_F(Ecc000140, FormatAndDataAreCheckedBeforeTheSideRules)
{
    // Rows and columns that disagree are a side rule: the format number and
    // the data are checked first.
    const FormatCase cases[] = {
        {0, "123", ZYK_ERR_FORMAT_NUMBER},
        {657, "123", ZYK_ERR_FORMAT_NUMBER},
        {1, "12A", ZYK_ERR_BAD_CHARACTER},
        {1, "123", ZYK_ERR_SIZE},
    };
    for (const FormatCase &c : cases) {
        for (ZYK_UINT16 ecc : {ZYK_ECC_000, ZYK_ECC_140}) {
            EXPECT_EQ(ecc000_140_encode(c.format, ecc, 9, 11, 0, 1, u(c.text), (ZYK_UINT16)std::strlen(c.text), &dm),
                      c.expected)
                << "format " << c.format << " ecc " << ecc << " " << c.text;
        }
    }
    // Through the entry point (which passes formats below 7 on).
    EXPECT_EQ(ZYK_enc_complete(0, ZYK_ECC_000, 9, 11, 0, 1, u("123"), 3, &dm), ZYK_ERR_FORMAT_NUMBER);
}

TEST_F(Ecc000140, EdgeLength)
{
    ZYK_UINT16 side = 0;
    // ECC 000, six digits: 5 + 16 + 9 + 21 data bits, one zero and six
    // header bits = 58 bits; (side - 2)^2 must hold them: 11.
    ASSERT_EQ(ZYK_get_dc_edge_length(1, ZYK_ECC_000, 1, 0, 6, &side), 0);
    EXPECT_EQ(side, 11);
    EXPECT_EQ(ZYK_get_dc_edge_length(1, ZYK_ECC_000, 0, 0, 6, &side), 0); // width 0 counts as 1
    EXPECT_EQ(side, 11);
    EXPECT_EQ(ZYK_get_dc_edge_length(1, ZYK_ECC_000, 1, 9, 6, &side), ZYK_ERR_SIDE_TOO_SMALL_FOR_DATA);
    EXPECT_EQ(ZYK_get_dc_edge_length(1, ZYK_ECC_000, 1, 10, 6, &side), ZYK_ERR_SIZE);
    EXPECT_EQ(ZYK_get_dc_edge_length(1, 13, 1, 0, 6, &side), ZYK_ERR_INTERNAL_ECC);
    EXPECT_EQ(ZYK_get_dc_edge_length(6, ZYK_ECC_140, 1, 0, 500, &side), ZYK_ERR_DATA_TOO_LONG);
    EXPECT_EQ(ZYK_get_dc_edge_length(6, ZYK_ECC_000, 1, 0, 240, &side), 0);
    EXPECT_EQ(side, 47); // 1,958 bits: 45^2 = 2,025
}

TEST_F(Ecc000140, PrivateFormats)
{
    EXPECT_EQ(ZYK_define_private_fmt(5, u("99?"), 3), ZYK_ERR_PRIVATE_UNDER_PUBLIC);
    EXPECT_EQ(ZYK_define_private_fmt(72, u("99?"), 3), ZYK_ERR_PRIVATE_UNDER_PUBLIC);
    EXPECT_EQ(ZYK_define_private_fmt(0, u("99?"), 3), ZYK_ERR_FORMAT_NUMBER);
    EXPECT_EQ(ZYK_define_private_fmt(657, u("99?"), 3), ZYK_ERR_FORMAT_NUMBER);
    const std::string longFormat(501, '9');
    EXPECT_EQ(ZYK_define_private_fmt(80, u(longFormat.c_str()), 501), ZYK_ERR_PRIVATE_FORMAT_TOO_LONG);
    EXPECT_EQ(ZYK_define_private_fmt(80, u("9a"), 2), ZYK_ERR_FORMAT_STRING);
    ASSERT_EQ(ZYK_define_private_fmt(80, u("39FF+@#"), 7), 0);

    unsigned char buffer[ZYK_MAX_PRIVATE_FORMAT + 1];
    ZYK_UINT16 length = 0;
    ASSERT_EQ(ZYK_inquire_fmt(80, buffer, &length), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), length), "39FF+@#");
    EXPECT_EQ(ZYK_inquire_fmt(81, buffer, &length), ZYK_ERR_UNKNOWN_FORMAT);
    EXPECT_EQ(ZYK_inquire_fmt(9, buffer, &length), ZYK_ERR_RESERVED_FORMAT);
    ASSERT_EQ(ZYK_inquire_fmt(1, buffer, &length), 0);
    EXPECT_GT(length, 0);

    // Fixed length: one character per position ("+" is a CRC marker).
    ZYK_UINT16 count = 0;
    EXPECT_EQ(ZYK_verify_enc_string(80, u("29AFX5"), 6, &count), 0);
    EXPECT_EQ(ZYK_verify_enc_string(80, u("49AFX5"), 6, &count), ZYK_ERR_BAD_CHARACTER);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ZYK_verify_enc_string(80, u("29AGX5"), 6, &count), ZYK_ERR_BAD_CHARACTER);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ZYK_verify_enc_string(80, u("29AF"), 4, &count), ZYK_ERR_LENGTH_SHORT);
    EXPECT_EQ(ZYK_verify_enc_string(80, u("29AFX55"), 7, &count), ZYK_ERR_LENGTH_NOT_FIXED);

    // ZYK_initialize forgets the private format.
    ZYK_initialize(ZYK_ISO_INTERCHANGE);
    EXPECT_EQ(ZYK_inquire_fmt(80, buffer, &length), ZYK_ERR_UNKNOWN_FORMAT);
}

TEST_F(Ecc000140, EbcdicInterchange)
{
    EXPECT_EQ(iso_to_ebcdic_table[(unsigned char)'A'], 0xC1);
    EXPECT_EQ(iso_to_ebcdic_table[(unsigned char)'['], 0xAD);
    EXPECT_EQ(iso_to_ebcdic_table[10], 0x25);
    for (int c = 0; c < 256; ++c)
        ASSERT_EQ(ebcdic_to_iso_table[iso_to_ebcdic_table[c]], c);

    unsigned char isoBits[ZYK_FIRST_PASS_BYTES], ebcdicBits[ZYK_FIRST_PASS_BYTES];
    ZYK_UINT16 isoLength = 0, ebcdicLength = 0;
    ASSERT_EQ(ZYK_enc_first_pass(4, u("AB12"), 4, isoBits, &isoLength), 0);
    ASSERT_EQ(ZYK_initialize(ZYK_EBCDIC_INTERCHANGE), 0);
    const unsigned char ebcdic[4] = {0xC1, 0xC2, 0xF1, 0xF2};
    ASSERT_EQ(ZYK_enc_first_pass(4, ebcdic, 4, ebcdicBits, &ebcdicLength), 0);
    EXPECT_EQ(ebcdicLength, isoLength);
    EXPECT_EQ(0, std::memcmp(isoBits, ebcdicBits, (isoLength + 7) / 8));

    // Private format strings come in and go out in EBCDIC.
    const unsigned char format[3] = {0xF9, 0xF9, 0x6F}; // "99?"
    ASSERT_EQ(ZYK_define_private_fmt(100, format, 3), 0);
    unsigned char buffer[ZYK_MAX_PRIVATE_FORMAT + 1];
    ZYK_UINT16 length = 0;
    ASSERT_EQ(ZYK_inquire_fmt(100, buffer, &length), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(0, std::memcmp(buffer, format, 3));
    ZYK_initialize(ZYK_ISO_INTERCHANGE);
}

} // namespace
