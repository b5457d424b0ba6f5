#pragma once
// The Glimra XML automation: request documents (text, files, the "print"
// URL's dictionary), package by package applied to the main window
// (QVPackageProcessor), printed through the window's print flow and
// answered in a reply document, optionally at a callback URL
// (QVAutomationCallbacks); a document may instead buy postage.
//
// Reply: root "Glimra" with one "Package" element per package handled, in
// request order ("ID" attribute when the request gave one). Success
// describes the piece this package printed: live, the mailing-log entry the
// print wrote (a print that wrote none is described from the window's
// shipment); in test mode (and when nothing was printed) the window's
// shipment. Failure carries "Status" "Failure", the failure reason, the
// package's own "ReferenceID" and "Description" and its weight. A failed
// print ends the document: later packages get no element. A purchase
// document answers one "Purchase" element (Status, Balance on success,
// Amount as given, FailureReason when refused before the server is asked).
//
// Safety: automation mode (the delegate's flag) is on for the length of a
// document whose "Prompt" is "NO" and ends on every path; a document whose
// "Test" is set buys nothing; a document that cannot be read (not
// well-formed, a DTD, too deep, larger than kMaximumDocumentBytes, not
// UTF-8) changes nothing and is answered with a reply holding the reason,
// which quotes at most the first 200 characters of the document. An opened
// file asks the user first. "OutputFile" is written only when it names an
// absolute path whose folder exists, with an atomic replace of a regular
// file (a symlink, folder or FIFO is refused), once per package.
//
// Main thread only, but for the "GET" callbacks.
#include "automation/AutomationCallbacks.h"
#include "automation/QVPackageProcessor.h"
#include "platform/AutomationServices.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QVShipment;

// User defaults of the document processing.
inline const QString QVUsePostageDefaultsKey = QStringLiteral("usePostage");
inline const QString QVRenameProcessedXMLFilesKey = QStringLiteral("renameProcessedXMLFiles");
inline const QString QVDontPrintForOnePackageAndPromptIsYesKey = QStringLiteral("dontPrintForOnePackageAndPromptIsYes");

// What a postage purchase answers.
struct QVAutomationPurchase {
    quint32 returnCode = 0;
    qint64 serialNumber = 0;
    QString meterID;
    QString balanceText;
};

// The postage server as the automation uses it.
struct QVAutomationAccount {
    // Buys the mils; nothing when the server could not be reached.
    std::function<std::optional<QVAutomationPurchase>(qint64 mils)> postageBuy;
    // The balance text of the last valid status reply (empty: none).
    std::function<QString()> lastValidBalanceText;

    // The program's postage-server client.
    static QVAutomationAccount program();
};

class QVGlimraAutomation final : public QVAutomationServices
{
public:
    static constexpr qsizetype kMaximumDocumentBytes = 8 * 1024 * 1024;
    static constexpr int kQuotedCharacters = 200;

    // The environment's failure-reason setter is this object's own.
    QVGlimraAutomation(QVPackageEnvironment environment, QVAutomationAccount account);
    ~QVGlimraAutomation() override;

    bool callbackPairs(const QVariantMap &pairs, const QString &url, const QString &method) override;
    std::optional<QString> processXMLCommandDictionary(const QVariantMap &command) override;
    std::optional<QString> processXML(const QString &document) override;
    QVAutomationReply processXMLFileAtURL(const QUrl &file) override;
    QVAutomationReply processOpenedXMLFileAtURL(const QUrl &file) override;
    bool processPackage(const QVariantMap &package) override;
    void setFailureReason(const QString &reason) override { m_failureReason = reason; }
    QString failureReason() override { return m_failureReason; }

    // The document's raw bytes (the remote interface's data form).
    std::optional<QString> processXMLData(const QByteArray &document);
    // The path an "OutputFile" text names: tilde expanded, "." and ".."
    // resolved; empty unless absolute.
    static QString standardizedOutputPath(const QString &text);
    // Replaces the file's contents at once; false when the path is no
    // regular file (or absent), its folder is missing, or writing failed.
    // Nothing is left behind on failure.
    static bool writeFileAtomically(const QString &path, const QByteArray &bytes);

    QVAutomationCallbacks &callbacks() { return *m_callbacks; }
    // Writes the "OutputFile" (writeFileAtomically unless replaced: the fuzz
    // target writes nothing).
    using OutputWriter = std::function<bool(const QString &path, const QByteArray &bytes)>;
    void setOutputWriter(OutputWriter writer) { m_outputWriter = std::move(writer); }

private:
    struct Document;
    std::optional<QString> processRoot(const QVariantMap &root);
    QString purchase(Document &document, const QVariantMap &purchase);
    void processOnePackage(Document &document, const QVariant &entry, bool doNotPrint);
    std::optional<QString> readDocument(const QByteArray &bytes, QVariantMap *plist);

    QVPackageProcessor m_processor;
    QVPackageEnvironment m_env;
    QVAutomationAccount m_account;
    std::unique_ptr<QVAutomationCallbacks> m_callbacks;
    QString m_failureReason;
    OutputWriter m_outputWriter = writeFileAtomically;
};
