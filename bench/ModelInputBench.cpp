// Readers of outside input in the model on large inputs: the XML converter
// beside Qt's stream reader alone on the same document (the work any
// conversion must do), the attribute cap, the evaluator's nesting bound, the
// domestic-name test and Base64 decoding beside Qt's own decoder.
#include "model/ExpressionEvaluator.h"
#include "model/QVCountry.h"
#include "model/StringAdditions.h"
#include "model/XMLConversion.h"

#include <QXmlStreamReader>
#include <benchmark/benchmark.h>

namespace {

QByteArray repeatedChildren(int count)
{
    QByteArray xml("<r>");
    for (int i = 0; i < count; ++i)
        xml += "<i>" + QByteArray::number(i) + "</i>";
    return xml + "</r>";
}

QByteArray manyAttributes(int count)
{
    QByteArray xml("<r");
    for (int i = 0; i < count; ++i)
        xml += " a" + QByteArray::number(i) + "='1'";
    return xml + "/>";
}

void XMLConversion_ours(benchmark::State &state)
{
    const QByteArray xml = repeatedChildren(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(rho_propertyListFromXMLFormat(xml));
}

void XMLConversion_qtreader(benchmark::State &state)
{
    const QByteArray xml = repeatedChildren(int(state.range(0)));
    for (auto _ : state) {
        QXmlStreamReader reader(xml);
        qsizetype tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
}

void XMLAttributes_ours(benchmark::State &state)
{
    const QByteArray xml = manyAttributes(100000);
    for (auto _ : state) {
        QVXMLParserDelegate delegate(xml);
        benchmark::DoNotOptimize(delegate.parse());
    }
}

void Evaluator_ours(benchmark::State &state)
{
    const QString text = QString(100000, QLatin1Char('(')) + QLatin1Char('1') + QString(100000, QLatin1Char(')'));
    for (auto _ : state) {
        try {
            ExpressionEvaluator::evaluateExpression(text);
        } catch (const ExpressionError &) {}
    }
}

void CountryName_ours(benchmark::State &state)
{
    const QString filler(100000, QLatin1Char('.'));
    const QString text = filler + QStringLiteral("U.S.A.") + filler;
    for (auto _ : state)
        benchmark::DoNotOptimize(QVCountry::isCountryStringUSA(text));
}

const QByteArray &base64Line()
{
    static const QByteArray line = QByteArray(6000, '\x5A').toBase64() + '\n';
    return line;
}

void Base64_ours(benchmark::State &state)
{
    const QString text = QString::fromLatin1(base64Line());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeBase64(text));
}

void Base64_qt(benchmark::State &state)
{
    const QString text = QString::fromLatin1(base64Line());
    for (auto _ : state)
        benchmark::DoNotOptimize(QByteArray::fromBase64(text.toLatin1()));
}

} // namespace

BENCHMARK(XMLConversion_ours)
    ->Name("XMLConversion/ours/children")
    ->Arg(40000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(XMLConversion_qtreader)
    ->Name("XMLConversion/qtreader/children")
    ->Arg(40000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(XMLAttributes_ours)->Name("XMLAttributes/ours/100000")->Unit(benchmark::kMillisecond);
BENCHMARK(Evaluator_ours)->Name("Evaluator/ours/nested-100000")->Unit(benchmark::kMillisecond);
BENCHMARK(CountryName_ours)->Name("CountryName/ours/200000")->Unit(benchmark::kMillisecond);
BENCHMARK(Base64_ours)->Name("Base64/ours/6000-one-line");
BENCHMARK(Base64_qt)->Name("Base64/qt/6000-one-line");
