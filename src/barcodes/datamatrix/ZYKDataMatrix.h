#pragma once
/*
 * Data Matrix encoder (ISO/IEC 16022): ECC 200 and the ECC 000-140 interface.
 *
 * Plain functions with C linkage over one set of static state; the library is
 * not reentrant, callers serialise their use of it. Every entry point returns
 * a 16-bit result code, 0 for success (see the ZYK_ERR_* constants).
 *
 * Typical use:
 *     ZYK_initialize(ZYK_ISO_INTERCHANGE);
 *     ZYK_self_test();
 *     ZYK_Data_Matrix dm = {0, 0, storage};
 *     ZYK_enc_complete(1, ZYK_ECC_200, 12, 36, 0, 1, text, length, &dm);
 *     set_default_input_dm(&dm);
 *     get_dm_cell(row, column);      // 1-based, 1 = dark
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint16_t ZYK_UINT16;
typedef uint16_t ZYK_Boolean;  /* 0 false, 1 true */
typedef uint16_t ZYK_ECC_Type; /* internal error-correction number */
typedef uint16_t ZYK_Data_Interchange_Type;
typedef uint16_t ZYK_Style_Type;

enum { ZYK_FALSE = 0, ZYK_TRUE = 1 };

/* Data interchange of the input text. */
enum {
    ZYK_ISO_INTERCHANGE = 0, /* ISO 8859 / ASCII */
    ZYK_EBCDIC_INTERCHANGE = 1
};

/* Styles (orientation). */
enum {
    ZYK_STYLE_NORMAL = 0,
    ZYK_STYLE_TRANSPOSED = 1 /* transposed and mirrored, ECC 000-140 only */
};

/* Internal numbers of the error-correction levels (user level in the name). */
enum {
    ZYK_ECC_000 = 0,
    ZYK_ECC_010 = 1,
    ZYK_ECC_040 = 2,
    ZYK_ECC_050 = 3,
    ZYK_ECC_060 = 4,
    ZYK_ECC_070 = 5,
    ZYK_ECC_080 = 6,
    ZYK_ECC_090 = 7,
    ZYK_ECC_100 = 8,
    ZYK_ECC_110 = 9,
    ZYK_ECC_120 = 10,
    ZYK_ECC_130 = 11,
    ZYK_ECC_140 = 12,
    ZYK_ECC_NONE = 18, /* no ECC 000-140 coder loaded */
    ZYK_ECC_200 = 26
};

/* Result codes. */
enum {
    ZYK_OK = 0,
    ZYK_ERR_FORMAT_NUMBER = 1011,
    ZYK_ERR_FORMAT_UNSUPPORTED = 1013,
    ZYK_ERR_PRIVATE_FORMAT_TOO_LONG = 1014,
    ZYK_ERR_PRIVATE_FORMAT_NO_MEMORY = 1015,
    ZYK_ERR_FORMAT_STRING = 1016, /* needs a 32-bit CRC, or bad character */
    ZYK_ERR_PRIVATE_UNDER_PUBLIC = 1017,
    ZYK_ERR_LENGTH_NOT_FIXED = 1021,
    ZYK_ERR_LENGTH_ZERO = 1022,
    ZYK_ERR_LENGTH_SHORT = 1023,
    ZYK_ERR_DATA_TOO_LONG = 1024,
    ZYK_ERR_BAD_CHARACTER = 1025, /* ECC 200: bad escape sequence */
    ZYK_ERR_SIDE_TOO_SMALL = 1026,
    ZYK_ERR_TOO_MANY_BITS = 1027,
    ZYK_ERR_SIDE_TOO_SMALL_FOR_DATA = 1028,
    ZYK_ERR_RATIO_LOW = 1029,
    ZYK_ERR_RATIO_HIGH = 1030,
    ZYK_ERR_PARITY = 1031,
    ZYK_ERR_SIZE = 1032,
    ZYK_ERR_SIDE_TOO_LARGE = 1033,
    ZYK_ERR_ECC_TYPE = 1041,
    ZYK_ERR_BORDER_WIDTH = 1051,
    ZYK_ERR_UNKNOWN_FORMAT = 2011,
    ZYK_ERR_RESERVED_FORMAT = 2013,
    ZYK_ERR_INTERNAL_ECC = 2041,
    ZYK_ERR_NO_MEMORY = 4100,
    ZYK_ERR_SELF_TEST_LENGTH = 4142,
    ZYK_ERR_SELF_TEST_BYTES = 4143,
    ZYK_ERR_REED_SOLOMON_CHECK = 4149,
    ZYK_ERR_CODING_TYPE = 5200,
    ZYK_ERR_NOT_SUPPORTED = 5299
};

/* Limits. */
enum {
    ZYK_MAX_INPUT_VALUES = 3116, /* ECC 200 values before the end mark */
    ZYK_MAX_MATRIX_BYTES = 2592, /* cell storage of a 144 x 144 symbol */
    ZYK_MAX_PRIVATE_FORMAT = 500,
    ZYK_MAX_STREAM_BITS = 21316, /* ECC 000-140 data bits */
    ZYK_FIRST_PASS_BYTES = (ZYK_MAX_STREAM_BITS + 7) / 8
};

/*
 * The symbol. The caller owns the record and its cell storage (at least
 * ZYK_MAX_MATRIX_BYTES bytes covers every size). Cells are packed one bit
 * each, row by row, most significant bit first; cell (r, c), 1-based, is bit
 * (r - 1) * columns + (c - 1). A set bit is a dark module.
 */
typedef struct ZYK_Data_Matrix {
    uint16_t rows;
    uint16_t columns;
    unsigned char *data;
} ZYK_Data_Matrix;

/* Library state and self checks. */
ZYK_UINT16 ZYK_initialize(ZYK_Data_Interchange_Type interchange);
ZYK_UINT16 ZYK_self_test(void);

/*
 * Encodes text into the record. For ECC 200 (ecc 26) the text is a string
 * ended by a zero byte with "~" escapes; length, format, style and border are
 * not used, and rows/columns (0 = free) choose the size. The text is only
 * read.
 */
ZYK_UINT16 ZYK_enc_complete(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 rows, ZYK_UINT16 columns,
                            ZYK_Style_Type style, ZYK_UINT16 border_width, const unsigned char *text, ZYK_UINT16 length,
                            ZYK_Data_Matrix *matrix);

/* ECC 000-140 two-pass operation. bits must hold ZYK_FIRST_PASS_BYTES. */
ZYK_UINT16 ZYK_enc_first_pass(ZYK_UINT16 format, const unsigned char *text, ZYK_UINT16 length, unsigned char *bits,
                              ZYK_UINT16 *bit_length);
ZYK_UINT16 ZYK_enc_second_pass(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 rows, ZYK_UINT16 columns,
                               ZYK_Style_Type style, ZYK_UINT16 border_width, const unsigned char *bits,
                               ZYK_UINT16 bit_length, ZYK_Data_Matrix *matrix);

/* ECC 000-140 formats. */
ZYK_UINT16 ZYK_verify_enc_string(ZYK_UINT16 format, const unsigned char *text, ZYK_UINT16 length, ZYK_UINT16 *count);
ZYK_UINT16 ZYK_set_enc_verify(ZYK_Boolean verify);
ZYK_UINT16 ZYK_get_dc_edge_length(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 border_width,
                                  ZYK_UINT16 requested_side, ZYK_UINT16 data_length, ZYK_UINT16 *side);
/* buffer must hold ZYK_MAX_PRIVATE_FORMAT + 1 bytes; the copy is zero-ended. */
ZYK_UINT16 ZYK_inquire_fmt(ZYK_UINT16 format, unsigned char *buffer, ZYK_UINT16 *length);
ZYK_UINT16 ZYK_define_private_fmt(ZYK_UINT16 format, const unsigned char *format_string, ZYK_UINT16 length);

/* Encryption is not part of this build: always ZYK_ERR_NOT_SUPPORTED. */
ZYK_UINT16 ZYK_inquire_encrypt(void);
ZYK_UINT16 ZYK_def_priv_encrypt(void);

/* User level (0, 10, 40 ... 140, 200) <-> internal number. Return 1 and write
 * the result, or 0 and leave it alone for a value outside the table. */
ZYK_UINT16 user_ecc_to_enum(ZYK_UINT16 level, ZYK_UINT16 *result);
ZYK_UINT16 enum_ecc_to_user(ZYK_UINT16 level, ZYK_UINT16 *result);

/* Cell access (1-based rows and columns). */
void set_default_output_dm(ZYK_Data_Matrix *matrix);
void reset_default_output_dm(ZYK_Data_Matrix *matrix);
void set_default_input_dm(ZYK_Data_Matrix *matrix);
void set_dm_cell(ZYK_UINT16 row, ZYK_UINT16 column, ZYK_UINT16 flag);
void reset_dm_cell(ZYK_UINT16 row, ZYK_UINT16 column, ZYK_UINT16 value);
ZYK_UINT16 get_dm_cell(ZYK_UINT16 row, ZYK_UINT16 column);

/* Prints the list of ECC 200 input escapes on standard output. */
void rscmpenc_ecc200_input_show_help(void);

#ifdef __cplusplus
}
#endif
