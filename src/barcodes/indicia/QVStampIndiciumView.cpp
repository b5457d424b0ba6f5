#include "QVStampIndiciumView.h"

#include "barcodes/imaging/ViewGeometry.h"

#include "ui_Stamp2000View.h"
#include "ui_StampView.h"

#include <QPainter>

namespace tolvane {

namespace {
const QSize kStampSize(80, 144);
}

QVStampIndiciumView::QVStampIndiciumView(QWidget *parent) : QVStampIndiciumView(kStampSize, NoForm{}, parent)
{
    Ui::StampView form;
    loadForm(form, -90);
}

QVStampIndiciumView::QVStampIndiciumView(const QSize &size, NoForm, QWidget *parent) : QWidget(parent) { resize(size); }

QVStamp2000IndiciumView::QVStamp2000IndiciumView(QWidget *parent) : QVStampIndiciumView(kStampSize, NoForm{}, parent)
{
    Ui::Stamp2000View form;
    loadForm(form, 0);
}

void QVStampIndiciumView::awakeFromNib(const Outlets &outlets, int barcodeRotation)
{
    m_outlets = outlets;
    m_outlets.stampView->move(0, 0);
    m_outlets.barcode->setFrameRotation(barcodeRotation);
    m_outlets.rateClassification->setText(QString(QLatin1String("")));
}

void QVStampIndiciumView::setTheBarcode(std::shared_ptr<const QVDataMatrixBarcode> barcode)
{
    m_outlets.barcode->setMatrix(std::move(barcode));
}

void QVStampIndiciumView::setDrawVoidBarcode(bool drawVoid) { m_outlets.barcode->setDrawVoid(drawVoid); }
void QVStampIndiciumView::setThePieceCount(const QVariant &count) { m_outlets.pieceCount->setObjectValue(count); }
void QVStampIndiciumView::setTheMailClass(const QString &text) { m_outlets.mailClass->setText(text); }
void QVStampIndiciumView::setTheMeterID(const QString &text) { m_outlets.meterID->setText(text); }
void QVStampIndiciumView::setTheMailedFrom(const QString &text) { m_outlets.mailedFrom->setText(text); }
void QVStampIndiciumView::setRateClassification(const QString &text) { m_outlets.rateClassification->setText(text); }

void QVStampIndiciumView::setTheDollarAmount(const QString &text)
{
    // The third decimal is the tenth-cent digit, shown raised beside the
    // amount and not a second time in it: "0.480" reads "0.48" and a raised
    // "0"; an amount in cents has the digit 0.
    QString cents = text;
    QString tenthDigit = QStringLiteral("0");
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && text.size() - dot - 1 == 3 && text.back().isDigit()) {
        tenthDigit = text.right(1);
        cents.chop(1);
    }
    if (auto *digit = qobject_cast<QVTextField *>(m_outlets.tenthCentView))
        digit->setText(tenthDigit);
    const QRectF amount = frameOf(m_outlets.dollarAmount);
    const qreal gap = frameOf(m_outlets.tenthCentView).x() - (amount.x() + amount.width());
    m_outlets.dollarAmount->setText(cents);
    m_outlets.dollarAmount->sizeToFit();
    const QRectF fitted = frameOf(m_outlets.dollarAmount);
    const QRectF tenth = frameOf(m_outlets.tenthCentView);
    setFrame(m_outlets.tenthCentView,
             QRectF(fitted.x() + fitted.width() + gap, tenth.y(), tenth.width(), tenth.height()));
    m_outlets.tenthCentView->update();
}

void QVStampIndiciumView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

} // namespace tolvane
