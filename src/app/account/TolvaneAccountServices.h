#pragma once
// What the postage-account windows (account panels, set-up wizard, the
// stamps edition's preferences) ask of the rest of the program, each behind
// a small interface with a real object and a fake in the tests:
//
//   TolvaneAccountHost          the application delegate: progress panel,
//                               account status refresh, set-up wizard,
//                               terminating, opening web pages, deferred work
//   TolvaneCorrectionPrinting   the indicium views and label layouts that
//                               print postage and date corrections
//
// The postage-server client, the account-information client, the partner
// label service, the mailing log and the credential store are used through
// their own shared instances and registration points.
#include "platform/Decimal.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QVShipment;

// The windows that the account panels know by name: where a sheet is shown,
// and which modal panel a step stops.
enum class TolvanePanelWindow {
    None,
    SignIn,            // the sign-in (initial settings) panel, application-modal
    AccountStatus,     // the account status panel
    BuyPostage,        // the buy-postage panel, modal
    Wizard,            // the account set-up wizard, application-modal
    StampsPreferences, // the stamps edition's preferences, modal
    Other              // the main window, the mailing-log window, ...
};

class TolvaneAccountHost
{
public:
    virtual ~TolvaneAccountHost() = default;
    // The progress panel (the text carries its ellipsis).
    virtual void setProgressTextString(const QString &text) = 0;
    virtual void hideProgressPanel() = 0;
    // refreshTolvaneStatus: of the application delegate.
    virtual void refreshTolvaneStatus() = 0;
    // showTolvaneWizard: of the application delegate.
    virtual void showTolvaneWizard() = 0;
    // Ends the application.
    virtual void terminate() = 0;
    virtual void launchURL(const QUrl &url) = 0;
    // Runs the work on a later pass of the event loop (also inside a modal
    // session).
    virtual void performLater(std::function<void()> work);
};

// The real host: the application delegate registered for the print flow
// (printing/flow/QVPrintFlowServices.h); terminating quits the event loop.
class ApplicationAccountHost : public TolvaneAccountHost
{
public:
    void setProgressTextString(const QString &text) override;
    void hideProgressPanel() override;
    void refreshTolvaneStatus() override;
    void showTolvaneWizard() override;
    void terminate() override;
    void launchURL(const QUrl &url) override;
};

// Where a correction is printed, decided by the user defaults "printerLabel"
// and "printerType" before anything is bought.
enum class CorrectionRoad {
    None,                 // this printer and label combination prints no correction
    PlainPaperIndicium,   // the dollar indicium view on an empty plain-paper label
    LabelPrinterIndicium, // the dollar indicium view on the maker's label stock
    Zebra                 // an EPL2 correction label on the Zebra printer
};

// The road for a label type and a printer type (their constants' texts).
CorrectionRoad correctionRoadForPrinter(const QString &labelType, const QString &printerType);
// The road for the stored user defaults.
CorrectionRoad currentCorrectionRoad();

// The texts of a dollar indicium for a postage correction.
struct CorrectionIndicium {
    QString postageClass;
    QString dollarAmount;
    QString mailedFrom;
    QString meterID;
    // A real correction only (a test print has none of these): the indicium
    // data drawn as the barcode, the date line and the web line.
    bool real = false;
    QByteArray indiciumData;
    QString date;
    QString webLine;
};

class TolvaneCorrectionPrinting
{
public:
    virtual ~TolvaneCorrectionPrinting() = default;
    // The fixed sample indicium data of sample and void labels.
    virtual QByteArray sampleIndiciumData() = 0;
    // Prints a postage correction on the road (not None); false when the
    // layout did not print.
    virtual bool printPostageCorrection(CorrectionRoad road, const CorrectionIndicium &indicium,
                                        const QVShipment &record, bool sample) = 0;
    // Prints a re-date mark ("REDATE", $0.00) for the date on the road.
    virtual bool printDateCorrection(CorrectionRoad road, const QDate &date, const QString &mailedFrom) = 0;
};

// The views and layouts of the imaging and printing libraries.
class LayoutCorrectionPrinting : public TolvaneCorrectionPrinting
{
public:
    QByteArray sampleIndiciumData() override;
    bool printPostageCorrection(CorrectionRoad road, const CorrectionIndicium &indicium, const QVShipment &record,
                                bool sample) override;
    bool printDateCorrection(CorrectionRoad road, const QDate &date, const QString &mailedFrom) override;
};

// Registration (nullptr brings back the real objects).
void setTolvaneAccountHost(std::shared_ptr<TolvaneAccountHost> host);
std::shared_ptr<TolvaneAccountHost> tolvaneAccountHost();
void setCorrectionPrinting(std::shared_ptr<TolvaneCorrectionPrinting> printing);
std::shared_ptr<TolvaneCorrectionPrinting> correctionPrinting();

// "$%.2f" of an amount: "$10.00".
QString dollarText(const Decimal &amount);
