#include "LinearBarcodeSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace tolvane::test {

namespace {

QTemporaryDir &imageDir()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

QString temporaryFilePath(const QString &fileName) { return QDir(imageDir().path()).filePath(fileName); }

QString writeModulesPng(const std::string &modules, const QString &baseName, int scale, int quietModules, int height)
{
    const QString path = temporaryFilePath(baseName + QStringLiteral(".png"));
    writeModuleGridPng(
        1, static_cast<int>(modules.size()), [&](int, int column) { return modules[column] == '1'; }, path, scale,
        height, quietModules, 0);
    return path;
}

std::string code39Modules(const std::string &pattern, int ratio)
{
    std::string modules;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char element = (i % 9) % 2 == 0 ? '1' : '0';
        modules.append(pattern[i] == '1' ? ratio : 1, element);
        if (i % 9 == 8)
            modules.push_back('0');
    }
    return modules;
}

DecodedSymbol decodeWithZbar(const QString &pngPath)
{
    DecodedSymbol result;
    QString error;
    QByteArray xml;
    runTool(QStringLiteral("zbarimg"),
            {QStringLiteral("--nodbus"), QStringLiteral("-q"), QStringLiteral("--xml"), pngPath}, &xml, &error);
    result.diagnostics = QString::fromUtf8(xml) + error;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("symbol")) {
            ++result.count;
            if (result.count == 1) {
                result.symbology = reader.attributes().value(QLatin1String("type")).toString();
                result.gs1 =
                    reader.attributes().value(QLatin1String("modifiers")).toString().contains(QLatin1String("GS1"));
            }
        } else if (reader.name() == QLatin1String("data") && result.count == 1) {
            const bool base64 = reader.attributes().value(QLatin1String("format")) == QLatin1String("base64");
            const QString text = reader.readElementText();
            result.bytes = base64 ? QByteArray::fromBase64(text.trimmed().toLatin1()) : text.toUtf8();
            result.found = true;
        }
    }
    return result;
}

DecodedSymbol decodeWithZXing(const QString &pngPath)
{
    DecodedSymbol result;
    QString error;
    QByteArray out;
    runTool(QStringLiteral("ZXingReader"), {QStringLiteral("-norotate"), QStringLiteral("-noscale"), pngPath}, &out,
            &error);
    result.diagnostics = QString::fromUtf8(out) + error;
    const QList<QByteArray> lines = out.split('\n');
    for (const QByteArray &rawLine : lines) {
        const QByteArray line = rawLine.trimmed();
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "Text")
            ++result.count;
        if (result.count != 1)
            continue;
        if (key == "Bytes") {
            result.bytes = QByteArray::fromHex(value);
            result.found = true;
        } else if (key == "Format") {
            result.symbology = QString::fromLatin1(value);
        } else if (key == "Identifier") {
            result.gs1 = value == "]C1";
        }
    }
    return result;
}

} // namespace tolvane::test
