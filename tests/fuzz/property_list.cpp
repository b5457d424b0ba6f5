// The property-list reader (binary "bplist00" and XML) on any bytes; what
// it reads is written back in both formats, as user defaults and saved
// documents are.
#include "FuzzSupport.h"
#include "platform/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    PropertyListFormat format = PropertyListFormat::Binary;
    const std::optional<QVariant> value = readPropertyList(tolvane::fuzz::bytesOf(data, size), &error, &format);
    if (!value)
        return 0;
    for (const PropertyListFormat out : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        const std::optional<QByteArray> bytes = writePropertyList(*value, out, &error);
        if (bytes)
            (void)readPropertyList(*bytes, &error);
    }
    return 0;
}
