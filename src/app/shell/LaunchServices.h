#pragma once
// What the application delegate (QVXController) asks of the world around it,
// as small interfaces, so that the delegate itself needs no display and
// tests can answer every question: a scheduler for delayed calls and
// repeating timers, the progress panel, the overlay windows over the main
// window, and QVXControllerHooks, the operations of the program's other
// parts that the launch calls in order.
#include <QDateTime>
#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// Delayed calls, cancellable named requests and repeating timers on the
// main event loop.
class Scheduler
{
public:
    virtual ~Scheduler() = default;
    // Calls `call` once, `seconds` from now (0: on the next pass of the
    // event loop).
    virtual void callAfter(double seconds, std::function<void()> call) = 0;
    // Calls `call` every `seconds` until the scheduler ends.
    virtual void callEvery(double seconds, std::function<void()> call) = 0;

    // A named request: `call` once, `seconds` from now, unless
    // cancelRequests() with its name comes first. Names belong to their
    // callers (an owner makes its own unique); cancelling one name leaves
    // every other request, named or not, in place.
    virtual void requestAfter(const QString &name, double seconds, std::function<void()> call)
    {
        std::shared_ptr<int> &generation = m_requests[name];
        if (!generation)
            generation = std::make_shared<int>(0);
        callAfter(seconds, [token = std::weak_ptr<int>(generation), call = std::move(call)] {
            if (!token.expired())
                call();
        });
    }
    virtual void cancelRequests(const QString &name) { m_requests.remove(name); }

private:
    // The live generation of each name: a request runs only while the
    // generation it was made in lives.
    QHash<QString, std::shared_ptr<int>> m_requests;
};

// The one progress panel shown while the program waits for a server: a text
// field and a spinner. The text is painted at once when set (the caller
// goes on to block the event loop).
class ProgressPanel
{
public:
    virtual ~ProgressPanel() = default;
    virtual bool isVisible() const = 0;
    virtual void setTitle(const QString &title) = 0;
    // Sets and paints the text at once.
    virtual void setText(const QString &text) = 0;
    virtual void centreOnScreen() = 0;
    // Shows the panel in front; `makeKey` also gives it the keyboard.
    virtual void orderFront(bool makeKey) = 0;
    // Shows the panel just above the main window (the program is not the
    // active one).
    virtual void orderAboveMainWindow() = 0;
    virtual void orderOut() = 0;
    virtual void startSpinner() = 0;
    virtual void stopSpinner() = 0;
};

// Borderless, translucent help overlays that float over the main window as
// its child windows. Geometry is in screen coordinates, y down. An overlay is
// named by the number openOverlay answered; operations on an overlay that is
// gone do nothing.
class OverlayHost
{
public:
    using OverlayId = int;
    virtual ~OverlayHost() = default;
    virtual bool hasMainWindow() const = 0;
    // The first overlay attached to the main window, if any.
    virtual std::optional<OverlayId> firstChildOverlay() const = 0;
    // The bottom-left corner of the main window's piece-size pop-up on the
    // screen; nothing when the window has no such pop-up.
    virtual std::optional<QPointF> pieceSizePopupBottomLeft() const = 0;
    // The main window's frame on the screen; nothing when unknown.
    virtual std::optional<QRectF> mainWindowFrame() const { return std::nullopt; }
    // The size of the named image (empty when there is no such image).
    virtual QSizeF imageSize(const QString &imageName) const = 0;
    // Opens a fully opaque overlay of the image, its top-left corner at
    // `topLeft`, in front and attached to the main window above it; a click
    // calls `clicked`.
    virtual OverlayId openOverlay(const QString &imageName, const QPointF &topLeft, std::function<void()> clicked) = 0;
    virtual void setOverlayAlpha(OverlayId overlay, double alpha) = 0;
    // The main window lets the overlay go from its child windows.
    virtual void detachOverlay(OverlayId overlay) = 0;
    virtual void closeOverlay(OverlayId overlay) = 0;
};

// The operations of the program's other parts that the launch and the quit
// call. Every hook may be left empty: an empty hook does nothing (or answers
// as noted).
struct QVXControllerHooks {
    // ---- Before the launch --------------------------------------------------
    // The handler of "tolvane:" URLs.
    std::function<void()> installURLHandler;
    // The stamps-only edition's menu in place of the main menu, with the
    // bundle name in its item titles.
    std::function<void()> useStampsEditionMenu;

    // ---- Launch -------------------------------------------------------------
    // The clock (empty: the system's).
    std::function<QDateTime()> now;
    // The rate engine (InitializeRE with a data-folder path and "MM/dd/yyyy";
    // 0 is success) and the two country files (true when loaded).
    std::function<int32_t(const QString &path, const QString &date)> initializeRateEngine;
    std::function<bool(const QString &path)> loadCountryFile;
    std::function<bool(const QString &path)> loadCountryAliasFile;
    // The host of the address-correction service and whether it can be
    // reached (empty hooks: no host, never reachable).
    std::function<QString()> addressCorrectionHost;
    std::function<bool(const QString &host)> isHostReachable;
    // Whether the program's own folder is on a read-only volume (empty: the
    // file-system status of the executable's folder).
    std::function<bool()> isRunningOnReadOnlyVolume;
    // The updater: feed, daily checks, a background check now.
    std::function<void()> setUpUpdater;
    // A label printer of the maker's line is installed.
    std::function<bool()> labelPrinterAvailable;
    // The shared clients: USPS Web Tools, postage server, address
    // correction, in this order; then the account panels.
    std::function<void()> createSharedClients;
    std::function<void()> createAccountPanels;
    std::function<void()> refreshAccountInformation;
    std::function<void()> checkForZoneUpdate;
    // Makes the main-window controller and loads its window; may throw.
    std::function<void()> loadMainWindow;
    // The printer set-up takes the printer type (as the user's choice).
    std::function<void(const QString &printerType)> setPrinterType;
    std::function<void()> becomeServicesProvider;
    // The main-window controller becomes the object the single-instance
    // connection serves.
    std::function<void()> vendRootObject;
    // Reads the account settings and follows their changes.
    std::function<void()> readFromDefaults;
    std::function<void()> centreMainWindow;
    // The printing modes: the stamp window (stamps-only edition), the mode
    // stored, and the title marks of beta builds and test servers.
    std::function<void()> showTessaro;
    std::function<void(const QString &mode)> setPrintingMode;
    std::function<void()> addJunkToWindowTitle;
    // The updater's check before printing: false (after its own "Update
    // required." alert) when this build is below the feed's minimum.
    std::function<bool()> validateVersionForPrinting;
    // The number of pieces in the mailing log; the mailing-log window with
    // its archive dialog.
    std::function<qint64()> mailingLogCount;
    std::function<void()> showMailingLogAndArchive;
    // USB scales: set-up and the reactions to a scale arriving or leaving.
    std::function<void()> setUpScales;
    std::function<void()> scaleWasAdded;
    std::function<void()> scaleWasRemoved;
    // The announcement window with the page.
    std::function<void(const QUrl &url)> showAnnouncement;
    // The announcement page (empty hook: none).
    std::function<QUrl()> announcementURL;

    // ---- Process ------------------------------------------------------------
    // Asks the application to terminate: applicationWillTerminate() runs,
    // then the process ends with the status.
    std::function<void(int status)> terminate;
    // Ends the process at once with the status (nothing else runs).
    std::function<void(int status)> exitProcess;
    // Whether the program is the active application (empty: yes).
    std::function<bool()> isApplicationActive;
    // Opens a web page in the browser.
    std::function<void(const QUrl &url)> openURL;

    // ---- Quit ---------------------------------------------------------------
    // The scales' HID manager: its device queues released and it closed.
    std::function<void()> releaseScales;
};
