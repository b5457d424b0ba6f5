#pragma once
// Stamp indicium views: one stamp of a sheet or roll with its 12 x 36 Data
// Matrix symbol, meter ID, mailed-from ZIP Code, the amount with its
// tenth-of-a-cent digit, the mail class, the piece count and a
// rate-classification line, on a white ground.
//
//   QVStampIndiciumView      80 x 144  form "StampView"      symbol turned -90 degrees
//   QVStamp2000IndiciumView  80 x 144  form "Stamp2000View"  symbol upright
//
// The stamp window's calling order: construct; setTheBarcode; setTheMailedFrom;
// setDrawVoidBarcode; setTheDollarAmount; setTheMailClass; setRateClassification;
// setTheMeterID; setThePieceCount. Its roll-stamp view is a subclass that
// loads its own form through the protected constructor.
#include "QVDataMatrixBarcode.h"

#include "barcodes/imaging/QVTextField.h"

#include <QVariant>
#include <QWidget>

#include <memory>

namespace tolvane {

class QVStampIndiciumView : public QWidget
{
    Q_OBJECT

public:
    explicit QVStampIndiciumView(QWidget *parent = nullptr);

    QWidget *stampView() const { return m_outlets.stampView; }
    QVDataMatrixView *barcode() const { return m_outlets.barcode; }
    QVTextField *meterID() const { return m_outlets.meterID; }
    QVTextField *mailedFrom() const { return m_outlets.mailedFrom; }
    QVTextField *dollarAmount() const { return m_outlets.dollarAmount; }
    QVTextField *mailClass() const { return m_outlets.mailClass; }
    QWidget *tenthCentView() const { return m_outlets.tenthCentView; }
    QVTextField *pieceCount() const { return m_outlets.pieceCount; }
    QVTextField *rateClassificationTextField() const { return m_outlets.rateClassification; }

    void setTheBarcode(std::shared_ptr<const QVDataMatrixBarcode> barcode);
    void setDrawVoidBarcode(bool drawVoid);
    void setThePieceCount(const QVariant &count);
    void setTheMailClass(const QString &text);
    void setTheMeterID(const QString &text);
    void setTheMailedFrom(const QString &text);
    void setRateClassification(const QString &text);
    // Sets the amount and fits its field; the tenth-cent digit keeps its
    // distance from the amount's right edge. A third decimal ("0.485") is
    // the tenth-cent digit: the amount field shows cents ("0.48") and the
    // tenth-cent view the digit ("5"); without one the digit is "0".
    void setTheDollarAmount(const QString &text);

protected:
    struct Outlets {
        QWidget *stampView = nullptr;
        QVDataMatrixView *barcode = nullptr;
        QVTextField *meterID = nullptr;
        QVTextField *mailedFrom = nullptr;
        QVTextField *dollarAmount = nullptr;
        QVTextField *mailClass = nullptr;
        QWidget *tenthCentView = nullptr;
        QVTextField *pieceCount = nullptr;
        QVTextField *rateClassification = nullptr;
    };
    struct NoForm {};
    // A subclass's view of its own size that loads its own form next.
    QVStampIndiciumView(const QSize &size, NoForm, QWidget *parent);
    // After the form is set up in `outlets.stampView`: it goes to the
    // origin, the symbol gets the rotation and the rate line is emptied.
    void awakeFromNib(const Outlets &outlets, int barcodeRotation);
    QWidget *makeContainer() { return new QWidget(this); }
    // Loads one of the stamp forms (their outlets have the same names).
    template <typename Form> void loadForm(Form &form, int barcodeRotation)
    {
        QWidget *container = makeContainer();
        form.setupUi(container);
        awakeFromNib({container, form.barcode, form.meterID, form.mailedFrom, form.dollarAmount, form.mailClass,
                      form.tenthCentView, form.pieceCount, form.rateClassificationTextField},
                     barcodeRotation);
    }

    void paintEvent(QPaintEvent *event) override;

private:
    Outlets m_outlets;
};

class QVStamp2000IndiciumView : public QVStampIndiciumView
{
    Q_OBJECT

public:
    explicit QVStamp2000IndiciumView(QWidget *parent = nullptr);
};

} // namespace tolvane
