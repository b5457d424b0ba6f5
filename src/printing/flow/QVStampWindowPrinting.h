#pragma once
// The print commands of the main window forward to the stamp window while
// the stamp (sheet and roll) printing mode is on. The stamp window registers
// itself here when it is created and unregisters (nullptr) when it goes;
// until then the commands of that mode do nothing.
#include <memory>

class QVStampWindowPrinting
{
public:
    virtual ~QVStampWindowPrinting() = default;

    // The Print command: prints the stamp sheet or roll of the window.
    virtual void printSheet() = 0;
    // The Test Print command: the same as a void sample.
    virtual void testPrint() = 0;
    // The Print Selected command: prints the selected stamps only.
    virtual void printSelected() = 0;
};

void setStampWindowPrinting(std::shared_ptr<QVStampWindowPrinting> window);
// The registered stamp window, or nullptr.
std::shared_ptr<QVStampWindowPrinting> stampWindowPrinting();
