// Pricing, the work of every keystroke in the main window: one domestic rate
// query of the engine with and without its description text, a full re-price
// of a shipment, and a weight change that re-prices. The piece is a 1 lb
// retail Priority Mail parcel to zone 4 under the January 2014 prices (a
// price the built-in tables hold). Goals: a re-price within 1.5 us, the engine
// query without text within 40 ns, and a re-price within 40 engine queries.
#include "model/ClientServices.h"
#include "model/ServiceHooks.h"
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "rateengine/RateDescription.h"
#include "rateengine/RateDomestic.h"
#include "rateengine/RateEngine.h"
#include "rates/QVShipmentPricing.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

// ---------------------------------------------------------------------------
// Stand-ins for the servers pricing asks: a fixed zone, a retail account.

class FixedZone final : public QVUSPSAddressServices
{
public:
    QString zoneFromOriginZIP(const QString &, const QString &) override { return QStringLiteral("4"); }
    std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &) override { return std::nullopt; }
};

class RetailAccount final : public QVAccountInformationServices
{
public:
    bool pmCubicPricing() override { return false; }
    bool adultSignature() override { return false; }
    bool pmRegionalRateBox() override { return true; }
    bool disableParcelSelect() override { return false; }
    bool standardPost() override { return false; }
    bool pmHalfPoundRate() override { return true; }
    int discountLevelForRateClassName(const QString &, const QString &) override { return 0; }
};

// The engine and the pricing services, set up once for the program; the user
// defaults live in a folder of their own.
void setUpPricing()
{
    static const bool ready = [] {
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("TOLVANE_SUPPORT_DIR", config.path().toUtf8());
        InitializeRE("", "02/01/2014");
        setUSPSAddressServices(std::make_shared<FixedZone>());
        setAccountInformationServices(std::make_shared<RetailAccount>());
        installShipmentPricing();
        return true;
    }();
    (void)ready;
}

std::shared_ptr<QVShipment> priorityParcel()
{
    QVAddress to;
    to.setName(QStringLiteral("Jane Public"));
    to.setStreet(QStringLiteral("350 Fifth Avenue"));
    to.setCity(QStringLiteral("New York"));
    to.setState(QStringLiteral("NY"));
    to.setZIP(QStringLiteral("10118"));
    to.setCountry(QStringLiteral("United States"));

    auto shipment = std::make_shared<QVShipment>();
    shipment->setObject(QVUSPSCarrier, QVShipmentCarrierKey);
    shipment->setObject(to.plist(), QVShipmentToAddressKey);
    shipment->setObject(QStringLiteral("02134"), QVUSPSShipmentMailedFromZIP5Key);
    shipment->setObject(QDateTime(QDate(2014, 3, 1), QTime(12, 0)), QVShipmentShipDateKey);
    shipment->setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    shipment->setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    shipment->setObject(QStringLiteral("16"), QVShipmentWeightNumberKey);
    shipment->setObject(QVOunceUnitString, QVShipmentWeightUnitKey);
    return shipment;
}

// ---------------------------------------------------------------------------
// The engine query

void runDomesticRate(benchmark::State &state, bool withText)
{
    setUpPricing();
    SetRateVersion("02/01/2014");
    char text[kStealthTextSize];
    for (auto _ : state) {
        int32_t weight = 160, oversize = 0, machinable = 1, balloon = 0, price = 0, classification = 0, cubic = 0;
        const int32_t status =
            GetDomesticRate2014(kREPriority, kREShapeParcel, 4, 0, &weight, 0, 0, 0, &oversize, &machinable, &balloon,
                                &price, withText ? text : nullptr, "NY", 0, &classification, &cubic, 0, 1);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(price);
        if (status != 0 || price != 5850) {
            state.SkipWithError("the 1 lb retail price was not found");
            break;
        }
    }
}

void Pricing_GetDomesticRate2014_withoutText(benchmark::State &state) { runDomesticRate(state, false); }
void Pricing_GetDomesticRate2014_withText(benchmark::State &state) { runDomesticRate(state, true); }

// ---------------------------------------------------------------------------
// Shipment pricing

void Pricing_reprice(benchmark::State &state)
{
    setUpPricing();
    auto shipment = priorityParcel();
    for (auto _ : state) {
        shipment->_updatePricing();
        benchmark::ClobberMemory();
    }
    if (!(shipment->totalPrice() == Decimal::fromString(QStringLiteral("5.85"))))
        state.SkipWithError("the piece was not priced at $5.85");
}

// A weight typed into the main window: the record stores it and re-prices.
void Pricing_weightChange(benchmark::State &state)
{
    setUpPricing();
    auto shipment = priorityParcel();
    const QString weights[2] = {QStringLiteral("15"), QStringLiteral("16")};
    int i = 0;
    for (auto _ : state) {
        shipment->setObject(weights[i], QVShipmentWeightNumberKey, true);
        i ^= 1;
        benchmark::ClobberMemory();
    }
    if (shipment->totalPrice().isZero())
        state.SkipWithError("the piece was not priced");
}

} // namespace

BENCHMARK(Pricing_GetDomesticRate2014_withoutText)->Name("Pricing/GetDomesticRate2014/without_text");
BENCHMARK(Pricing_GetDomesticRate2014_withText)->Name("Pricing/GetDomesticRate2014/with_text");
BENCHMARK(Pricing_reprice)->Name("Pricing/reprice/priority_1lb");
BENCHMARK(Pricing_weightChange)->Name("Pricing/weight_change/priority_1lb");
