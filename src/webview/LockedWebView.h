#pragma once
// The web view of the program's web windows, locked down: it carries out a
// WebViewPolicy (widgets/WebViewPolicy.h) over Qt WebEngine.
//
// Each view has a profile of its own, kept in memory only (no cookies,
// cache or storage on disk), and:
//   - refuses every download the page starts, every file chooser and every
//     permission request; unknown URL schemes launch nothing;
//   - lets no page reach a local file: navigations and requests to file:,
//     qrc: and the browser's own schemes are refused unless they are the
//     page the program itself loaded (loadOwn()); local pages get no access
//     to other files nor to remote addresses;
//   - opens no window: a page's request for one is caught, its address
//     handed to the policy's newWindowPolicy(), and dropped;
//   - takes no drop and lets nothing be dragged out of the page;
//   - shows no error page of the engine's own (it would show the address,
//     which can carry a password);
//   - shows the default context menu trimmed by the policy (by the design's
//     item tags, see contextMenuTag()), or none;
//   - trusts, besides the system's certificate authorities, only the extra
//     one the program's HTTPS clients trust (httpCAFile(): the stand-ins'
//     in a demo or test run): a chain that authority signed is accepted,
//     every other certificate error refused;
//   - gives the page's scripts an object "external" when the policy has
//     script functions: a small shim in the page's world forwards every call
//     on it, as JSON in a DOM event, to a script in a world of its own that
//     holds the only web channel (qwebchannel.js) and passes the call to
//     the policy. The page itself never sees the channel.
#include "widgets/WebViewPolicy.h"

#include <QList>
#include <QPointer>
#include <QSslCertificate>
#include <QWebEnginePage>
#include <QWebEngineView>

class QWebChannel;
class QWebEngineProfile;

class LockedWebPage : public QWebEnginePage
{
    Q_OBJECT
public:
    // The policy is not owned and must outlive the page.
    LockedWebPage(QWebEngineProfile *profile, WebViewPolicy *policy, QObject *parent = nullptr);

    // Loads the program's own page (the one local address allowed).
    void loadOwn(const QUrl &url);
    QUrl ownURL() const { return m_ownURL; }

    static WebViewPolicy::NavigationType navigationTypeFor(NavigationType type);
    // Whether the chain (leaf first) goes up, each certificate signed by the
    // next, to a certificate authority of httpCAFile(); false without one.
    static bool isChainOfExtraAuthority(const QList<QSslCertificate> &chain);
    // Local and browser-internal schemes that a page may not reach.
    static bool isLocalURL(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;

private:
    void installScripts();

    WebViewPolicy *m_policy;
    QUrl m_ownURL;
    QWebChannel *m_channel = nullptr;
};

class LockedWebView : public QWebEngineView
{
    Q_OBJECT
public:
    // The policy is not owned and must outlive the view.
    explicit LockedWebView(WebViewPolicy *policy, QWidget *parent = nullptr);
    ~LockedWebView() override;

    LockedWebPage *lockedPage() const { return m_page; }
    void loadOwn(const QUrl &url) { m_page->loadOwn(url); }

    // The design's context-menu item tag of a web action (open link in a new
    // window 1, download linked file 2, copy link 3, download image 5, copy
    // image 6, copy 8, back 9, forward 10, stop 11, reload 12, cut 13,
    // paste 14; view source and inspect count as opening a frame in a new
    // window, 7, saving the page as downloading, 2); other actions 1000 +
    // the action.
    static int contextMenuTag(QWebEnginePage::WebAction action);
    // The texts of the menu the view would show now for the default menu of
    // the last context-menu request (separators as "-"); empty: no menu.
    QStringList trimmedMenuTexts();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMenu *trimmedMenu();
    void refuseDrops(QObject *object);

    WebViewPolicy *m_policy;
    QWebEngineProfile *m_profile;
    LockedWebPage *m_page;
};
