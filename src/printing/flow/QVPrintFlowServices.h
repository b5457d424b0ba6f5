#pragma once
// What the print flow asks of the application delegate and the main window
// around it: the one progress panel and whether an automation command is
// being carried out (nothing may wait for a user then). The application
// registers its delegate at start-up; tests register a fake. Until then the
// stand-in writes progress texts to the console and reads the process-wide
// automation flag of the dialogs interface (platform/Dialogs.h).
#include <QString>

#include <memory>

class QVPrintFlowHost
{
public:
    virtual ~QVPrintFlowHost() = default;

    // Shows the text in the progress panel (the panel is shown when hidden).
    // The print flow gives every text its trailing ellipsis first.
    virtual void setProgressTextString(const QString &text) = 0;
    virtual void hideProgressPanel() = 0;
    // Whether an automation command is running.
    virtual bool isAutomation() = 0;
};

void setPrintFlowHost(std::shared_ptr<QVPrintFlowHost> host);
// The registered host, or the stand-in.
std::shared_ptr<QVPrintFlowHost> printFlowHost();
