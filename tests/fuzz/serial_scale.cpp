// The serial scale's reading parser on any bytes, as the line delivers
// them: a reading it takes must agree with itself (the whole ounces are the
// tenths of an ounce rounded up).
#include "FuzzSupport.h"
#include "devices/QVTolvane22lbScale.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<SerialScaleReading> reading = parseSerialScaleBuffer(tolvane::fuzz::bytesOf(data, size));
    if (reading) {
        const int32_t excess = reading->ounces * 10 - reading->mils;
        if (excess < 0 || excess >= 10)
            std::abort();
    }
    return 0;
}
