#include "printing/flow/QVStampWindowPrinting.h"

namespace {

std::shared_ptr<QVStampWindowPrinting> &registeredStampWindow()
{
    static std::shared_ptr<QVStampWindowPrinting> window;
    return window;
}

} // namespace

void setStampWindowPrinting(std::shared_ptr<QVStampWindowPrinting> window)
{
    registeredStampWindow() = std::move(window);
}

std::shared_ptr<QVStampWindowPrinting> stampWindowPrinting() { return registeredStampWindow(); }
