// The mailing log: one printed piece appended to a log of 250, 5,000 and
// 10,000 entries that is written and on display with a filter and a sort key
// set, as the log window leaves them; each append writes the whole file
// (synced to disk) and updates the display. Between two appends, untimed,
// the log is put back to its entries, written and displayed again. Goal:
// forty times the entries (10,000 against 250) costs at most twenty-five
// times the time.
//
// The log's serialized form, "LogWrite/<impl>/<entries>": our writer (the
// bytes the log writes to its file, written from nothing) beside the libplist-based writer on the
// same entries. When TOLVANE_BENCH_DIR names a folder, the entries are also
// left there as "logwrite-<entries>.plist", for bench/plistlib_log_write.py
// to time Python's plistlib on them ("LogWrite/plistlib/<entries>"). Goal:
// ours at most a quarter of plistlib's time for 10,000 entries.
#include "mailinglog/QVMailingLog.h"
#include "platform/BinaryPropertyListWriter.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QVariantMap piece(int number)
{
    return {
        {QVShipmentInvoiceNumberKey, QStringLiteral("INV-%1").arg(number)},
        {QVShipmentToAddressKey,
         QVariantMap{{QStringLiteral("QVAddressNameKey"), QStringLiteral("Pat %1").arg(number)},
                     {QStringLiteral("QVAddressStreetKey"), QStringLiteral("12 Oak Lane")},
                     {QStringLiteral("QVAddressCityKey"), QStringLiteral("Dover")},
                     {QStringLiteral("QVAddressStateKey"), QStringLiteral("DE")},
                     {QStringLiteral("QVAddressZIP5Key"), QStringLiteral("19901")}}},
        {QVShipmentPriceKey, QString::number(number % 97) + QStringLiteral(".25")},
        {QVShipmentWeightNumberKey, number % 70},
        {QVShipmentWeightUnitKey, QStringLiteral("oz")},
        {QVUSPSShipmentRateClassKey, QStringLiteral("QVUSPSPriorityMail")},
        {QVUSPSShipmentPICKey, QStringLiteral("42019901940010000000%1").arg(number, 6, 10, QLatin1Char('0'))},
        {QVShipmentPrintDateKey, QDateTime::fromSecsSinceEpoch(1388534400 + qint64(number) * 3600)},
        {QVUSPSShipmentRHOBalanceKey, QStringLiteral("$1,%1.00").arg(number % 1000, 3, 10, QLatin1Char('0'))},
    };
}

void MailingLogAppend(benchmark::State &state)
{
    QTemporaryDir dir;
    auto log = QVMailingLog::logWithPath(QDir(dir.path()).filePath(QVMailingLogFileName));
    QList<QVariantMap> entries;
    for (int i = 0; i < state.range(0); ++i)
        entries.append(piece(i));
    log->setLogArray(entries);
    log->sortUsingShipmentKey(QVShipmentPriceKey, false);
    log->filterWithString(QStringLiteral("Dover"));
    log->persistLog();
    const QVShipment next(piece(int(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(log->writeShipmentToLog(next));
        state.PauseTiming();
        log->setLogArray(entries);
        log->persistLog();
        state.ResumeTiming();
    }
}

QList<QVariantMap> pieces(qsizetype count)
{
    QList<QVariantMap> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.append(QVShipment(piece(i)).plist());
    return entries;
}

void LogWriteOurs(benchmark::State &state)
{
    const QList<QVariantMap> entries = pieces(state.range(0));
    std::optional<QByteArray> data;
    for (auto _ : state) {
        // Written from nothing each time (the log keeps what it wrote for
        // its next write).
        data = encodeBinaryPropertyListArray(entries);
        benchmark::DoNotOptimize(data);
    }
    const QByteArray folder = qgetenv("TOLVANE_BENCH_DIR");
    if (data && !folder.isEmpty()) {
        QFile file(
            QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("logwrite-%1.plist").arg(state.range(0))));
        if (file.open(QIODevice::WriteOnly))
            file.write(*data);
    }
}

void LogWriteLibplist(benchmark::State &state)
{
    const QList<QVariantMap> entries = pieces(state.range(0));
    for (auto _ : state) {
        QVariantList list;
        for (const QVariantMap &entry : entries)
            list.append(entry);
        benchmark::DoNotOptimize(writeBinaryPropertyList(list));
    }
}

} // namespace

BENCHMARK(MailingLogAppend)
    ->Name("MailingLog/append")
    ->Arg(250)
    ->Arg(5000)
    ->Arg(10000)
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(LogWriteOurs)->Name("LogWrite/ours")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(LogWriteLibplist)->Name("LogWrite/libplist")->Arg(10000)->Unit(benchmark::kMillisecond);
