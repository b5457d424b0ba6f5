// The mailing log: one printed piece appended to a log of 250 and of 5,000
// entries, with a filter and a sort key set as the log window leaves them, so
// that each append writes the whole file (synced to disk), re-filters and
// re-sorts. Goal: twenty times the entries costs under forty times the time.
#include "mailinglog/QVMailingLog.h"

#include <QDir>
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
    const QVShipment next(piece(int(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(log->writeShipmentToLog(next));
        state.PauseTiming();
        log->setLogArray(entries);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(MailingLogAppend)->Name("MailingLog/append")->Arg(250)->Arg(5000)->Unit(benchmark::kMillisecond);
