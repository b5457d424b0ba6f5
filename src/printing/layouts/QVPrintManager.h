#pragma once
// QVPrintManager prints a finished label that the label server (or the
// partner label service) sent back as an XML document: the label comes as
// one or more Base64 parts. On a Zebra printer (label types QVEPL2Label and
// QVZPLIILabel) the parts are EPL2 or ZPL command data, edited for custom
// text and military mail and sent raw through Zebra2844::writeData(); on
// plain paper and the maker's 4 x 6 in stock (QVKIVO8836105Label) they are
// images placed in a print view and printed through the print operation
// under the job title "Tolvane Label". The label-server road of the print
// flow and the mailing log's reprint make one instance per label.
//
// Parts (labelArrayForLabelServerXML): the last "Base64LabelImage" element
// of the document, or else every "Image" element of every "Label" element,
// sorted by part number (the attribute "PartNumber", else a child element of
// that name; compared as numbers, "10" after "9"; parts without a number
// follow in document order). The Base64 text of a part is the element's own
// text.
//
// Range: a part takes part when location <= index < location + length;
// QVLabelRange::all as the length means every part to the end. The print
// flow passes (0, 3), or (0, all) when the customs sender's copy is wanted.
//
// The raw stream: an EPL2 label follows the EPL2 set-up lines
// (QVEPL2LabelController::preContentData()); a ZPL label is sent as it is.
//
// Outcome: true when the label reached the printer: on the raw road when
// Zebra2844::writeData() sent the stream (false when there was nothing to
// send, when it failed, or when the user cancelled its retry alert; see
// rawOutcome()); on the image roads the print operation's result; for other
// label types nothing is printed and the answer is true. errorString()
// tells why a label did not print.
//
// On the 4 x 6 stock a label image taller than wide is turned a quarter
// clockwise for the landscape page (which the print operation turns a
// quarter counterclockwise onto the stock), so that it prints upright.
//
// Edits of raw data (only EPL2 and ZPL; images are never searched as text):
// - military mail, with a text in the user default "cp72OverlayImagePath":
//   the first "CN22" becomes "CP72", the first "Form 2976" "Form 2976A", and
//   in EPL2 the CP72 wording (the description and four turned lines) follows
//   the first CR LF "N" CR LF; the description stands at 15,1200, or one
//   line above (15,1184) when the piece also carries the custom text below;
// - a foreign piece, or a domestic one eligible for integrated customs
//   forms, with a bottom custom field: in EPL2 the text command
//   A15,1200,0,1,1,1,N,"<text>" follows the first CR LF "N" CR LF; in ZPL
//   "^FO15,1200^A0N,17,17^FD" CR LF <text> CR LF "^FS" CR LF follows the
//   first "^XA" CR LF.
// Texts go in as lossy ASCII and cannot break out of their command: in EPL2
// (custom text and description) backslash and double quote are escaped, in
// ZPL "^" and "~" (which would start a command) become blanks, and CR and LF
// become blanks in both.
//
// Main thread only.
#include "model/QVShipment.h"
#include "model/XMLDocument.h"
#include "platform/PrintInfo.h"
#include "printing/setup/QVPrinterTypes.h"
#include "printing/thermal/Zebra2844.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <limits>
#include <memory>
#include <optional>

namespace tolvane {

class QV2UpPortraitLabelPrintView;
class QVPortraitLabelView;

struct QVLabelRange {
    static constexpr qsizetype all = std::numeric_limits<qsizetype>::max();
    qsizetype location = 0;
    qsizetype length = all;

    bool contains(qsizetype index) const { return index >= location && (length == all || index - location < length); }
};

inline const QString QVCP72OverlayImagePathKey = QStringLiteral("cp72OverlayImagePath");

class QVPrintManager
{
public:
    QVPrintManager();
    ~QVPrintManager();
    QVPrintManager(const QVPrintManager &) = delete;
    QVPrintManager &operator=(const QVPrintManager &) = delete;

    // The label's parts (see above); nothing when the document has no root.
    static std::optional<QList<QVXMLNode>> labelArrayForLabelServerXML(const QVXMLDocument &document);
    // The Base64 text of a part and its bytes (empty when it does not decode).
    static QString textOfPart(const QVXMLNode &part);
    static QByteArray dataOfPart(const QVXMLNode &part);

    bool printLabelServerXML(const QVXMLDocument &document, const QVShipment &shipment, const QString &labelType,
                             const QVLabelRange &range, const QVariantMap &printInfoExtras = QVariantMap());

    // The military-mail edits (see above); the data unchanged when they do
    // not apply.
    static QByteArray modifyLabelData(const QByteArray &data, const QString &labelType, const QVShipment &shipment);
    // The custom-text edits.
    static QByteArray epl2DataForShipment(const QVShipment &shipment, const QByteArray &data);
    static QByteArray zplDataForShipment(const QVShipment &shipment, const QByteArray &data);
    // For each pair in order, the first occurrence of its key's bytes (lossy
    // ASCII) in the data so far is replaced by its value's bytes; empty data
    // or an empty key changes nothing.
    static QByteArray replaceBytesInData(const QByteArray &data, const QList<QPair<QString, QString>> &replacements);
    // A text made safe for a ZPL field: "^", "~", CR and LF become blanks.
    static QString neutralizedZPLText(const QString &text);

    // True when the print system lists a printer of exactly that name whose
    // state is stopped; false when the list cannot be had or no printer has
    // the name.
    static bool printQueueIsStoppedForPrinterNamed(const QString &printerName);

    // The custom strings of the image layouts: "topCustomField" and
    // "bottomCustomField" for a foreign piece or a domestic one eligible for
    // integrated customs forms, else none.
    static QVariantMap customStringsForShipment(const QVShipment &shipment);

    // After a print: why the label did not print (empty when it did), the
    // raw road's outcome (nothing when no raw stream was written), the view
    // that was printed and its print info (for the image roads).
    QString errorString() const { return m_error; }
    std::optional<ZebraWriteOutcome> rawOutcome() const { return m_rawOutcome; }
    QWidget *printedView() const { return m_printedView; }
    const PrintInfo &printInfo() const { return m_printInfo; }

private:
    bool printRaw(const QByteArray &buffer, const QString &labelType);
    bool printPlainPaper(const QList<QImage> &images, qsizetype partCount, const QVariantMap &strings,
                         const QVariantMap &extras);
    bool print4x6(const QList<QImage> &images, const QString &labelType, const QVariantMap &strings,
                  const QVariantMap &extras);
    bool runOperation(QWidget *view, const PrintInfo &printInfo);

    QString m_error;
    std::optional<ZebraWriteOutcome> m_rawOutcome;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<QV2UpPortraitLabelPrintView> m_sheet;
    QWidget *m_printedView = nullptr;
    PrintInfo m_printInfo;
};

} // namespace tolvane
