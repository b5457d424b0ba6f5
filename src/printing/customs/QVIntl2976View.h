#pragma once
// The printed view of the PS Form 2976 (CN 22) on plain paper: one US Letter
// page whose upper half holds the label (the 4 x 6 in view of the layout) and
// whose lower half holds the customs instructions and the record of the
// mailing. It prints as one page: the upper half alone, the whole page when
// the user default "printCustomsInstructions" is on, or the lower half alone
// for a print of the sender's record only. A half page lands at the top of
// the paper; a whole page is centred.
#include "printing/QVPrintOperation.h"

#include <QWidget>

namespace tolvane {

class QVIntl2976View : public QWidget, public QVPagedView, public QVPrintingView
{
    Q_OBJECT

public:
    explicit QVIntl2976View(QWidget *parent = nullptr);

    bool sendersCopyOnly() const { return m_sendersCopyOnly; }
    void setSendersCopyOnly(bool only) { m_sendersCopyOnly = only; }

    int pageCountForPrinting(const PrintInfo &printInfo) override;
    QRectF rectForPage(int page, const PrintInfo &printInfo) override;
    std::optional<QPointF> locationOfPrintRect(int page, const QRectF &rect, const PrintInfo &printInfo) override;
    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override;

private:
    bool m_sendersCopyOnly = false;
};

} // namespace tolvane
