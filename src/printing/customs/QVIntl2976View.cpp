#include "printing/customs/QVIntl2976View.h"

#include "platform/UserDefaults.h"
#include "printing/customs/QVIntl2976AView.h"

namespace tolvane {

namespace {
bool printInstructions()
{
    return UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("printCustomsInstructions"));
}
} // namespace

QVIntl2976View::QVIntl2976View(QWidget *parent) : QWidget(parent) { resize(612, 792); }

int QVIntl2976View::pageCountForPrinting(const PrintInfo &printInfo)
{
    resize(printInfo.paperSize.toSize());
    return 1;
}

QRectF QVIntl2976View::rectForPage(int page, const PrintInfo &)
{
    const qreal half = QVIntl2976AView::kHalfPageHeight;
    if (page != 1)
        return QRectF();
    if (m_sendersCopyOnly)
        return QRectF(0, half, QVIntl2976AView::kPageWidth, half);
    if (printInstructions())
        return QRectF(0, 0, width(), height());
    return QRectF(0, 0, QVIntl2976AView::kPageWidth, half);
}

std::optional<QPointF> QVIntl2976View::locationOfPrintRect(int, const QRectF &rect, const PrintInfo &printInfo)
{
    return QVIntl2976AView::centredLocation(rect, printInfo, m_sendersCopyOnly || !printInstructions());
}

void QVIntl2976View::drawForPrinting(QPainter &painter, const PrintInfo &printInfo)
{
    QVIntl2976AView::drawViewRect(this, painter, rectForPage(QVPrintOperation::currentPage(), printInfo));
}

} // namespace tolvane
