#include "DataMatrixTestHelpers.h"

namespace dmtest {

Symbol encode(const QByteArray &text, int rows, int columns)
{
    Symbol s;
    std::vector<unsigned char> storage(ZYK_MAX_MATRIX_BYTES + 146, 0);
    ZYK_Data_Matrix dm = {0, 0, storage.data()};
    ZYK_initialize(ZYK_ISO_INTERCHANGE);
    ZYK_self_test();
    s.result =
        ZYK_enc_complete(1, ZYK_ECC_200, (ZYK_UINT16)rows, (ZYK_UINT16)columns, 0, 1,
                         reinterpret_cast<const unsigned char *>(text.constData()), (ZYK_UINT16)text.size(), &dm);
    if (s.result != 0)
        return s;
    s.rows = dm.rows;
    s.columns = dm.columns;
    set_default_input_dm(&dm);
    for (int r = 1; r <= s.rows; ++r)
        for (int c = 1; c <= s.columns; ++c)
            s.cells.push_back((uint8_t)get_dm_cell((ZYK_UINT16)r, (ZYK_UINT16)c));
    return s;
}

std::vector<int> dataCodewords(const QByteArray &text, int rows, int columns, ZYK_UINT16 *result)
{
    std::vector<uint8_t> buffer(RSCMN_MAX_TOTAL);
    ZYK_UINT16 count = 0, size = 0;
    ZYK_initialize(ZYK_ISO_INTERCHANGE);
    const ZYK_UINT16 rc = rscmpenc_compress(reinterpret_cast<const unsigned char *>(text.constData()), (ZYK_UINT16)rows,
                                            (ZYK_UINT16)columns, buffer.data(), &count, &size);
    if (result)
        *result = rc;
    std::vector<int> out;
    if (rc == 0)
        out.assign(buffer.begin(), buffer.begin() + count);
    return out;
}

bool zintMatrix(const QByteArray &data, int version, std::vector<std::vector<uint8_t>> *lines, QString *error)
{
    QByteArray out;
    int exitCode = 0;
    if (!runTool(QStringLiteral("zint"),
                 {QStringLiteral("-b"), QStringLiteral("DATAMATRIX"), QStringLiteral("--vers=%1").arg(version),
                  QStringLiteral("--dump"), QStringLiteral("-d"), QString::fromLatin1(data)},
                 &out, nullptr, &exitCode)) {
        *error = QStringLiteral("zint did not run");
        return false;
    }
    if (exitCode != 0) {
        *error = QStringLiteral("zint failed: ") + QString::fromLatin1(out);
        return false;
    }
    lines->clear();
    for (const QByteArray &line : out.trimmed().split('\n')) {
        // Hexadecimal digits, space separated every two; the row's modules
        // are the leading bits, the last digit carrying the remainder.
        std::vector<uint8_t> bits;
        for (char bit : tolvane::test::hexDumpBits(line))
            bits.push_back(bit == '1' ? 1 : 0);
        lines->push_back(bits);
    }
    return true;
}

bool writePng(const Symbol &symbol, const QString &path, int moduleSize, int quiet)
{
    return tolvane::test::writeModuleGridPng(
        symbol.rows, symbol.columns, [&](int r, int c) { return symbol.cell(r + 1, c + 1) != 0; }, path, moduleSize,
        moduleSize, quiet, quiet);
}

} // namespace dmtest
