#pragma once
// Automation callbacks: the reply fields of a piece appended to a caller's
// URL as "key=value" pairs, requested in the background ("GET") or opened in
// the user's browser (any other method).
//
// - Only non-empty text values make pairs; a value is percent-escaped as
//   UTF-8, ";/?:@&=+,$" included; the key is written as it is. The pairs
//   follow the dictionary's order, joined by "&".
// - The URL text is the base, "?" when the base has no query, then "&" and
//   the pairs: "http://h/cb?&PIC=1&Status=Success".
// - Only http and https URLs are sent or opened: a "file:" or "tolvane:"
//   callback sends nothing, whoever asks for it (documents, the "refund"
//   URL, the print flow's after-print request).
// - "GET" callbacks run on a pool of a few threads through the HTTP client
//   with a 20-second time-out; their replies and errors are discarded.
//   Callbacks queued beyond the pool's bound are dropped with a console
//   message rather than piling up. "BROWSER" callbacks go to the URL opener.
#include <QString>
#include <QUrl>
#include <QThreadPool>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// The URL text of the callback; the pairs escaped and appended as above.
QString callbackURLString(const QVariantMap &pairs, const QString &base);

class QVAutomationCallbacks
{
public:
    // Threads of the pool, callbacks waiting at most, and the time-out of
    // one request.
    static constexpr int kThreads = 4;
    static constexpr int kMaximumWaiting = 64;
    static constexpr int kTimeoutMilliseconds = 20000;

    QVAutomationCallbacks();
    ~QVAutomationCallbacks();
    QVAutomationCallbacks(const QVAutomationCallbacks &) = delete;
    QVAutomationCallbacks &operator=(const QVAutomationCallbacks &) = delete;

    // Sends or opens the callback; false when nothing was sent: a URL that
    // cannot be made ("couldn't create a URL out of <text>" on the console),
    // another scheme than http and https, a full queue, or a browser that
    // could not be opened.
    bool callbackPairs(const QVariantMap &pairs, const QString &base, const QString &method);
    // Waits for the background callbacks (tests and the program's end);
    // true when none is left.
    bool waitForCallbacks(int milliseconds);
    // Hands "GET" callbacks to the function instead of the network (the
    // fuzz target's stand-in); an empty function restores the network.
    void setGetSender(std::function<void(const QUrl &url)> sender) { m_getSender = std::move(sender); }

private:
    QThreadPool m_pool;
    std::function<void(const QUrl &)> m_getSender;
    std::shared_ptr<std::atomic<int>> m_waiting;
};
