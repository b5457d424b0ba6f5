#pragma once
// The dollar indicium: postage amount, date, postage class, meter number,
// mailing-office line, the vendor's web-address line and the PDF417 barcode.
//
//   QVDollarIndiciumView                   175 x 110  form "DollarView"  labels, date corrections
//   QVEnvelopeDollarIndiciumView           216 x 129  "EnvelopeDollarView"  envelopes and postcards
//   QVEnvelopeLeftAlignDollarIndiciumView  400 x 129  "EnvelopeLeftAlignDollarView"  postage aligned left
//
// Only the label view has the commercial-pricing line. The views format
// nothing: callers give every text as it is to be printed.
#include "QVIndiciumView.h"

#include <QDate>

#include <memory>

namespace tolvane {

// The user default that puts envelope postage on the left.
inline const QString QVEnvelopeAlignPostageLeftKey = QStringLiteral("envelopeAlignPostageLeft");

class QVDollarIndiciumViewBase : public QVIndiciumView
{
    Q_OBJECT

public:
    QVTextField *dollarAmountField() const { return m_dollarAmount; }
    QVTextField *postageClassField() const { return m_postageClass; }
    void setPostageClass(const QString &text);
    void setDollarAmount(const QString &text);

protected:
    using QVIndiciumView::QVIndiciumView;
    void setDollarOutlets(QVTextField *dollarAmount, QVTextField *postageClass);
    // The re-date mark: no sample marks, "$0.00", the date as "Mon dd yyyy",
    // class "REDATE", empty web and meter lines, no barcode, no pricing line.
    void becomeDateCorrection(const QDate &date);

private:
    QVTextField *m_dollarAmount = nullptr;
    QVTextField *m_postageClass = nullptr;
};

class QVDollarIndiciumView : public QVDollarIndiciumViewBase
{
    Q_OBJECT

public:
    explicit QVDollarIndiciumView(QWidget *parent = nullptr);
    // A new view set up as a re-date mark for the date.
    static std::unique_ptr<QVDollarIndiciumView> dateCorrectionViewForDate(const QDate &date);
};

class QVEnvelopeDollarIndiciumView : public QVDollarIndiciumViewBase
{
    Q_OBJECT

public:
    // The envelope indicium callers get: the left-aligned form when the user
    // default "envelopeAlignPostageLeft" is on, else this class.
    static std::unique_ptr<QVEnvelopeDollarIndiciumView> create();
    // A new view (by create()) set up as a re-date mark for the date.
    static std::unique_ptr<QVEnvelopeDollarIndiciumView> dateCorrectionViewForDate(const QDate &date);

    // This class, 216 x 129, whatever the default says.
    explicit QVEnvelopeDollarIndiciumView(QWidget *parent = nullptr);

protected:
    struct NoForm {};
    // A subclass of the given size that loads its own form.
    QVEnvelopeDollarIndiciumView(const QSize &size, NoForm, QWidget *parent);
};

class QVEnvelopeLeftAlignDollarIndiciumView : public QVEnvelopeDollarIndiciumView
{
    Q_OBJECT

public:
    explicit QVEnvelopeLeftAlignDollarIndiciumView(QWidget *parent = nullptr);
};

} // namespace tolvane
