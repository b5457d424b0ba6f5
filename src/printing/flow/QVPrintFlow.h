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
//
// Progress texts go to the host's progress panel (QVPrintFlowServices.h)
// with a trailing ellipsis; the mailing log is the registered one
// (model/MailingLogServices.h); the failure reason goes to the registered
// automation (platform/AutomationServices.h). Main thread only.
#include "model/QVShipment.h"
#include "model/XMLDocument.h"
#include "printing/layouts/QVPrintManager.h"

#include <QImage>
#include <QString>
#include <QVariantMap>

#include <optional>

class QVRHOLabelServerCommandCenter;

// User defaults read by the label-server road.
inline const QString QVOverrideFCMIPrintInfoKey = QStringLiteral("overrideFCMIPrintInfo");
inline const QString QVOverride2976APrintInfoKey = QStringLiteral("override2976APrintInfo");
inline const QString QVPrintCustomsSendersCopyKey = QStringLiteral("printCustomsSendersCopy");
inline const QString QVLogDebugInfoKey = QStringLiteral("logDebugInfo");

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

    // ---- Progress
    // Shows the text with its trailing ellipsis in the progress panel.
    void showProgress(const QString &text);

    // ---- Error reports and the mailing log
    // "Writing to mailing log", the mailing log's write, then "Printing";
    // the log's answer.
    bool writeShipmentToLog(const QVShipment &shipment);
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

    // The print manager of the last label printed (for the flow's callers
    // and tests); null before the first.
    const QVPrintManager *lastPrintManager() const { return m_printManager.get(); }

private:
    int askToContinue(const QString &informativeTemplate, const QString &continueTitle, const QString &code,
                      const QString &description);
    // Reports the client's last error.
    void reportClientError(const QVRHOLabelServerCommandCenter &commandCenter);
    // Reports a reply whose status is not "0"; true when the status is "0".
    bool checkReplyStatus(const QVXMLDocument &reply);

    bool m_lastShipmentErrored = false;
    QVariantMap m_pendingPDF;
    std::unique_ptr<QVPrintManager> m_printManager;
};

} // namespace tolvane
