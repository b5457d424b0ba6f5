#pragma once
/*
 * Internal operations of the Data Matrix encoder, shared between its source
 * files and reachable by the tests. Not for application code.
 */
#include "barcodes/datamatrix/ZYKDataMatrix.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- ECC 200 symbol table (ISO/IEC 16022 symbol attributes) ---- */
enum {
    RSCMN_NUM_SIZES = 30,
    RSCMN_MAX_BLOCKS = 10,
    RSCMN_MAX_DATA = 1558,
    RSCMN_MAX_TOTAL = 2178,
    RSCMN_CODEWORD_BUFFER = 2178, /* codewords the compactor may write */
    RSCMN_INTERMEDIATE_END = 266
};

extern const uint16_t RSCMN_NUM_ROWS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_NUM_COLS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_REGION_ROWS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_REGION_COLS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_NUM_REGION_HORZ[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_NUM_REGION_VERT[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_TOTAL_SYMBOLS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_DATA_SYMBOLS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_CHECK_SYMBOLS[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_NUM_INTERLEAVES[RSCMN_NUM_SIZES];
extern const uint16_t RSCMN_BLOCK_SIZES[RSCMN_NUM_SIZES][RSCMN_MAX_BLOCKS];
extern const uint16_t RSCMN_CHECK_BLOCK_SIZE[RSCMN_NUM_SIZES];

/* Size-selection state. */
extern ZYK_Boolean check_all_matrix_sizes;
extern uint16_t expected_matrix_size;
extern uint16_t expected_matrix_shape; /* 1 rectangle, 0 square */

/* Chooses the size for count codewords and the request (0 = free). */
ZYK_UINT16 find_matrix_size(ZYK_UINT16 count, ZYK_UINT16 rows, ZYK_UINT16 columns);
/* Prepares the size choice before compaction (1032 when nothing matches). */
ZYK_UINT16 rscmn_begin_size_selection(ZYK_UINT16 rows, ZYK_UINT16 columns);
/* True when count codewords fill the symbol exactly. */
ZYK_Boolean at_end(ZYK_UINT16 count);

/* ---- Reed-Solomon over GF(256), prime polynomial 301 ---- */
extern uint8_t EleTable[512];
extern uint8_t IndTable[256];
void rsecc_build_tables(void);
/* Check codewords of n data codewords, k check codewords into check[]. */
void rseccelo_encode(const uint8_t *data, int n, int k, uint8_t *check);
/* Adds the interleaved check codewords after the data of size index. */
void rseccenc_add_check_bytes(uint8_t *codewords, uint16_t size_index);

/* ---- Placement ---- */
void rsgrdenc_place_symbols_in_matrix(const uint8_t *codewords, uint16_t size_index, ZYK_Data_Matrix *matrix);

/* ---- ECC 200 compaction ---- */
/* Reads the escapes of text into values (room for ZYK_MAX_INPUT_VALUES + 8:
 * the end mark is written eight times so that look-ups past it stay inside);
 * count receives the number of values before the end mark. */
ZYK_UINT16 rscmpenc_input_string_to_intermediate_value(const unsigned char *text, uint16_t *values, ZYK_UINT16 *count);
/* Escapes, compaction, size choice and pads. On success codewords holds the
 * data codewords of the chosen size (count = its data capacity) and
 * size_index names the size. */
ZYK_UINT16 rscmpenc_compress(const unsigned char *text, ZYK_UINT16 rows, ZYK_UINT16 columns, uint8_t *codewords,
                             ZYK_UINT16 *count, ZYK_UINT16 *size_index);
/* Compaction of an intermediate value sequence (ended by 266) without pads:
 * codewords must hold RSCMN_CODEWORD_BUFFER bytes. */
ZYK_UINT16 rscmpenc_compact_values(const uint16_t *values, uint8_t *codewords, ZYK_UINT16 *count);

/* Codewords (data and check) of the last successful ECC 200 encode. */
const uint8_t *rscmn_last_codewords(ZYK_UINT16 *total, ZYK_UINT16 *size_index);

/* ---- ECC 000-140 ---- */
ZYK_UINT16 ecc000_140_encode(ZYK_UINT16 format, ZYK_ECC_Type ecc, ZYK_UINT16 rows, ZYK_UINT16 columns,
                             ZYK_Style_Type style, ZYK_UINT16 border_width, const unsigned char *text,
                             ZYK_UINT16 length, ZYK_Data_Matrix *matrix);
void ecc000_140_reset(void);
ZYK_UINT16 ecc000_140_self_test(void);
/* CRC-16 of the format number (two bytes, low first) and the data. */
uint16_t ecc000_140_crc(uint16_t format, const unsigned char *data, uint16_t length);
/* CRC-16/KERMIT (CCITT polynomial, reflected) continued from crc. */
uint16_t ecc000_140_crc16(const unsigned char *data, size_t length, uint16_t crc);

extern ZYK_Data_Interchange_Type interchange_mode;
extern ZYK_Boolean verify_data_to_compress;
extern ZYK_ECC_Type current_ECC;
extern uint16_t edge_limit[41];
extern const unsigned char ebcdic_to_iso_table[256];
extern const unsigned char iso_to_ebcdic_table[256];

#ifdef __cplusplus
}
#endif
