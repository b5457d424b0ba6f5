#pragma once
// The records of one logged piece: QVMailingRecordController fills the
// printable mailing record (layout "MailingRecord": service, tracking number,
// postage, weight, dates, addresses) and hands out its print operation;
// QVExpressMailMailingRecordController does the same on the Express Mail
// customer record (layout "EMMailingRecord": a background picture, check
// marks and the tracking barcode); QVMailingLogEntryController shows the log
// text of one entry (layout "LogEntry").
//
// Fields hold "<%" key "%>" placeholders filled by template substitution;
// keys the values lack leave their places empty. Amounts use the record
// number format (decimal, no grouping, at least two and at most three
// decimals, "." as separator); dates "MM/dd/yy".
//
// Print settings: every record prints with the printer set-up's plain-paper
// settings "mailingRecordPaperInfo" (printInfo()); setPrintInfo() keeps
// nothing, so a print never changes them. Main thread only.
#include "model/QVShipment.h"
#include "platform/Decimal.h"
#include "platform/PrintInfo.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <optional>

class QPlainTextEdit;
class QVPrintOperation;

namespace tolvane {
class QVCode128View;
class QVImageView;
class QVTextField;
} // namespace tolvane

class QVMailingRecordController
{
public:
    // Loads the layout "MailingRecord".
    QVMailingRecordController();
    virtual ~QVMailingRecordController();
    QVMailingRecordController(const QVMailingRecordController &) = delete;
    QVMailingRecordController &operator=(const QVMailingRecordController &) = delete;

    static PrintInfo printInfo();
    static void setPrintInfo(const PrintInfo &printInfo) { (void)printInfo; }

    // "###0.00#" in the POSIX locale: nothing when the value is not a
    // number.
    static std::optional<QString> recordNumberString(const QVariant &value);
    static QString recordDateString(const QDateTime &date);

    // The values of the record (see the layout's placeholders).
    static QVariantMap valuesForShipment(const QVShipment &shipment);
    virtual void setValuesWithShipment(const QVShipment &shipment);
    // Fills every text and address field of the receipt from its template.
    void setStringsWithDictionary(const QVariantMap &values);

    QWidget *receiptView() const { return m_receiptView; }
    // The view that is printed.
    virtual QWidget *printView() const { return m_receiptView; }
    // A print operation of printView() under printInfo(); the caller runs it.
    std::unique_ptr<QVPrintOperation> printOperation() const;
    static QString printJobTitle() { return QStringLiteral("Mailing Record"); }
    // The text of a field of the layout by its name (for callers that check
    // what a record shows).
    QString fieldText(const QString &name) const;

protected:
    struct NoLayout {};
    explicit QVMailingRecordController(NoLayout) {}
    std::unique_ptr<QWidget> m_window;
    QWidget *m_receiptView = nullptr;
};

class QVExpressMailMailingRecordController : public QVMailingRecordController
{
public:
    // Loads the layout "EMMailingRecord" and places the receipt on the
    // background picture.
    QVExpressMailMailingRecordController();

    // Background picture names.
    static QString standardBackgroundName() { return QStringLiteral("CustomerOnlineRecord_outlines-mar08"); }
    static QString premiumBackgroundName() { return QStringLiteral("CustomerOnlineRecord_outlines-premium"); }
    // The background picture of that name (drawn once and kept).
    static tolvane::QVLayoutImage backgroundImage(const QString &name);

    static QVariantMap expressValuesForShipment(const QVShipment &shipment);
    // Background, check-box places, barcode and values.
    void setValuesWithShipment(const QVShipment &shipment) override;

    QWidget *printView() const override { return m_content; }
    tolvane::QVImageView *imageView() const { return m_imageView; }
    QString backgroundName() const { return m_backgroundName; }
    // The tracking barcode: the GS1-128 view, or the Code 39 view that took
    // its place.
    tolvane::QVCode128View *barcode() const { return m_barcode; }
    tolvane::QVTextField *noWeekend() const { return m_noWeekend; }
    tolvane::QVTextField *noHoliday() const { return m_noHoliday; }

private:
    QWidget *m_content = nullptr;
    tolvane::QVImageView *m_imageView = nullptr;
    tolvane::QVCode128View *m_barcode = nullptr;
    tolvane::QVTextField *m_noWeekend = nullptr;
    tolvane::QVTextField *m_noHoliday = nullptr;
    QString m_backgroundName;
    bool m_checkBoxesMoved = false;
};

class QVMailingLogEntryController
{
public:
    // Loads the layout "LogEntry" and shows the shipment.
    explicit QVMailingLogEntryController(std::shared_ptr<QVShipment> shipment);
    ~QVMailingLogEntryController();
    QVMailingLogEntryController(const QVMailingLogEntryController &) = delete;
    QVMailingLogEntryController &operator=(const QVMailingLogEntryController &) = delete;

    std::shared_ptr<QVShipment> shipment() const { return m_shipment; }
    void setShipment(std::shared_ptr<QVShipment> shipment);
    QWidget *window() const { return m_window.get(); }
    QPlainTextEdit *textField() const { return m_textField; }

private:
    std::unique_ptr<QWidget> m_window;
    QPlainTextEdit *m_textField = nullptr;
    std::shared_ptr<QVShipment> m_shipment;
};
