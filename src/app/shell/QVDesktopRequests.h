#pragma once
// What a start of the program brings from the desktop on its command line
// (resources/tolvane.desktop: "Exec=tolvane %u"), as one request of the
// remote interface (platform/RemoteRequests.h):
//   "tolvane:..."                      openURL: with the URL
//   --service=newShipmentWithAddress   newShipmentWithAddress: with the text
//   --service=trackConfirmInBrowser    trackConfirmInBrowser: with the text
//                                      (the desktop's primary selection, else
//                                      the clipboard)
//   a "file:" URL or an existing file  openFile: with the absolute path
// Nothing for a plain start (no such argument). A second copy hands the
// request to the running one and ends with status 0; the first copy carries
// it out itself once its main window exists. The handlers of the remote
// interface are also reached through `registerApplicationURLHandler` (the
// QVURLHandlerHooks of QVURLHandler.h).
#include "app/shell/QVURLHandler.h"
#include "platform/RemoteRequests.h"

#include <QStringList>

#include <functional>
#include <optional>

std::optional<RemoteFrame> requestFromArguments(const QStringList &arguments,
                                                const std::function<QString()> &selectedText);

// The primary selection's text, else the clipboard's (needs the
// QGuiApplication).
QString selectedDesktopText();

// Hands the request to the copy that holds the single-instance name; its
// answer, or nothing when no copy answers.
std::optional<RemoteFrame> forwardToRunningCopy(const RemoteFrame &request, const QString &instanceName,
                                                int timeoutMilliseconds = 60000);

// A URL-handler host whose operations are hooks; an empty hook writes what
// was not done to the console (answers false or nothing).
struct QVURLHandlerHooks {
    std::function<bool()> hasMainWindow;
    std::function<void()> checkForUpdates;
    std::function<void(const QString &address, const QString &email)> newPackageWithAddressString;
    std::function<void(const QVariant &value, const QString &key)> setCurrentShipmentProperty;
    std::function<void(const std::optional<QUrl> &url)> setPendingCallbackURL;
    std::function<void(quint32 row)> highlightRow;
    std::function<void()> showMainWindow;
    std::function<bool(const QString &path)> processVCardFile;
    std::function<bool(const QUrl &url)> openURLInBrowser;
    std::function<void()> activateApplication;
};

class QVURLHandlerHookHost final : public QVURLHandlerHost
{
public:
    QVURLHandlerHooks hooks;

    bool hasMainWindow() override;
    void checkForUpdates() override;
    void newPackageWithAddressString(const QString &address, const QString &email) override;
    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override;
    void setPendingCallbackURL(const std::optional<QUrl> &url) override;
    void highlightRow(quint32 row) override;
    void showMainWindow() override;
    bool processVCardFile(const QString &path) override;
    bool openURLInBrowser(const QUrl &url) override;
    void activateApplication() override;
};
