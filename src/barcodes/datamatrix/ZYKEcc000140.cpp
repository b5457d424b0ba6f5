// ECC 000-140 road: formats, character checks, CRC, the first-pass bit
// stream and the square side choice.
//
// The convolutional coders of ECC 050-140, the master random bit stream
// applied to every ECC 000-140 symbol and the 366-bit test pattern of format
// 72 are ISO/IEC 16022 tables that this build does not carry. Everything up
// to the point where one of them is needed is done and checked; from there
// the road answers ZYK_ERR_NOT_SUPPORTED instead of drawing a symbol.
#include "barcodes/datamatrix/ZYKDataMatrixInternal.h"

#include <stdlib.h>
#include <string.h>

namespace {

enum Coding {
    CODING_BASE11 = 1,
    CODING_BASE27 = 2,
    CODING_BASE41 = 3,
    CODING_BASE37 = 4,
    CODING_ASCII7 = 5,
    CODING_BYTE = 6
};

// Format strings of the public formats, in the private-format alphabet:
// one base character and "?" for variable length with a 9-bit length field.
const char *const public_data[18] = {nullptr, "#?",    "@?", "%?", "&?", "~?", "*?", "~?", nullptr,
                                     nullptr, nullptr, "#?", "@?", "%?", "&?", "~?", "*?", "~?"};

struct PrivateFormat {
    uint16_t number = 0; // 0: none defined
    uint16_t length = 0;
    unsigned char text[ZYK_MAX_PRIVATE_FORMAT + 1] = {};
};

PrivateFormat g_private;
uint16_t g_currentFormat = 0;

bool isReserved(uint16_t format) { return (format >= 8 && format <= 10) || (format >= 18 && format <= 71); }

// Value of ch in the character set of a public coding, -1 outside it.
int codeValue(int coding, unsigned char ch)
{
    switch (coding) {
    case CODING_BASE11:
        if (ch == ' ')
            return 0;
        if (ch >= '0' && ch <= '9')
            return ch - '0' + 1;
        return -1;
    case CODING_BASE27:
        if (ch == ' ')
            return 0;
        if (ch >= 'A' && ch <= 'Z')
            return ch - 'A' + 1;
        return -1;
    case CODING_BASE41:
        if (ch == ' ')
            return 0;
        if (ch >= ',' && ch <= '9')
            return ch - ',' + 1;
        if (ch >= 'A' && ch <= 'Z')
            return ch - 'A' + 15;
        return -1;
    case CODING_BASE37:
        if (ch == ' ')
            return 0;
        if (ch >= '0' && ch <= '9')
            return ch - '0' + 1;
        if (ch >= 'A' && ch <= 'Z')
            return ch - 'A' + 11;
        return -1;
    case CODING_ASCII7:
        return ch < 128 ? ch : -1;
    case CODING_BYTE:
        return ch;
    default:
        return -1;
    }
}

int publicCoding(uint16_t format)
{
    const int base = format % 10;
    return base == 7 ? CODING_ASCII7 : base;
}

// Whether ch is allowed by one character of a private format string.
bool privatePositionAllows(unsigned char position, unsigned char ch)
{
    if (position >= '1' && position <= '9')
        return ch >= '0' && ch <= position;
    if (position >= 'B' && position <= 'Z')
        return ch >= 'A' && ch <= position;
    switch (position) {
    case '@':
        return codeValue(CODING_BASE27, ch) >= 0;
    case '&':
        return codeValue(CODING_BASE37, ch) >= 0;
    case '%':
        return codeValue(CODING_BASE41, ch) >= 0;
    case '#':
        return codeValue(CODING_BASE11, ch) >= 0;
    case '~':
        return ch < 128;
    case '*':
        return true;
    default:
        return false;
    }
}

bool isPrivatePositionChar(unsigned char c)
{
    return (c >= '1' && c <= '9') || (c >= 'B' && c <= 'Z') || c == '@' || c == '&' || c == '%' || c == '#' ||
        c == '~' || c == '*' || c == '+';
}

// Character positions of the private format (without "+" markers and the
// trailing length mark) and its length kind: 0 fixed, 9 or 14 bits.
int privatePositions(unsigned char *positions, int *lengthBits)
{
    int n = 0;
    int len = g_private.length;
    *lengthBits = 0;
    if (len > 0 && g_private.text[len - 1] == '?') {
        *lengthBits = 9;
        --len;
    } else if (len > 0 && g_private.text[len - 1] == '!') {
        *lengthBits = 14;
        --len;
    }
    for (int k = 0; k < len; ++k) {
        if (g_private.text[k] != '+')
            positions[n++] = g_private.text[k];
    }
    return n;
}

// Checks the format number for encoding (public 1-7 or the defined private).
ZYK_UINT16 checkFormat(uint16_t format)
{
    if (format == 0 || format > 656)
        return ZYK_ERR_FORMAT_NUMBER;
    if (isReserved(format))
        return ZYK_ERR_FORMAT_UNSUPPORTED;
    if (format >= 11 && format <= 17)
        return ZYK_ERR_FORMAT_STRING; // needs the 32-bit CRC
    if (format == 72)
        return ZYK_ERR_NOT_SUPPORTED; // test pattern not in this build
    if (format >= 73 && format != g_private.number)
        return ZYK_ERR_UNKNOWN_FORMAT;
    return ZYK_OK;
}

// Checks length and characters; *count receives the index of the first bad
// character (or the length).
ZYK_UINT16 verifyText(uint16_t format, const unsigned char *text, uint16_t length, uint16_t *count)
{
    if (count)
        *count = 0;
    if (format <= 7) {
        if (length == 0)
            return ZYK_ERR_LENGTH_ZERO;
        if (length > 500)
            return ZYK_ERR_DATA_TOO_LONG;
        const int coding = publicCoding(format);
        for (uint16_t k = 0; k < length; ++k) {
            if (codeValue(coding, text[k]) < 0) {
                if (count)
                    *count = k;
                return ZYK_ERR_BAD_CHARACTER;
            }
        }
        if (count)
            *count = length;
        return ZYK_OK;
    }
    unsigned char positions[ZYK_MAX_PRIVATE_FORMAT];
    int lengthBits = 0;
    const int n = privatePositions(positions, &lengthBits);
    if (n == 0)
        return ZYK_ERR_CODING_TYPE;
    if (lengthBits == 0) {
        if (length == 0)
            return ZYK_ERR_LENGTH_ZERO;
        if (length < n)
            return ZYK_ERR_LENGTH_SHORT;
        if (length != n)
            return ZYK_ERR_LENGTH_NOT_FIXED;
    } else {
        if (length == 0)
            return ZYK_ERR_LENGTH_ZERO;
        if (length > (lengthBits == 9 ? 500 : 3120))
            return ZYK_ERR_DATA_TOO_LONG;
    }
    // A variable-length private format repeats its positions.
    for (uint16_t k = 0; k < length; ++k) {
        if (!privatePositionAllows(positions[k % n], text[k])) {
            if (count)
                *count = k;
            return ZYK_ERR_BAD_CHARACTER;
        }
    }
    if (count)
        *count = length;
    return ZYK_OK;
}

struct BitWriter {
    unsigned char *out;
    uint32_t bits = 0;
    bool overflow = false;
    void put(uint32_t value, int width)
    {
        for (int b = width - 1; b >= 0; --b) {
            if (bits >= ZYK_MAX_STREAM_BITS) {
                overflow = true;
                return;
            }
            const unsigned char mask = (unsigned char)(0x80u >> (bits % 8));
            if ((value >> b) & 1u)
                out[bits / 8] |= mask;
            else
                out[bits / 8] &= (unsigned char)~mask;
            ++bits;
        }
    }
};

int bitsFor(uint64_t largest)
{
    int b = 0;
    while (largest > 0) {
        ++b;
        largest >>= 1;
    }
    return b;
}

// Compaction of a public coding: groups of `group` characters, read as one
// number in `base`. False for an unknown coding.
bool compactionOf(int coding, int *base, int *group)
{
    *group = 1;
    switch (coding) {
    case CODING_BASE11:
        *base = 11;
        *group = 6;
        return true;
    case CODING_BASE27:
        *base = 27;
        *group = 5;
        return true;
    case CODING_BASE41:
        *base = 41;
        *group = 4;
        return true;
    case CODING_BASE37:
        *base = 37;
        *group = 4;
        return true;
    case CODING_ASCII7:
        *base = 128;
        return true;
    case CODING_BYTE:
        *base = 256;
        return true;
    default:
        return false;
    }
}

// Bits of a group of n characters in base (enough for base^n - 1).
int groupBits(int base, int n)
{
    uint64_t largest = 1;
    for (int j = 0; j < n; ++j)
        largest *= (uint64_t)base;
    return bitsFor(largest - 1);
}

void putFormatNumber(BitWriter &w, uint16_t format)
{
    if (format <= 8) {
        w.put(0, 2);
        w.put(format - 1, 3);
    } else if (format <= 72) {
        w.put(4, 3);
        w.put(format - 9, 6);
    } else if (format <= 80) {
        w.put(1, 2);
        w.put(format - 73, 3);
    } else if (format <= 144) {
        w.put(5, 3);
        w.put(format - 81, 6);
    } else {
        w.put(6, 3);
        w.put(format - 145, 9);
    }
}

// Format number, CRC, length and compacted data of a public format.
ZYK_UINT16 firstPass(uint16_t format, const unsigned char *text, uint16_t length, unsigned char *bits,
                     uint16_t *bitLength)
{
    ZYK_UINT16 rc = checkFormat(format);
    if (rc != ZYK_OK)
        return rc;
    rc = verifyText(format, text, length, nullptr);
    if (rc != ZYK_OK)
        return rc;
    if (format > 7)
        return ZYK_ERR_NOT_SUPPORTED; // private format compaction not in this build

    memset(bits, 0, ZYK_FIRST_PASS_BYTES);
    BitWriter w{bits};
    putFormatNumber(w, format);
    w.put(ecc000_140_crc(format, text, length), 16);
    w.put(length, 9);

    const int coding = publicCoding(format);
    int base = 0, group = 1;
    if (!compactionOf(coding, &base, &group))
        return ZYK_ERR_CODING_TYPE;
    for (uint16_t k = 0; k < length; k = (uint16_t)(k + group)) {
        const int n = (length - k) < group ? (length - k) : group;
        uint64_t value = 0;
        for (int j = 0; j < n; ++j)
            value = value * (uint64_t)base + (uint64_t)codeValue(coding, text[k + j]);
        w.put((uint32_t)value, groupBits(base, n));
    }
    if (w.overflow)
        return ZYK_ERR_TOO_MANY_BITS;
    g_currentFormat = format;
    *bitLength = (uint16_t)w.bits;
    return ZYK_OK;
}

// Bits the symbol must hold for data bits at an ECC level; 0 when the
// level's code rate is not known here. Header: one zero bit and six header
// bits each written three times; ECC 050-140 add 24 tail bits and code at
// rate 3/4, 2/3, 1/2 and 1/4.
long codedBits(long dataBits, ZYK_ECC_Type ecc)
{
    const long header = 1 + 18;
    switch (ecc) {
    case ZYK_ECC_000:
        return 1 + 6 + dataBits;
    case ZYK_ECC_050:
        return header + (dataBits + 24 + 2) / 3 * 4;
    case ZYK_ECC_080:
        return header + (dataBits + 24 + 1) / 2 * 3;
    case ZYK_ECC_100:
        return header + (dataBits + 24) * 2;
    case ZYK_ECC_140:
        return header + (dataBits + 24) * 4;
    default:
        return 0;
    }
}

// sqr_get_edge_length: the odd square side for the given bit count.
ZYK_UINT16 sqrGetEdgeLength(long bitCount, ZYK_UINT16 border, ZYK_UINT16 requested, ZYK_UINT16 *side)
{
    if (bitCount > ZYK_MAX_STREAM_BITS)
        return ZYK_ERR_TOO_MANY_BITS;
    const int width = border == 0 ? 1 : border;
    if (width >= 16)
        return ZYK_ERR_BORDER_WIDTH;
    if (requested != 0) {
        if (requested % 2 == 0)
            return ZYK_ERR_SIZE;
        if (requested <= 8)
            return ZYK_ERR_SIDE_TOO_SMALL;
        if (requested >= 50)
            return ZYK_ERR_SIDE_TOO_LARGE;
        const long area = (long)(requested - width - 1);
        if (area <= 0 || area * area < bitCount)
            return ZYK_ERR_SIDE_TOO_SMALL_FOR_DATA;
        *side = requested;
        return ZYK_OK;
    }
    // Smallest odd side from 9 to 49 (binary search over the data areas).
    int lo = 0, hi = 20; // sides 9 + 2 * index
    auto holds = [&](int index) {
        const long area = (long)(9 + 2 * index - width - 1);
        return area > 0 && area * area >= bitCount;
    };
    if (!holds(hi))
        return ZYK_ERR_DATA_TOO_LONG;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (holds(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    *side = (ZYK_UINT16)(9 + 2 * lo);
    return ZYK_OK;
}

// Runs op on the text, converted from EBCDIC in EBCDIC mode; noMemory when
// the converted copy cannot be allocated.
template <typename Op>
ZYK_UINT16 withIsoText(const unsigned char *text, uint16_t length, Op op, ZYK_UINT16 noMemory = ZYK_ERR_NO_MEMORY)
{
    if (interchange_mode != ZYK_EBCDIC_INTERCHANGE || length == 0)
        return op(text);
    unsigned char *copy = static_cast<unsigned char *>(malloc(length));
    if (copy == nullptr)
        return noMemory;
    for (uint16_t k = 0; k < length; ++k)
        copy[k] = ebcdic_to_iso_table[text[k]];
    const ZYK_UINT16 rc = op(copy);
    free(copy);
    return rc;
}

} // namespace

extern "C" {

void ecc000_140_reset(void)
{
    g_private = PrivateFormat();
    g_currentFormat = 0;
}

ZYK_UINT16 ecc000_140_self_test(void)
{
    // The known answers belong to the convolutional coders, which this build
    // does not carry: there is nothing to run.
    return ZYK_OK;
}

uint16_t ecc000_140_crc16(const unsigned char *data, size_t length, uint16_t crc)
{
    for (size_t k = 0; k < length; ++k) {
        crc ^= data[k];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? (uint16_t)((crc >> 1) ^ 0x8408) : (uint16_t)(crc >> 1);
    }
    return crc;
}

uint16_t ecc000_140_crc(uint16_t format, const unsigned char *data, uint16_t length)
{
    const unsigned char number[2] = {(unsigned char)(format & 0xFF), (unsigned char)(format >> 8)};
    const uint16_t crc = ecc000_140_crc16(number, 2, 0);
    return ecc000_140_crc16(data, length, crc);
}

ZYK_UINT16 ecc000_140_encode(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 rows, ZYK_UINT16 columns,
                             ZYK_Style_Type style, ZYK_UINT16 border_width, const unsigned char *text,
                             ZYK_UINT16 length, ZYK_Data_Matrix *matrix)
{
    (void)style;
    if (text == nullptr || matrix == nullptr)
        return ZYK_ERR_LENGTH_ZERO;
    const ZYK_UINT16 requested = rows != 0 ? rows : columns;
    return withIsoText(text, length, [&](const unsigned char *iso) -> ZYK_UINT16 {
        ZYK_UINT16 rc = checkFormat(format);
        if (rc != ZYK_OK)
            return rc;
        if (verify_data_to_compress) {
            rc = verifyText(format, iso, length, nullptr);
            if (rc != ZYK_OK)
                return rc;
        }
        static unsigned char stream[ZYK_FIRST_PASS_BYTES];
        uint16_t bitLength = 0;
        rc = firstPass(format, iso, length, stream, &bitLength);
        if (rc != ZYK_OK)
            return rc;
        // The side rules come after the format and the data: rows and
        // columns must agree when both are given.
        if (rows != 0 && columns != 0 && rows != columns)
            return ZYK_ERR_SIZE;
        ZYK_UINT16 side = 0;
        rc = sqrGetEdgeLength(codedBits(bitLength, ecc), border_width, requested, &side);
        if (rc != ZYK_OK)
            return rc;
        // The coder tables and the random stream are not in this build.
        return ZYK_ERR_NOT_SUPPORTED;
    });
}

ZYK_UINT16 ZYK_enc_first_pass(ZYK_UINT16 format, const unsigned char *text, ZYK_UINT16 length, unsigned char *bits,
                              ZYK_UINT16 *bit_length)
{
    if (text == nullptr || bits == nullptr || bit_length == nullptr)
        return ZYK_ERR_LENGTH_ZERO;
    return withIsoText(text, length,
                       [&](const unsigned char *iso) { return firstPass(format, iso, length, bits, bit_length); });
}

ZYK_UINT16 ZYK_enc_second_pass(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 rows, ZYK_UINT16 columns,
                               ZYK_Style_Type style, ZYK_UINT16 border_width, const unsigned char *bits,
                               ZYK_UINT16 bit_length, ZYK_Data_Matrix *matrix)
{
    (void)format;
    (void)ecc;
    (void)rows;
    (void)columns;
    (void)style;
    (void)border_width;
    (void)bits;
    (void)bit_length;
    (void)matrix;
    // Its mandatory encryption step is not part of this build.
    return ZYK_ERR_NOT_SUPPORTED;
}

ZYK_UINT16 ZYK_verify_enc_string(ZYK_UINT16 format, const unsigned char *text, ZYK_UINT16 length, ZYK_UINT16 *count)
{
    if (text == nullptr)
        return ZYK_ERR_LENGTH_ZERO;
    ZYK_UINT16 rc = checkFormat(format);
    if (rc != ZYK_OK)
        return rc;
    return withIsoText(text, length, [&](const unsigned char *iso) { return verifyText(format, iso, length, count); });
}

ZYK_UINT16 ZYK_set_enc_verify(ZYK_Boolean verify)
{
    verify_data_to_compress = verify ? ZYK_TRUE : ZYK_FALSE;
    return ZYK_OK;
}

ZYK_UINT16 ZYK_get_dc_edge_length(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 border_width,
                                  ZYK_UINT16 requested_side, ZYK_UINT16 data_length, ZYK_UINT16 *side)
{
    if (side == nullptr)
        return ZYK_ERR_SIZE;
    if (ecc > ZYK_ECC_140)
        return ZYK_ERR_INTERNAL_ECC;
    ZYK_UINT16 rc = checkFormat(format);
    if (rc != ZYK_OK)
        return rc;
    if (format > 7)
        return ZYK_ERR_NOT_SUPPORTED;
    if (data_length == 0)
        return ZYK_ERR_LENGTH_ZERO;
    if (data_length > 500)
        return ZYK_ERR_DATA_TOO_LONG;
    // Bits of format number, CRC, length and data of that many characters.
    long dataBits = 5 + 16 + 9;
    int base = 0, group = 1;
    if (!compactionOf(publicCoding(format), &base, &group))
        return ZYK_ERR_CODING_TYPE;
    for (int k = 0; k < data_length; k += group) {
        const int n = (data_length - k) < group ? (data_length - k) : group;
        dataBits += groupBits(base, n);
    }
    const long coded = codedBits(dataBits, ecc);
    if (coded == 0)
        return ZYK_ERR_NOT_SUPPORTED;
    return sqrGetEdgeLength(coded, border_width, requested_side, side);
}

ZYK_UINT16 ZYK_inquire_fmt(ZYK_UINT16 format, unsigned char *buffer, ZYK_UINT16 *length)
{
    if (buffer == nullptr || length == nullptr)
        return ZYK_ERR_UNKNOWN_FORMAT;
    if (isReserved(format))
        return ZYK_ERR_RESERVED_FORMAT;
    const unsigned char *source = nullptr;
    uint16_t n = 0;
    if (format >= 1 && format <= 17 && public_data[format]) {
        source = reinterpret_cast<const unsigned char *>(public_data[format]);
        n = (uint16_t)strlen(public_data[format]);
    } else if (format >= 73 && format <= 656 && format == g_private.number) {
        source = g_private.text;
        n = g_private.length;
    } else {
        return ZYK_ERR_UNKNOWN_FORMAT;
    }
    for (uint16_t k = 0; k < n; ++k)
        buffer[k] = interchange_mode == ZYK_EBCDIC_INTERCHANGE ? iso_to_ebcdic_table[source[k]] : source[k];
    buffer[n] = 0;
    *length = n;
    return ZYK_OK;
}

ZYK_UINT16 ZYK_define_private_fmt(ZYK_UINT16 format, const unsigned char *format_string, ZYK_UINT16 length)
{
    if (format >= 1 && format <= 72)
        return ZYK_ERR_PRIVATE_UNDER_PUBLIC;
    if (format == 0 || format > 656)
        return ZYK_ERR_FORMAT_NUMBER;
    if (length > ZYK_MAX_PRIVATE_FORMAT)
        return ZYK_ERR_PRIVATE_FORMAT_TOO_LONG;
    if (format_string == nullptr || length == 0)
        return ZYK_ERR_FORMAT_STRING;
    unsigned char iso[ZYK_MAX_PRIVATE_FORMAT];
    const ZYK_UINT16 rc = withIsoText(
        format_string, length,
        [&](const unsigned char *text) -> ZYK_UINT16 {
            memcpy(iso, text, length);
            return ZYK_OK;
        },
        ZYK_ERR_PRIVATE_FORMAT_NO_MEMORY);
    if (rc != ZYK_OK)
        return rc;
    int positions = 0;
    for (uint16_t k = 0; k < length; ++k) {
        const unsigned char c = iso[k];
        const bool lengthMark = k + 1 == length && (c == '?' || c == '!');
        if (lengthMark)
            continue;
        if (!isPrivatePositionChar(c))
            return ZYK_ERR_FORMAT_STRING;
        if (c != '+')
            ++positions;
    }
    if (positions == 0)
        return ZYK_ERR_FORMAT_STRING;
    g_private.number = format;
    g_private.length = length;
    memcpy(g_private.text, iso, length);
    g_private.text[length] = 0;
    return ZYK_OK;
}

} // extern "C"
