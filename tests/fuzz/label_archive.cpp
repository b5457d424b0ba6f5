// The label archive reader on any bytes: the property list, its two entries
// and the label server's reply kept in it.
#include "FuzzSupport.h"
#include "model/QVLabelArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const std::optional<QVArchivedLabel> archived = labelArchiveFromData(tolvane::fuzz::bytesOf(data, size), &error);
    if (archived)
        (void)archived->xml.xmlData();
    return 0;
}
