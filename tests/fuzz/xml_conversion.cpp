// The XML-to-dictionary converter that reads server replies, and the XML
// document reader beside it, on any bytes.
#include "FuzzSupport.h"
#include "model/XMLConversion.h"
#include "model/XMLDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    QVXMLParserDelegate delegate(bytes);
    (void)delegate.parse();
    (void)rho_propertyListFromXMLFormatNoExceptions(tolvane::fuzz::textOf(data, size));
    QString error;
    (void)QVXMLDocument::fromData(bytes, &error);
    return 0;
}
