#pragma once
// The fitting rules the label layouts share: a field is sized to its text
// and, while it overflows its home frame, its font shrinks one point at a
// time down to a floor; return-address pictures; the Intelligent Mail
// barcode view placed beside a field. Frames are y-up, in points.
#include "printing/layouts/QVLayoutViews.h"

#include <QFont>
#include <QRectF>
#include <QString>

#include <functional>

namespace tolvane {

class QVTextField;
class QVUSPS4CBView;

// Sizes the field to its text; while it is wider or taller than the frame
// and its size is above the floor, puts it back to the frame, one point
// smaller, and sizes it again. Answers the size reached. The field keeps its
// fitted frame (callers put it back where the rule says).
qreal fitTextField(QVTextField *field, const QRectF &frame, qreal floor);

// The same for a rich-text field whose text `build` makes at a size.
qreal fitAddressField(QVAddressField *field, const QRectF &box, qreal size, qreal floor,
                      const std::function<void(qreal size)> &build);

// The font of the same family and style at another size; bold as asked.
QFont fontAtSize(const QFont &font, qreal size, bool bold);

// The return-address picture: shown when the text is not empty, the user
// default "useFromAddressImage" is on and the file at "fromAddressImage"
// loads; otherwise the view is emptied and, when its x differs from the
// field's, the field moves left to the view's x (its y and size kept).
void applyReturnAddressPicture(QVImageView *pictureView, QWidget *addressField, const QString &text);

// The print density of a stock: the user default "kivoSettings" under
// "<label type>.density", 2 ("Normal") when absent or not a number.
int kivoDensityForLabelType(const QString &labelType);

// The text of a resource "replypostage" (HTML) to put before a reply-postage
// address; empty when missing.
QString replyPostageHtml();

} // namespace tolvane
