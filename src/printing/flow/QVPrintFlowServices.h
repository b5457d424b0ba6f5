#pragma once
// What the print flow asks of the application delegate and the main window
// around it: the one progress panel and whether an automation command is
// being carried out (nothing may wait for a user then). The application
// registers its delegate at start-up; tests register a fake. Until then the
// stand-in writes progress texts to the console and reads the process-wide
// automation flag of the dialogs interface (platform/Dialogs.h).
#include "model/QVAddress.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QVShipment;
class QWidget;

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

    // ---- The rest of the application delegate, as the other libraries use
    // it. Each has a stand-in answer, so that a library works before the
    // application registers its delegate (and a host made for one library
    // needs to give only what that library asks).

    // Switches automation on or off (the stand-in sets the dialogs
    // interface's process-wide flag).
    virtual void setAutomation(bool on);
    // Switches the main window to the standard printing mode.
    virtual void showLabels() {}
    // Fetches the account status from the postage server and updates the
    // displays.
    virtual void refreshTolvaneStatus() {}
    // Opens the URL with the desktop (through the URL opener).
    virtual void launchURL(const QUrl &url);
    // Opens the vendor's refund-request page (the postage-server client's
    // URL); nothing when the client has none.
    virtual void launchRefundRequest();
    // Opens the stamp-supplies store page.
    virtual void launchTessaroSupplyStore() {}
    // The application-support folder and its "Labels" folder (created when
    // missing; empty when it cannot be had).
    virtual QString appSupportFolderPath();
    virtual QString labelArchiveFolder();
    // The path of a named file in the support folder, else the bundled
    // resource of that name, else empty.
    virtual QString pathForSupportFileWithName(const QString &name);
    // The application's delivery-status menu (tags 0 delivered, 1
    // undelivered, 2 delivery exception, 3 void): the item of the tag is
    // switched on and every other off; nothing switches every item off.
    virtual void setShipmentStatusMenuState(std::optional<int> tag) { (void)tag; }
    // The information alert of the key (texts from "InfoAlerts"): 1 for the
    // default button, 0 for the alternate one. The stand-in answers 1.
    virtual int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                                bool remindBox);
    // The window title with the beta and test-server marks.
    virtual QString addJunkToWindowTitle(const QString &title) { return title; }
    // The maker edition's mode menu item.
    virtual void setKivoStampsModeMenuItemTitle(const QString &title) { (void)title; }
    // The account panels: the date- and postage-correction sheets on the
    // window of the caller, the buy-postage panel and the set-up wizard.
    virtual void showDateCorrectionSheet() {}
    virtual void showPostageCorrectionSheetForShipment(const QVShipment &shipment) { (void)shipment; }
    virtual void showBuyPostagePanel() {}
    virtual void showTolvaneWizard() {}
    // The web-store window, the scale set-up window and the stamps-only
    // edition's about box.
    virtual void showWebStores() {}
    virtual void showScaleSetup() {}
    virtual void showAboutBox() {}
    // The system version as binary-coded decimal (10.6.0 is 0x100600).
    virtual uint32_t systemVersionBCD();

    // ---- What the print flow asks of the delegate
    // Whether this version may print (false after its own "Update
    // required." alert). The stand-in answers true.
    virtual bool validateVersionForPrinting() { return true; }
    // Opens the printer set-up window.
    virtual void showPrinterSetup() {}
    // Runs the insurance agreement modally; true when the user agreed. The
    // stand-in, which has no agreement to show, answers false.
    virtual bool agreeToInsuranceTerms() { return false; }
};

void setPrintFlowHost(std::shared_ptr<QVPrintFlowHost> host);
// The registered host, or the stand-in.
std::shared_ptr<QVPrintFlowHost> printFlowHost();

// ---- The main window ---------------------------------------------------------
// What the other libraries ask of the main-window controller. Callers ask
// for it on every use (mainWindowHost()), since the main window may come and
// go; without a registered provider there is none and nothing is passed on.
class QVMainWindowHost
{
public:
    virtual ~QVMainWindowHost() = default;

    // The current shipment, re-priced after a change.
    virtual void setCurrentShipmentProperty(const QVariant &value, const QString &key) = 0;
    virtual void removeCurrentShipmentPropertyForKey(const QString &key) = 0;
    virtual QVariant currentShipmentPropertyForKey(const QString &key) = 0;
    // The destination address (its status shown), the recipient's phone
    // and e-mail fields (a null text is ignored).
    virtual void setToAddress(const QVAddress &address) = 0;
    virtual void setToPhoneNumberString(const QString &phone) = 0;
    virtual void setToEmailAddressString(const QString &email) = 0;
    virtual bool isExpressMail() = 0;
    // The return address: rebuilt from the selected entry; selected by
    // nickname (false when unknown); saved under a nickname and selected.
    virtual void updateFromAddress() = 0;
    virtual bool setFromAddressToNickname(const QString &nickname) = 0;
    virtual void addOrReplaceFromAddress(const QVAddress &address, const QString &nickname) = 0;
    // Verifies and standardises the destination box's text; true when the
    // address is accepted.
    virtual bool standardizeTextBoxAddress(bool forPrinting) = 0;
    // Starts a new package (label mode, out of batch mode) with the texts;
    // `focus` puts the keyboard focus in the destination box.
    virtual void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                             const QString &description, const QString &referenceID, bool focus) = 0;
    virtual void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                             bool focus) = 0;
    virtual bool inBatchMode() = 0;
    virtual void enterBatchPrintWithAddresses(const QList<QVAddress> &addresses) = 0;
    // Brings the main window to the front.
    virtual void showMasterWindow() = 0;

    // ---- What the print flow asks of the window. Each has a stand-in
    // answer, so that a window made for another library need not give it.
    // The window's own shipment (the flow prints a deep copy of it); null
    // when there is none.
    virtual std::shared_ptr<QVShipment> currentShipment() { return nullptr; }
    // The postage and hidden-postage check boxes, the insurance check box,
    // the estimated-delivery field and the recipient's e-mail field.
    virtual bool usePostageForCurrentShipment() { return true; }
    virtual bool useStealthPostageForCurrentShipment() { return false; }
    virtual bool insuranceChecked() { return false; }
    virtual QString estimatedDeliveryText() { return QString(); }
    virtual QString toEmailAddressString() { return QString(); }
    // The Priority Mail Express options of the window.
    virtual QVariantMap expressOptionsDictionary() { return QVariantMap(); }
    // Checks the batch's addresses before a batch print.
    virtual bool preflightBatch() { return true; }
    // A sheet is attached to the main window; the preview sheet is.
    virtual bool hasAttachedSheet() { return false; }
    virtual bool previewSheetIsAttached() { return false; }
    // Ends and hides the attached sheet; ends the preview sheet and orders
    // its panel out.
    virtual void closeSheet() {}
    virtual void endPreviewSheet() {}
    // The customs declaration sheet and the return-address editor.
    virtual void showCustomsFormSheet() {}
    virtual void runEditFromAddressSheet() {}
    // Puts the keyboard focus in the recipient's e-mail field, or in the
    // destination address box.
    virtual void focusToEmailField() {}
    virtual void focusDestinationAddress() {}
    // After a printed piece: the mail message to the recipient, the window's
    // number of the last label (empty: none), the number copied to the
    // pasteboard, every field cleared, the shipment defaults put back, the
    // window brought up to date.
    virtual void prepareEmailNotification() {}
    virtual void setCurrentPICCode(const QString &pic) { (void)pic; }
    virtual void copyConfirmationNumber() {}
    virtual void clearAllFields() {}
    virtual void setShipmentDefaults() {}
    virtual void updateWindow() {}

    // ---- What the print commands ask of the window (stand-ins as above).
    // The stamp (sheet and roll) printing mode is on: the print commands go
    // to the stamp window (QVStampWindowPrinting.h).
    virtual bool inStampPrintingMode() { return false; }
    // Ends editing (no view keeps the keyboard), so that the last typed
    // value reaches the shipment.
    virtual void endEditing() {}
    // Option was held when the command came (the window then stored the
    // inverted "previewOnPrint", which the command puts back); cleared by
    // the command.
    virtual bool optionKeyDown() { return false; }
    virtual void setOptionKeyDown(bool down) { (void)down; }
    // The batch's addresses in list order; leaving batch mode.
    virtual QList<QVAddress> batchAddresses() { return {}; }
    virtual void leaveBatchPrint() {}
    // Redraws the window now (between batch items).
    virtual void displayWindow() {}
    // Re-selects the last selected row of the address-book panel's table.
    virtual void reselectLastAddressBookRow() {}
    // The window's summary of the printer and label.
    virtual void updatePrinterSummaryText() {}
    // The window the preview panel is a sheet of (null: a panel of its own).
    virtual QWidget *sheetParentWindow() { return nullptr; }

    // ---- What the XML automation asks of the window (stand-ins as above).
    // Puts the text into the destination box and runs the box's
    // text-changed rule, as typing it would.
    virtual void setDestinationText(const QString &text) { (void)text; }
    // The four Priority Mail Express check boxes.
    enum class ExpressMailBox { SignatureRequired, SaturdayDelivery, SundayDelivery, HolidayDelivery };
    virtual void setExpressMailBox(ExpressMailBox box, bool on)
    {
        (void)box;
        (void)on;
    }
    virtual bool expressMailBox(ExpressMailBox box)
    {
        (void)box;
        return false;
    }
    // Re-prices the window's shipment.
    virtual void updatePricing() {}
    // The window's print flow: prints the window's shipment (a test: a void
    // sample, nothing charged or logged); true when the piece was printed.
    // The stand-in prints nothing.
    virtual bool printLabelAsATest(bool test)
    {
        (void)test;
        return false;
    }
    // Set by the print flow when a piece failed; cleared by the caller.
    virtual bool lastShipmentErrored() { return false; }
    virtual void setLastShipmentErrored(bool errored) { (void)errored; }
    // The description of the address-correction client's last error.
    virtual QString addressCorrectionErrorDescription() { return QString(); }
};

using QVMainWindowHostProvider = std::function<std::shared_ptr<QVMainWindowHost>()>;

// Registers the provider (an empty one: no main window).
void setMainWindowHostProvider(QVMainWindowHostProvider provider);
// The main window now, or nullptr.
std::shared_ptr<QVMainWindowHost> mainWindowHost();
