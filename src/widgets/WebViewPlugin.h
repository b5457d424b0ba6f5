#pragma once
// The web-page windows from the web-view plug-in, loaded when the first one
// is made.
//
// The web view (Qt WebEngine with the Qt Quick, QML, web channel and
// positioning libraries it brings, and the GL driver it starts) is a large
// part of the program that most runs never show. It is built as a plug-in,
// "tolvane-webview.so", which the program does not link: installWebViewPlugin()
// installs a window maker (setWebPageWindowMaker) that loads the plug-in on
// its first call and makes every window through the plug-in's entry point
// kWebViewPluginEntry, a function
//     WebPageWindow *(std::shared_ptr<WebViewPolicy> *policy)
// that takes the policy out of *policy and answers a new top-level window
// (not shown).
//
// The plug-in is looked for, in this order, in the folder "../lib/tolvane"
// beside the program's folder (the installed layout), in the program's own
// folder, and in the folder where this build puts it. A plug-in that cannot
// be found or loaded is reported once on the console; the maker then answers
// nothing, as when no maker is installed.
#include <QString>
#include <QStringList>

inline constexpr char kWebViewPluginEntry[] = "tolvaneMakeWebPageWindow";

// The file name of the plug-in.
QString webViewPluginFileName();
// The folders searched for it, in order (existing or not).
QStringList webViewPluginSearchPaths();
// The path of the first plug-in file found; empty when there is none.
QString webViewPluginPath();

void installWebViewPlugin();
