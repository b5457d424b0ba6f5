#pragma once
// The EPL2 command stream of a 4 x 6 in label for a Zebra printer: the paid
// shipping label of a shipment with a locally drawn indicium, the
// date-correction and the postage-correction label.
//
// The stream is collected in a byte buffer: the header (from the Zebra
// settings) at creation, then the body in the order it is added (filled
// templates, address lines, Intelligent Mail bars as "LO" line draws, the
// indicium as a "GW" bitmap), and "P1\n" added to a copy by labelData().
// Coordinates are printer dots; the label is 816 dots wide and 1218 long.
// Text goes in as Windows-1252 (lossy, never failing), line ends are LF.
// The delivery address (from x 165) is set in font 4 when its longest line
// fits the label's width, else in the largest smaller font that it fits
// (the "toFont" value of the address templates), so that lines of 47
// characters stay on the label.
//
// Templates are the bundle's "epl2" resources (folder "epl2" of the
// resources), read as UTF-8; "<%key%>" takes the value of the key, a key
// without a value vanishes. Every value is written escaped exactly once
// for a quoted EPL2 field (backslash doubled, double quote after a
// backslash, CR and LF as blanks), so no value can end its command or start
// another one.
//
// Controllers are short-lived and used on the main thread.
#include "printing/thermal/Zebra2844.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVShipment;

namespace tolvane {

class QVEPL2LabelController
{
public:
    QVEPL2LabelController();
    virtual ~QVEPL2LabelController() = default;
    QVEPL2LabelController(const QVEPL2LabelController &) = delete;
    QVEPL2LabelController &operator=(const QVEPL2LabelController &) = delete;

    // ---- Factories ---------------------------------------------------------
    // Header and the shipping-label body; no indicium.
    static std::unique_ptr<QVEPL2LabelController> epl2ControllerWithShipment(const QVShipment &shipment);
    // Header and the "DollarIndicium" block of a re-date.
    static std::unique_ptr<QVEPL2LabelController> epl2ControllerForDateCorrectionDate(const QDateTime &date,
                                                                                      const QString &mailedFrom);
    // Header, indicium bitmap, the "DollarIndicium" block of a correction
    // and, for a sample, the void mark. Nothing when a real piece's symbol
    // cannot be made (postage is never printed without its symbol).
    static std::unique_ptr<QVEPL2LabelController>
    epl2ControllerForPostageCorrectionShipment(const QVShipment &shipment, const QByteArray &indiciumData, bool sample);

    // Whether the destination address converts to Windows-1252 without
    // loss; nothing else of the shipment is looked at.
    static bool canShipmentBeConvertedToEPL2(const QVShipment &shipment);

    // The stream header from the user defaults zebraSpeed, zebraDarkness
    // and zebraOrientation: LF, ESC "EPL2", "q816", "Q1218,24+0", "S"speed,
    // "D"darkness, "Z"orientation, "WN", "UN", "I8,A,001", "N", each line
    // ended by LF.
    static QString preContentString();
    static QByteArray preContentData();
    // "P1\n".
    static QString postContentString();

    // A text made safe for a quoted EPL2 field: backslash doubled, double
    // quote after a backslash, CR and LF as blanks.
    static QString escapedFieldValue(const QString &text);
    // (810 - n * w) / 2 rounded down, never below 0, for n characters at w
    // dots a character.
    static QString centeredStartPoint(const QString &text, int dotsPerCharacter);

    // ---- The stream ---------------------------------------------------------
    const QByteArray &epl2Data() const { return m_epl2Data; }
    void appendData(const QByteArray &bytes) { m_epl2Data.append(bytes); }
    void appendString(const QString &text);

    // The template's text, or nothing when it is missing or unreadable (a
    // name holding a path separator finds nothing).
    static std::optional<QString> stringForTemplateName(const QString &name);
    // Fills the template with the (unescaped) values and appends it; a
    // missing template appends nothing.
    void setValues(const QVariantMap &values, const QString &templateName);
    // The mail-class block of a rate class (by exact name), with the
    // service banner when given.
    void setMailClass(const QString &rateClassName, const std::optional<QString> &serviceBanner);
    // The Intelligent Mail bars of the barcode text (tracking code and
    // routing code), one "LO" command a bar from x 168 every 9 dots; nothing
    // for a text the encoder refuses.
    void setConfirmNumber(const QString &barcodeText);
    // The "footer" template with "bottomCustomField", when the text is not
    // empty.
    void setFooterField(const QString &text);

    // The PDF417 symbol of the bytes filling a 520 x 125 grey image (0 black,
    // 255 white); a null image when no symbol can be made.
    static QImage bitmapForData(const QByteArray &indiciumData);
    // "GWx,y,W,h," and the packed rows of a grey image: one bit a pixel,
    // most significant first, 0 for a black (0) sample, 1 for any other;
    // W = width / 8 rounded up, the last byte of a row filled with 1 bits.
    void addBitmap(const QImage &bitmap, int x, int y);
    // The indicium bitmap at x 252, y 115 with a discount (commercial
    // pricing), else y 93. False (nothing appended) when no symbol can be
    // made.
    bool setIndiciumData(const QByteArray &indiciumData, bool discount);
    // The indicium bitmap (when bytes are given) and the indicium block.
    // False when the given bytes make no symbol; the block is added anyway.
    bool setIndiciumWithShipment(const QVShipment &shipment, const std::optional<QByteArray> &indiciumData,
                                 bool stealth, bool sample);
    // The "Void" template as it stands.
    void voidDoNotMail();

    // A copy of the stream with "P1\n" added; the same bytes on every call.
    QByteArray labelData() const;
    // Sends labelData() through the Zebra raw output.
    ZebraWriteOutcome printLabel() const;

protected:
    // For the indicium's template values.
    static void addIndiciumTexts(const QVShipment &shipment, bool sample, QVariantMap &values);

private:
    QByteArray m_epl2Data;
};

} // namespace tolvane
