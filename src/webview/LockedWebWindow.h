#pragma once
// The window of a web page shown under a policy: the locked web view
// (LockedWebView.h) below a header that holds the lock when the policy
// shows one (at the header's right, mirroring the window manager's close
// button; the title bar itself is the window manager's). The window takes
// the policy's title until the page gives its own, the policy's size, and
// is centred on the screen; it closes when the policy asks (on the next
// pass of the event loop, never inside the page's own call).
//
// installWebPageWindows() makes these the program's web-page windows
// (setWebPageWindowMaker); the program calls it once at start-up.
#include "widgets/WebViewPolicy.h"

#include <QLabel>
#include <QLineEdit>

#include <memory>

class LockedWebView;

class LockedWebWindow : public WebPageWindow
{
public:
    explicit LockedWebWindow(std::shared_ptr<WebViewPolicy> policy, QWidget *parent = nullptr);
    ~LockedWebWindow() override;

    void loadURL(const QUrl &url) override;
    WebViewPolicy &policy() const override { return *m_policy; }

    LockedWebView *view() const { return m_view; }
    // The lock (null for a policy without one).
    QLabel *lockIconView() const { return m_lock; }
    // The URL field (null for a policy without one).
    QLineEdit *urlField() const { return m_urlField; }

private:
    std::shared_ptr<WebViewPolicy> m_policy;
    LockedWebView *m_view;
    QLabel *m_lock = nullptr;
    QLineEdit *m_urlField = nullptr;
};

void installWebPageWindows();
