#pragma once
// A fake of the XML automation that the automation registers at start-up,
// for tests of its callers. Header-only.
#include "platform/AutomationServices.h"

#include <QList>
#include <QStringList>
#include <QVariantMap>

namespace tolvane::test {

// Records every automation request and answers `answer`.
class RecordingAutomation final : public QVAutomationServices
{
public:
    struct Callback {
        QVariantMap pairs;
        QString url;
        QString method;
    };
    QList<Callback> callbacks;
    QList<QVariantMap> commands;
    QList<QUrl> files;
    QList<QUrl> openedFiles;
    QStringList documents;
    // What processXML answers (nothing: not carried out).
    std::optional<QString> documentAnswer = QStringLiteral("<GlimraResponse/>");
    QList<QVariantMap> packages;
    bool answer = true;
    // The failure reason as last set, and every text set, in order.
    QString reason;
    QStringList reasons;

    bool callbackPairs(const QVariantMap &pairs, const QString &url, const QString &method) override
    {
        callbacks << Callback{pairs, url, method};
        return answer;
    }
    std::optional<QString> processXMLCommandDictionary(const QVariantMap &command) override
    {
        commands << command;
        return answer ? documentAnswer : std::nullopt;
    }
    std::optional<QString> processXML(const QString &document) override
    {
        documents << document;
        return documentAnswer;
    }
    QVAutomationReply processXMLFileAtURL(const QUrl &file) override
    {
        files << file;
        return answer ? documentAnswer : std::nullopt;
    }
    QVAutomationReply processOpenedXMLFileAtURL(const QUrl &file) override
    {
        openedFiles << file;
        return answer ? documentAnswer : std::nullopt;
    }
    bool processPackage(const QVariantMap &package) override
    {
        packages << package;
        return answer;
    }
    void setFailureReason(const QString &text) override
    {
        reason = text;
        reasons << text;
    }
    QString failureReason() override { return reason; }
};

} // namespace tolvane::test
