// The shell's shared facilities of the application delegate: information
// alerts, the automation flag, the progress panel and the help overlays.
#include "app/shell/QVXController.h"

#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/FormatText.h"
#include "platform/UserDefaults.h"

#include <QDebug>

namespace {

// The overlay of the piece-size help sits this far left of and below the
// pop-up's corner (points).
constexpr double kPieceSizeOverlayLeft = 351;
constexpr double kPieceSizeOverlayDown = 160;
// The fade: 50 steps 0.01 s apart, the overlay let go after 0.5 s and closed
// after 0.6 s.
constexpr int kFadeSteps = 50;
constexpr double kFadeStepSeconds = 0.01;
constexpr double kFadeDetachSeconds = 0.5;
constexpr double kFadeCloseSeconds = 0.6;

QString textAt(const QVariantMap &alerts, const QString &key, const QString &field)
{
    const QVariant entry = alerts.value(key);
    if (entry.typeId() != QMetaType::QVariantMap)
        return QString();
    const QVariant text = entry.toMap().value(field);
    return text.typeId() == QMetaType::QString ? text.toString() : QString();
}

} // namespace

// ---- Alerts -----------------------------------------------------------------

int QVXController::infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                                   bool remindBox, const QVariantList &arguments)
{
    if (isAutomation())
        return 1;
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(key))
        return 1;
    if (!m_infoAlerts) {
        QString error;
        const std::optional<QVariant> list = Bundle::propertyListForResource(QStringLiteral("InfoAlerts"), &error);
        if (!list || list->typeId() != QMetaType::QVariantMap) {
            qWarning("no alerts");
            return -2;
        }
        m_infoAlerts = list->toMap();
    }
    const QString title = textAt(*m_infoAlerts, key, QStringLiteral("title"));
    const QString bodyFormat = textAt(*m_infoAlerts, key, QStringLiteral("body"));
    if (title.isEmpty() || bodyFormat.isEmpty())
        return -2;
    Alert alert = alertWithText(title, formatWithArguments(bodyFormat, arguments));
    alert.buttons = {{defaultButton, 1}};
    alert.cancelAnswer = 1;
    if (!alternateButton.isEmpty()) {
        alert.buttons.append({alternateButton, 0});
        alert.cancelAnswer = 0;
    }
    alert.showsSuppressionButton = remindBox;
    const AlertOutcome outcome = runAlertWithSuppression(alert);
    if (remindBox && outcome.suppressionChecked && outcome.answer == 1)
        defaults.setBool(true, key);
    return outcome.answer;
}

// ---- Automation -------------------------------------------------------------

void QVXController::setAutomation(bool on) { setAutomationMode(on); }

bool QVXController::isAutomation() const { return isAutomationMode(); }

// ---- Progress panel ---------------------------------------------------------

void QVXController::setProgressTextString(const QString &text)
{
    if (!m_progressPanel)
        return;
    m_progressPanel->setText(text);
    showProgressPanel();
}

void QVXController::showProgressPanel()
{
    if (!m_progressPanel || m_progressPanel->isVisible())
        return;
    if (!m_progressPanelCentred) {
        m_progressPanel->centreOnScreen();
        m_progressPanelCentred = true;
    }
    if (!m_hooks.isApplicationActive || m_hooks.isApplicationActive())
        m_progressPanel->orderFront(true);
    else
        m_progressPanel->orderAboveMainWindow();
    m_progressPanel->startSpinner();
}

void QVXController::hideProgressPanel()
{
    if (!m_progressPanel)
        return;
    m_progressPanel->stopSpinner();
    m_progressPanel->orderOut();
}

// ---- Overlays ---------------------------------------------------------------

OverlayHost::OverlayId QVXController::openOverlay(const QString &image, const QPointF &topLeft)
{
    auto id = std::make_shared<OverlayHost::OverlayId>(0);
    *id = m_overlayHost->openOverlay(image, topLeft, guarded([this, id] { fadeOverlay(*id); }));
    m_fading = false;
    return *id;
}

void QVXController::showOverlay()
{
    if (!m_overlayHost || !m_overlayHost->hasMainWindow())
        return;
    if (const auto child = m_overlayHost->firstChildOverlay()) {
        fadeOverlay(*child);
        return;
    }
    const QString image = QStringLiteral("hoverthing");
    const QSizeF size = m_overlayHost->imageSize(image);
    const std::optional<QPointF> corner = m_overlayHost->pieceSizePopupBottomLeft();
    if (!corner) {
        // A main window without the pop-up: the overlay in its middle.
        const QRectF frame = m_overlayHost->mainWindowFrame().value_or(QRectF(QPointF(0, 0), size));
        openOverlay(image, frame.center() - QPointF(size.width() / 2, size.height() / 2));
        return;
    }
    // The overlay's bottom-left corner goes left of and below the pop-up's.
    const QPointF bottomLeft(corner->x() - kPieceSizeOverlayLeft, corner->y() + kPieceSizeOverlayDown);
    openOverlay(image, QPointF(bottomLeft.x(), bottomLeft.y() - size.height()));
}

void QVXController::showWebStoreOverlayBelow(const QRectF &viewOnScreen)
{
    if (!m_overlayHost || !m_overlayHost->hasMainWindow())
        return;
    const QString image = QStringLiteral("Introducing-Web-Stores");
    const QSizeF size = m_overlayHost->imageSize(image);
    // The middle of the view's bottom edge; the overlay's bottom-left corner
    // half the image's width to the left and the image's height plus the
    // view's height below it.
    const QPointF anchor(viewOnScreen.center().x(), viewOnScreen.bottom());
    const QPointF bottomLeft(anchor.x() - size.width() / 2, anchor.y() + size.height() + viewOnScreen.height());
    openOverlay(image, QPointF(bottomLeft.x(), bottomLeft.y() - size.height()));
}

void QVXController::fadeOverlay(OverlayHost::OverlayId overlay)
{
    if (m_fading || !m_overlayHost || !m_scheduler)
        return;
    m_fading = true;
    for (int i = 0; i < kFadeSteps; ++i) {
        const double delay = kFadeStepSeconds * i;
        const double alpha = 1.0 - 2.0 * delay;
        m_scheduler->callAfter(delay, guarded([this, overlay, alpha] {
                                   if (m_overlayHost)
                                       m_overlayHost->setOverlayAlpha(overlay, alpha);
                               }));
    }
    m_scheduler->callAfter(kFadeDetachSeconds, guarded([this, overlay] {
                               if (m_overlayHost)
                                   m_overlayHost->detachOverlay(overlay);
                           }));
    m_scheduler->callAfter(kFadeCloseSeconds, guarded([this, overlay] {
                               if (m_overlayHost)
                                   m_overlayHost->closeOverlay(overlay);
                           }));
}

QUrl QVXController::mailpieceDefinitionsURL()
{
    QString host = UserDefaults::standardUserDefaults().stringForKey(QVMacSupportHostKey);
    if (host.isEmpty())
        host = QStringLiteral("mac-support.tolvane.invalid");
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(QStringLiteral("/support/help/labels/mailpiece-definitions.html"));
    return url;
}

void QVXController::fadeOverlayWithLink(OverlayHost::OverlayId overlay)
{
    if (m_hooks.openURL)
        m_hooks.openURL(mailpieceDefinitionsURL());
    fadeOverlay(overlay);
}
