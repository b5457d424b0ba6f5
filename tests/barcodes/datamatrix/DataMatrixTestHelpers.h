#pragma once
// Helpers of the Data Matrix encoder tests: encoding into a record, reading
// the cells, rendering it, and zint's matrix for comparison. The tool
// runner is tolvane::test::runTool (BarcodeTools.h).
#include "barcodes/datamatrix/ZYKDataMatrixInternal.h"

#include "BarcodeTools.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace dmtest {

using tolvane::test::haveProgram;
using tolvane::test::runTool;

// One encoded symbol: result code, size and cells (row-major, 1 = dark).
struct Symbol {
    ZYK_UINT16 result = 0;
    int rows = 0;
    int columns = 0;
    std::vector<uint8_t> cells;
    uint8_t cell(int row, int column) const // 1-based
    {
        return cells[(size_t)(row - 1) * columns + (size_t)(column - 1)];
    }
};

// A C string as the encoder's byte text.
inline const unsigned char *u(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

// ZYK_initialize, ZYK_self_test and an ECC 200 encode of text.
Symbol encode(const QByteArray &text, int rows = 0, int columns = 0);

// Data codewords of text (escapes, compaction, size choice and pads).
std::vector<int> dataCodewords(const QByteArray &text, int rows, int columns, ZYK_UINT16 *result = nullptr);

// The matrix zint draws for the data ("--dump"), size by --vers: one bit
// vector per row (padded to whole hexadecimal digits).
bool zintMatrix(const QByteArray &data, int version, std::vector<std::vector<uint8_t>> *lines, QString *error);

// Renders the symbol with a quiet zone to a PNG file.
bool writePng(const Symbol &symbol, const QString &path, int moduleSize = 4, int quiet = 4);

} // namespace dmtest
