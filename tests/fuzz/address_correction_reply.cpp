// The address-correction reply reader on any bytes, with and without the
// capitalisation: a reply that gives an address gives one of the United
// States whose return code is the reply's; a refused reply leaves a reason.
#include "FuzzSupport.h"
#include "services/usps/QVGLZCommandCenter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QVGLZCommandCenter *client = QVGLZCommandCenter::commandCenter().get();
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    for (bool uppercase : {true, false}) {
        const auto address = client->addressFromReply(bytes, uppercase);
        if (address && address->country() != QLatin1String("United States"))
            std::abort();
        if (!address && client->lastErrorDescription().isEmpty())
            std::abort();
        if (!uppercase && address && address->state() != address->state().toUpper())
            std::abort();
    }
    (void)plainTextOfHTML(bytes);
    (void)betterCapitalizedString(tolvane::fuzz::textOf(data, size));
    return 0;
}
