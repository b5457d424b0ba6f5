#include "printing/layouts/QVLabelFitting.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "printing/setup/QVPrinterSetupController.h"

#include <QFile>

namespace tolvane {

namespace {
bool overflows(const QWidget *field, const QRectF &frame)
{
    return field->width() > frame.width() + 1e-6 || field->height() > frame.height() + 1e-6;
}
} // namespace

qreal fitTextField(QVTextField *field, const QRectF &frame, qreal floor)
{
    qreal size = field->pointSize();
    field->sizeToFit();
    while (overflows(field, frame) && size > floor) {
        setFrame(field, frame);
        size -= 1;
        field->setPointSize(size);
        field->sizeToFit();
    }
    return size;
}

qreal fitAddressField(QVAddressField *field, const QRectF &box, qreal size, qreal floor,
                      const std::function<void(qreal size)> &build)
{
    build(size);
    field->sizeToFit();
    while (overflows(field, box) && size > floor) {
        setFrame(field, box);
        size -= 1;
        build(size);
        field->sizeToFit();
    }
    return size;
}

QFont fontAtSize(const QFont &font, qreal size, bool bold)
{
    QFont result = font;
    result.setPointSizeF(size);
    if (bold)
        result.setWeight(QFont::Bold);
    return result;
}

void applyReturnAddressPicture(QVImageView *pictureView, QWidget *addressField, const QString &text)
{
    if (!pictureView)
        return;
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    QVLayoutImage picture;
    if (!text.isEmpty() && defaults.boolForKey(QStringLiteral("useFromAddressImage")))
        picture = QVLayoutImage::fromFile(defaults.stringForKey(QStringLiteral("fromAddressImage")));
    pictureView->setImage(picture);
    if (picture.isNull()) {
        const QRectF pictureFrame = frameOf(pictureView);
        const QRectF fieldFrame = frameOf(addressField);
        if (pictureFrame.x() != fieldFrame.x())
            setFrame(addressField, QRectF(QPointF(pictureFrame.x(), fieldFrame.y()), fieldFrame.size()));
    }
}

int kivoDensityForLabelType(const QString &labelType)
{
    const QVariant density =
        QVPrinterSetupController::sharedController()->kivoSetting(labelType, QStringLiteral("density"));
    bool ok = false;
    const int value = density.toInt(&ok);
    return ok ? value : 2;
}

QString replyPostageHtml()
{
    QFile file(Bundle::pathForResource(QStringLiteral("replypostage"), QStringLiteral("html")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // A resource of ours; a sane cap all the same.
    return QString::fromUtf8(file.read(64 * 1024));
}

} // namespace tolvane
