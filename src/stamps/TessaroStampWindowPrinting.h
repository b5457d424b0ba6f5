#pragma once
// The stamp window as the printing layer's stamp window: while the stamp
// printing mode is on, the main window's Print, Test Print and Print
// Selected commands reach the window's controller (printSheet with the Print
// button, the Test Print button or the Print Selected command as sender).
//
// The registration holds the controller weakly: once the controller is gone
// the commands do nothing. `done` runs after each command (the stamp view
// shows the controller's state again).
#include "printing/flow/QVStampWindowPrinting.h"

#include <functional>
#include <memory>

class TessaroController;

class TessaroStampWindowPrinting final : public QVStampWindowPrinting
{
public:
    explicit TessaroStampWindowPrinting(std::weak_ptr<TessaroController> controller, std::function<void()> done = {});

    void printSheet() override;
    void testPrint() override;
    void printSelected() override;

private:
    template <class Command> void forward(Command command);

    std::weak_ptr<TessaroController> m_controller;
    std::function<void()> m_done;
};

// Registers the controller's window with the printing layer
// (setStampWindowPrinting) and answers the registration.
std::shared_ptr<QVStampWindowPrinting> registerTessaroStampWindowPrinting(std::weak_ptr<TessaroController> controller,
                                                                          std::function<void()> done = {});
