// The format filler (a format text and its arguments, as the information
// alerts fill their bodies) and the os-release reader of the system version.
// The input's first line is the format, the other lines its arguments (a
// line that reads as a number is passed as one); the whole input is also
// read as an os-release file.
#include "FuzzSupport.h"
#include "platform/FormatText.h"
#include "platform/SystemVersion.h"

#include <QStringList>
#include <QVariantList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = tolvane::fuzz::textOf(data, size);
    QStringList lines = text.split(QLatin1Char('\n'));
    const QString format = lines.takeFirst();
    QVariantList arguments;
    for (const QString &line : lines) {
        bool isNumber = false;
        const qlonglong number = line.toLongLong(&isNumber);
        if (isNumber) {
            arguments.append(number);
            continue;
        }
        const double real = line.toDouble(&isNumber);
        arguments.append(isNumber ? QVariant(real) : QVariant(line));
    }
    (void)formatWithArguments(format, arguments);

    (void)OsReleaseVersionSource::componentsOfVersionId(text);
    setSystemVersionSource(
        std::make_shared<OsReleaseVersionSource>(QString::fromLocal8Bit(tolvane::fuzz::inputFile(data, size))));
    (void)GetSystemVersionBCD();
    return 0;
}
