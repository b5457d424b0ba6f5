#pragma once
// The announcement window: a web page shown inside narrow bounds. Links the
// user clicks leave for the default browser (and the announcement closes),
// new windows are refused, nothing can be dragged in or out, the context
// menu keeps only copying, script alerts and confirms become alerts of the
// dialogs interface, and a lock in the window's header shows while the page
// came over https (the scheme compared without regard to case).
//
// QVWebAnnouncementController holds the policies and the state on plain
// data; a subclass (the web-store set-up wizard) keeps clicked links inside
// the window. QVWebAnnouncementWindow is its thin view: this build has no
// web engine, so the page is fetched with the platform's HTTP client and
// shown as rich text (no scripts run, pages are read as HTML of the Qt
// rich-text subset).
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QVWebAnnouncementController
{
public:
    // The web view's navigation types.
    enum class NavigationType { LinkClicked = 0, FormSubmitted, BackForward, Reload, FormResubmitted, Other };
    enum class Policy { Use, Ignore };

    QVWebAnnouncementController() = default;
    virtual ~QVWebAnnouncementController() = default;

    // The program's name, the window's title.
    QString windowTitle() const;

    // ---- State ----------------------------------------------------------------------
    bool hasLoaded() const { return m_hasLoaded; }
    bool isLoading() const { return m_isLoading; }
    bool lockShown() const { return m_lockShown; }
    QString pageTitle() const { return m_pageTitle; }

    // Called when the lock appears or goes (the view shows it), and when the
    // window is to close.
    std::function<void(bool shown)> lockChanged;
    std::function<void()> closeWindow;

    // ---- Web view answers -------------------------------------------------------------
    void provisionalLoadStarted(const QUrl &url);
    void loadFinished();
    void titleReceived(const QString &title) { m_pageTitle = title; }
    Policy navigationPolicy(NavigationType type, const QUrl &url);
    Policy newWindowPolicy(NavigationType type, const QUrl &url);
    void scriptAlert(const QString &message);
    bool scriptConfirm(const QString &message);
    // The context menu's item tags that are taken out of the default menu:
    // open link in a new window, download linked file, open image in a new
    // window, download image, open frame in a new window, back, forward,
    // stop.
    static const QList<int> &removedContextMenuTags();
    static QList<int> trimmedContextMenu(const QList<int> &defaultTags);

private:
    void addLockToTitleBar();
    void removeLockFromTitleBar();

    bool m_hasLoaded = false;
    bool m_isLoading = false;
    bool m_lockShown = false;
    QString m_pageTitle;
};

// The window of a controller.
class QVWebAnnouncementWindow : public QWidget
{
public:
    explicit QVWebAnnouncementWindow(std::shared_ptr<QVWebAnnouncementController> controller,
                                     QWidget *parent = nullptr);

    // Fetches the page and shows it.
    void loadURLRequest(const QUrl &url);
    QVWebAnnouncementController &controller() const { return *m_controller; }
    QTextBrowser *view() const { return m_view; }
    QLabel *lockIconView() const { return m_lock; }
    // The user clicked the link (as the view's anchor signal does).
    void linkClicked(const QUrl &url);

private:
    std::shared_ptr<QVWebAnnouncementController> m_controller;
    QTextBrowser *m_view;
    QLabel *m_lock;
    QUrl m_currentURL;
};

// The application's one announcement window: made when none is open (and
// forgotten when it closes), shown, and the page loaded.
QVWebAnnouncementWindow *showAnnouncementForURL(const QUrl &url);
QVWebAnnouncementWindow *announcementWindow();
