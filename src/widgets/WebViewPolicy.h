#pragma once
// What a web page shown inside the program may do, decided on plain data.
//
// A window that shows a web page (the announcement, the stamp window's
// guide) keeps its page inside narrow bounds; the decisions are made by a
// WebViewPolicy, tested without a display, and carried out by the web view
// of the web-view library:
//   - navigation: every navigation of the page (a clicked link, a form, a
//     redirect, a script) asks navigationPolicy(); a page never reaches a
//     local file (file:, qrc:) except the page the program itself loads;
//   - new windows: a page never opens a window; newWindowPolicy() decides
//     whether the address goes to the default browser;
//   - script alerts and confirmations go to scriptAlert() and
//     scriptConfirm() (the dialogs interface); prompts are refused;
//   - the context menu keeps the items trimmedContextMenu() keeps of the
//     default menu's tags (none: no menu);
//   - the page's object "external": a call of any function on it reaches
//     scriptCall(); the functions of scriptFunctions() answer nothing
//     (undefined), any other answers an empty text. Without script
//     functions the page's "external" is left alone;
//   - downloads, file choosers, dragging into and out of the page and
//     permission requests are always refused.
//
// The policy tells its window to show or hide the lock (lockChanged) and to
// close (closeWindow); the window sets both callbacks.
//
// The window itself is made by the web-view library, which the program
// installs at start-up (setWebPageWindowMaker); without one no window can be
// made and makeWebPageWindow() answers nothing.
#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class WebViewPolicy
{
public:
    // The web view's navigation types (the design's numbering: a clicked
    // link is 0).
    enum class NavigationType { LinkClicked = 0, FormSubmitted, BackForward, Reload, FormResubmitted, Other };
    enum class Policy { Use, Ignore };

    virtual ~WebViewPolicy() = default;

    // The window's title until the page gives one, and its size.
    virtual QString windowTitle() const { return QString(); }
    virtual QSize windowSize() const { return {640, 520}; }
    // The window has a header with the lock (shown while the page came over
    // https).
    virtual bool showsLock() const { return false; }

    // ---- The page's loads ---------------------------------------------------------
    virtual void provisionalLoadStarted(const QUrl &url) { (void)url; }
    virtual void loadFinished() {}
    virtual void loadFailed() {}
    // The main frame's address after a server redirect, and once its load
    // finished.
    virtual void serverRedirected(const QUrl &url) { (void)url; }
    virtual void mainFrameLoadFinished(const QUrl &url) { (void)url; }
    // A script the view runs in the page once its load finished (empty:
    // none).
    virtual QString scriptAfterLoad(const QUrl &url) const
    {
        (void)url;
        return QString();
    }
    virtual void titleReceived(const QString &title) { (void)title; }

    // ---- What the page may do -----------------------------------------------------
    virtual Policy navigationPolicy(NavigationType type, const QUrl &url)
    {
        (void)type;
        (void)url;
        return Policy::Use;
    }
    // Policy::Use only lets the request through to the web view, which
    // opens no window in any case.
    virtual Policy newWindowPolicy(NavigationType type, const QUrl &url)
    {
        (void)type;
        (void)url;
        return Policy::Ignore;
    }
    virtual void scriptAlert(const QString &message) = 0;
    virtual bool scriptConfirm(const QString &message) = 0;
    virtual QList<int> trimmedContextMenu(const QList<int> &defaultTags) const
    {
        (void)defaultTags;
        return {};
    }
    virtual QStringList scriptFunctions() const { return {}; }
    // The name under which the page's scripts reach those functions.
    virtual QString scriptObjectName() const { return QStringLiteral("external"); }
    // ---- The view's set-up ---------------------------------------------------------
    // Added to the web engine's user agent (empty: nothing).
    virtual QString userAgentApplicationName() const { return QString(); }
    // A style sheet file applied to every page (empty or missing: none).
    virtual QString userStyleSheetPath() const { return QString(); }
    // Whether pages and their resources may come from the cache.
    virtual bool usesPageCache() const { return true; }
    // The window shows the text of urlString() in a field above the page.
    virtual bool showsURLField() const { return false; }
    virtual QString urlString() const { return QString(); }
    // The window is closing (by the user or by closeWindow).
    virtual void windowWillClose() {}
    virtual void scriptCall(const QString &name, const QVariantList &arguments)
    {
        (void)name;
        (void)arguments;
    }

    // ---- The window's side ---------------------------------------------------------
    std::function<void(bool shown)> lockChanged;
    std::function<void()> closeWindow;
    // Set by a window with a URL field: the text changed.
    std::function<void()> urlStringChanged;
};

// A call the page made on "external", as the page's side of the bridge
// sends it: a JSON object {"name": text, "args": [values]} of at most
// kMaxScriptCallSize bytes. Nothing for anything else.
struct ScriptCall {
    QString name;
    QVariantList arguments;
};
inline constexpr qsizetype kMaxScriptCallSize = 64 * 1024;
std::optional<ScriptCall> scriptCallFromJson(const QByteArray &json);
// An argument as text for the console: a text as it is, null as "null",
// numbers and booleans as JavaScript writes them, arrays and objects as
// compact JSON.
QString scriptArgumentText(const QVariant &argument);
QStringList scriptArgumentTexts(const QVariantList &arguments);

// A window showing a web page under a policy (it owns the policy).
class WebPageWindow : public QWidget
{
public:
    using QWidget::QWidget;
    // Loads the page (a load of the program's own, allowed to be a file).
    virtual void loadURL(const QUrl &url) = 0;
    virtual WebViewPolicy &policy() const = 0;

protected:
    // Tells the policy (windowWillClose) when the close is accepted.
    void closeEvent(QCloseEvent *event) override;
};

using WebPageWindowMaker = std::function<WebPageWindow *(std::shared_ptr<WebViewPolicy> policy)>;
void setWebPageWindowMaker(WebPageWindowMaker maker);
// A new window (top-level, not shown) for the policy; nothing when no maker
// is installed.
WebPageWindow *makeWebPageWindow(std::shared_ptr<WebViewPolicy> policy);
