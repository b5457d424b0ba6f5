// ECC 200 symbol sizes, Reed-Solomon check codewords and module placement
// (ISO/IEC 16022 symbol attributes, generator polynomials and placement).
#include "barcodes/datamatrix/ZYKDataMatrixInternal.h"

#include <string.h>

extern "C" {

// Index 0-23 squares, 24-29 rectangles, in the order the size choice walks.
const uint16_t RSCMN_NUM_ROWS[RSCMN_NUM_SIZES] = {10, 12, 14, 16, 18, 20,  22,  24,  26,  32, 36, 40, 44, 48, 52,
                                                  64, 72, 80, 88, 96, 104, 120, 132, 144, 8,  8,  12, 12, 16, 16};
const uint16_t RSCMN_NUM_COLS[RSCMN_NUM_SIZES] = {10, 12, 14, 16, 18, 20,  22,  24,  26,  32, 36, 40, 44, 48, 52,
                                                  64, 72, 80, 88, 96, 104, 120, 132, 144, 18, 32, 26, 36, 36, 48};
const uint16_t RSCMN_REGION_ROWS[RSCMN_NUM_SIZES] = {8,  10, 12, 14, 16, 18, 20, 22, 24, 14, 16, 18, 20, 22, 24,
                                                     14, 16, 18, 20, 22, 24, 18, 20, 22, 6,  6,  10, 10, 14, 14};
const uint16_t RSCMN_REGION_COLS[RSCMN_NUM_SIZES] = {8,  10, 12, 14, 16, 18, 20, 22, 24, 14, 16, 18, 20, 22, 24,
                                                     14, 16, 18, 20, 22, 24, 18, 20, 22, 16, 14, 24, 16, 16, 22};
const uint16_t RSCMN_NUM_REGION_HORZ[RSCMN_NUM_SIZES] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2,
                                                         4, 4, 4, 4, 4, 4, 6, 6, 6, 1, 2, 1, 2, 2, 2};
const uint16_t RSCMN_NUM_REGION_VERT[RSCMN_NUM_SIZES] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2,
                                                         4, 4, 4, 4, 4, 4, 6, 6, 6, 1, 1, 1, 1, 1, 1};
const uint16_t RSCMN_TOTAL_SYMBOLS[RSCMN_NUM_SIZES] = {8,    12,   18,   24,   32,  40,  50,  60,  72,  98,
                                                       128,  162,  200,  242,  288, 392, 512, 648, 800, 968,
                                                       1152, 1458, 1800, 2178, 12,  21,  30,  40,  56,  77};
const uint16_t RSCMN_DATA_SYMBOLS[RSCMN_NUM_SIZES] = {3,   5,    8,    12,   18,  22,  30,  36,  44,  62,
                                                      86,  114,  144,  174,  204, 280, 368, 456, 576, 696,
                                                      816, 1050, 1304, 1558, 5,   10,  16,  22,  32,  49};
const uint16_t RSCMN_CHECK_SYMBOLS[RSCMN_NUM_SIZES] = {5,   7,   10,  12,  14, 18,  20,  24,  28,  36,
                                                       42,  48,  56,  68,  84, 112, 144, 192, 224, 272,
                                                       336, 408, 496, 620, 7,  11,  14,  18,  24,  28};
const uint16_t RSCMN_NUM_INTERLEAVES[RSCMN_NUM_SIZES] = {1, 1, 1, 1, 1, 1, 1, 1, 1,  1, 1, 1, 1, 1, 2,
                                                         2, 4, 4, 4, 4, 6, 6, 8, 10, 1, 1, 1, 1, 1, 1};
const uint16_t RSCMN_BLOCK_SIZES[RSCMN_NUM_SIZES][RSCMN_MAX_BLOCKS] = {
    {8},
    {12},
    {18},
    {24},
    {32},
    {40},
    {50},
    {60},
    {72},
    {98},
    {128},
    {162},
    {200},
    {242},
    {144, 144},
    {196, 196},
    {128, 128, 128, 128},
    {162, 162, 162, 162},
    {200, 200, 200, 200},
    {242, 242, 242, 242},
    {192, 192, 192, 192, 192, 192},
    {243, 243, 243, 243, 243, 243},
    {225, 225, 225, 225, 225, 225, 225, 225},
    {218, 218, 218, 218, 218, 218, 218, 218, 217, 217},
    {12},
    {21},
    {30},
    {40},
    {56},
    {77}};
const uint16_t RSCMN_CHECK_BLOCK_SIZE[RSCMN_NUM_SIZES] = {5,  7,  10, 12, 14, 18, 20, 24, 28, 36, 42, 48, 56, 68, 42,
                                                          56, 36, 48, 56, 68, 56, 68, 62, 62, 7,  11, 14, 18, 24, 28};

ZYK_Boolean check_all_matrix_sizes = ZYK_TRUE;
uint16_t expected_matrix_size = 0;
uint16_t expected_matrix_shape = 0;

uint8_t EleTable[512];
uint8_t IndTable[256];

static int isRectangle(int index) { return index >= 24 ? 1 : 0; }

ZYK_UINT16 find_matrix_size(ZYK_UINT16 count, ZYK_UINT16 rows, ZYK_UINT16 columns)
{
    if (!check_all_matrix_sizes) {
        // The size was fixed by the caller's request before compaction.
        return RSCMN_DATA_SYMBOLS[expected_matrix_size] >= count ? ZYK_OK : ZYK_ERR_SIZE;
    }
    for (int i = 0; i < RSCMN_NUM_SIZES; ++i) {
        if (rows != 0 && rows != RSCMN_NUM_ROWS[i])
            continue;
        if (columns != 0 && columns != RSCMN_NUM_COLS[i])
            continue;
        if (RSCMN_DATA_SYMBOLS[i] < count)
            continue;
        expected_matrix_size = (uint16_t)i;
        expected_matrix_shape = (uint16_t)isRectangle(i);
        if (rows != 0 || columns != 0)
            check_all_matrix_sizes = ZYK_FALSE;
        return ZYK_OK;
    }
    return ZYK_ERR_SIZE;
}

ZYK_UINT16 rscmn_begin_size_selection(ZYK_UINT16 rows, ZYK_UINT16 columns)
{
    check_all_matrix_sizes = ZYK_TRUE;
    expected_matrix_size = 0;
    expected_matrix_shape = 0;
    return find_matrix_size(0, rows, columns);
}

ZYK_Boolean at_end(ZYK_UINT16 count)
{
    if (!check_all_matrix_sizes)
        return count == RSCMN_DATA_SYMBOLS[expected_matrix_size] ? ZYK_TRUE : ZYK_FALSE;
    for (int i = 0; i < RSCMN_NUM_SIZES; ++i) {
        if (isRectangle(i) == expected_matrix_shape && RSCMN_DATA_SYMBOLS[i] == count)
            return ZYK_TRUE;
    }
    return ZYK_FALSE;
}

// ---------------------------------------------------------------------------
// Reed-Solomon

void rsecc_build_tables(void)
{
    int value = 1;
    for (int i = 0; i < 255; ++i) {
        EleTable[i] = (uint8_t)value;
        EleTable[i + 255] = (uint8_t)value;
        IndTable[value] = (uint8_t)i;
        value <<= 1;
        if (value & 0x100)
            value ^= 301;
    }
    EleTable[510] = EleTable[0];
    EleTable[511] = EleTable[1];
    IndTable[0] = 0; // log of 0 is undefined; zero operands are skipped
}

static uint8_t gfMultiply(uint8_t a, uint8_t b)
{
    if (a == 0 || b == 0)
        return 0;
    return EleTable[IndTable[a] + IndTable[b]];
}

} // extern "C"

namespace {

// Generator polynomial of k check codewords, product of (x + 2^i), i = 1..k:
// coefficient j of x^j in log form (coefficients are never zero for the
// polynomials of these roots; a zero one sets hasZero and the plain product
// is used).
struct Generator {
    bool ready = false;
    bool hasZero = false;
    uint8_t coefficient[256]; // gen[j], gen[k] = 1
    uint8_t log[256];         // log of gen[j]
    // For each feedback value f, the k products f * gen[k - 1 - j] in the
    // order the remainder takes them, zero-padded to a multiple of 8 (only
    // for k up to kProductMaxK, made with the generator).
    uint8_t *products = nullptr;
};

// The check-word counts of the size table are at most 68.
constexpr int kProductMaxK = 72;
constexpr int kProductStride = kProductMaxK;

// One per check-word count, made on first use.
Generator g_generators[256];

const Generator &generator(int k)
{
    Generator &g = g_generators[k];
    if (g.ready)
        return g;
    uint8_t *gen = g.coefficient;
    memset(gen, 0, sizeof g.coefficient);
    gen[0] = 1;
    for (int i = 1; i <= k; ++i) {
        const uint8_t root = EleTable[i];
        gen[i] = gen[i - 1];
        for (int j = i - 1; j > 0; --j)
            gen[j] = (uint8_t)(gen[j - 1] ^ gfMultiply(gen[j], root));
        gen[0] = gfMultiply(gen[0], root);
    }
    g.hasZero = false;
    for (int j = 0; j <= k; ++j) {
        g.hasZero = g.hasZero || gen[j] == 0;
        g.log[j] = IndTable[gen[j]];
    }
    if (k <= kProductMaxK) {
        // Made once for the life of the program.
        g.products = new uint8_t[256 * kProductStride]();
        for (int f = 1; f < 256; ++f) {
            uint8_t *row = g.products + f * kProductStride;
            for (int j = 0; j < k; ++j)
                row[j] = gfMultiply((uint8_t)f, gen[k - 1 - j]);
        }
    }
    g.ready = true;
    return g;
}

} // namespace

extern "C" {

void rseccelo_encode(const uint8_t *data, int n, int k, uint8_t *check)
{
    if (EleTable[0] != 1)
        rsecc_build_tables();
    const Generator &g = generator(k);
    // Remainder of data(x) * x^k divided by gen(x); check[0] is the highest term.
    uint8_t rem[256 + 16];
    memset(rem, 0, sizeof rem);
    if (g.products) {
        // Eight terms at a time: the terms past k stay zero, as the padding
        // of the product rows is.
        const int words = (k + 7) / 8;
        for (int i = 0; i < n; ++i) {
            const uint8_t *row = g.products + (uint8_t)(data[i] ^ rem[0]) * kProductStride;
            for (int w = 0; w < words; ++w) {
                uint64_t next, product;
                memcpy(&next, rem + 8 * w + 1, 8);
                memcpy(&product, row + 8 * w, 8);
                next ^= product;
                memcpy(rem + 8 * w, &next, 8);
            }
        }
        memcpy(check, rem, (size_t)k);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const uint8_t feedback = (uint8_t)(data[i] ^ rem[0]);
        if (g.hasZero) {
            for (int j = 0; j < k - 1; ++j)
                rem[j] = (uint8_t)(rem[j + 1] ^ gfMultiply(feedback, g.coefficient[k - 1 - j]));
            rem[k - 1] = gfMultiply(feedback, g.coefficient[0]);
            continue;
        }
        if (feedback == 0) {
            memmove(rem, rem + 1, (size_t)(k - 1));
            rem[k - 1] = 0;
            continue;
        }
        const uint8_t *ele = EleTable + IndTable[feedback];
        for (int j = 0; j < k - 1; ++j)
            rem[j] = (uint8_t)(rem[j + 1] ^ ele[g.log[k - 1 - j]]);
        rem[k - 1] = ele[g.log[0]];
    }
    memcpy(check, rem, (size_t)k);
}

void rseccenc_add_check_bytes(uint8_t *codewords, uint16_t size_index)
{
    const int blocks = RSCMN_NUM_INTERLEAVES[size_index];
    const int dataCount = RSCMN_DATA_SYMBOLS[size_index];
    const int k = RSCMN_CHECK_BLOCK_SIZE[size_index];
    uint8_t block[256];
    uint8_t check[256];
    for (int b = 0; b < blocks; ++b) {
        int n = 0;
        for (int p = b; p < dataCount; p += blocks)
            block[n++] = codewords[p];
        rseccelo_encode(block, n, k, check);
        for (int j = 0; j < k; ++j)
            codewords[dataCount + b + j * blocks] = check[j];
    }
}

// ---------------------------------------------------------------------------
// Placement (ISO/IEC 16022 ECC 200 placement procedure)
//
// The walk of the procedure depends on the size only: it is made once per
// size into a map from each codeword bit to its module of the packed matrix,
// beside the matrix of the finder and timing patterns (and the unused corner
// of some sizes). Placing a symbol copies that matrix and sets the modules of
// the codeword bits that are 1.

} // extern "C"

namespace {

struct Layout {
    bool ready = false;
    int codewords = 0;              // codewords the walk places
    uint16_t *bit = nullptr;        // module of bit b (0 = most significant) of codeword c at [8 c + b]
    unsigned char *fixed = nullptr; // the patterns, clearedBytes(size) bytes
};

Layout g_layouts[RSCMN_NUM_SIZES];

// Fixed room for the maps and patterns of all sizes: 8 entries for each of
// the 11,578 codewords of the 30 sizes, and their 14,074 pattern bytes. A
// layout that found no room (none does with the size table) would be made
// again in the scratch buffers for each symbol.
constexpr size_t kMapPool = 8 * 11578;
constexpr size_t kPatternPool = 14074;
uint16_t g_mapPool[kMapPool];
size_t g_mapUsed = 0;
unsigned char g_patternPool[kPatternPool];
size_t g_patternUsed = 0;
uint16_t g_mapScratch[8 * RSCMN_MAX_TOTAL];
unsigned char g_patternScratch[ZYK_MAX_MATRIX_BYTES];

// Bytes that a symbol of the size occupies as set_default_output_dm clears it.
size_t clearedBytes(int rows, int cols) { return (((size_t)rows * (size_t)cols + 15) / 8) & ~(size_t)1; }

struct Walk {
    int nrow;
    int ncol;
    // Mapping matrix: 0 free, 1 taken.
    uint8_t cells[132 * 132];
    int regionRows;
    int regionCols;
    int columns; // of the symbol
    uint16_t *bit;
    int codewords; // room in bit, in codewords
};

Walk g_walk;

void placeModule(int row, int col, int chr, int bit)
{
    Walk &w = g_walk;
    if (row < 0) {
        row += w.nrow;
        col += 4 - ((w.nrow + 4) % 8);
    }
    if (col < 0) {
        col += w.ncol;
        row += 4 - ((w.ncol + 4) % 8);
    }
    w.cells[row * w.ncol + col] = 1;
    // Bit 1 is the most significant bit of the codeword.
    const int symbolRow = row + 2 * (row / w.regionRows) + 1;
    const int symbolCol = col + 2 * (col / w.regionCols) + 1;
    if (chr < w.codewords)
        w.bit[chr * 8 + bit - 1] = (uint16_t)(symbolRow * w.columns + symbolCol);
}

void utah(int row, int col, int chr)
{
    placeModule(row - 2, col - 2, chr, 1);
    placeModule(row - 2, col - 1, chr, 2);
    placeModule(row - 1, col - 2, chr, 3);
    placeModule(row - 1, col - 1, chr, 4);
    placeModule(row - 1, col, chr, 5);
    placeModule(row, col - 2, chr, 6);
    placeModule(row, col - 1, chr, 7);
    placeModule(row, col, chr, 8);
}

// The four corner shapes of the placement, bits 1 to 8 of the codeword. A
// negative row or column counts from the end of the mapping matrix (-1 is
// its last row or column).
const int8_t kCorners[4][8][2] = {
    {{-1, 0}, {-1, 1}, {-1, 2}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}},
    {{-3, 0}, {-2, 0}, {-1, 0}, {0, -4}, {0, -3}, {0, -2}, {0, -1}, {1, -1}},
    {{-3, 0}, {-2, 0}, {-1, 0}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}},
    {{-1, 0}, {-1, -1}, {0, -3}, {0, -2}, {0, -1}, {1, -3}, {1, -2}, {1, -1}},
};

// Corner shape 1 to 4.
void corner(int shape, int chr)
{
    for (int bit = 0; bit < 8; ++bit) {
        const int row = kCorners[shape - 1][bit][0];
        const int col = kCorners[shape - 1][bit][1];
        placeModule(row < 0 ? g_walk.nrow + row : row, col < 0 ? g_walk.ncol + col : col, chr, bit + 1);
    }
}

bool isFree(int row, int col) { return g_walk.cells[row * g_walk.ncol + col] == 0; }

const Layout &layout(uint16_t size_index)
{
    Layout &l = g_layouts[size_index];
    if (l.ready)
        return l;
    const int rows = RSCMN_NUM_ROWS[size_index];
    const int cols = RSCMN_NUM_COLS[size_index];
    const int rr = RSCMN_REGION_ROWS[size_index];
    const int rc = RSCMN_REGION_COLS[size_index];
    const int across = RSCMN_NUM_REGION_HORZ[size_index];
    const int down = RSCMN_NUM_REGION_VERT[size_index];
    const size_t bytes = clearedBytes(rows, cols);

    const int total = RSCMN_TOTAL_SYMBOLS[size_index];
    const bool pooled = g_mapUsed + 8 * (size_t)total <= kMapPool && g_patternUsed + bytes <= kPatternPool;
    l.bit = pooled ? g_mapPool + g_mapUsed : g_mapScratch;
    l.fixed = pooled ? g_patternPool + g_patternUsed : g_patternScratch;

    // The patterns are drawn into the layout's own matrix.
    ZYK_Data_Matrix fixed = {(uint16_t)rows, (uint16_t)cols, l.fixed};
    set_default_output_dm(&fixed);
    // Finder and timing patterns of every data region.
    for (int k = 0; k < across; ++k) {
        const int left = k * (rc + 2) + 1;
        const int right = (k + 1) * (rc + 2);
        for (int r = 1; r <= rows; ++r) {
            set_dm_cell((ZYK_UINT16)r, (ZYK_UINT16)left, 1);
            set_dm_cell((ZYK_UINT16)r, (ZYK_UINT16)right, ((rows - r) % 2) == 0);
        }
    }
    for (int j = 0; j < down; ++j) {
        const int top = j * (rr + 2) + 1;
        const int bottom = (j + 1) * (rr + 2);
        for (int c = 1; c <= cols; ++c) {
            set_dm_cell((ZYK_UINT16)bottom, (ZYK_UINT16)c, 1);
            set_dm_cell((ZYK_UINT16)top, (ZYK_UINT16)c, ((c - 1) % 2) == 0);
        }
    }

    Walk &w = g_walk;
    w.nrow = rr * down;
    w.ncol = rc * across;
    w.regionRows = rr;
    w.regionCols = rc;
    w.columns = cols;
    w.bit = l.bit;
    w.codewords = total;
    memset(w.cells, 0, (size_t)(w.nrow * w.ncol));

    const int nrow = w.nrow, ncol = w.ncol;
    int chr = 0;
    int row = 4, col = 0;
    do {
        if (row == nrow && col == 0)
            corner(1, chr++);
        if (row == nrow - 2 && col == 0 && (ncol % 4) != 0)
            corner(2, chr++);
        if (row == nrow - 2 && col == 0 && (ncol % 8) == 4)
            corner(3, chr++);
        if (row == nrow + 4 && col == 2 && (ncol % 8) == 0)
            corner(4, chr++);
        do {
            if (row < nrow && col >= 0 && isFree(row, col))
                utah(row, col, chr++);
            row -= 2;
            col += 2;
        } while (row >= 0 && col < ncol);
        row += 1;
        col += 3;
        do {
            if (row >= 0 && col < ncol && isFree(row, col))
                utah(row, col, chr++);
            row += 2;
            col -= 2;
        } while (row < nrow && col >= 0);
        row += 3;
        col += 1;
    } while (row < nrow || col < ncol);

    // The unused 2 x 2 corner of 12x12, 16x16, 20x20 and 24x24.
    if (isFree(nrow - 1, ncol - 1)) {
        set_dm_cell((ZYK_UINT16)(rows - 2), (ZYK_UINT16)(cols - 2), 1);
        set_dm_cell((ZYK_UINT16)(rows - 1), (ZYK_UINT16)(cols - 1), 1);
    }

    l.codewords = chr < total ? chr : total;
    if (pooled) {
        g_mapUsed += 8 * (size_t)total;
        g_patternUsed += bytes;
        l.ready = true;
    }
    return l;
}

} // namespace

extern "C" {

void rsgrdenc_place_symbols_in_matrix(const uint8_t *codewords, uint16_t size_index, ZYK_Data_Matrix *matrix)
{
    const Layout &l = layout(size_index);
    const int rows = RSCMN_NUM_ROWS[size_index];
    const int cols = RSCMN_NUM_COLS[size_index];
    matrix->rows = (uint16_t)rows;
    matrix->columns = (uint16_t)cols;
    reset_default_output_dm(matrix);
    unsigned char *data = matrix->data;
    if (data == nullptr)
        return;
    memcpy(data, l.fixed, clearedBytes(rows, cols));
    for (int c = 0; c < l.codewords; ++c) {
        const unsigned value = codewords[c];
        if (value == 0)
            continue;
        const uint16_t *bit = l.bit + 8 * c;
        for (int b = 0; b < 8; ++b) {
            const unsigned k = bit[b];
            data[k >> 3] |= (unsigned char)(((value >> (7 - b)) & 1u) << (7 - (k & 7)));
        }
    }
}

} // extern "C"
