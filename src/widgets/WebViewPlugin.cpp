#include "widgets/WebViewPlugin.h"

#include "widgets/WebViewPolicy.h"

#include "platform/Plugins.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QtDebug>

// Qt's setter of the context that every GL context of the application shares
// (QOpenGLContext::globalShareContext()), exported by Qt GUI without a public
// header.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace {

QOpenGLContext *sharedGLContext = nullptr;

void deleteSharedGLContext()
{
    qt_gl_set_global_share_context(nullptr);
    delete std::exchange(sharedGLContext, nullptr);
}

// Qt WebEngine hands its pages to the window's GL context through a context
// that all of them share. A program that links the engine gets it when the
// application starts (Qt::AA_ShareOpenGLContexts set before QApplication),
// which starts the GL driver in every run; loaded later, the engine finds it
// made here, as Qt makes it, just before the plug-in is loaded.
QtMessageHandler previousHandler = nullptr;

void sayAllButTheLateAttribute(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (previousHandler && !message.contains(QLatin1String("AA_ShareOpenGLContexts")))
        previousHandler(type, context, message);
}

void shareGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // The attribute makes the widgets' own GL contexts share it. Qt says on
    // the console that it comes after the application was made, which is
    // the point here.
    previousHandler = qInstallMessageHandler(sayAllButTheLateAttribute);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(previousHandler);
    sharedGLContext = new QOpenGLContext;
    sharedGLContext->setFormat(QSurfaceFormat::defaultFormat());
    if (!sharedGLContext->create())
        qWarning() << "The web view's shared GL context could not be made";
    qt_gl_set_global_share_context(sharedGLContext);
    qAddPostRoutine(deleteSharedGLContext);
}

using PluginEntry = WebPageWindow *(*)(std::shared_ptr<WebViewPolicy> *policy);

QString buildPluginFolder()
{
#ifdef TOLVANE_WEBVIEW_PLUGIN_DIR
    return QStringLiteral(TOLVANE_WEBVIEW_PLUGIN_DIR);
#else
    return QString();
#endif
}

// The entry point of the plug-in, loaded on the first call; null (and said
// once) when it cannot be loaded.
PluginEntry pluginEntry()
{
    static bool tried = false;
    static PluginEntry entry = nullptr;
    if (std::exchange(tried, true))
        return entry;
    if (webViewPluginPath().isEmpty()) {
        qWarning().noquote() << "The web view plug-in" << webViewPluginFileName() << "is not in"
                             << webViewPluginSearchPaths().join(QStringLiteral(", "));
        return nullptr;
    }
    shareGLContexts();
    // Its windows and the web engine live until the process ends.
    entry = reinterpret_cast<PluginEntry>(
        resolvePluginEntry(webViewPluginFileName(), buildPluginFolder(), kWebViewPluginEntry));
    return entry;
}

} // namespace

QString webViewPluginFileName() { return QStringLiteral("tolvane-webview.so"); }

QStringList webViewPluginSearchPaths() { return pluginSearchPaths(buildPluginFolder()); }

QString webViewPluginPath() { return pluginPath(webViewPluginFileName(), buildPluginFolder()); }

void installWebViewPlugin()
{
    setWebPageWindowMaker([](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
        const PluginEntry entry = pluginEntry();
        return entry ? entry(&policy) : nullptr;
    });
}
