#include "QVIndiciumView.h"

#include "barcodes/imaging/ViewGeometry.h"

#include <QPainter>

namespace tolvane {

namespace {
QString &webAddressText()
{
    static QString text = QStringLiteral("tolvane.example/postage");
    return text;
}
} // namespace

QString QVIndiciumView::vendorWebAddress() { return webAddressText(); }

void QVIndiciumView::setVendorWebAddress(const QString &text) { webAddressText() = text; }

QVIndiciumView::QVIndiciumView(const QSize &size, QWidget *parent) : QWidget(parent) { resize(size); }

QWidget *QVIndiciumView::makeContainer() { return new QWidget(this); }

void QVIndiciumView::awakeFromNib(const Outlets &outlets)
{
    m_outlets = outlets;
    m_outlets.container->move(0, 0);
    m_outlets.barcode->awakeFromNib();
    setDrawVoidBarcode(true);
}

void QVIndiciumView::setDrawsWhite(bool drawWhite)
{
    m_drawWhite = drawWhite;
    update();
}

void QVIndiciumView::setBarcode(std::shared_ptr<const QVVectorBarcode> barcode)
{
    m_outlets.barcode->setBarcode(std::move(barcode));
}

void QVIndiciumView::setDrawVoidBarcode(bool drawVoid)
{
    if (drawVoid) {
        m_outlets.webAddress->setText(QVIndiciumSampleWebText);
        m_outlets.date->setText(QVIndiciumSampleDateText);
    } else {
        m_outlets.webAddress->setText(vendorWebAddress());
    }
    m_outlets.barcode->setDrawVoid(drawVoid);
}

void QVIndiciumView::setDate(const QString &text) { m_outlets.date->setText(text); }
void QVIndiciumView::setMeterID(const QString &text) { m_outlets.meterID->setText(text); }
void QVIndiciumView::setMailedFrom(const QString &text) { m_outlets.mailedFrom->setText(text); }
void QVIndiciumView::setTolvaneDotCom(const QString &text) { m_outlets.webAddress->setText(text); }

void QVIndiciumView::setDiscountPricingString(const QString &text)
{
    if (m_outlets.commercialPricing)
        m_outlets.commercialPricing->setText(text);
}

void QVIndiciumView::setDrawsCommercialBasePricing(bool draw)
{
    if (!m_outlets.commercialPricing || draw == m_drawCommercialBasePricing)
        return;
    m_drawCommercialBasePricing = draw;
    const qreal shift = m_outlets.commercialPricing->height() - 2;
    m_outlets.commercialPricing->setVisible(draw);
    const qreal dy = draw ? -shift : shift;
    for (QWidget *field : {static_cast<QWidget *>(m_outlets.barcode), static_cast<QWidget *>(m_outlets.meterID),
                           static_cast<QWidget *>(m_outlets.webAddress)})
        offsetFrame(field, 0, dy);
    update();
}

void QVIndiciumView::paintEvent(QPaintEvent *)
{
    if (!m_drawWhite)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

} // namespace tolvane
