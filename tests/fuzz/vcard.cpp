// The vCard reader on any bytes; the people it reads are written back as
// vCards and read again, as an address-book export is.
#include "FuzzSupport.h"
#include "model/VCard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const std::optional<QList<Person>> people =
        peopleWithVCardRepresentation(tolvane::fuzz::bytesOf(data, size), &error);
    if (people && !people->isEmpty())
        (void)peopleWithVCardRepresentation(vCardRepresentation(*people), &error);
    return 0;
}
