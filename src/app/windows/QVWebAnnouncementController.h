#pragma once
// The announcement window: a web page shown inside narrow bounds. Links the
// user clicks leave for the default browser (and the announcement closes),
// new windows are refused (a clicked link's address goes to the browser),
// nothing can be dragged in or out, the context menu keeps only what stays
// inside the window, script alerts and confirms become alerts of the
// dialogs interface, and a lock in the window's header shows while the page
// came over https (the scheme compared without regard to case).
//
// QVWebAnnouncementController is the window's policy on plain data
// (widgets/WebViewPolicy.h); a subclass (the web-store set-up wizard) keeps
// clicked links inside the window. The window is the web-page window the
// program installed (the web-view library's); without one the page opens in
// the default browser.
#include "widgets/WebViewPolicy.h"

#include <QList>
#include <QString>
#include <QUrl>

class QVWebAnnouncementController : public WebViewPolicy
{
public:
    QVWebAnnouncementController() = default;

    // The program's name, the window's title.
    QString windowTitle() const override;
    bool showsLock() const override { return true; }

    // ---- State ----------------------------------------------------------------------
    bool hasLoaded() const { return m_hasLoaded; }
    bool isLoading() const { return m_isLoading; }
    bool lockShown() const { return m_lockShown; }
    QString pageTitle() const { return m_pageTitle; }

    // ---- Web view answers -------------------------------------------------------------
    void provisionalLoadStarted(const QUrl &url) override;
    void loadFinished() override;
    void loadFailed() override { m_isLoading = false; }
    void titleReceived(const QString &title) override { m_pageTitle = title; }
    Policy navigationPolicy(NavigationType type, const QUrl &url) override;
    Policy newWindowPolicy(NavigationType type, const QUrl &url) override;
    void scriptAlert(const QString &message) override;
    bool scriptConfirm(const QString &message) override;
    // The context menu's item tags that are taken out of the default menu:
    // open link in a new window, download linked file, open image in a new
    // window, download image, open frame in a new window, back, forward,
    // stop.
    static const QList<int> &removedContextMenuTags();
    QList<int> trimmedContextMenu(const QList<int> &defaultTags) const override;

private:
    void addLockToTitleBar();
    void removeLockFromTitleBar();

    bool m_hasLoaded = false;
    bool m_isLoading = false;
    bool m_lockShown = false;
    QString m_pageTitle;
};

// The application's one announcement window: made when none is open (and
// forgotten when it closes), shown, and the page loaded. Without an
// installed web-page window the page goes to the default browser and the
// answer is null.
WebPageWindow *showAnnouncementForURL(const QUrl &url);
WebPageWindow *announcementWindow();
