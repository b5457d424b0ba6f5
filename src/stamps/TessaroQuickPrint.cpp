// The stamp window's quick prints: three fixed roll stamps, each printed once
// without confirmation from the quick-print panel (or the application's
// quick-print commands), and the panel's plain state.
#include "stamps/TessaroController.h"

#include "model/NumericFormatters.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVRHOStampIndiciumRequest.h"

namespace {

// Priced from the rates in force at the window's clock, as its catalogue is.
TessaroStamp quickPrintStamp(const TessaroCatalogue &catalogue, const QString &rate, quint32 weight,
                             const QString &size)
{
    return QVRHOStampIndiciumRequest::stampRequestWithRate(rate, weight, size, true,
                                                           QVUSPSRateClass::ratesForDate(catalogue.now()));
}

} // namespace

TessaroStamp TessaroController::quickPrint1ozStampRequest() const
{
    return quickPrintStamp(m_catalogue, QVUSPSFirstClassMail, 1, QVUSPSLetterSize);
}

TessaroStamp TessaroController::quickPrint2ozStampRequest() const
{
    return quickPrintStamp(m_catalogue, QVUSPSFirstClassMail, 2, QVUSPSLetterSize);
}

TessaroStamp TessaroController::quickPrint1lbPrioStampRequest() const
{
    // Priority Mail weights count in pounds.
    return quickPrintStamp(m_catalogue, QVUSPSPriorityMail, 1, QVUSPSFlatRateEnvelopeSize);
}

QString TessaroController::buttonTitleForQuickPrintAmount(const Decimal &amount)
{
    return QStringLiteral("Print $%1 Stamp").arg(twoDigitDollarFormatter().stringFromNumber(amount));
}

QString TessaroController::imageNameForQuickPrintAmount(const Decimal &amount)
{
    const std::optional<qint64> cents = (amount * Decimal(100)).rounded(0).toInt64();
    return QStringLiteral("kivo%1").arg(cents.value_or(0), 3, 10, QLatin1Char('0'));
}

QImage TessaroController::quickPrintImage(const QString &imageName)
{
    const QString path = Bundle::pathForResource(imageName, QStringLiteral("png"));
    return path.isEmpty() ? QImage() : QImage(path);
}

void TessaroController::showQuickPrintPanel()
{
    if (m_quickPrintPanelVisible) {
        m_quickPrintPanelVisible = false;
        return;
    }
    // The buttons are titled once, the first time the panel is shown.
    if (m_quickPrintButtons.isEmpty()) {
        const QString savedFrame = UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("NSWindow Frame ") +
                                                                                     quickPrintPanelAutosaveName());
        m_quickPrintPanelNeedsPlacing = savedFrame.isEmpty();
        for (const TessaroStamp &stamp :
             {quickPrint1ozStampRequest(), quickPrint2ozStampRequest(), quickPrint1lbPrioStampRequest()}) {
            const Decimal postage = stamp ? stamp->postage() : Decimal::zero();
            m_quickPrintButtons.append(
                {buttonTitleForQuickPrintAmount(postage), imageNameForQuickPrintAmount(postage)});
        }
    }
    m_quickPrintPanelVisible = true;
}

QPointF TessaroController::quickPrintPanelTopLeft(const QRectF &window, const QSizeF &panel, const QRectF &visible)
{
    constexpr double gap = 10;
    const QPointF right(window.right() + gap, window.top());
    if (right.x() + panel.width() <= visible.right() && visible.left() <= right.x())
        return right;
    const QPointF left(window.left() - gap - panel.width(), window.top());
    if (visible.contains(left))
        return left;
    return window.topLeft();
}
