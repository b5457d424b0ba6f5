#pragma once
// TessaroGuideMeWindowController: the guide window's logic on plain state.
// The guide is a web page that asks the user about the mail piece and sets
// the stamp window's mailpiece and class through a script bridge: the page
// calls, on its object "external", setMailPieceTypePopUp(class name,
// mailpiece name) or closeGuideMeWindow(). Nothing else of the program is
// reachable from the page; a call of any other function is logged as
// "<name>, <arguments>" and answers an empty text.
//
// The page is remote content: its script alerts and confirmations go through
// the dialogs interface (an alert titled "JavaScript"), and the web view that
// shows it refuses downloads, file access, dragging and context menus. The
// controller is the window's policy (widgets/WebViewPolicy.h): the page's
// "external" has the two functions, any other call on it reaches
// unknownCall().
//
// Its address is the user default "guideMeURL", else the vendor's guide
// page, "/mac/guideme/" on the host of "tolvaneWebSite"; nothing when
// neither is set.
#include "widgets/WebViewPolicy.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class TessaroController;

inline const QString GuideMeURLDefaultsKey = QStringLiteral("guideMeURL");

class TessaroGuideMeWindowController : public WebViewPolicy
{
public:
    // The tags a guide choice sets; -1 leaves that pop-up unchanged.
    struct Choice {
        int mailpieceTag = -1;
        int classTag = -1;
        friend bool operator==(const Choice &, const Choice &) = default;
    };

    // The stamp window whose pop-ups the guide sets (not owned).
    explicit TessaroGuideMeWindowController(TessaroController *window = nullptr) : m_window(window) {}

    // The bridge table (names compared exactly).
    static Choice choiceForGuide(const QString &mailClass, const QString &mailpiece);

    std::optional<QUrl> guideMeURL() const;

    // The stamp window the guide sets from now on.
    void setWindow(TessaroController *window) { m_window = window; }

    // The page's two functions.
    void setMailClassTo(const QString &mailClass, const QString &mailpiece);
    void closeGuideMeWindow();
    // Any other function the page calls on "external": logged, answers "".
    QString unknownCall(const QString &name, const QStringList &arguments);

    // ---- The window's policy ---------------------------------------------------------
    QSize windowSize() const override { return {720, 560}; }
    // "setMailPieceTypePopUp" (class name, mailpiece name; a missing
    // argument counts as an empty name) and "closeGuideMeWindow".
    QStringList scriptFunctions() const override;
    // One of the two functions, or an unknown call (its arguments as text).
    void scriptCall(const QString &name, const QVariantList &arguments) override;
    // The page's script dialogs: an alert, and a confirmation that answers
    // true only for "OK".
    void scriptAlert(const QString &message) override;
    bool scriptConfirm(const QString &message) override;

    // The page asked the window to close (the view closes it and clears the
    // request).
    bool closeRequested() const { return m_closeRequested; }
    void clearCloseRequest() { m_closeRequested = false; }
    // The log lines of the unknown calls (also on the console).
    QStringList unknownCalls() const { return m_unknownCalls; }

private:
    TessaroController *m_window;
    bool m_closeRequested = false;
    QStringList m_unknownCalls;
};

// The stamp window's guideMe: the one guide window of the process, made and
// centred on first use (its page loaded then; closing only hides it), set to
// the stamp window and shown. Nothing (and a line on the console) without an address or
// an installed web-page window.
WebPageWindow *showGuideMeWindow(TessaroController *window);
WebPageWindow *guideMeWindow();
