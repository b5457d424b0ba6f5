#include "webview/LockedWebView.h"

#include "platform/HttpClient.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDebug>
#include <QDropEvent>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <openssl/x509.h>

#include <algorithm>
#include <memory>

namespace {

// The event by which the page's shim hands a call to the bridge's world.
const QString kCallEvent = QStringLiteral("tolvane-external-call");

// The page's world: "external" forwards every call and answers undefined
// for the policy's functions, "" for any other.
const char kExternalShim[] = R"JS(
(function () {
  'use strict';
  var known = %1;
  var send = function (name, args) {
    var detail;
    try { detail = JSON.stringify({name: name, args: args}); }
    catch (e) { detail = JSON.stringify({name: name, args: []}); }
    document.dispatchEvent(new CustomEvent('%2', {detail: detail}));
  };
  var external = new Proxy(Object.create(null), {
    get: function (target, name) {
      if (typeof name !== 'string') return undefined;
      return function () {
        send(name, Array.prototype.slice.call(arguments));
        return known.indexOf(name) >= 0 ? undefined : '';
      };
    },
    set: function () { return true; },
    defineProperty: function () { return true; }
  });
  try {
    Object.defineProperty(window, '%3', {value: external, writable: false, configurable: false});
  } catch (e) {
    window['%3'] = external;
  }
})();
)JS";

// The bridge's world: the web channel, fed by the shim's events (calls that
// come before the channel is up wait for it).
const char kBridgeScript[] = R"JS(
(function () {
  'use strict';
  var waiting = [], bridge = null, tries = 0;
  document.addEventListener('%1', function (event) {
    if (typeof event.detail !== 'string') return;
    if (bridge) bridge.call(event.detail); else waiting.push(event.detail);
  }, true);
  var connect = function () {
    if (typeof qt === 'undefined' || !qt.webChannelTransport) {
      if (++tries < 200) setTimeout(connect, 10);
      return;
    }
    new QWebChannel(qt.webChannelTransport, function (channel) {
      bridge = channel.objects.bridge;
      waiting.forEach(function (detail) { bridge.call(detail); });
      waiting = [];
    });
  };
  connect();
})();
)JS";

// The user style sheet, added to the page's head once the document is there.
const char kStyleSheetScript[] = R"JS(
(function () {
  var style = document.createElement('style');
  style.textContent = %1;
  (document.head || document.documentElement).appendChild(style);
})();
)JS";

// Every frame: nothing is dragged out of the page or dropped into it.
const char kDragGuard[] = R"JS(
(function () {
  var refuse = function (event) { event.preventDefault(); event.stopImmediatePropagation(); };
  var noDrop = function (event) { if (event.dataTransfer) event.dataTransfer.dropEffect = 'none'; };
  window.addEventListener('dragstart', refuse, true);
  window.addEventListener('drop', refuse, true);
  window.addEventListener('dragenter', noDrop, true);
  window.addEventListener('dragover', noDrop, true);
})();
)JS";

QWebEngineScript makeScript(const QString &name, const QString &source, quint32 world, bool subFrames)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setWorldId(world);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(subFrames);
    return script;
}

// The one object the bridge's world sees.
// Whether the issuer's key verifies the certificate's signature.
bool isSignedBy(const QSslCertificate &certificate, const QSslCertificate &issuer)
{
    const auto read = [](const QSslCertificate &from) {
        const QByteArray der = from.toDer();
        const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
        return std::unique_ptr<X509, decltype(&X509_free)>(d2i_X509(nullptr, &bytes, long(der.size())), &X509_free);
    };
    const auto subject = read(certificate);
    const auto signer = read(issuer);
    EVP_PKEY *key = signer ? X509_get0_pubkey(signer.get()) : nullptr;
    return subject && key && X509_verify(subject.get(), key) == 1;
}

class ExternalBridge : public QObject
{
    Q_OBJECT
public:
    ExternalBridge(WebViewPolicy *policy, QObject *parent) : QObject(parent), m_policy(policy) {}

public slots:
    void call(const QString &json)
    {
        const std::optional<ScriptCall> call = scriptCallFromJson(json.toUtf8());
        if (!call) {
            qWarning().noquote() << "A page's call on \"external\" was not understood and is ignored.";
            return;
        }
        m_policy->scriptCall(call->name, call->arguments);
    }

private:
    WebViewPolicy *m_policy;
};

// Requests for local files are refused unless they load the program's own
// page.
class LocalFileInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    LocalFileInterceptor(QObject *parent) : QWebEngineUrlRequestInterceptor(parent) {}
    std::function<QUrl()> ownURL;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!LockedWebPage::isLocalURL(info.requestUrl()))
            return;
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame && ownURL &&
            info.requestUrl() == ownURL())
            return;
        qWarning().noquote() << "A page's request for" << info.requestUrl().toString() << "was refused.";
        info.block(true);
    }
};

// A page's request for a new window: the address goes to the policy, the
// window never opens.
class NewWindowCatcher : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEngineProfile *profile, WebViewPolicy *policy, QObject *parent)
        : QWebEnginePage(profile, parent), m_policy(policy)
    {
        // Nothing may come: let go of the page in any case.
        QTimer::singleShot(10000, this, &QObject::deleteLater);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (url == QUrl(QStringLiteral("about:blank")))
            return true;
        if (!m_decided && isMainFrame && !LockedWebPage::isLocalURL(url)) {
            m_decided = true;
            m_policy->newWindowPolicy(LockedWebPage::navigationTypeFor(type), url);
        }
        deleteLater();
        return false;
    }

private:
    WebViewPolicy *m_policy;
    bool m_decided = false;
};

} // namespace

// ---- The page ----------------------------------------------------------------------

LockedWebPage::LockedWebPage(QWebEngineProfile *profile, WebViewPolicy *policy, QObject *parent)
    : QWebEnginePage(profile, parent), m_policy(policy)
{
    QWebEngineSettings *s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    // The engine's own page for a load that failed spells out the address,
    // which for some of the program's pages carries the account's password:
    // a failed load leaves the page empty, and the window says why.
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    // Permission requests (camera, location, notifications…) are refused.
    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl &origin, Feature feature) {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    });
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            m_policy->provisionalLoadStarted(info.url());
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus: {
            m_policy->loadFinished();
            m_policy->mainFrameLoadFinished(url());
            const QString script = m_policy->scriptAfterLoad(url());
            if (!script.isEmpty())
                runJavaScript(script, QWebEngineScript::MainWorld);
            break;
        }
        case QWebEngineLoadingInfo::LoadStoppedStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            m_policy->loadFailed();
            break;
        }
    });
    connect(this, &QWebEnginePage::titleChanged, this,
            [this](const QString &title) { m_policy->titleReceived(title); });
    connect(this, &QWebEnginePage::certificateError, this, [](QWebEngineCertificateError error) {
        if (error.type() == QWebEngineCertificateError::CertificateAuthorityInvalid &&
            isChainOfExtraAuthority(error.certificateChain()))
            error.acceptCertificate();
        else
            error.rejectCertificate();
    });
    installScripts();
}

void LockedWebPage::installScripts()
{
    scripts().insert(makeScript(QStringLiteral("tolvane-drag-guard"), QString::fromLatin1(kDragGuard),
                                QWebEngineScript::ApplicationWorld, true));
    const QString styleSheetPath = m_policy->userStyleSheetPath();
    if (!styleSheetPath.isEmpty()) {
        QFile styleSheet(styleSheetPath);
        if (styleSheet.open(QIODevice::ReadOnly) && styleSheet.size() <= 1024 * 1024) {
            const QString css = QString::fromUtf8(styleSheet.readAll());
            const QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{css}).toJson(QJsonDocument::Compact));
            QWebEngineScript script =
                makeScript(QStringLiteral("tolvane-user-style"),
                           QString::fromLatin1(kStyleSheetScript).arg(quoted.mid(1, quoted.size() - 2)),
                           QWebEngineScript::ApplicationWorld, false);
            script.setInjectionPoint(QWebEngineScript::DocumentReady);
            scripts().insert(script);
        }
    }
    const QStringList functions = m_policy->scriptFunctions();
    if (functions.isEmpty())
        return;
    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!channelScript.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "The web channel's script is missing: the page's \"external\" stays unset.";
        return;
    }
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("bridge"), new ExternalBridge(m_policy, m_channel));
    setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    const QString known =
        QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(functions)).toJson(QJsonDocument::Compact));
    scripts().insert(makeScript(QStringLiteral("tolvane-external"),
                                QString::fromLatin1(kExternalShim).arg(known, kCallEvent, m_policy->scriptObjectName()),
                                QWebEngineScript::MainWorld, false));
    scripts().insert(
        makeScript(QStringLiteral("tolvane-bridge"),
                   QString::fromUtf8(channelScript.readAll()) + QString::fromLatin1(kBridgeScript).arg(kCallEvent),
                   QWebEngineScript::ApplicationWorld, false));
}

void LockedWebPage::loadOwn(const QUrl &url)
{
    m_ownURL = url;
    load(url);
}

WebViewPolicy::NavigationType LockedWebPage::navigationTypeFor(NavigationType type)
{
    switch (type) {
    case NavigationTypeLinkClicked:
        return WebViewPolicy::NavigationType::LinkClicked;
    case NavigationTypeFormSubmitted:
        return WebViewPolicy::NavigationType::FormSubmitted;
    case NavigationTypeBackForward:
        return WebViewPolicy::NavigationType::BackForward;
    case NavigationTypeReload:
        return WebViewPolicy::NavigationType::Reload;
    case NavigationTypeTyped:
    case NavigationTypeOther:
    case NavigationTypeRedirect:
        break;
    }
    return WebViewPolicy::NavigationType::Other;
}

bool LockedWebPage::isLocalURL(const QUrl &url)
{
    static const QStringList local = {QStringLiteral("file"),        QStringLiteral("qrc"),
                                      QStringLiteral("view-source"), QStringLiteral("filesystem"),
                                      QStringLiteral("chrome"),      QStringLiteral("devtools")};
    return url.isLocalFile() || local.contains(url.scheme().toLower());
}

bool LockedWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isLocalURL(url) && !(isMainFrame && url == m_ownURL)) {
        qWarning().noquote() << "A page's navigation to" << url.toString() << "was refused.";
        return false;
    }
    if (m_policy->navigationPolicy(navigationTypeFor(type), url) != WebViewPolicy::Policy::Use)
        return false;
    if (type == NavigationTypeRedirect && isMainFrame)
        m_policy->serverRedirected(url);
    return true;
}

QWebEnginePage *LockedWebPage::createWindow(WebWindowType type)
{
    (void)type;
    return new NewWindowCatcher(profile(), m_policy, this);
}

void LockedWebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &message)
{
    (void)securityOrigin;
    m_policy->scriptAlert(message);
}

bool LockedWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &message)
{
    (void)securityOrigin;
    return m_policy->scriptConfirm(message);
}

bool LockedWebPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                                     QString *result)
{
    (void)securityOrigin;
    (void)message;
    (void)defaultValue;
    (void)result;
    return false;
}

void LockedWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                             int lineNumber, const QString &sourceID)
{
    (void)level;
    (void)lineNumber;
    (void)sourceID;
    qInfo().noquote() << message;
}

QStringList LockedWebPage::chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                                       const QStringList &acceptedMimeTypes)
{
    (void)mode;
    (void)oldFiles;
    (void)acceptedMimeTypes;
    return {};
}

// ---- The view ----------------------------------------------------------------------

LockedWebView::LockedWebView(WebViewPolicy *policy, QWidget *parent)
    : QWebEngineView(parent), m_policy(policy), m_profile(new QWebEngineProfile(this)), m_page(nullptr)
{
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    if (!m_policy->usesPageCache())
        m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    const QString applicationName = m_policy->userAgentApplicationName();
    if (!applicationName.isEmpty())
        m_profile->setHttpUserAgent(m_profile->httpUserAgent() + u' ' + applicationName);
    auto *interceptor = new LocalFileInterceptor(m_profile);
    m_profile->setUrlRequestInterceptor(interceptor);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, [](QWebEngineDownloadRequest *download) {
        qWarning().noquote() << "A page's download of" << download->url().toString() << "was refused.";
        download->cancel();
    });
    m_page = new LockedWebPage(m_profile, m_policy, this);
    interceptor->ownURL = [page = QPointer<LockedWebPage>(m_page)] { return page ? page->ownURL() : QUrl(); };
    setPage(m_page);
    setAcceptDrops(false);
    refuseDrops(this);
}

LockedWebView::~LockedWebView()
{
    // The page goes before its profile.
    setPage(nullptr);
    delete m_page;
}

int LockedWebView::contextMenuTag(QWebEnginePage::WebAction action)
{
    switch (action) {
    case QWebEnginePage::OpenLinkInNewWindow:
    case QWebEnginePage::OpenLinkInNewTab:
    case QWebEnginePage::OpenLinkInNewBackgroundTab:
        return 1;
    case QWebEnginePage::DownloadLinkToDisk:
    case QWebEnginePage::SavePage:
        return 2;
    case QWebEnginePage::CopyLinkToClipboard:
        return 3;
    case QWebEnginePage::DownloadImageToDisk:
    case QWebEnginePage::DownloadMediaToDisk:
        return 5;
    case QWebEnginePage::CopyImageToClipboard:
        return 6;
    case QWebEnginePage::ViewSource:
    case QWebEnginePage::InspectElement:
        return 7;
    case QWebEnginePage::Copy:
        return 8;
    case QWebEnginePage::Back:
        return 9;
    case QWebEnginePage::Forward:
        return 10;
    case QWebEnginePage::Stop:
        return 11;
    case QWebEnginePage::Reload:
        return 12;
    case QWebEnginePage::Cut:
        return 13;
    case QWebEnginePage::Paste:
        return 14;
    default:
        break;
    }
    return 1000 + int(action);
}

QMenu *LockedWebView::trimmedMenu()
{
    if (!lastContextMenuRequest())
        return nullptr;
    QMenu *menu = createStandardContextMenu();
    if (!menu)
        return nullptr;
    QHash<QAction *, int> tags;
    for (int i = 0; i < QWebEnginePage::WebActionCount; ++i) {
        const auto action = QWebEnginePage::WebAction(i);
        tags.insert(pageAction(action), contextMenuTag(action));
    }
    QList<int> defaultTags;
    for (QAction *item : menu->actions())
        if (tags.contains(item))
            defaultTags << tags.value(item);
    const QList<int> kept = m_policy->trimmedContextMenu(defaultTags);
    bool separatorAllowed = false;
    QAction *lastSeparator = nullptr;
    for (QAction *item : menu->actions()) {
        if (item->isSeparator()) {
            if (separatorAllowed) {
                lastSeparator = item;
                separatorAllowed = false;
            } else {
                menu->removeAction(item);
            }
            continue;
        }
        if (!tags.contains(item) || !kept.contains(tags.value(item))) {
            menu->removeAction(item);
            continue;
        }
        separatorAllowed = true;
        lastSeparator = nullptr;
    }
    if (lastSeparator)
        menu->removeAction(lastSeparator);
    if (menu->actions().isEmpty()) {
        delete menu;
        return nullptr;
    }
    return menu;
}

QStringList LockedWebView::trimmedMenuTexts()
{
    QStringList texts;
    if (QMenu *menu = trimmedMenu()) {
        for (QAction *item : menu->actions())
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
        delete menu;
    }
    return texts;
}

void LockedWebView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = trimmedMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose, true);
    menu->popup(event->globalPos());
}

void LockedWebView::dragEnterEvent(QDragEnterEvent *event) { event->ignore(); }
void LockedWebView::dragMoveEvent(QDragMoveEvent *event) { event->ignore(); }
void LockedWebView::dropEvent(QDropEvent *event) { event->ignore(); }

void LockedWebView::refuseDrops(QObject *object)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setAcceptDrops(false);
    object->installEventFilter(this);
    for (QObject *child : object->children())
        if (child->isWidgetType())
            refuseDrops(child);
}

bool LockedWebView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true;
    case QEvent::ChildPolished:
        if (QObject *child = static_cast<QChildEvent *>(event)->child(); child && child->isWidgetType())
            refuseDrops(child);
        break;
    default:
        break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

bool LockedWebPage::isChainOfExtraAuthority(const QList<QSslCertificate> &chain)
{
    const QString caFile = httpCAFile();
    if (caFile.isEmpty() || chain.isEmpty())
        return false;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i) {
        if (!isSignedBy(chain.at(i), chain.at(i + 1)))
            return false;
    }
    const QList<QSslCertificate> authorities = QSslCertificate::fromPath(caFile, QSsl::Pem);
    return std::any_of(authorities.cbegin(), authorities.cend(), [&chain](const QSslCertificate &authority) {
        return chain.last() == authority || isSignedBy(chain.last(), authority);
    });
}

#include "LockedWebView.moc"
