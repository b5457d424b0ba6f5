// Entry points, shared state and cell access of the Data Matrix encoder.
#include "barcodes/datamatrix/ZYKDataMatrixInternal.h"

#include <stdio.h>
#include <string.h>

extern "C" {

ZYK_Data_Interchange_Type interchange_mode = ZYK_ISO_INTERCHANGE;
ZYK_Boolean verify_data_to_compress = ZYK_TRUE;
ZYK_ECC_Type current_ECC = ZYK_ECC_NONE;
uint16_t edge_limit[41];

static ZYK_Data_Matrix *default_output_dm = nullptr;
static ZYK_Data_Matrix *default_input_dm = nullptr;

static const unsigned char bit_masks[8] = {128, 64, 32, 16, 8, 4, 2, 1};

// User level <-> internal number.
static const uint16_t kUserLevels[14] = {0, 10, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 200};
static const uint16_t kInternalLevels[14] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 26};

ZYK_UINT16 user_ecc_to_enum(ZYK_UINT16 level, ZYK_UINT16 *result)
{
    for (int i = 0; i < 14; ++i) {
        if (kUserLevels[i] == level) {
            if (result)
                *result = kInternalLevels[i];
            return 1;
        }
    }
    return 0;
}

ZYK_UINT16 enum_ecc_to_user(ZYK_UINT16 level, ZYK_UINT16 *result)
{
    for (int i = 0; i < 14; ++i) {
        if (kInternalLevels[i] == level) {
            if (result)
                *result = kUserLevels[i];
            return 1;
        }
    }
    return 0;
}

ZYK_UINT16 ZYK_initialize(ZYK_Data_Interchange_Type interchange)
{
    // Reed-Solomon known answer: data 0, 1, 2 with five check codewords.
    rsecc_build_tables();
    static const uint8_t data[3] = {0, 1, 2};
    static const uint8_t expected[5] = {222, 179, 73, 16, 20};
    uint8_t check[5];
    rseccelo_encode(data, 3, 5, check);
    if (memcmp(check, expected, sizeof expected) != 0)
        return ZYK_ERR_REED_SOLOMON_CHECK;

    interchange_mode = interchange;
    ecc000_140_reset();
    current_ECC = ZYK_ECC_NONE;
    for (int i = 0; i <= 40; ++i)
        edge_limit[i] = (uint16_t)((7 + i) * (7 + i));
    return ZYK_OK;
}

ZYK_UINT16 ZYK_self_test(void) { return ecc000_140_self_test(); }

static uint8_t codewords[RSCMN_MAX_TOTAL];
static ZYK_UINT16 lastTotal = 0;
static ZYK_UINT16 lastSize = 0;

const uint8_t *rscmn_last_codewords(ZYK_UINT16 *total, ZYK_UINT16 *size_index)
{
    if (total)
        *total = lastTotal;
    if (size_index)
        *size_index = lastSize;
    return codewords;
}

static ZYK_UINT16 encodeEcc200(ZYK_UINT16 rows, ZYK_UINT16 columns, const unsigned char *text, ZYK_Data_Matrix *matrix)
{
    ZYK_UINT16 count = 0;
    ZYK_UINT16 sizeIndex = 0;
    if (text == nullptr || matrix == nullptr || matrix->data == nullptr)
        return ZYK_ERR_BAD_CHARACTER;
    lastTotal = 0;
    const ZYK_UINT16 rc = rscmpenc_compress(text, rows, columns, codewords, &count, &sizeIndex);
    if (rc != ZYK_OK)
        return rc;
    rseccenc_add_check_bytes(codewords, sizeIndex);
    lastTotal = RSCMN_TOTAL_SYMBOLS[sizeIndex];
    lastSize = sizeIndex;
    rsgrdenc_place_symbols_in_matrix(codewords, sizeIndex, matrix);
    return ZYK_OK;
}

ZYK_UINT16 ZYK_enc_complete(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 rows, ZYK_UINT16 columns,
                            ZYK_Style_Type style, ZYK_UINT16 border_width, const unsigned char *text, ZYK_UINT16 length,
                            ZYK_Data_Matrix *matrix)
{
    if (ecc > ZYK_ECC_200)
        return ZYK_ERR_ECC_TYPE;
    switch (ecc) {
    case ZYK_ECC_000:
    case ZYK_ECC_050:
    case ZYK_ECC_080:
    case ZYK_ECC_100:
    case ZYK_ECC_140:
        if (format >= 7)
            return ZYK_ERR_FORMAT_UNSUPPORTED;
        return ecc000_140_encode(format, ecc, rows, columns, style, border_width, text, length, matrix);
    case ZYK_ECC_200:
        return encodeEcc200(rows, columns, text, matrix);
    default:
        return ZYK_ERR_ECC_TYPE;
    }
}

ZYK_UINT16 ZYK_inquire_encrypt(void) { return ZYK_ERR_NOT_SUPPORTED; }

ZYK_UINT16 ZYK_def_priv_encrypt(void) { return ZYK_ERR_NOT_SUPPORTED; }

// ---------------------------------------------------------------------------
// Cell access

static size_t clearedBytes(const ZYK_Data_Matrix *m)
{
    const size_t bytes = ((size_t)m->rows * m->columns + 15) / 8;
    return bytes & ~(size_t)1;
}

void set_default_output_dm(ZYK_Data_Matrix *matrix)
{
    default_output_dm = matrix;
    if (matrix && matrix->data)
        memset(matrix->data, 0, clearedBytes(matrix));
}

void reset_default_output_dm(ZYK_Data_Matrix *matrix) { default_output_dm = matrix; }

void set_default_input_dm(ZYK_Data_Matrix *matrix) { default_input_dm = matrix; }

static bool cellBit(const ZYK_Data_Matrix *m, ZYK_UINT16 row, ZYK_UINT16 column, size_t *byte, unsigned char *mask)
{
    if (m == nullptr || m->data == nullptr || row < 1 || column < 1 || row > m->rows || column > m->columns)
        return false;
    const size_t k = (size_t)(row - 1) * m->columns + (size_t)(column - 1);
    *byte = k / 8;
    *mask = bit_masks[k % 8];
    return true;
}

void set_dm_cell(ZYK_UINT16 row, ZYK_UINT16 column, ZYK_UINT16 flag)
{
    size_t byte;
    unsigned char mask;
    if (flag && cellBit(default_output_dm, row, column, &byte, &mask))
        default_output_dm->data[byte] |= mask;
}

void reset_dm_cell(ZYK_UINT16 row, ZYK_UINT16 column, ZYK_UINT16 value)
{
    size_t byte;
    unsigned char mask;
    if (!cellBit(default_output_dm, row, column, &byte, &mask))
        return;
    if (value == 1)
        default_output_dm->data[byte] |= mask;
    else
        default_output_dm->data[byte] &= (unsigned char)~mask;
}

ZYK_UINT16 get_dm_cell(ZYK_UINT16 row, ZYK_UINT16 column)
{
    size_t byte;
    unsigned char mask;
    if (!cellBit(default_input_dm, row, column, &byte, &mask))
        return 0;
    return (default_input_dm->data[byte] & mask) ? 1 : 0;
}

// ---------------------------------------------------------------------------

void rscmpenc_ecc200_input_show_help(void)
{
    static const char *const first[] = {"ECC 200 input escapes:",
                                        "  ~1 : FNC1 (anywhere)",
                                        "  ~2 : Structured Append, first only, followed by three numbers NNN",
                                        "       of 001 to 254 (e.g. ~2042001015)",
                                        "  ~3 : Reader Programming, first only",
                                        "  ~4 : not used",
                                        nullptr};
    static const char *const second[] = {"  ~5 : 05 macro header (Application Identifiers), first only",
                                         "  ~6 : 06 macro header (Data Identifiers), first only",
                                         "  ~7NNNNNN : ECI number NNNNNN (000000 to 999999)",
                                         "  ~8 : AIAG 05 header, first only",
                                         "  ~9 : AIAG 06 header, first only",
                                         "  ~dNNN : the byte of decimal value NNN (000 to 255)",
                                         "  ~@ to ~_ : control characters 0 to 31",
                                         "  ~ in data is encoded by ~~",
                                         nullptr};
    for (int i = 0; first[i]; ++i)
        printf("%s\n", first[i]);
    printf("\n----- Press CARRIAGE RETURN KEY to Continue the Menu -----\n");
    for (int i = 0; second[i]; ++i)
        printf("%s\n", second[i]);
    fflush(stdout);
}

} // extern "C"
