#include "QVStealthIndiciumView.h"

#include "ui_StealthView.h"

namespace tolvane {

QVStealthIndiciumView::QVStealthIndiciumView(QWidget *parent) : QVIndiciumView(QSize(175, 110), parent)
{
    Ui::StealthView form;
    QWidget *container = makeContainer();
    form.setupUi(container);
    m_mailingClass = form.sMailingClass;
    awakeFromNib({container, form.sBarcode, form.sDate, form.sMeterID, form.sMailedFrom, form.sTolvaneDotCom,
                  form.commercialPricingField});
}

void QVStealthIndiciumView::setMailingClass(const QString &text)
{
    m_mailingClass->setText(text);
    if (text.isEmpty())
        return;
    const qreal laidOutWidth = m_mailingClass->width();
    qreal size = m_mailingClass->pointSize();
    while (m_mailingClass->fittingSize().width() > laidOutWidth && size > kMailingClassFloor) {
        size -= kMailingClassStep;
        m_mailingClass->setPointSize(size);
    }
    m_mailingClass->update();
}

} // namespace tolvane
