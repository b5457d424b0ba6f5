#pragma once
// How other programs reach the running application: URLs of its own scheme
// "tolvane:", files opened with it, the desktop's two Services entries, and
// the requests of the single-instance socket (platform/RemoteRequests.h).
//
// A URL is scheme "://" command "?" pairs: the command is the host, the pairs
// are the raw query split at ";", each "key=value" with the key before the
// first "=" and both percent-decoded; a pair without "=" or with a broken
// escape is dropped; a later key replaces an earlier one. Commands and keys
// are compared exactly. While the main window does not exist yet a URL (and
// an opened file) is handed back to the scheduler for the next pass of the
// event loop. The stamps-only edition acts on "updateMe" only and refuses
// opened files.
//
// Commands: "updateMe" (an update check), "newShipment", "newShipment2",
// "print", "highlightShipment", "trackShipment" and "refund". A URL may come
// from any web page, so the two that spend or take back money, "print" and
// "refund", first ask the user (through the dialogs interface), naming the
// command, the piece or recipient, the output file and the callback's host;
// the question is asked even when the URL says "Prompt=NO", and a refusal (or
// automation mode, in which nobody can answer) carries out nothing; a refused
// "refund" calls back "Failure". A refund is "Success" (and the piece void
// in the log) only when the postage server answers return code 1. A
// "newShipment" "value" that is not a number is ignored. A URL that reaches
// the program over its socket ("openURL:", the desktop's hand-over to the
// running copy) is asked about the same way; the socket's automation
// requests ("processXML:" and the like, the user's own programs) are not.
#include "platform/RemoteRequests.h"

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QVPostageAccount;
class Scheduler;

inline const QString QVURLLoggingKey = QStringLiteral("urlLogging");
inline const QString QVUsePostageKey = QStringLiteral("usePostage");

// One URL taken apart.
struct QVApplicationURL {
    QString command;   // the host, as written
    QVariantMap pairs; // key -> decoded text
};
QVApplicationURL parseApplicationURL(const QString &text);

// The root keys of a "print" URL; every other pair is the package.
const QStringList &printRootKeys();

// What the handler asks of the main window and the windows around it.
class QVURLHandlerHost
{
public:
    virtual ~QVURLHandlerHost() = default;
    // The main window is loaded.
    virtual bool hasMainWindow() = 0;
    // checkForUpdates: of the updater.
    virtual void checkForUpdates() = 0;
    // A new package from the address text and the e-mail.
    virtual void newPackageWithAddressString(const QString &address, const QString &email) = 0;
    // setCurrentShipmentProperty:forKey: of the main-window controller.
    virtual void setCurrentShipmentProperty(const QVariant &value, const QString &key) = 0;
    virtual void setPendingCallbackURL(const std::optional<QUrl> &url) = 0;
    // The mailing-log window shows and selects the row.
    virtual void highlightRow(quint32 row) = 0;
    // The main window updated, key and in front.
    virtual void showMainWindow() = 0;
    // processVCardFileAtURL: of the main-window controller.
    virtual bool processVCardFile(const QString &path) = 0;
    // Opens a page in the browser; false when it could not.
    virtual bool openURLInBrowser(const QUrl &url) = 0;
    // The application in front of all others.
    virtual void activateApplication() = 0;
    // The USPS tracking response for a number as the diagnostic of the
    // command-line tool writes it: the reply's description, "(null)" when
    // there is none. By default asks the USPS client.
    virtual QString trackResponseDescription(const QString &trackingNumber);
};

class QVURLHandler
{
public:
    // The postage account may be null (then the real client is used).
    QVURLHandler(QVURLHandlerHost &host, std::shared_ptr<Scheduler> scheduler,
                 std::shared_ptr<QVPostageAccount> account = nullptr);

    // getUrl: one URL from the desktop (a web page, another program).
    void handleURL(const QString &text);
    // application:openFile: true when the file is taken.
    bool openFile(const QString &path);
    // The Services entries; an error text, empty on success.
    QString trackConfirmInBrowser(const QString &text);
    QString newShipmentWithAddress(const QString &text);
    // One request of the single-instance socket (the root object's
    // interface).
    RemoteFrame answerRemoteRequest(const RemoteFrame &request);

    // The track-and-confirm page of a text (white space removed).
    static QUrl trackConfirmURL(const QString &text);

private:
    void carryOut(const QVApplicationURL &url);
    void newShipment(const QVariantMap &pairs);
    void newShipment2(const QVariantMap &pairs);
    void print(const QVariantMap &pairs);
    void highlightShipment(const QVariantMap &pairs);
    void trackShipment(const QVariantMap &pairs);
    void refund(const QVariantMap &pairs);
    void openLater(const QString &path, bool xml);
    std::shared_ptr<QVPostageAccount> account();
    // The call on the next pass of the event loop, while this object lives.
    void later(std::function<void()> call);

    QVURLHandlerHost &m_host;
    std::shared_ptr<Scheduler> m_scheduler;
    std::shared_ptr<QVPostageAccount> m_account;
    std::shared_ptr<bool> m_alive;
};
