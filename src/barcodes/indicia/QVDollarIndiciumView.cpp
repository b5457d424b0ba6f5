#include "QVDollarIndiciumView.h"

#include "platform/UserDefaults.h"

#include "ui_DollarView.h"
#include "ui_EnvelopeDollarView.h"
#include "ui_EnvelopeLeftAlignDollarView.h"

#include <QLocale>

namespace tolvane {

void QVDollarIndiciumViewBase::setPostageClass(const QString &text) { m_postageClass->setText(text); }
void QVDollarIndiciumViewBase::setDollarAmount(const QString &text) { m_dollarAmount->setText(text); }

void QVDollarIndiciumViewBase::setDollarOutlets(QVTextField *dollarAmount, QVTextField *postageClass)
{
    m_dollarAmount = dollarAmount;
    m_postageClass = postageClass;
}

void QVDollarIndiciumViewBase::becomeDateCorrection(const QDate &date)
{
    setDrawVoidBarcode(false);
    setDollarAmount(QStringLiteral("$0.00"));
    setDate(QLocale::c().toString(date, QStringLiteral("MMM dd yyyy")));
    setPostageClass(QStringLiteral("REDATE"));
    setTolvaneDotCom(QString());
    setMeterID(QString());
    setBarcode(nullptr);
    setDrawsCommercialBasePricing(false);
}

QVDollarIndiciumView::QVDollarIndiciumView(QWidget *parent) : QVDollarIndiciumViewBase(QSize(175, 110), parent)
{
    Ui::DollarView form;
    QWidget *container = makeContainer();
    form.setupUi(container);
    setDollarOutlets(form.dDollarAmount, form.dPostageClass);
    awakeFromNib({container, form.dBarcode, form.dDate, form.dMeterID, form.dMailedFrom, form.dTolvaneDotCom,
                  form.commercialPricingField});
}

std::unique_ptr<QVDollarIndiciumView> QVDollarIndiciumView::dateCorrectionViewForDate(const QDate &date)
{
    auto view = std::make_unique<QVDollarIndiciumView>();
    view->becomeDateCorrection(date);
    return view;
}

QVEnvelopeDollarIndiciumView::QVEnvelopeDollarIndiciumView(QWidget *parent)
    : QVDollarIndiciumViewBase(QSize(216, 129), parent)
{
    Ui::EnvelopeDollarView form;
    QWidget *container = makeContainer();
    form.setupUi(container);
    setDollarOutlets(form.dDollarAmount, form.dPostageClass);
    awakeFromNib({container, form.dBarcode, form.dDate, form.dMeterID, form.dMailedFrom, form.dTolvaneDotCom, nullptr});
}

QVEnvelopeDollarIndiciumView::QVEnvelopeDollarIndiciumView(const QSize &size, NoForm, QWidget *parent)
    : QVDollarIndiciumViewBase(size, parent)
{}

std::unique_ptr<QVEnvelopeDollarIndiciumView> QVEnvelopeDollarIndiciumView::create()
{
    if (UserDefaults::standardUserDefaults().boolForKey(QVEnvelopeAlignPostageLeftKey))
        return std::make_unique<QVEnvelopeLeftAlignDollarIndiciumView>();
    return std::make_unique<QVEnvelopeDollarIndiciumView>();
}

std::unique_ptr<QVEnvelopeDollarIndiciumView> QVEnvelopeDollarIndiciumView::dateCorrectionViewForDate(const QDate &date)
{
    auto view = create();
    view->becomeDateCorrection(date);
    return view;
}

QVEnvelopeLeftAlignDollarIndiciumView::QVEnvelopeLeftAlignDollarIndiciumView(QWidget *parent)
    : QVEnvelopeDollarIndiciumView(QSize(400, 129), NoForm{}, parent)
{
    Ui::EnvelopeLeftAlignDollarView form;
    QWidget *container = makeContainer();
    form.setupUi(container);
    setDollarOutlets(form.dDollarAmount, form.dPostageClass);
    awakeFromNib({container, form.dBarcode, form.dDate, form.dMeterID, form.dMailedFrom, form.dTolvaneDotCom, nullptr});
}

} // namespace tolvane
