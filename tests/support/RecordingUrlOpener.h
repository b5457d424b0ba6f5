#pragma once
// A URL opener for tests: records every URL handed to the desktop instead of
// starting a program. UrlOpenerScope registers one while it lives.
#include "platform/UrlOpener.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace tolvane::test {

class RecordingUrlOpener final : public UrlOpener
{
public:
    QList<QUrl> opened;
    QStringList openedTexts; // URLs handed on as text (openUrlText)
    bool answer = true;

    bool openUrl(const QUrl &url, bool) override
    {
        opened.append(url);
        return answer;
    }
    bool openUrlText(const QString &text, bool) override
    {
        openedTexts.append(text);
        return answer;
    }
};

class UrlOpenerScope
{
public:
    UrlOpenerScope() : m_opener(std::make_shared<RecordingUrlOpener>()) { setUrlOpener(m_opener); }
    ~UrlOpenerScope() { setUrlOpener(nullptr); }
    UrlOpenerScope(const UrlOpenerScope &) = delete;
    UrlOpenerScope &operator=(const UrlOpenerScope &) = delete;

    RecordingUrlOpener *operator->() const { return m_opener.get(); }

private:
    std::shared_ptr<RecordingUrlOpener> m_opener;
};

} // namespace tolvane::test
