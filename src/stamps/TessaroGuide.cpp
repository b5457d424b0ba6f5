#include "stamps/TessaroGuide.h"

#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroTags.h"

#include <QDebug>
#include <QPointer>

TessaroGuideMeWindowController::Choice TessaroGuideMeWindowController::choiceForGuide(const QString &mailClass,
                                                                                      const QString &mailpiece)
{
    const bool priority = mailClass == QLatin1String("Priority");
    const bool firstClass = mailClass == QLatin1String("FirstClass");
    const bool express = mailClass == QLatin1String("Express");
    if (mailpiece == QLatin1String("LetterEnvelope"))
        return {tessaro::FirstClassLetter, 100};
    if (mailpiece == QLatin1String("Postcard"))
        return {tessaro::Postcard, 114};
    if (mailpiece == QLatin1String("Package"))
        return {tessaro::FirstClassParcel, priority ? 201 : (firstClass ? 140 : -1)};
    if (mailpiece == QLatin1String("LargeEnvelope"))
        return {tessaro::FirstClassFlat, priority ? 201 : (firstClass ? 120 : -1)};
    if (mailpiece == QLatin1String("FlatRateEnvelope"))
        return {tessaro::PriorityMailEnvelope, express ? 501 : (priority ? 203 : -1)};
    if (mailpiece == QLatin1String("FlatRateBox"))
        return {tessaro::PriorityMailBox, 202};
    if (mailpiece == QLatin1String("LargeFlatRateBox"))
        return {tessaro::PriorityMailLargeBox, 204};
    if (mailpiece == QLatin1String("SmallFlatRateBox"))
        return {tessaro::PriorityMailSmallBox, 205};
    return {};
}

std::optional<QUrl> TessaroGuideMeWindowController::guideMeURL() const
{
    const QString stored = UserDefaults::standardUserDefaults().stringForKey(GuideMeURLDefaultsKey);
    QUrl url;
    if (!stored.isEmpty()) {
        url = QUrl(stored, QUrl::StrictMode);
    } else {
        const QString host = QVRHOCommandCenter::websiteServerName();
        if (host.isEmpty())
            return std::nullopt;
        url = QUrl(QStringLiteral("https://%1/mac/guideme/").arg(host), QUrl::StrictMode);
    }
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    return url;
}

void TessaroGuideMeWindowController::setMailClassTo(const QString &mailClass, const QString &mailpiece)
{
    const Choice choice = choiceForGuide(mailClass, mailpiece);
    if (m_window)
        m_window->setMailpieceToTag(choice.mailpieceTag, choice.classTag);
}

void TessaroGuideMeWindowController::closeGuideMeWindow()
{
    m_closeRequested = true;
    if (closeWindow)
        closeWindow();
}

QStringList TessaroGuideMeWindowController::scriptFunctions() const
{
    return {QStringLiteral("setMailPieceTypePopUp"), QStringLiteral("closeGuideMeWindow")};
}

void TessaroGuideMeWindowController::scriptCall(const QString &name, const QVariantList &arguments)
{
    const QStringList texts = scriptArgumentTexts(arguments);
    if (name == QLatin1String("setMailPieceTypePopUp"))
        setMailClassTo(texts.value(0), texts.value(1));
    else if (name == QLatin1String("closeGuideMeWindow"))
        closeGuideMeWindow();
    else
        unknownCall(name, texts);
}

QString TessaroGuideMeWindowController::unknownCall(const QString &name, const QStringList &arguments)
{
    const QString line = QStringLiteral("%1, %2").arg(name, arguments.join(QStringLiteral(", ")));
    m_unknownCalls << line;
    qInfo().noquote() << line;
    return QString(QLatin1String(""));
}

void TessaroGuideMeWindowController::scriptAlert(const QString &message)
{
    Alert alert = alertWithText(QStringLiteral("JavaScript"), message);
    alert.buttons = {{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    if (const auto shown = dialogs())
        shown->runAlert(alert);
}

bool TessaroGuideMeWindowController::scriptConfirm(const QString &message)
{
    Alert alert = alertWithText(QStringLiteral("JavaScript"), message);
    alert.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    const auto shown = dialogs();
    return shown && shown->runAlert(alert) == 1;
}

namespace {

QPointer<WebPageWindow> &sharedGuide()
{
    static QPointer<WebPageWindow> window;
    return window;
}

} // namespace

WebPageWindow *showGuideMeWindow(TessaroController *stampWindow)
{
    if (!sharedGuide()) {
        auto controller = std::make_shared<TessaroGuideMeWindowController>(stampWindow);
        const std::optional<QUrl> url = controller->guideMeURL();
        if (!url) {
            qWarning().noquote() << "The guide has no address: set" << GuideMeURLDefaultsKey << "or"
                                 << QVRHOWebSiteDefaultsKey << ".";
            return nullptr;
        }
        WebPageWindow *window = makeWebPageWindow(controller);
        if (!window) {
            qWarning().noquote() << "The guide cannot be shown: this program has no web view.";
            return nullptr;
        }
        sharedGuide() = window;
        window->loadURL(*url);
    }
    // Closing only hides the window: the same page comes back.
    WebPageWindow *window = sharedGuide();
    auto &controller = static_cast<TessaroGuideMeWindowController &>(window->policy());
    controller.setWindow(stampWindow);
    controller.clearCloseRequest();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

WebPageWindow *guideMeWindow() { return sharedGuide(); }
