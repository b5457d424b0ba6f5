#pragma once
// Test-only helpers for the linear barcode tests: a renderer from module
// strings to PNG images with a quiet zone, and the independent decoders
// (zbarimg, ZXingReader) run as command-line tools (see BarcodeTools.h).

#include "BarcodeTools.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

namespace tolvane::test {

// Writes the module string ('1' bar, '0' space) as a PNG in the run's
// temporary folder: `scale` pixels a module, `quietModules` white modules
// on both sides. Answers the file's path.
QString writeModulesPng(const std::string &modules, const QString &baseName, int scale = 3, int quietModules = 12,
                        int height = 120);

// A path in the run's temporary folder.
QString temporaryFilePath(const QString &fileName);

// Code 39 element pattern ('1' wide, '0' narrow, nine a character) as a
// module string: narrow = 1 module, wide = `ratio` modules, one narrow
// space after every character.
std::string code39Modules(const std::string &pattern, int ratio = 3);

struct DecodedSymbol {
    bool found = false;
    int count = 0;       // symbols found in the image
    QString symbology;   // "CODE-128", "Code128", ...
    QByteArray bytes;    // decoded data, FNC1 in the data as GS (0x1D)
    bool gs1 = false;    // GS1 symbol (FNC1 in first position)
    QString diagnostics; // tool output, for failure messages
};

// `zbarimg --nodbus` (XML output read for the GS1 modifier).
DecodedSymbol decodeWithZbar(const QString &pngPath);
// `ZXingReader -norotate -noscale`.
DecodedSymbol decodeWithZXing(const QString &pngPath);

} // namespace tolvane::test
