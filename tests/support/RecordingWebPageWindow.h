#pragma once
// A web-page window for tests without a web view: it records the pages it
// is asked to load and closes when its policy asks.
#include "widgets/WebViewPolicy.h"

#include <QList>
#include <QUrl>

#include <memory>

namespace tolvane::test {

class RecordingWebPageWindow : public WebPageWindow
{
public:
    explicit RecordingWebPageWindow(std::shared_ptr<WebViewPolicy> policy)
        : WebPageWindow(nullptr, Qt::Window), m_policy(std::move(policy))
    {
        m_policy->closeWindow = [this] { close(); };
    }
    ~RecordingWebPageWindow() override { m_policy->closeWindow = nullptr; }

    void loadURL(const QUrl &url) override { loads.append(url); }
    WebViewPolicy &policy() const override { return *m_policy; }

    QList<QUrl> loads;

private:
    std::shared_ptr<WebViewPolicy> m_policy;
};

} // namespace tolvane::test
