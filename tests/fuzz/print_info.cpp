// Stored print settings on any bytes: the property list, the print info
// made from it, its job options and its stored form again.
#include "FuzzSupport.h"
#include "platform/PrintInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const std::optional<PrintInfo> info = PrintInfo::fromData(tolvane::fuzz::bytesOf(data, size), &error);
    if (!info)
        return 0;
    (void)info->jobOptions();
    const std::optional<PrintInfo> again = PrintInfo::fromData(info->data());
    (void)again;
    return 0;
}
