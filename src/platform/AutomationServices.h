#pragma once
// What the server clients and the application shell ask of the XML
// automation (Glimra commands and documents, and the answers sent back to a
// caller's URL). The automation registers itself at start-up; tests register
// a fake. Until then the stand-in carries out nothing: every request is
// written to the console and answers false.
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <optional>

// The reply text of a Glimra document, or nothing when the document was not
// carried out. It converts to true exactly when there is a reply, so that a
// caller that only asks whether the document ran may treat it as a flag.
class QVAutomationReply : public std::optional<QString>
{
public:
    using std::optional<QString>::optional;
    QVAutomationReply(const std::optional<QString> &reply) : std::optional<QString>(reply) {} // NOLINT
    operator bool() const { return has_value(); }                                             // NOLINT
};

class QVAutomationServices
{
public:
    virtual ~QVAutomationServices() = default;

    // Sends the non-empty text values as "key=value" pairs (values
    // percent-escaped, ";/?:@&=+,$" too), joined with "&", to the http or
    // https URL: "GET" requests it in the background, any other method opens
    // it in the browser. False when nothing could be sent (another scheme, a
    // URL that cannot be made).
    virtual bool callbackPairs(const QVariantMap &pairs, const QString &url, const QString &method) = 0;
    // One Glimra command: { "Glimra": root dictionary with its root keys and
    // "Package" }, carried out as if read from a document; its reply text,
    // or nothing when there is no "Glimra" entry.
    virtual std::optional<QString> processXMLCommandDictionary(const QVariantMap &command) = 0;
    // Carries out a Glimra XML document given as text (the remote
    // interface's "processXML:"); its status document, or nothing when it
    // was not carried out. The stand-in writes it to the console.
    virtual std::optional<QString> processXML(const QString &document);
    // Reads and carries out a Glimra XML file (the user's own programs: the
    // socket's "processXMLFileAtURL:", the scripting command); its reply.
    virtual QVAutomationReply processXMLFileAtURL(const QUrl &file) = 0;
    // A Glimra XML file opened with the program (the desktop, a second copy,
    // the socket's "openFile:"): it may come from anywhere, so the user is
    // asked first whatever the document says; declined, nothing is carried
    // out and nothing is answered. The stand-in carries out nothing.
    virtual QVAutomationReply processOpenedXMLFileAtURL(const QUrl &file);
    // Carries out one package of package keys (the URL command
    // "newShipment2").
    virtual bool processPackage(const QVariantMap &package) = 0;

    // The failure text of the package being carried out (failureReason):
    // the print flow sets it when a piece fails in automation mode; the
    // automation reads it into its answer and clears it. An implementation
    // that carries no package keeps nothing: it writes the text to the
    // console and answers an empty text.
    virtual void setFailureReason(const QString &reason);
    virtual QString failureReason() { return QString(); }
};

void setAutomationServices(std::shared_ptr<QVAutomationServices> automation);
std::shared_ptr<QVAutomationServices> automationServices();
