#include "printing/customs/QVCN22PrintController.h"

#include "barcodes/imaging/QVTextField.h"
#include "platform/UserDefaults.h"

#include "ui_CN22.h"

#include <QDir>

namespace tolvane {

QImage customsSignatureImage()
{
    QString path = UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("signatureImagePath"));
    if (path.isEmpty())
        return QImage();
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
        path = QDir::homePath() + path.mid(1);
    return QImage(QDir::cleanPath(path));
}

QString customsDateString(const QDate &date) { return date.toString(QStringLiteral("MM/dd/yy")); }

QVCN22PrintController::QVCN22PrintController() : m_content(std::make_unique<QWidget>())
{
    Ui::CN22 form;
    form.setupUi(m_content.get());
    m_customsView = form.customsView;
    m_instructionsView = form.instructionsView;
    m_date1 = form.date1;
    m_date2 = form.date2;
    m_sig1 = form.sig1;
    m_sig2 = form.sig2;
    for (QVImageView *view : {m_customsView, m_instructionsView})
        view->setScaling(QVImageView::Scaling::ProportionallyDown);
    for (QVImageView *view : {m_sig1, m_sig2})
        view->setScaling(QVImageView::Scaling::ProportionallyDown);
    setDate(std::nullopt);
    setSignatureImage(customsSignatureImage());
}

QVCN22PrintController::~QVCN22PrintController() = default;

void QVCN22PrintController::setImage(const QVLayoutImage &image) { m_customsView->setImage(image); }

void QVCN22PrintController::setInstuctionsImage(const QVLayoutImage &image) { m_instructionsView->setImage(image); }

void QVCN22PrintController::setDate(const std::optional<QDate> &date)
{
    const QString text = date && date->isValid() ? customsDateString(*date) : QString();
    m_date1->setText(text);
    m_date2->setText(text);
}

void QVCN22PrintController::setSignatureImage(const QImage &image)
{
    const QVLayoutImage picture = image.isNull() ? QVLayoutImage() : QVLayoutImage::fromImage(image);
    m_sig1->setImage(picture);
    m_sig2->setImage(picture);
}

} // namespace tolvane
