// A refund file from any bytes (a text file of tracking numbers the user
// picks): its lines, each looked up in a log as the refund does. Bytes that
// are not UTF-8 give no lines; no line is ever empty after the last break.
#include "FuzzSupport.h"
#include "mailinglog/QVMailingLog.h"
#include "mailinglog/window/QVMailingLogController.h"

#include <QDir>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static std::unique_ptr<QVMailingLog> log = [] {
        std::unique_ptr<QVMailingLog> made = QVMailingLog::logWithPath(QDir(dir.path()).filePath(QVMailingLogFileName));
        made->setLogArray({QVariantMap{{QVUSPSShipmentPICKey, QStringLiteral("4206270194055118992231974280")}},
                           QVariantMap{{QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US")}}});
        return made;
    }();
    const std::optional<QStringList> lines =
        QVMailingLogController::refundFileLines(tolvane::fuzz::bytesOf(data, size));
    if (!lines)
        return 0;
    if (!lines->isEmpty() && lines->last().isEmpty())
        std::abort();
    for (const QString &line : *lines) {
        if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
            std::abort();
        if (const std::optional<qsizetype> index = log->indexForPIC(line))
            if (*index < 0 || *index >= log->itemsInLog())
                std::abort();
    }
    return 0;
}
