#pragma once
// What the stamp window asks of the program around it: the application's
// information alerts and supply store, the label printer's presence, the
// account's last valid status reply, the window-title marks and the mode
// menu item of the maker's edition.
//
// The application registers its own host (setTessaroHost) at start-up; the
// base class answers from the printing layer and the postage-server client
// and shows no information alert (answer 1, the default button), so the
// window works without one. Tests give fakes.
#include <QString>

#include <memory>

class QVRHOResponse;

class TessaroHost
{
public:
    virtual ~TessaroHost() = default;

    // The application delegate's information alert of the key from
    // "InfoAlerts" with the two buttons and the remind box; 1 is the default
    // button.
    virtual int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                                bool remindBox);
    // Opens the supply store of the label-printer maker.
    virtual void launchTessaroSupplyStore() {}
    // A label printer of the maker that can print stamps is installed.
    virtual bool printerAvailable();
    // The postage-server client's last valid status reply; none before the
    // first one.
    virtual std::shared_ptr<QVRHOResponse> lastValidStatusResponse();
    // The title with the application's beta and test-server marks.
    virtual QString addJunkToWindowTitle(const QString &title) { return title; }
    // The maker's edition names the other mode in one menu item ("Switch to
    // Label Rolls"); an empty title outside the two modes.
    virtual void setKivoStampsModeMenuItemTitle(const QString &title) { (void)title; }
};

// The host of the stamp windows made from now on (the base host when none
// is registered).
void setTessaroHost(std::shared_ptr<TessaroHost> host);
std::shared_ptr<TessaroHost> tessaroHost();
