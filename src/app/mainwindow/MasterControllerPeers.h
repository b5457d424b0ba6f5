#pragma once
// What the main-window controller hands over to the parts of the program
// beside it, as small interfaces that tests answer with fakes:
//   - MasterStampWindow: the stamp window's controller, which takes the
//     weight steps, sheet counts and the weigh command in the stamp
//     printing mode and decides there whether weigh and Print Selected are
//     on;
//   - MasterScale: the scale set-up's scale type, a reading of the USB or
//     serial scale, and the scale set-up window;
//   - MasterClipboard: the desktop's clipboard (text only);
//   - MasterInsurance: what the account-information client says of the
//     vendor's insurance, and the insurance fee of a shipment;
//   - MasterHandOvers: the windows and pages the small actions of the main
//     window open (international information, APO/FPO restrictions, the
//     service-commitments page, the flat-file address import, the recipient
//     notice of the last logged piece, the help overlay).
// A controller given none of them gets stand-ins that do nothing, answer
// "no scale", "no stamp window" and "insurance allowed".
#include "platform/Decimal.h"

#include <QDateTime>
#include <QString>

#include <optional>

class QVShipment;

class MasterStampWindow
{
public:
    virtual ~MasterStampWindow() = default;
    // Weight steps of the stamp window (rateUp:, rateDown:).
    virtual void rateUp() = 0;
    virtual void rateDown() = 0;
    // Sheet count steps (sheetCountUp:, sheetCountDown:).
    virtual void sheetCountUp() = 0;
    virtual void sheetCountDown() = 0;
    // tessaroWeigh:
    virtual void weigh() = 0;
    // 1 sheets, 2 rolls.
    virtual int currentMode() = 0;
    // The number of selected stamp cells of the sheet.
    virtual int selectedCellCount() = 0;
    // Shows or hides the stamp view's status bar (toggleStatusBar:).
    virtual void toggleStatusBar() {}
};

class MasterScale
{
public:
    enum Type { None = 0, Serial = 1, USB = 2 };
    virtual ~MasterScale() = default;
    // The scale set-up's scale type (a Type, or another number).
    virtual int scaleType() = 0;
    // The USB scale's reading in ounces; nothing when no USB scale answered.
    virtual std::optional<double> usbRawOunces() = 0;
    // The serial scale's last reading in tenths of an ounce; nothing when
    // there is no serial scale or it has not given a valid reading yet.
    virtual std::optional<int> serialWeightInTenths() = 0;
    // Shows the scale set-up window.
    virtual void showScaleSetup() = 0;
};

class MasterClipboard
{
public:
    virtual ~MasterClipboard() = default;
    // The text becomes the clipboard's only content.
    virtual void setText(const QString &text) = 0;
};

class MasterInsurance
{
public:
    virtual ~MasterInsurance() = default;
    // The account holds the insurance agreement.
    virtual bool insuranceAgreement() = 0;
    // The account may still buy the vendor's insurance.
    virtual bool tolvaneInsuranceAllowed() = 0;
    // The vendor insurance's fee for the shipment's stored value (zero when
    // it cannot be insured).
    virtual Decimal insuranceCost(const QVShipment &shipment) = 0;
};

class MasterHandOvers
{
public:
    virtual ~MasterHandOvers() = default;
    // The shared international information window, shown and set to the
    // country.
    virtual void showInternationalInformation(const QString &country) = 0;
    // The APO/FPO restrictions window of the military ZIP code.
    virtual void showAPORestrictions(const QString &zip5) = 0;
    // The USPS service-commitments page for the ship date and the two ZIP
    // codes.
    virtual void showExpressMailCommitments(const QDateTime &shipDate, const QString &originZIP5,
                                            const QString &destinationZIP5) = 0;
    // The flat-file address import of the address-book panel.
    virtual void importAddressFile() = 0;
    // The newest piece of the mailing log sends its recipient notice.
    virtual void sendLastShipmentEmailNotification() = 0;
    // The application's help overlay over the main window.
    virtual void showOverlay() = 0;
};
