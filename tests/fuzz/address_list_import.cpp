// The address-list import on any bytes: the file decoded as the import
// decodes it, split into CSV rows and into tab-delimited lines, and each set
// of rows converted into the stored list's data (with and without the
// header row), as an import of a file from anywhere does.
#include "FuzzSupport.h"
#include "sources/ParsingExtensions.h"
#include "sources/QVAddressBookImportController.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QString> text = addressListText(tolvane::fuzz::bytesOf(data, size));
    if (!text)
        return 0;
    (void)csvRows(*text);
    QVAddressBookImportController controller; // overwrites: never reads the stored list
    for (const int format :
         {QVAddressBookImportController::TabDelimited, QVAddressBookImportController::CommaSeparated}) {
        controller.changeFormat(format);
        controller.changeHeaderRow(size % 2 == 0 ? 0 : 1);
        (void)controller.dataWithAddressArray(controller.rowsOfText(*text));
    }
    return 0;
}
