#include "PDF417.h"

#include <zint.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};
using Symbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

constexpr int kMaxDataColumns = 30;
constexpr int kRowHeightInModules = 3;

// Encodes with a data-column count (0 = the library's choice); the symbol,
// or nothing with the library's error code in error.
Symbol encode(const pdf417param &param, int columns, int *error)
{
    Symbol symbol(ZBarcode_Create());
    if (!symbol) {
        *error = ZINT_ERROR_MEMORY;
        return nullptr;
    }
    symbol->symbology = BARCODE_PDF417;
    symbol->input_mode = DATA_MODE;
    symbol->option_1 = (param.options & PDF417_USE_ERROR_LEVEL) ? param.errorLevel : -1;
    symbol->option_2 = columns;
    const int result =
        ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(param.text), param.lenText);
    if (result >= ZINT_ERROR) {
        *error = result;
        return nullptr;
    }
    *error = 0;
    return symbol;
}

int errorNumber(int zintError)
{
    switch (zintError) {
    case ZINT_ERROR_TOO_LONG:
        return PDF417_ERROR_TEXT_TOO_BIG;
    case ZINT_ERROR_INVALID_OPTION:
    case ZINT_ERROR_INVALID_DATA:
        return PDF417_ERROR_INVALID_PARAMS;
    default:
        return PDF417_ERROR_LIBRARY;
    }
}

// The symbol whose shape is closest to the aspect ratio.
Symbol encodeByAspectRatio(const pdf417param &param, int *error)
{
    Symbol best;
    double bestDistance = 0;
    int lastError = 0;
    for (int columns = 1; columns <= kMaxDataColumns; ++columns) {
        int columnError = 0;
        Symbol symbol = encode(param, columns, &columnError);
        if (!symbol) {
            lastError = columnError;
            continue;
        }
        const double ratio = double(symbol->rows * kRowHeightInModules) / double(symbol->width);
        const double distance = std::fabs(ratio - double(param.aspectRatio));
        if (!best || distance < bestDistance) {
            best = std::move(symbol);
            bestDistance = distance;
        }
    }
    *error = best ? 0 : lastError;
    return best;
}

} // namespace

void pdf417init(pdf417param *param)
{
    std::memset(param, 0, sizeof *param);
    param->aspectRatio = 0.5f;
}

void pdf417free(pdf417param *param)
{
    std::free(param->outBits);
    param->outBits = nullptr;
    param->lenBits = 0;
    param->bitColumns = 0;
    param->codeRows = 0;
}

void paintCode(pdf417param *param)
{
    pdf417free(param);
    param->error = PDF417_ERROR_SUCCESS;
    const bool fixedColumns = (param->options & PDF417_FIXED_COLUMNS) != 0;
    if (!param->text || param->lenText <= 0 ||
        ((param->options & PDF417_USE_ERROR_LEVEL) && (param->errorLevel < 0 || param->errorLevel > 8)) ||
        (fixedColumns && (param->codeColumns < 1 || param->codeColumns > kMaxDataColumns))) {
        param->error = PDF417_ERROR_INVALID_PARAMS;
        return;
    }
    int zintError = 0;
    Symbol symbol =
        fixedColumns ? encode(*param, param->codeColumns, &zintError) : encodeByAspectRatio(*param, &zintError);
    if (!symbol) {
        param->error = errorNumber(zintError);
        return;
    }
    const int rowBytes = symbol->width / 8 + 1;
    const int length = rowBytes * symbol->rows;
    auto *bits = static_cast<unsigned char *>(std::calloc(static_cast<size_t>(length), 1));
    if (!bits) {
        param->error = PDF417_ERROR_LIBRARY;
        return;
    }
    const bool invert = (param->options & PDF417_INVERT_BITMAP) != 0;
    for (int row = 0; row < symbol->rows; ++row) {
        unsigned char *out = bits + row * rowBytes;
        if (invert)
            std::memset(out, 0xFF, static_cast<size_t>(rowBytes));
        for (int column = 0; column < symbol->width; ++column) {
            // libzint keeps a row's modules least significant bit first.
            const bool bar = (symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1;
            const unsigned char mask = static_cast<unsigned char>(0x80 >> (column & 7));
            if (bar != invert)
                out[column >> 3] |= mask;
            else
                out[column >> 3] &= static_cast<unsigned char>(~mask);
        }
    }
    param->outBits = bits;
    param->lenBits = length;
    param->bitColumns = symbol->width;
    param->codeRows = symbol->rows;
}
