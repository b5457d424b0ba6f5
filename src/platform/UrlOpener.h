#pragma once
// Opening a URL in the user's own application for it (browser, mail program).
//
// Everything that hands a URL to the desktop goes through the registered
// opener, so that tests and automation can record the URL instead of
// starting a program. Without a registered opener the desktop's handler is
// used (QDesktopServices).
#include <QString>
#include <QUrl>

#include <memory>

class UrlOpener
{
public:
    virtual ~UrlOpener() = default;

    // Opens the URL; `inBackground` asks that the opened program is not
    // brought to the front. True when the desktop accepted the URL.
    virtual bool openUrl(const QUrl &url, bool inBackground) = 0;

    // Opens a URL given as text, exactly as written. A QUrl lowercases its
    // host, and the program's own "tolvane:" URLs name their command there
    // in mixed case ("newShipment2"), which the program compares exactly;
    // such URLs go this way. By default the text is opened as a QUrl; the
    // desktop's opener hands the text itself to "xdg-open".
    virtual bool openUrlText(const QString &text, bool inBackground)
    {
        return openUrl(QUrl(text, QUrl::StrictMode), inBackground);
    }
};

// Registers the opener (nullptr restores the desktop's handler).
void setUrlOpener(std::shared_ptr<UrlOpener> opener);
// The registered opener, or the one that asks the desktop.
std::shared_ptr<UrlOpener> urlOpener();

// Shorthand for urlOpener()->openUrl(url, inBackground). An invalid or empty
// URL is refused (false) without reaching the opener.
bool openUrl(const QUrl &url, bool inBackground = false);
// Shorthand for urlOpener()->openUrlText(text, inBackground). Text that does
// not form a valid URL is refused (false) without reaching the opener.
bool openUrlText(const QString &text, bool inBackground = false);
