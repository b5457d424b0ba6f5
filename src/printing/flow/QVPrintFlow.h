#pragma once
// The print flow: the main window's printing operations, which turn the
// window's shipment into a paid, printed and logged mail piece. The main
// window owns one and forwards its print commands to it; batch printing and
// automation enter through the same operations and read the flags it sets.
//
// Built so far:
// - Error reports and the mailing-log hand-off. Every road reports a failure
//   through printingErrorHasOccurred(): it hides the progress panel and sets
//   lastShipmentErrored; only with both a code and a description does it
//   report: in automation mode as the failure reason "Error <code> - <text>"
//   (no " <code>" for an empty code), otherwise as the alert "An error has
//   occurred." with "Tolvane has encountered an error while processing your
//   shipment." and "\n\nError <code>" (left out for an empty code) and
//   "\n\n<text>". No code (nothing) means the user cancelled: nothing is
//   shown. The customs-form and barcode-number questions answer 1 to go on
//   without the form or the number, 0 to stop (at once in automation mode).
// - The label-server road: the label is requested from the vendor's label
//   server or the partner label service; a reply with status "0" is paid.
//   On a real print the reply's values go into the print copy, the reply is
//   kept in the label archive (model/QVLabelArchive.h), the print copy is
//   written to the mailing log, and then the label is printed by a
//   QVPrintManager; a test print writes neither archive nor log. A label
//   that was paid but did not reach the printer is reported as a printing
//   error (the archive and the log entry stay, so it can be printed again).
// - Preflight: the checks of the window's shipment before anything is
//   bought (size, package data, services for the destination, label stock,
//   contact data, customs, address lines and their length, the account and
//   a printer), each failure told to the user (or silent where another
//   window is in front or automation runs).
// - The print (printLabelAsATest): a deep copy of the window's shipment (the
//   print copy) is prepared, the balance must cover it (without a valid
//   status reply the status is asked once more; still none is an error and
//   nothing is bought), and the piece takes the local-indicium road or the
//   label-server road. On the local road the customs form and the number
//   are obtained, then the postage is bought, the print copy written to the
//   mailing log and only then the indicium drawn and printed; a failure
//   after the purchase is a printing error with the piece logged. Only a
//   piece that reached its printer runs the after-print actions (receipt,
//   e-mail, number, post-print program, automation callback, web-store
//   completion, balance refresh, clearing). A test print asks no server for
//   money, logs nothing and leaves the window as it was.
//
// The window and the application delegate are reached through the hosts of
// QVPrintFlowServices.h, the servers through QVPrintFlowClients.h.
//
// Progress texts go to the host's progress panel (QVPrintFlowServices.h)
// with a trailing ellipsis; the mailing log is the registered one
// (model/MailingLogServices.h); the failure reason goes to the registered
// automation (platform/AutomationServices.h). Main thread only.
#include "model/QVShipment.h"
#include "model/XMLDocument.h"
#include "printing/flow/QVPrintFlowClients.h"
#include "printing/layouts/QVLayoutViews.h"
#include "printing/layouts/QVPrintManager.h"

#include <QImage>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>

#include <memory>

#include <optional>

class QVRHOLabelServerCommandCenter;

// User defaults read by the label-server road.
inline const QString QVOverrideFCMIPrintInfoKey = QStringLiteral("overrideFCMIPrintInfo");
inline const QString QVOverride2976APrintInfoKey = QStringLiteral("override2976APrintInfo");
inline const QString QVPrintCustomsSendersCopyKey = QStringLiteral("printCustomsSendersCopy");
inline const QString QVLogDebugInfoKey = QStringLiteral("logDebugInfo");

// User defaults read by the print flow and its preflight.
inline const QString QVUseRedavoKey = QStringLiteral("useRedavo");
inline const QString QVUseServiceStandardsKey = QStringLiteral("useServiceStandards");
inline const QString QVUpsMailInnovationsModeKey = QStringLiteral("upsMailInnovationsMode");
inline const QString QVUseVLSForEverythingDomesticKey = QStringLiteral("useVLSForEverythingDomestic");
inline const QString QVPrintCustomsInstructionsKey = QStringLiteral("printCustomsInstructions");
inline const QString QVPrepareEmailAfterPrintKey = QStringLiteral("prepareEmailAfterPrint");
inline const QString QVPrepareEmailAfterPrintEvenIfBlankKey = QStringLiteral("prepareEmailAfterPrintEvenIfBlank");
inline const QString QVCopyConfirmationNumberAfterPrintKey = QStringLiteral("copyConfirmationNumberAfterPrint");
inline const QString QVUseScriptPostProcessKey = QStringLiteral("useScriptPostProcess");
inline const QString QVScriptPostProcessKey = QStringLiteral("scriptPostProcess");
inline const QString QVPostProcessScriptAutomationOnlyKey = QStringLiteral("postProcessScriptAutomationOnly");
inline const QString QVDefaultURLHandlerURLKey = QStringLiteral("defaultURLHandlerURL");
inline const QString QVClearDestinationAddressAfterPrintKey = QStringLiteral("clearDestinationAddressAfterPrint");
inline const QString QVClearCustomsAfterPrintKey = QStringLiteral("clearCustomsAfterPrint");
inline const QString QVClearInsuranceAfterPrintKey = QStringLiteral("clearInsuranceAfterPrint");
inline const QString QVClearDimensionsAfterPrintKey = QStringLiteral("clearDimensionsAfterPrint");

// The confirmation number a test print shows.
inline const QString QVSampleConfirmNumber = QStringLiteral("00040000745000000001");

namespace tolvane {

// How a piece goes to the label server: the printer and label types the
// label is requested and printed with, and whether the partner label service
// sells it.
struct QVLabelServerRoute {
    QString printerType;
    QString labelType;
    bool briskoOne = false;

    friend bool operator==(const QVLabelServerRoute &, const QVLabelServerRoute &) = default;
};

// What the local-indicium road is given by the flow.
struct QVLocalRoad {
    QString labelType;
    bool test = false;
    bool envelope = false; // a letter or postcard printed on the piece itself
    bool stealth = false;
    bool usePostage = true;
    bool numbersFromLabelServer = false;
};

class QVPrintFlow
{
public:
    QVPrintFlow();
    ~QVPrintFlow();
    QVPrintFlow(const QVPrintFlow &) = delete;
    QVPrintFlow &operator=(const QVPrintFlow &) = delete;

    // ---- State
    // Set by every reported printing error; cleared by the flow after a
    // finished print and by batch printing before each item.
    bool lastShipmentErrored() const { return m_lastShipmentErrored; }
    void setLastShipmentErrored(bool errored) { m_lastShipmentErrored = errored; }
    // Print-info settings that turn the next print into a PDF (empty for
    // paper); handed to the print manager.
    const QVariantMap &pendingPrintInfoPropertiesForPDF() const { return m_pendingPDF; }
    void setPendingPrintInfoPropertiesForPDF(const QVariantMap &properties) { m_pendingPDF = properties; }

    // Set by a successful preflight (the print then does not check again);
    // cleared after every finished print.
    bool currentShipmentIsGo() const { return m_currentShipmentIsGo; }
    void setCurrentShipmentIsGo(bool go) { m_currentShipmentIsGo = go; }
    // The automation callback answered after the next printed piece.
    std::optional<QUrl> pendingCallbackURL() const { return m_pendingCallbackURL; }
    void setPendingCallbackURL(const std::optional<QUrl> &url) { m_pendingCallbackURL = url; }

    // ---- Preflight
    // Whether the window's shipment may be printed; sets currentShipmentIsGo.
    bool preflightCurrentShipment();
    // Whether the recipient's address fits the customs form printed with it.
    bool preflightCurrentAddress();

    // ---- The print
    // The whole flow on a print copy of the window's shipment; true when the
    // piece was printed and its after-print actions ran. A test prints a void
    // sample without charging or logging.
    bool printLabelAsATest(bool test);
    // Whether the print copy takes the local-indicium road (else the label
    // server's).
    static bool takesLocalRoad(const QVShipment &printCopy, bool usePostage, bool possibleBriskoOne);
    // The label type the piece is drawn with: a Zebra label type as plain
    // paper while PDF output is pending.
    static QString labelTypeForOutput(const QString &labelType, const QVariantMap &pendingPDF);

    // ---- The local-indicium road
    // Customs form, number, postage, log entry, layout and print, customs
    // form print; false when the flow ended (the error reported or the user
    // cancelled).
    bool printLocalIndicium(const std::shared_ptr<QVShipment> &shipment, const QVLocalRoad &road);
    // The PDF of the shipment's indicium; unless a sample, the indicium bytes
    // stored in the shipment, else bought (and stored); nothing when none
    // could be had.
    std::optional<QByteArray> indiciumPDFDataWithShipment(QVShipment &shipment, bool stealth, bool sample,
                                                          bool envelope = false);
    // The sample indicium's picture.
    QVLayoutImage fakeIndiciumForShipment(QVShipment &shipment, bool stealth, bool envelope);
    // The label types the road has a layout for.
    static bool hasLocalLayout(const QString &labelType, bool envelope);

    // ---- After printing
    void afterPrint(QVShipment &printCopy, bool test, bool usePostage);
    // The "Package" element of the automation callback.
    static QString callbackPackageXML(const QVShipment &printCopy, const QString &toEmail);

    // ---- Progress
    // Shows the text with its trailing ellipsis in the progress panel.
    void showProgress(const QString &text);

    // ---- Error reports and the mailing log
    // "Writing to mailing log", the mailing log's write, then "Printing";
    // the log's answer.
    bool writeShipmentToLog(const QVShipment &shipment);
    // Before anything is bought: false (reported) while the mailing log
    // cannot take entries, so that no piece is paid without its entry.
    bool mailingLogTakesEntries();
    // The log entry of a piece already paid for: written to the log, else
    // kept beside it (the user is told, the piece may print); false
    // (reported) when neither took it, and the piece must not print.
    bool logPaidPiece(const QVShipment &shipment);
    void printingErrorHasOccurred(const std::optional<QString> &code, const std::optional<QString> &description);
    int customsErrorHasOccurred(const QString &code, const QString &description);
    int confirmErrorHasOccurred(const QString &code, const QString &description);

    // ---- The label-server road
    // The route of a piece: with "overrideFCMIPrintInfo" and a piece eligible
    // for integrated customs forms or a 2976 FCMI/PMI form, or with
    // "override2976APrintInfo" and a 2976-A EMI/PMI form: plain paper on the
    // plain-paper printer; otherwise the given printer and label types, on
    // the maker's Tagwright printer every stock but 8836105 as plain paper.
    // `possibleBriskoOne` (isPossibleBriskoOne of the print copy) chooses the
    // partner.
    static QVLabelServerRoute labelServerRouteForShipment(const QVShipment &shipment, const QString &printerType,
                                                          const QString &labelType, bool possibleBriskoOne);
    // The route's road: the partner's or the vendor's.
    bool printLabelServerShipment(QVShipment &shipment, bool test, const QVLabelServerRoute &route);
    // "Generating shipping label", then the vendor's label server.
    bool printShipment(QVShipment &shipment, bool test, const QString &labelType);
    // Marks the postage stealth, "Generating Brisko shipping label", then the
    // partner label service.
    bool printBriskoOneShipment(QVShipment &shipment, bool test, const QString &labelType);
    // The request, storage and hand-off; true when the label was obtained and
    // printed.
    bool printShipment(QVShipment &shipment, bool test, const QString &labelType,
                       QVRHOLabelServerCommandCenter &commandCenter);
    // The preview image of a label-server label: the single Base64 image,
    // else the part with the lowest part number; nothing (the error
    // reported) when there is no label, nothing when it is no image.
    std::optional<QImage> previewImageForShipment(const QVShipment &shipment, const QString &labelType,
                                                  QVRHOLabelServerCommandCenter &commandCenter);

    // The print copy of the last print (null before the first).
    std::shared_ptr<const QVShipment> lastPrintCopy() const { return m_lastPrintCopy; }

    // The print manager of the last label printed (for the flow's callers
    // and tests); null before the first.
    const QVPrintManager *lastPrintManager() const { return m_printManager.get(); }

private:
    // Preflight steps.
    bool preflightSize(const QVShipment &shipment);
    bool preflightPackageData(const QVShipment &shipment);
    bool preflightServices(const QVShipment &shipment);
    bool preflightLabelStock(const QVShipment &shipment, const QString &labelType);
    bool preflightCustoms(const QVShipment &shipment);
    bool preflightAccountAndPrinter(const QString &printerType);
    bool incompatibleLabels(const QString &messageText, const QString &informativeText);
    bool phoneMissing(const QString &messageText, const QString &informativeText);
    void reportAddressError(const QString &text);
    // The balance covers the total (the loop of the buy-postage alert).
    bool balanceCovers(const QVShipment &printCopy);
    // The piece has a price: a postage or total of zero (a piece the price
    // tables do not price) is no price, and nothing is bought for it.
    bool priceIsKnown(const QVShipment &printCopy);
    // Local-road steps.
    struct CustomsPrint;
    bool obtainCustomsForm(QVShipment &shipment, bool test, CustomsPrint &customs);
    void printCustomsForm(CustomsPrint &customs);
    bool obtainNumber(QVShipment &shipment, const QVLocalRoad &road);
    bool takeLabelServerNumber(QVShipment &shipment);
    bool printLayout(const std::shared_ptr<QVShipment> &shipment, const QVLocalRoad &road);
    // Buys the indicium (when the shipment holds none) and writes the log
    // entry; false (reported) when the postage could not be had.
    bool buyPostageAndLog(QVShipment &shipment, const QVLocalRoad &road);
    void reportClientError(const QVClientError &error);
    // After a customs or number question answered 0: the client's error in
    // automation, nothing more otherwise.
    void stopAfterQuestion(const QVClientError &error);
    // A null text as nothing.
    static std::optional<QString> present(const QString &text);
    void runPostPrintScript();
    void sendCallback(const QVShipment &printCopy);
    void completeWebStoreOrders(const QVShipment &printCopy);
    void clearAfterPrint(bool webStoreOrder);

    int askToContinue(const QString &informativeTemplate, const QString &continueTitle, const QString &code,
                      const QString &description);
    // Reports the client's last error.
    void reportClientError(const QVRHOLabelServerCommandCenter &commandCenter);
    // Reports a reply whose status is not "0"; true when the status is "0".
    bool checkReplyStatus(const QVXMLDocument &reply);

    bool m_lastShipmentErrored = false;
    bool m_currentShipmentIsGo = false;
    std::optional<QUrl> m_pendingCallbackURL;
    std::shared_ptr<const QVShipment> m_lastPrintCopy;
    QVariantMap m_pendingPDF;
    std::unique_ptr<QVPrintManager> m_printManager;
};

} // namespace tolvane
