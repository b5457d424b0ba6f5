// The reader of a typed custom stamp amount on any text: an amount it
// accepts is above zero, in whole mils that fit a postage request, and makes
// a custom stamp whose mils are that amount.
#include "FuzzSupport.h"
#include "stamps/TessaroCustomAmounts.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<Decimal> amount = tessaro::customAmountFromText(tolvane::fuzz::textOf(data, size));
    if (!amount)
        return 0;
    const std::optional<qint64> mils = amount->toMils();
    if (amount->isZero() || amount->isNegative() || !mils || *mils <= 0 || *mils > 0xFFFFFFFFLL)
        std::abort();
    const TessaroStamp stamp = tessaro::customStampRequest(*amount, tessaro::FirstCustomDomesticTag + 1);
    if (!stamp || stamp->amountMils() != std::optional<quint32>(quint32(*mils)))
        std::abort();
    return 0;
}
