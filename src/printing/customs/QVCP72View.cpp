#include "printing/customs/QVCP72View.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "platform/UserDefaults.h"
#include "printing/customs/QVCN22PrintController.h"

namespace tolvane {

QVCP72View::QVCP72View(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CP72View"));
    resize(612, 792);
    m_iv = new QVImageView(this);
    setFrame(m_iv, QRectF(0, 303.12, 612, 488.88));
    m_iv->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_iv->setScaling(QVImageView::Scaling::None);

    const QString overlay = UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("cp72OverlayImagePath"));
    if (!overlay.isEmpty()) {
        const QVLayoutImage picture = QVLayoutImage::fromFile(overlay);
        if (!picture.isNull()) {
            m_overlay = new QVImageView(m_iv);
            setFrame(m_overlay, QRectF(0, 0, 612, 488.88));
            m_overlay->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            m_overlay->setScaling(QVImageView::Scaling::None);
            m_overlay->setImage(picture);
        }
    }

    m_dateField = new QVTextField(this);
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(11);
    m_dateField->setFont(font);
    setFrame(m_dateField, QRectF(162, 385.2, 72, 36));
}

void QVCP72View::setImageArray(const QList<QVLayoutImage> &images)
{
    m_imageArray = images;
    beginPage(1);
}

void QVCP72View::setDate(const std::optional<QDate> &date)
{
    m_date = date;
    m_dateField->setText(date && date->isValid() ? customsDateString(*date) : QString());
}

int QVCP72View::pageCountForPrinting(const PrintInfo &) { return int(m_imageArray.size()); }

QRectF QVCP72View::rectForPage(int page, const PrintInfo &)
{
    return page >= 1 && page <= m_imageArray.size() ? QRectF(0, 0, width(), height()) : QRectF();
}

void QVCP72View::beginPage(int page)
{
    m_iv->setImage(page >= 1 && page <= m_imageArray.size() ? m_imageArray.at(page - 1) : QVLayoutImage());
    if (m_date && m_date->isValid())
        m_dateField->setText(customsDateString(*m_date));
}

} // namespace tolvane
