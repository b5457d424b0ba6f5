#include "stamps/TessaroStampWindowPrinting.h"

#include "stamps/TessaroController.h"

TessaroStampWindowPrinting::TessaroStampWindowPrinting(std::weak_ptr<TessaroController> controller,
                                                       std::function<void()> done)
    : m_controller(std::move(controller)), m_done(std::move(done))
{}

template <class Command> void TessaroStampWindowPrinting::forward(Command command)
{
    const std::shared_ptr<TessaroController> controller = m_controller.lock();
    if (!controller)
        return;
    command(*controller);
    if (m_done)
        m_done();
}

void TessaroStampWindowPrinting::printSheet()
{
    forward([](TessaroController &c) { c.printSheet(TessaroPrintSender::PrintButton); });
}

void TessaroStampWindowPrinting::testPrint()
{
    forward([](TessaroController &c) { c.printSheet(TessaroPrintSender::TestPrintButton); });
}

void TessaroStampWindowPrinting::printSelected()
{
    forward([](TessaroController &c) { c.printSheet(TessaroPrintSender::PrintSelected); });
}

std::shared_ptr<QVStampWindowPrinting> registerTessaroStampWindowPrinting(std::weak_ptr<TessaroController> controller,
                                                                          std::function<void()> done)
{
    auto window = std::make_shared<TessaroStampWindowPrinting>(std::move(controller), std::move(done));
    setStampWindowPrinting(window);
    return window;
}
