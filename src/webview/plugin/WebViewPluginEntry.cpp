// The entry point of the web-view plug-in (widgets/WebViewPlugin.h): a
// locked web window for the policy.
#include "webview/LockedWebWindow.h"
#include "widgets/WebViewPlugin.h"

#include <QtGlobal>

#include <string_view>

static_assert(std::string_view(kWebViewPluginEntry) == "tolvaneMakeWebPageWindow");

extern "C" Q_DECL_EXPORT WebPageWindow *tolvaneMakeWebPageWindow(std::shared_ptr<WebViewPolicy> *policy)
{
    return new LockedWebWindow(std::move(*policy));
}
