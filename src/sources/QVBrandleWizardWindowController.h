#pragma once
// QVBrandleWizardWindowController: the store manager, the vendor's web site
// on which the user connects marketplaces and web stores, renews their
// authorizations and removes them. A policy of the program's web-page
// windows (widgets/WebViewPolicy.h): the web-store window makes it with the
// signed-in URL, shows it, and refreshes its lists when it closes.
//
// - Pages reach the controller as "brandleController"; the one function
//   they can call is closeWizardViewWindow (closes the window); any other
//   call is written to the console as "<name>, <arguments>" and answers an
//   empty text.
// - User agent with "Safari/533"; no page cache; the user style sheet
//   "webstore-wizard.css" from the support folder, else the bundle.
// - The URL field shows the main frame's address, except on the vendor's
//   web domain, where it stays empty: the sign-in URL carries the account's
//   password, which is shown, logged or opened nowhere else.
// - On the vendor's web domain or its development domain a page gets a
//   close button ("Close Web Store Manager") after its load.
//
// The domains are settings: "webStoreWizardVendorDomain" (else the host of
// the "tolvaneWebSite" setting) and "webStoreWizardDevelopmentDomain";
// unset domains match nothing.
#include "sources/QVWebStoreWindowController.h"
#include "widgets/WebViewPolicy.h"

#include <QPointer>

#include <memory>

inline const QString QVWebStoreWizardVendorDomainDefaultsKey = QStringLiteral("webStoreWizardVendorDomain");
inline const QString QVWebStoreWizardDevelopmentDomainDefaultsKey = QStringLiteral("webStoreWizardDevelopmentDomain");

class QVBrandleWizardWindowController : public WebViewPolicy,
                                        public QVWebStoreWizard,
                                        public std::enable_shared_from_this<QVBrandleWizardWindowController>
{
public:
    // The window for the URL, made now; nothing when no web-page window can
    // be made (the URL is then opened nowhere).
    static std::shared_ptr<QVBrandleWizardWindowController> wizardWithURL(const QUrl &url,
                                                                          std::function<void()> didClose);
    ~QVBrandleWizardWindowController() override;

    WebPageWindow *window() const { return m_window; }
    void showWindow() override;
    void closeWizardViewWindow();

    QString urlString() const override { return m_urlString; }
    void setUrlString(const QString &text);
    // Empty on the vendor's web domain (case-insensitively), else the text.
    void setURLStringWithCaveats(const QString &text);
    static QString vendorDomain();
    static QString developmentDomain();
    // The script that adds the close button to a vendor page.
    static QString closeButtonScript();

    // ---- WebViewPolicy ----------------------------------------------------------------
    QString windowTitle() const override { return QStringLiteral("Web Store Manager"); }
    QSize windowSize() const override { return {960, 720}; }
    bool showsLock() const override { return true; }
    bool showsURLField() const override { return true; }
    QString userAgentApplicationName() const override { return QStringLiteral("Safari/533"); }
    QString userStyleSheetPath() const override;
    bool usesPageCache() const override { return false; }
    QStringList scriptFunctions() const override { return {QStringLiteral("closeWizardViewWindow")}; }
    QString scriptObjectName() const override { return QStringLiteral("brandleController"); }
    void scriptCall(const QString &name, const QVariantList &arguments) override;
    void scriptAlert(const QString &message) override;
    bool scriptConfirm(const QString &message) override;
    void provisionalLoadStarted(const QUrl &url) override;
    void serverRedirected(const QUrl &url) override;
    void mainFrameLoadFinished(const QUrl &url) override;
    QString scriptAfterLoad(const QUrl &url) const override;
    void windowWillClose() override;

private:
    QVBrandleWizardWindowController() = default;

    QPointer<WebPageWindow> m_window;
    QString m_urlString;
    std::function<void()> m_didClose;
};

// Makes the store manager's windows for the web-store window
// (setWebStoreWizardFactory).
void registerBrandleWizard();
