#pragma once
// What the stamp window asks of the program around it: the application's
// information alerts and supply store, the label printer's presence, the
// account's last valid status reply, the window-title marks and the mode
// menu item of the maker's edition; for printing, the postage-server client,
// the progress panel, the print panel, the buy-postage panel, the account
// set-up wizard and the refresh of the account's status.
//
// The application registers its own host (setTessaroHost) at start-up; the
// base class answers from the printing layer and the postage-server client
// and shows no information alert (answer 1, the default button), so the
// window works without one. Tests give fakes.
#include "platform/PrintInfo.h"

#include <QString>
#include <QUrl>
#include <QVariantList>

#include <memory>
#include <optional>

class PageSetupAccessory;
class QVRHOCommandCenter;
class QVRHOResponse;

class TessaroHost
{
public:
    virtual ~TessaroHost() = default;

    // The application delegate's information alert of the key from
    // "InfoAlerts" with the two buttons and the remind box; 1 is the default
    // button. The alert's body is filled with the arguments.
    virtual int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                                bool remindBox, const QVariantList &arguments = {});
    // Opens the supply store of the label-printer maker.
    virtual void launchTessaroSupplyStore() {}
    // Opens the URL (a web page or a bundled help file) in the user's own
    // program for it, as the application's help items do; the base host
    // hands it to the URL opener. False when nothing was opened.
    virtual bool launchURL(const QUrl &url);
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

    // ---- Printing -----------------------------------------------------------
    // The postage-server client that buys the stamps (the shared one).
    virtual std::shared_ptr<QVRHOCommandCenter> postageClient();
    // The progress panel in front with its title, text and bar (a maximum of
    // 0: no bar); hideProgress() puts it away.
    virtual void showProgress(const QString &title, const QString &text, int value, int maximum)
    {
        (void)title;
        (void)text;
        (void)value;
        (void)maximum;
    }
    virtual void hideProgress() {}
    // The print panel for the print settings with the accessory (may be
    // null): the settings chosen (printer, paper, what becomes of the job),
    // or nothing when the user cancels. The base host runs the print panel
    // of the dialogs interface.
    virtual std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory);
    // The buy-postage panel, run to its end (the balance may have changed).
    virtual void showBuyPostagePanel() {}
    // The account set-up wizard.
    virtual void showTolvaneWizard() {}
    // Asks the postage server for the account's new status and balance.
    virtual void refreshTolvaneStatus() {}
};

// The host of the stamp windows made from now on (the base host when none
// is registered).
void setTessaroHost(std::shared_ptr<TessaroHost> host);
std::shared_ptr<TessaroHost> tessaroHost();
