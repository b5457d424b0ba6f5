#include "platform/UrlOpener.h"

#include <QDebug>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Whether Qt's platform can hand a URL to the desktop: there is a GUI
// application on a platform with desktop services (not the offscreen or
// minimal platforms of a program without a desktop session).
bool platformCanOpenURLs()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Hands the URL to the desktop; where Qt's platform cannot, to "xdg-open"
// itself. The desktop has no portable way to open a URL without raising its
// program, so a background request is opened normally.
class DesktopUrlOpener final : public UrlOpener
{
public:
    bool openUrl(const QUrl &url, bool) override
    {
        const bool opened = platformCanOpenURLs()
            ? QDesktopServices::openUrl(url)
            : QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
        if (!opened)
            qWarning().noquote() << QStringLiteral("could not open %1").arg(url.toString());
        return opened;
    }

    // The desktop's own opener, as QDesktopServices uses it, given the text.
    bool openUrlText(const QString &text, bool) override
    {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        const bool opened = !opener.isEmpty() && QProcess::startDetached(opener, {text});
        if (!opened)
            qWarning().noquote() << QStringLiteral("could not open %1").arg(text);
        return opened;
    }
};

std::shared_ptr<UrlOpener> &registeredOpener()
{
    static std::shared_ptr<UrlOpener> opener;
    return opener;
}

} // namespace

void setUrlOpener(std::shared_ptr<UrlOpener> opener) { registeredOpener() = std::move(opener); }

std::shared_ptr<UrlOpener> urlOpener()
{
    if (const std::shared_ptr<UrlOpener> &opener = registeredOpener())
        return opener;
    static const std::shared_ptr<UrlOpener> desktop = std::make_shared<DesktopUrlOpener>();
    return desktop;
}

bool openUrl(const QUrl &url, bool inBackground)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    return urlOpener()->openUrl(url, inBackground);
}

bool openUrlText(const QString &text, bool inBackground)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty())
        return false;
    return urlOpener()->openUrlText(text, inBackground);
}
