#pragma once
// What the main-window controller (MasterController) asks of the world
// around it, as small interfaces, so that the controller needs no display
// and tests answer every question:
//   - MasterView: the window itself (commit a field being edited, a sheet
//     attached, ask for a window update, paint a control at once);
//   - MasterShell: the application delegate (information alerts, the
//     automation flag, the printing mode, the account status refresh);
//   - MasterAccountInformation: the account-information client's
//     `dateAdvance` and `standardPost`;
//   - MasterPostageStatus: whether the postage client has a last valid
//     status reply;
//   - MasterServiceStandards: the USPS Web Tools client's service standard;
//   - MasterPrinting: what the window asks of printing (the customs sheet,
//     the printer of a plain-paper print info, printing defaults changed,
//     printer and label types, envelope summaries, the print command);
//   - MasterAddressCorrection: the address-correction client;
//   - MasterZoneCharts: the zone-chart client;
//   - MasterSiblingHooks: operations of the window's other parts (address
//     boxes, return addresses, status line, check-box validation) that the
//     form and the update rules call; an empty hook does nothing.
#include "app/mainwindow/MasterForm.h"

#include "model/QVAddress.h"
#include "platform/Decimal.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QVShipment;

class MasterView
{
public:
    virtual ~MasterView() = default;
    // Ends the editing of the field that has the keyboard (makeFirstResponder
    // nil), so that its text reaches the form first.
    virtual void commitEditing() {}
    // A sheet is attached to the main window.
    virtual bool hasAttachedSheet() const { return false; }
    // Asks the window to update after the current event; the view then
    // calls MasterController::windowDidUpdate().
    virtual void setNeedsWindowUpdate() {}
    // Paints the control at once (the caller goes on to block the event
    // loop).
    virtual void displayNow(FormControl control) { (void)control; }
    // A sheet began on the main window (MasterController::attachedSheet());
    // the view shows it and answers MasterController::endSheet().
    virtual void sheetDidBegin() {}
    // Shows or hides the address drawer.
    virtual void toggleAddressDrawer() {}
};

class MasterShell
{
public:
    virtual ~MasterShell() = default;
    // The information alert of the key with its remind box
    // (infoAlertForKey:withRemindBox:): the pressed button's tag.
    virtual int infoAlertForKey(const QString &key, bool remindBox) = 0;
    // An automation command runs.
    virtual bool isAutomation() = 0;
    // The standard printing mode (not the stamp window).
    virtual bool isStandardPrintingMode() = 0;
    // refreshTolvaneStatus: of the application delegate.
    virtual void refreshTolvaneStatus() = 0;
    // Turns the automation flag on or off (the batch preflight standardises
    // without sheets).
    virtual void setAutomation(bool on) { (void)on; }
    // showLabels: the standard printing mode's window in front.
    virtual void showLabels() {}
    // Hands a "tolvane://" URL to the application's own URL handler, which
    // asks the user before it runs anything; never to the desktop.
    virtual void handleApplicationURL(const QString &url) { (void)url; }
};

class MasterAccountInformation
{
public:
    virtual ~MasterAccountInformation() = default;
    // The number of days after today that a piece may be dated.
    virtual int dateAdvance() = 0;
    // The account may use Standard Post.
    virtual bool standardPost() = 0;
};

// What the window reads of the postage client's last valid status reply.
struct MasterStatusReply {
    quint32 serialNumber = 0;
    QString accountStatusWord;
    QString balanceText; // without the dollar sign
    Decimal balance = Decimal::zero();
    QString licenseZIP5;
    QDateTime returnDateTime; // invalid when the reply carries none
    QString physicalAddress;
    QString name;
};

class MasterPostageStatus
{
public:
    virtual ~MasterPostageStatus() = default;
    // The postage client holds a last valid status reply.
    virtual bool hasLastValidStatusResponse() = 0;
    // The reply itself; nothing when there is none.
    virtual std::optional<MasterStatusReply> lastValidStatusResponse() { return std::nullopt; }
    // The account number the client signs in with (empty: none).
    virtual QString accountNumber() { return QString(); }
};

// The address-correction client (standardizedAddressWithString:uppercase:
// and its last-error fields, which hold the service's return code also on
// success).
class MasterAddressCorrection
{
public:
    virtual ~MasterAddressCorrection() = default;
    virtual std::optional<QVAddress> standardizedAddressWithString(const QString &text, bool uppercase) = 0;
    virtual QString lastErrorCode() = 0;
    virtual QString lastErrorDescription() = 0;
};

class MasterZoneCharts
{
public:
    virtual ~MasterZoneCharts() = default;
    // Builds the zone chart of the ZIP code unless it exists.
    virtual void buildZoneChartIfNotExistsForZIP(const QString &zip) = 0;
};

class MasterServiceStandards
{
public:
    virtual ~MasterServiceStandards() = default;
    // The USPS service standard text between two ZIP codes for the class
    // (its Web Tools name), synchronously.
    virtual QString serviceStandardFromOriginZIP(const QString &originZIP, const QString &destinationZIP,
                                                 const QString &mailClass) = 0;
};

class MasterPrinting
{
public:
    virtual ~MasterPrinting() = default;
    // The customs declaration sheet for the shipment (the same object,
    // which it edits), run as a sheet on the main window; `didEnd` runs
    // when the sheet ends.
    virtual void runCustomsSheet(std::shared_ptr<QVShipment> shipment, std::function<void()> didEnd) = 0;
    // The printer name of the plain-paper print info stored under the key
    // (printer set-up's plainPaperPrintInfoForKey:); empty when none.
    virtual QString printerNameForPlainPaperInfo(const QString &key) = 0;
    // printingDefaultsChanged: rebuilds an open print preview.
    virtual void printingDefaultsChanged() = 0;
    // The printer set-up's printer and label types for an envelope (letter
    // or postcard) or another piece.
    virtual QString printerTypeForEnvelope(bool envelope)
    {
        (void)envelope;
        return QVPlainPaperPrinter;
    }
    virtual QString labelTypeForEnvelope(bool envelope)
    {
        (void)envelope;
        return QVPlainPaperLabel;
    }
    // The name of the printer that will be used; empty when none.
    virtual QString printerNameForPrinterType(const QString &printerType, const QString &labelType,
                                              const QString &plainPaperInfoKey)
    {
        (void)printerType;
        (void)labelType;
        (void)plainPaperInfoKey;
        return QString();
    }
    // The chosen envelope or postcard size's name with its size in inches.
    virtual QString currentEnvelopeSummaryString() { return QString(); }
    virtual QString currentPostcardSummaryString() { return QString(); }
    // printTheLabel: the print command.
    virtual void printTheLabel() {}
};

// Operations of the window's other parts, called by the form and the update
// rules. Empty hooks do nothing.
struct MasterSiblingHooks {
    // Address boxes: standardises the destination box without the
    // empty-address alert (standardizeTextBoxAddress: with the controller).
    std::function<void()> standardizeTextBoxAddress;
    // Return addresses: rebuild the return address; build its pop-up.
    std::function<void()> updateFromAddress;
    std::function<void()> setUpFromPopup;
    // Status line, print button, printer summary, postage account box.
    std::function<void()> updateStatusTextLine;
    std::function<void()> updatePrintButton;
    std::function<void()> updatePrinterSummaryText;
    std::function<void()> updatePostageAccountBox;
    std::function<void()> tolvaneStatusDidChange;
    // Address line warnings and check-box validation.
    std::function<void()> updateCharacterCountWarning;
    std::function<void()> validateInsuranceCheckbox;
    std::function<void()> validateReplyPostageCheckbox;
    // Toolbar, mailpiece menu and favorites menu.
    std::function<void()> setUpToolbar;
    // The address-book panel: deselects every row of its table.
    std::function<void()> deselectAddressBookTable;
    // The address-book panel: selects its table's last selected rows again
    // (after a batch print).
    std::function<void()> reselectLastAddressBookRow;
};
