#pragma once
// Helpers of the barcode tests: running the independent command-line tools
// (zint, decoders), reading zint's "--dump" output and rendering modules to
// PNG files. Inline so that the test folders need no library of their own.
#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace tolvane::test {

// Runs a program with input on its standard input. False when it cannot be
// started or does not finish within 30 seconds (the reason in error);
// otherwise true, with its standard output in out, its standard error in
// error and its exit code (-1 after a crash) in exitCode.
inline bool runTool(const QString &program, const QStringList &arguments, QByteArray *out, QString *error = nullptr,
                    int *exitCode = nullptr, const QByteArray &input = QByteArray())
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        if (error)
            *error = program + QStringLiteral(" could not be started");
        return false;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        if (error)
            *error = program + QStringLiteral(" did not finish");
        return false;
    }
    if (out)
        *out = process.readAllStandardOutput();
    if (error)
        *error = QString::fromLocal8Bit(process.readAllStandardError());
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

inline bool haveProgram(const QString &program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

// Bits of zint "--dump" output ('1' dark, '0' light): four a hexadecimal
// digit, most significant first; other characters (spaces, line ends) are
// skipped.
inline std::string hexDumpBits(const QByteArray &text)
{
    std::string bits;
    for (char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        if (v < 0)
            continue;
        for (int b = 3; b >= 0; --b)
            bits.push_back((v >> b) & 1 ? '1' : '0');
    }
    return bits;
}

// Renders rows x columns modules (dark(row, column), 0-based) to a PNG file:
// moduleWidth x moduleHeight pixels a module, with quietColumns white
// modules left and right and quietRows above and below.
inline bool writeModuleGridPng(int rows, int columns, const std::function<bool(int, int)> &dark, const QString &path,
                               int moduleWidth, int moduleHeight, int quietColumns, int quietRows)
{
    QImage image((columns + 2 * quietColumns) * moduleWidth, (rows + 2 * quietRows) * moduleHeight,
                 QImage::Format_Grayscale8);
    image.fill(255);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (!dark(r, c))
                continue;
            for (int y = 0; y < moduleHeight; ++y) {
                uchar *line = image.scanLine((quietRows + r) * moduleHeight + y);
                for (int x = 0; x < moduleWidth; ++x)
                    line[(quietColumns + c) * moduleWidth + x] = 0;
            }
        }
    }
    return image.save(path, "PNG");
}

} // namespace tolvane::test
