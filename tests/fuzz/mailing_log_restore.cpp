// Restoring the mailing log from any bytes (an archive file the user picks):
// what is accepted is written, filtered, sorted and exported as the log
// window would; what is refused leaves the log as it was.
#include "FuzzSupport.h"
#include "mailinglog/QVMailingLog.h"

#include <QDir>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static std::unique_ptr<QVMailingLog> log =
        QVMailingLog::logWithPath(QDir(dir.path()).filePath(QVMailingLogFileName));
    log->setLogArray({QVariantMap{{QVShipmentInvoiceNumberKey, QStringLiteral("present")}}});
    QString error;
    const bool restored = log->restoreFromData(tolvane::fuzz::bytesOf(data, size), size % 2 == 0, &error);
    if (!restored) {
        if (log->itemsInLog() != 1)
            std::abort();
        return 0;
    }
    for (const QString &key : {QVShipmentPriceKey, QVShipmentWeightNumberKey, QVShipmentPrintDateKey,
                               QVShipmentDeliveryStatusKey, QVUSPSShipmentRHOBalanceKey})
        log->sortUsingShipmentKey(key);
    log->filterWithString(QStringLiteral("a b"));
    const QDateTime begin = QDateTime(QDate(1, 1, 1), QTime(0, 0));
    const QDateTime end = QDateTime(QDate(9999, 12, 31), QTime(0, 0));
    (void)log->XMLExportWithBeginDate(begin, end);
    (void)log->tabDelimitedExportWithBeginDate(begin, end);
    (void)log->findNextMatchingName(QStringLiteral("a"));
    return 0;
}
