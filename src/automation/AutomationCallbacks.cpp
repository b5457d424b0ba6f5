#include "automation/AutomationCallbacks.h"

#include "platform/HttpClient.h"
#include "platform/UrlOpener.h"

#include <QStringList>
#include <QUrl>
#include <QtDebug>

QString callbackURLString(const QVariantMap &pairs, const QString &base)
{
    QStringList parts;
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        if (it->typeId() != QMetaType::QString)
            continue;
        const QString value = it->toString();
        if (value.isEmpty())
            continue;
        // Everything but the unreserved characters and the marks that the
        // platform's escaping leaves alone is escaped: ";/?:@&=+,$" too.
        parts << QStringLiteral("%1=%2").arg(it.key(), QString::fromLatin1(QUrl::toPercentEncoding(value, "!*'()")));
    }
    QString text = base;
    if (!base.contains(QLatin1Char('?')))
        text += QLatin1Char('?');
    text += QLatin1Char('&');
    text += parts.join(QLatin1Char('&'));
    return text;
}

QVAutomationCallbacks::QVAutomationCallbacks() : m_waiting(std::make_shared<std::atomic<int>>(0))
{
    m_pool.setMaxThreadCount(kThreads);
}

QVAutomationCallbacks::~QVAutomationCallbacks() { m_pool.waitForDone(kTimeoutMilliseconds + 1000); }

bool QVAutomationCallbacks::callbackPairs(const QVariantMap &pairs, const QString &base, const QString &method)
{
    const QString text = callbackURLString(pairs, base);
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        qWarning().noquote() << QStringLiteral("couldn't create a URL out of %1").arg(text);
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        qWarning().noquote() << QStringLiteral("The callback to a \"%1:\" URL is not sent: only http and https "
                                               "callbacks are.")
                                    .arg(url.scheme());
        return false;
    }
    if (url.host().isEmpty()) {
        qWarning().noquote() << QStringLiteral("couldn't create a URL out of %1").arg(text);
        return false;
    }
    if (method != QLatin1String("GET"))
        return openUrl(url);
    if (m_getSender) {
        m_getSender(url);
        return true;
    }
    if (m_waiting->load() >= kMaximumWaiting) {
        qWarning().noquote()
            << QStringLiteral("The callback to %1 is dropped: too many callbacks are waiting.").arg(url.host());
        return false;
    }
    ++*m_waiting;
    HttpRequest request;
    request.url = url;
    request.timeoutMilliseconds = kTimeoutMilliseconds;
    request.maxReplySize = 1024 * 1024;
    m_pool.start([request, waiting = m_waiting] {
        // The answer, its data and any error are of no interest.
        (void)sendHttpRequest(request);
        --*waiting;
    });
    return true;
}

bool QVAutomationCallbacks::waitForCallbacks(int milliseconds) { return m_pool.waitForDone(milliseconds); }
